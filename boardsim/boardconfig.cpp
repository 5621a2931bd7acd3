// boardconfig.cpp - reading and writing board.ini.
#include "boardconfig.h"

#include "winfile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

namespace simboard {

namespace {

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr)
        *error = text;
}

bool ParseHexWord(const std::string& text, uint32_t& value) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.empty() || digits.size() > 8 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    value = static_cast<uint32_t>(std::strtoul(digits.c_str(), nullptr, 16));
    return true;
}

bool ParseInRange(const std::string& text, long long low, long long high, long long& value) {
    return ParseNumber(text, value) && value >= low && value <= high;
}

bool ParseInt(const std::string& text, int& value) {
    long long number = 0;
    if (!ParseInRange(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                      number))
        return false;
    value = static_cast<int>(number);
    return true;
}

bool ParseUnsigned(const std::string& text, uint32_t& value) {
    long long number = 0;
    if (!ParseInRange(text, 0, 0xFFFFFFFFLL, number))
        return false;
    value = static_cast<uint32_t>(number);
    return true;
}

bool ParseErrorCode(const std::string& text, int& value) {
    // Error codes may be given as 32-bit patterns such as 0xFFFFFFFF.
    long long number = 0;
    if (!ParseInRange(text, std::numeric_limits<int>::min(), 0xFFFFFFFFLL, number))
        return false;
    value = static_cast<int>(static_cast<uint32_t>(number));
    return true;
}

bool ParseCount(const std::string& text, int& value) {
    long long number = 0;
    if (!ParseInRange(text, 0, std::numeric_limits<int>::max(), number))
        return false;
    value = static_cast<int>(number);
    return true;
}

bool ApplyKey(const std::string& key, const std::string& value, BoardConfig& config) {
    if (key == "board_word")
        return ParseHexWord(value, config.boardWord);
    if (key == "command_version")
        return ParseUnsigned(value, config.commandVersion);
    if (key == "rom_version")
        return ParseUnsigned(value, config.romVersion);
    if (key == "board_no")
        return ParseInt(value, config.boardNo);
    if (key == "clock_offset_ms") {
        long long number = 0;
        if (!ParseNumber(value, number))
            return false;
        config.clockOffsetMs = number;
        return true;
    }
    if (key == "reset_count")
        return ParseInt(value, config.resetCount);
    if (key == "command_file") {
        if (value.find_first_of("\\/:") != std::string::npos)
            return false;
        config.commandFile = value;
        return true;
    }
    if (key == "spi_size") {
        uint32_t size = 0;
        if (!ParseUnsigned(value, size) || size < kSpiMinSize || size > kSpiMaxSize ||
            size % kSpiBlockSize != 0)
            return false;
        config.spiSize = size;
        return true;
    }
    if (key == "enum_error")
        return ParseErrorCode(value, config.enumError);
    if (key == "open_error")
        return ParseErrorCode(value, config.openError);
    if (key == "power_cut_after")
        return ParseCount(value, config.powerCutAfter);
    if (key == "power_cut_inside")
        return ParseCount(value, config.powerCutInside);
    if (key == "illegal_nor_ops")
        return ParseCount(value, config.illegalNorOps);
    if (key == "fail") {
        Fault fault;
        if (!ParseFault(value, fault))
            return false;
        config.faults.push_back(fault);
        return true;
    }
    if (key == "delay") {
        Delay delay;
        if (!ParseDelay(value, delay))
            return false;
        config.delays.push_back(delay);
        return true;
    }
    return false;
}

bool IsKnownKey(const std::string& key) {
    static const char* const kKeys[] = {
        "board_word",  "command_version", "rom_version",      "board_no",        "clock_offset_ms",
        "reset_count", "command_file",    "spi_size",         "enum_error",      "open_error",
        "fail",        "power_cut_after", "power_cut_inside", "illegal_nor_ops", "delay"};
    for (const char* known : kKeys) {
        if (key == known)
            return true;
    }
    return false;
}

bool SplitLine(const std::string& line, std::string& key, std::string& value) {
    size_t equals = line.find('=');
    if (equals == std::string::npos)
        return false;
    key = Trim(line.substr(0, equals));
    value = Trim(line.substr(equals + 1));
    return !key.empty();
}

} // namespace

bool ParseNumber(const std::string& text, long long& value) {
    std::string digits = Trim(text);
    bool negative = false;
    if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
        negative = digits[0] == '-';
        digits = digits.substr(1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits = digits.substr(2);
    }
    const char* allowed = base == 16 ? "0123456789abcdefABCDEF" : "0123456789";
    if (digits.empty() || digits.size() > 18 ||
        digits.find_first_not_of(allowed) != std::string::npos)
        return false;
    errno = 0;
    long long number = std::strtoll(digits.c_str(), nullptr, base);
    if (errno != 0)
        return false;
    value = negative ? -number : number;
    return true;
}

