// rtcclock.h - the text arithmetic of the board clock panel.
#pragma once

#include <windows.h>

#include <string>

namespace rtcclock {

// Reads a decimal number as "%d" does: leading blanks and a sign, then digits
// up to the first non-digit; 0 when there are none. Saturates far below the
// integer limits so that the clock's arithmetic cannot overflow.
int ReadDecimal(const std::string& text);

// "h:m:s" as the panel shows it: "%d:%02d:%02d".
std::string Format(int hour, int minute, int second);

// The date and time one second later (the date rolls over at midnight).
SYSTEMTIME AddOneSecond(const SYSTEMTIME& time);

} // namespace rtcclock
