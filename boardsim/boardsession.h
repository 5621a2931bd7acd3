// boardsession.h - what the simulated library keeps in memory for one
// process: the open board, the open board files, the SPI flash's open state,
// the call counters for fault injection and the count of flash changes.
// Everything else lives in the board folder.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace simboard {

// A board file opened with fmOpen.
struct OpenBoardFile {
    std::string hostPath;
    uint64_t position = 0;
    int mode = 0;
};

class BoardSession {
public:
    static constexpr int kBoardHandle = 1;
    static constexpr size_t kMaxOpenFiles = 16;

    bool IsOpen() const { return m_open; }
    bool IsHandle(int hBoard) const { return m_open && hBoard == kBoardHandle; }
    const std::string& Dir() const { return m_dir; }

    // Opens the board in `dir`: forgets files, SPI state and counters.
    int Open(const std::string& dir);
    void Close();

    // 0 when the table is full.
    int AddFile(const OpenBoardFile& file);
    OpenBoardFile* File(int hFile);
    bool RemoveFile(int hFile);

    bool SpiOpen() const { return m_spiOpen; }
    void SetSpiOpen(bool open) { m_spiOpen = open; }

    // Counts a call of `function` and returns its number since the board was
    // opened (or since the process started, before the first open).
    int CountCall(const std::string& function) { return ++m_calls[function]; }
    // Counts a change of the flash and returns the number since the open.
    int CountFlashChange() { return ++m_flashChanges; }

    int LastError() const { return m_lastError; }
    void SetLastError(int code) { m_lastError = code; }

private:
    bool m_open = false;
    std::string m_dir;
    std::map<int, OpenBoardFile> m_files;
    int m_nextFile = 1;
    bool m_spiOpen = false;
    std::map<std::string, int> m_calls;
    int m_flashChanges = 0;
    int m_lastError = 0;
};

} // namespace simboard
