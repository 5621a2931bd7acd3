// boardclock.cpp - board clock arithmetic on Windows file times.
#include "boardclock.h"

#include <cstdio>

namespace simboard {

namespace {

bool ToMilliseconds(const SYSTEMTIME& time, long long& ms) {
    FILETIME file;
    if (!SystemTimeToFileTime(&time, &file))
        return false;
    ULARGE_INTEGER value;
    value.LowPart = file.dwLowDateTime;
    value.HighPart = file.dwHighDateTime;
    ms = static_cast<long long>(value.QuadPart / 10000);
    return true;
}

bool FromMilliseconds(long long ms, SYSTEMTIME& time) {
    if (ms < 0)
        return false;
    ULARGE_INTEGER value;
    value.QuadPart = static_cast<unsigned long long>(ms) * 10000;
    FILETIME file;
    file.dwLowDateTime = value.LowPart;
    file.dwHighDateTime = value.HighPart;
    return FileTimeToSystemTime(&file, &time) != FALSE && IsValidBoardTime(time);
}

long long HostLocalNowMs() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    long long ms = 0;
    ToMilliseconds(now, ms);
    return ms;
}

} // namespace

bool IsValidBoardTime(const SYSTEMTIME& time) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (time.wYear < 1601 || time.wYear > 30827 || time.wMonth < 1 || time.wMonth > 12)
        return false;
    bool leap = (time.wYear % 4 == 0 && time.wYear % 100 != 0) || time.wYear % 400 == 0;
    int days = kDays[time.wMonth - 1] + ((time.wMonth == 2 && leap) ? 1 : 0);
    return time.wDay >= 1 && time.wDay <= days && time.wHour < 24 && time.wMinute < 60 &&
           time.wSecond < 60 && time.wMilliseconds < 1000;
}

bool BoardTimeNow(long long offsetMs, SYSTEMTIME& time) {
    return FromMilliseconds(HostLocalNowMs() + offsetMs, time);
}

bool OffsetForBoardTime(const SYSTEMTIME& time, long long& offsetMs) {
    long long wanted = 0;
    if (!IsValidBoardTime(time) || !ToMilliseconds(time, wanted))
        return false;
    offsetMs = wanted - HostLocalNowMs();
    return true;
}

std::string FormatBoardTime(const SYSTEMTIME& time) {
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth,
                  time.wDay, time.wHour, time.wMinute, time.wSecond);
    return text;
}

bool ParseBoardTime(const std::string& text, SYSTEMTIME& time) {
    unsigned year, month, day, hour, minute, second;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4u-%2u-%2u %2u:%2u:%2u%c", &year, &month, &day, &hour, &minute,
                    &second, &tail) != 6)
        return false;
    SYSTEMTIME parsed = {};
    parsed.wYear = static_cast<WORD>(year);
    parsed.wMonth = static_cast<WORD>(month);
    parsed.wDay = static_cast<WORD>(day);
    parsed.wHour = static_cast<WORD>(hour);
    parsed.wMinute = static_cast<WORD>(minute);
    parsed.wSecond = static_cast<WORD>(second);
    if (!IsValidBoardTime(parsed))
        return false;
    // Fill in the day of the week.
    FILETIME file;
    if (!SystemTimeToFileTime(&parsed, &file) || !FileTimeToSystemTime(&file, &time))
        return false;
    return true;
}

} // namespace simboard
