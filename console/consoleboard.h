// consoleboard.h - the board as the console program opens it for one
// command: found as the dialog finds it (or by its number), locked for this
// tool, opened, and closed and unlocked again at the end.
#pragma once

#include "engine/boardlock.h"

#include <string>

// The program's exit codes.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;   // the board or the library failed
constexpr int kExitUsage = 2;    // bad usage or a bad value
constexpr int kExitDeclined = 3; // the user declined
constexpr int kExitInUse = 4;    // another tool has the board

class ConsoleBoard {
public:
    ConsoleBoard() = default;
    ~ConsoleBoard();
    ConsoleBoard(const ConsoleBoard&) = delete;
    ConsoleBoard& operator=(const ConsoleBoard&) = delete;

    // Opens board boardNo, or the first attached one when it is negative,
    // and makes its settings file whole from a journal an earlier run left.
    // kExitDone, or the exit code after the reason has been told.
    int Open(int boardNo);
    // Opens the board for a command that changes it: the history lines need
    // the board's hardware address, which is learnt from its product data.
    int OpenForChange(int boardNo);

    int Handle() const { return m_hBoard; }
    int Number() const { return m_nBoardNo; }
    // The hardware address learnt by OpenForChange ("" when none is valid).
    const std::string& HardwareAddress() const { return m_address; }

private:
    void LearnAddress();
    void TakeUpSettingsJournal();

    int m_hBoard = 0;
    bool m_addressLearnt = false;
    int m_nBoardNo = -1;
    std::string m_address;
    BoardLock m_lock;
};
