// decimaltext.cpp - decimal integers of the boot settings file.
#include "settings/decimaltext.h"

namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool ScanDecimal(const char* text, int32_t& value) {
    const char* p = text;
    while (IsCSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (!IsDigit(*p))
        return false;
    // The magnitude is held in 64 bits and stops growing once it is past the
    // 32-bit range, so no digit count can overflow it.
    const int64_t limit = negative ? INT64_C(2147483648) : INT64_C(2147483647);
    int64_t magnitude = 0;
    for (; IsDigit(*p); ++p) {
        if (magnitude <= limit)
            magnitude = magnitude * 10 + (*p - '0');
    }
    if (magnitude > limit)
        magnitude = limit;
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

int FormatDecimal(int32_t value, char* out) {
    // Work on the magnitude as unsigned so that INT32_MIN has one too.
    uint32_t magnitude =
        value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    int length = 0;
    if (value < 0)
        out[length++] = '-';
    while (count > 0)
        out[length++] = digits[--count];
    out[length] = '\0';
    return length;
}
