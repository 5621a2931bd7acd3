// decimaltext.h - the decimal integer form of the boot settings file, read and
// written the same way on every C runtime.
#pragma once

#include <cstdint>

// Reads a decimal integer as a "%d" conversion does: leading white space
// skipped, an optional sign, then digits up to the first other character.
// Returns false, leaving value unchanged, when no digit follows. A number
// beyond the 32-bit range gives INT32_MAX or INT32_MIN (all its digits are
// still taken).
bool ScanDecimal(const char* text, int32_t& value);

// Writes value in plain decimal with a NUL ("-2147483648" at most, 12 bytes
// with the NUL); returns the characters written, NUL not counted.
int FormatDecimal(int32_t value, char* out);
