// rtcclock.cpp - the text arithmetic of the board clock panel.
#include "mainwnd/rtcclock.h"

#include <cctype>
#include <cstdio>

namespace rtcclock {

namespace {
constexpr long long kLargest = 999999999;
constexpr ULONGLONG kTicksPerSecond = 10000000; // FILETIME counts 100 ns
} // namespace

int ReadDecimal(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < kLargest)
            value = value * 10 + (text[i] - '0');
    }
    if (value > kLargest)
        value = kLargest;
    return static_cast<int>(negative ? -value : value);
}

std::string Format(int hour, int minute, int second) {
    char text[64];
    std::snprintf(text, sizeof(text), "%d:%02d:%02d", hour, minute, second);
    return text;
}

SYSTEMTIME AddOneSecond(const SYSTEMTIME& time) {
    FILETIME ft;
    if (!::SystemTimeToFileTime(&time, &ft))
        return time;
    ULARGE_INTEGER ticks;
    ticks.LowPart = ft.dwLowDateTime;
    ticks.HighPart = ft.dwHighDateTime;
    ticks.QuadPart += kTicksPerSecond;
    ft.dwLowDateTime = ticks.LowPart;
    ft.dwHighDateTime = ticks.HighPart;
    SYSTEMTIME later = time;
    if (!::FileTimeToSystemTime(&ft, &later))
        return time;
    return later;
}

} // namespace rtcclock
