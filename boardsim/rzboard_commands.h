// rzboard_commands.h - the commands of the board companion rzboard.exe. Each
// takes the board folder and its own arguments, prints to stdout, reports
// errors to stderr and returns the process exit code.
#pragma once

#include <string>
#include <vector>

namespace rzboard {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

using Args = std::vector<std::string>;

int Create(const std::string& dir, const Args& args);
int Show(const std::string& dir, const Args& args);
int Set(const std::string& dir, const Args& args);
int Product(const std::string& dir, const Args& args);
int File(const std::string& dir, const Args& args);
int Trace(const std::string& dir, const Args& args);
int Fault(const std::string& dir, const Args& args);
int Illegal(const std::string& dir, const Args& args);
int Clock(const std::string& dir, const Args& args);

// Prints "rzboard: <message>" to stderr and returns `code`.
int Error(const std::string& message, int code = kFailed);

} // namespace rzboard
