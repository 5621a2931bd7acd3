// numericrows.h - the rows of the numeric settings pages. A row is one
// integer setting: a check box for its presence flag, and an up-down control
// whose buddy edit box holds the value. The pages differ only in the messages
// they set range and position with and in the test that accepts a value.
#pragma once

#include "afx/afxcmn.h"
#include "settings/settingrules.h"
#include "settings/networksettings.h"

#include <cstddef>
#include <cstdint>

// How a page sets an up-down control's range: UDM_SETRANGE (two 16-bit
// limits in one word) or UDM_SETRANGE32.
enum class RangeMessage { Range16, Range32 };
// How a page sets the position: UDM_SETPOS (the low 16 bits) or UDM_SETPOS32.
enum class PosMessage { Pos16, Pos32 };
// Which UDM_GETPOS replies a page accepts: lower <= reply <= upper, or the
// reply taken as unsigned <= upper.
enum class Acceptance { WithinRange, UnsignedUpToUpper };

struct NumericRow {
    CSpinButtonCtrl& spin;
    CButton& check;
    const NumericRule& rule; // the section, its range and its fallback
};

// The value that a UDM_GETPOS reply stores under a page's test.
int32_t StoredValue(const NumericRow& row, DWORD reply, Acceptance acceptance);

void SetRowRange(const NumericRow& row, RangeMessage message);

// Loads the rows from the record: every check box first, then every position,
// each in the rows' order. A value outside its row's range is shown as the
// nearest end of the range.
void LoadRows(const NumericRow* rows, size_t count, const NetworkSettings& settings,
              PosMessage message);

// Stores the rows into the record, row by row: the flag from the check box,
// then the value from the up-down control (or the row's fallback).
void StoreRows(const NumericRow* rows, size_t count, NetworkSettings& settings,
               Acceptance acceptance);
