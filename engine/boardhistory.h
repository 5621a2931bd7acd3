// boardhistory.h - the history of every change a tool made to a board, one
// line per change in "<local application data>\Tarnel2\history.log":
//
//   2024-05-01 10:20:30<TAB>board 0<TAB>00-80-4C-12-34-56<TAB>what<TAB>result
//
// The file is UTF-8. It is never needed to run: a history that cannot be
// written is skipped without a word, and the board operation goes on.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The results a line ends with.
extern const char kHistoryDone[];   // "done"
extern const char kHistoryFailed[]; // "failed"

// The board the following lines are about: its number, and its hardware
// address ("00-80-4C-12-34-56") once known.
void SetHistoryBoard(int boardNo);
void SetHistoryHardwareAddress(const std::string& address);

// What changed, as the lines of both tools say it.
extern const char kSettingsWrittenChange[]; // "boot settings written"
extern const char kBoardResetChange[];      // "board reset"
// "clock set to 2024-05-01 10:20:30"
std::string ClockSetChange(const SYSTEMTIME& time);

// Appends one line; `what` is code page 932 text (line breaks become blanks).
void RecordBoardChange(const std::string& what, const char* result);
// Appends a failure: the message the person was shown, ending "failed".
void RecordBoardFailure(const char* message);
// How many failures this process has recorded (or tried to).
int BoardFailureCount();

// The history file's path ("" when the local application data folder is
// unknown).
std::string BoardHistoryPath();
// The lines of the history (UTF-8, without line ends), those of one board
// when boardNo is not negative.
std::vector<std::string> ReadBoardHistory(int boardNo);
