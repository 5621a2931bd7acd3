// commands.h - the console program's commands. Each takes its own arguments
// (the command name and --board already taken away) and the console's face,
// and returns the exit code.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class ConsoleBoardUi;

using Arguments = std::vector<std::string>;

int RunInfo(int boardNo, const Arguments& args, ConsoleBoardUi& ui);
int RunShow(int boardNo, const Arguments& args, ConsoleBoardUi& ui);
int RunSet(int boardNo, const Arguments& args, ConsoleBoardUi& ui);
int RunExport(int boardNo, const Arguments& args, ConsoleBoardUi& ui);
int RunImport(int boardNo, const Arguments& args, ConsoleBoardUi& ui);
int RunUpgrade(int boardNo, const Arguments& args, ConsoleBoardUi& ui);
int RunClock(int boardNo, const Arguments& args, ConsoleBoardUi& ui);
int RunReset(int boardNo, const Arguments& args, ConsoleBoardUi& ui);
int RunHistory(int boardNo, const Arguments& args, ConsoleBoardUi& ui);

enum class ClockText {
    Valid,
    BadFormat,  // not "YYYY-MM-DD hh:mm:ss" with digits where digits belong
    NoSuchTime, // in that form, but no real date and time
};
// Reads "YYYY-MM-DD hh:mm:ss" into a valid date and time (day of week
// filled in).
ClockText ParseClockText(const std::string& text, SYSTEMTIME& time);

// Why a settings file would not go to the board exactly as it is ("" when it
// would): the first line that reads back otherwise, with its number and
// cause (code page 932).
std::string ImportRefusal(const std::string& bytes);
