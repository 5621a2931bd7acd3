// commands.h - the console program's commands. Each takes its own arguments
// (the command name and --board already taken away) and returns the exit
// code.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

int RunInfo(int boardNo, const Arguments& args);
int RunShow(int boardNo, const Arguments& args);
int RunSet(int boardNo, const Arguments& args);
int RunExport(int boardNo, const Arguments& args);
int RunImport(int boardNo, const Arguments& args);
int RunUpgrade(int boardNo, const Arguments& args);
int RunClock(int boardNo, const Arguments& args);
int RunReset(int boardNo, const Arguments& args);
int RunHistory(int boardNo, const Arguments& args);

// Reads "YYYY-MM-DD hh:mm:ss" into a valid date and time (day of week
// filled in); false for anything else.
bool ParseClockText(const std::string& text, SYSTEMTIME& time);
