// tracelog.h - the call trace of a board folder: one line per library call,
// "Name(arg, arg, ...) = result".
#pragma once

#include "simboard.h"

#include <cstdint>
#include <string>
#include <vector>

namespace simboard {

// The line written when the simulated power is cut after a call; a cut
// inside a call writes "POWER CUT inside Name(arg, arg)" instead of the
// call's own line.
constexpr const char kPowerCutLine[] = "POWER CUT";

// Builds one trace line: numbers in decimal, flash addresses in 0x hex,
// strings in double quotes (a null pointer as null).
class TraceLine {
public:
    explicit TraceLine(std::string function) : m_function(std::move(function)) {}
    TraceLine& Number(long long value);
    TraceLine& Address(uint32_t value);
    TraceLine& Text(const char* value);
    // "Name(arg, arg)" and the whole line "Name(arg, arg) = result".
    std::string Call() const;
    std::string Format(long long result) const;
    const std::string& Function() const { return m_function; }

private:
    std::string m_function;
    std::vector<std::string> m_args;
};

bool AppendTraceLine(const std::string& dir, const std::string& line);
// Parses one line; a line that is not a call (such as the power cut) becomes
// an entry whose function is the whole line.
TraceEntry ParseTraceLine(const std::string& line);

} // namespace simboard
