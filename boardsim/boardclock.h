// boardclock.h - the board's clock: host local time plus a stored offset.
#pragma once

#include <windows.h>

#include <string>

namespace simboard {

// The calendar rules of a time the board can hold.
bool IsValidBoardTime(const SYSTEMTIME& time);
// The board's time now for a clock offset; false when it is out of range.
bool BoardTimeNow(long long offsetMs, SYSTEMTIME& time);
// The offset that makes the board's clock show `time` now.
bool OffsetForBoardTime(const SYSTEMTIME& time, long long& offsetMs);
// "YYYY-MM-DD hh:mm:ss" both ways.
std::string FormatBoardTime(const SYSTEMTIME& time);
bool ParseBoardTime(const std::string& text, SYSTEMTIME& time);

} // namespace simboard