std::string Hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof(text), "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

namespace {

std::vector<std::string> SplitFields(const std::string& text) {
    std::vector<std::string> fields;
    for (size_t start = 0;;) {
        size_t colon = text.find(':', start);
        fields.push_back(Trim(text.substr(start, colon - start)));
        if (colon == std::string::npos)
            return fields;
        start = colon + 1;
    }
}

} // namespace

bool ParseFault(const std::string& text, Fault& fault) {
    const std::vector<std::string> fields = SplitFields(text);
    if (fields.size() != 3 && fields.size() != 4)
        return false;
    Fault parsed;
    parsed.function = fields[0];
    long long nth = 0;
    if (parsed.function.empty() ||
        !ParseInRange(fields[1], 1, std::numeric_limits<int>::max(), nth) ||
        !ParseErrorCode(fields[2], parsed.result))
        return false;
    if (fields.size() == 4) {
        if (fields[3] != kPartialFaultWord)
            return false;
        parsed.partial = true;
    }
    parsed.nthCall = static_cast<int>(nth);
    fault = parsed;
    return true;
}

std::string FormatFault(const Fault& fault) {
    std::string text =
        fault.function + ":" + std::to_string(fault.nthCall) + ":" + std::to_string(fault.result);
    return fault.partial ? text + ":" + kPartialFaultWord : text;
}

bool ParseDelay(const std::string& text, Delay& delay) {
    const std::vector<std::string> fields = SplitFields(text);
    long long nth = 0, ms = 0;
    if (fields.size() != 3 || fields[0].empty() ||
        !ParseInRange(fields[1], 1, std::numeric_limits<int>::max(), nth) ||
        !ParseInRange(fields[2], 0, 600000, ms))
        return false;
    delay = {fields[0], static_cast<int>(nth), static_cast<int>(ms)};
    return true;
}

std::string FormatDelay(const Delay& delay) {
    return delay.function + ":" + std::to_string(delay.nthCall) + ":" + std::to_string(delay.ms);
}

bool ApplyConfigLine(const std::string& line, BoardConfig& config, std::string* error) {
    std::string key, value;
    if (!SplitLine(line, key, value)) {
        SetError(error, "expected key=value: " + line);
        return false;
    }
    if (!IsKnownKey(key)) {
        SetError(error, "unknown key: " + key);
        return false;
    }
    if (!ApplyKey(key, value, config)) {
        SetError(error, "bad value for " + key + ": " + value);
        return false;
    }
    return true;
}

bool ParseConfig(const std::string& text, BoardConfig& config, std::string* error) {
    BoardConfig parsed;
    size_t start = 0;
    int lineNo = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        ++lineNo;
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        std::string key, value;
        if (!SplitLine(line, key, value)) {
            SetError(error, "line " + std::to_string(lineNo) + ": expected key=value");
            return false;
        }
        if (!IsKnownKey(key))
            continue;
        if (!ApplyKey(key, value, parsed)) {
            SetError(error, "line " + std::to_string(lineNo) + ": bad value for " + key);
            return false;
        }
    }
    config = parsed;
    return true;
}

std::string FormatConfig(const BoardConfig& config) {
    std::string text;
    auto add = [&](const std::string& key, const std::string& value) {
        text += key + "=" + value + "\r\n";
    };
    char word[16];
    std::snprintf(word, sizeof(word), "0x%08X", config.boardWord);
    add("board_word", word);
    add("command_version", Hex(config.commandVersion));
    add("rom_version", Hex(config.romVersion));
    add("board_no", std::to_string(config.boardNo));
    add("clock_offset_ms", std::to_string(config.clockOffsetMs));
    add("reset_count", std::to_string(config.resetCount));
    add("command_file", config.commandFile);
    add("spi_size", Hex(config.spiSize));
    add("enum_error", Hex(static_cast<uint32_t>(config.enumError)));
    add("open_error", Hex(static_cast<uint32_t>(config.openError)));
    for (const Fault& fault : config.faults)
        add("fail", FormatFault(fault));
    for (const Delay& delay : config.delays)
        add("delay", FormatDelay(delay));
    add("power_cut_after", std::to_string(config.powerCutAfter));
    add("power_cut_inside", std::to_string(config.powerCutInside));
    add("illegal_nor_ops", std::to_string(config.illegalNorOps));
    return text;
}

bool LoadConfig(const std::string& dir, BoardConfig& config) {
    std::string text;
    return ReadWholeFile(JoinPath(ToWindowsPath(dir), kConfigFileName), text) &&
           ParseConfig(text, config);
}

bool SaveConfig(const std::string& dir, const BoardConfig& config) {
    std::string windowsDir = ToWindowsPath(dir);
    return DirectoryExists(windowsDir) &&
           ReplaceWholeFile(JoinPath(windowsDir, kConfigFileName), FormatConfig(config));
}

} // namespace simboard
