// numericrows.cpp - loading and storing the rows of the numeric pages.
#include "pages/numericrows.h"

int32_t StoredValue(const NumericRow& row, DWORD reply, Acceptance acceptance) {
    bool accepted = false;
    if (acceptance == Acceptance::WithinRange) {
        int p = static_cast<int>(reply);
        accepted = row.rule.lower <= p && p <= row.rule.upper;
    } else {
        accepted = reply <= static_cast<DWORD>(row.rule.upper);
    }
    return accepted ? static_cast<int32_t>(reply) : row.rule.fallback;
}

void SetRowRange(const NumericRow& row, RangeMessage message) {
    if (message == RangeMessage::Range16)
        row.spin.SetRange(static_cast<short>(row.rule.lower), static_cast<short>(row.rule.upper));
    else
        row.spin.SetRange32(row.rule.lower, row.rule.upper);
}

void LoadRows(const NumericRow* rows, size_t count, const NetworkSettings& settings,
              PosMessage message) {
    for (size_t i = 0; i < count; ++i)
        rows[i].check.SetCheck(settings.*(rows[i].rule.Flag()));
    for (size_t i = 0; i < count; ++i) {
        const NumericRow& row = rows[i];
        // Bring the value into the range first: the 16-bit message would
        // otherwise cut a large value to its low bits and show a number that
        // is neither the file's nor an end of the range.
        int32_t value = settings.*(row.rule.Value());
        if (value < row.rule.lower)
            value = row.rule.lower;
        if (value > row.rule.upper)
            value = row.rule.upper;
        if (message == PosMessage::Pos16)
            row.spin.SetPos(value);
        else
            row.spin.SetPos32(value);
    }
}

void StoreRows(const NumericRow* rows, size_t count, NetworkSettings& settings,
               Acceptance acceptance) {
    for (size_t i = 0; i < count; ++i) {
        const NumericRow& row = rows[i];
        settings.*(row.rule.Flag()) = row.check.GetCheck();
        settings.*(row.rule.Value()) = StoredValue(row, row.spin.GetPos(), acceptance);
    }
}
