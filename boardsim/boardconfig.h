// boardconfig.h - the board folder's file names and the text form of
// board.ini.
#pragma once

#include "simboard.h"

#include <string>

namespace simboard {

constexpr const char kConfigFileName[] = "board.ini";
constexpr const char kMainFlashFileName[] = "mainflash.bin";
constexpr const char kSpiFlashFileName[] = "spiflash.bin";
constexpr const char kTraceFileName[] = "trace.log";
constexpr const char kIllegalNorLogFileName[] = "illegal_nor.log";
constexpr const char kSysFolderName[] = "sys";

// Limits of the SPI flash size a board may have.
constexpr uint32_t kSpiMinSize = kSpiBlockSize;
constexpr uint32_t kSpiMaxSize = 0x4000000;

// Parses board.ini text. Keys not given keep their defaults; unknown keys are
// ignored. False (with a reason) on a malformed line or value.
bool ParseConfig(const std::string& text, BoardConfig& config, std::string* error = nullptr);
// All keys, one "key=value" a line, CR LF line ends.
std::string FormatConfig(const BoardConfig& config);
// Applies one "key=value" to a configuration (the companion's "set"); a
// "fail=" line adds a fault, a "delay=" line a delay. False (with a reason) on an unknown key or
// bad value.
bool ApplyConfigLine(const std::string& line, BoardConfig& config, std::string* error = nullptr);
// "fmWrite:2:-1" into a plain fault, "fmWrite:2:-1:partial" into a partial one.
constexpr const char kPartialFaultWord[] = "partial";
bool ParseFault(const std::string& text, Fault& fault);
std::string FormatFault(const Fault& fault);
// "fmWriteProgram:1:10000" into a delay of 10 s on the first call.
bool ParseDelay(const std::string& text, Delay& delay);
std::string FormatDelay(const Delay& delay);

// Numbers as board.ini and the companion write them: "0x" hex or decimal,
// with an optional minus sign.
bool ParseNumber(const std::string& text, long long& value);
std::string Hex(uint64_t value);

} // namespace simboard
