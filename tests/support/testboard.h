// testboard.h - a simulated board in a fresh temporary folder for one test,
// and child processes of the program under test.
#pragma once

#include "simboard.h"

#include <windows.h>

#include <string>

namespace testboard {

// A new board folder under the temp folder, created with `options` and named
// by LM800SIM_DIR for this process and the children it starts. Removed again
// by the destructor.
class TempBoard {
public:
    explicit TempBoard(const simboard::CreateOptions& options = {});
    ~TempBoard();
    TempBoard(const TempBoard&) = delete;
    TempBoard& operator=(const TempBoard&) = delete;

    const std::string& Dir() const { return m_dir; }
    simboard::BoardConfig Config() const;
    void SetConfig(const simboard::BoardConfig& config) const;
    // Enumerates and opens the board through the library; 0 on failure.
    int Open(int* boardNo = nullptr) const;

private:
    std::string m_dir;
};

// A fresh empty folder under the temp folder (removed by the destructor).
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Folder of the running test executable (where Tarnel2.exe and the DLL are).
std::string ExeDir();

// A started child process.
struct Child {
    PROCESS_INFORMATION pi = {};
    DWORD Pid() const { return pi.dwProcessId; }
    // Waits for the end; returns the exit code, or STILL_ACTIVE on timeout.
    DWORD Wait(DWORD timeoutMs);
    void Kill();
    ~Child();
};

// Starts `exe` (a path, or a name beside the test executable) with the
// current environment; false when it cannot be started.
bool StartChild(const std::string& exe, Child& child, const std::string& arguments = "");

// Removes a folder tree; quiet on failure.
void RemoveTree(const std::string& path);

// How many operations on the board in `dir` broke a NOR flash rule
// (programming a 0 bit to 1, a misaligned erase, an SPI page program across
// its page) since it was made or last cleared; -1 when there is no board.
// The descriptions are in simboard::ReadIllegalNorLog.
int IllegalNorOps(const std::string& dir);

} // namespace testboard
