// winfile.h - thin Win32 file helpers for the board folder: every board call
// opens what it needs, reads or writes, and closes again, so nothing is held
// between calls and a second process always sees the current state.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace simboard {

// An open Win32 file handle, closed by the destructor.
class WinFile {
public:
    WinFile() = default;
    ~WinFile() { Close(); }
    WinFile(const WinFile&) = delete;
    WinFile& operator=(const WinFile&) = delete;
    WinFile(WinFile&& other) noexcept : m_handle(other.m_handle) {
        other.m_handle = INVALID_HANDLE_VALUE;
    }
    WinFile& operator=(WinFile&& other) noexcept;

    // An existing file, for reading or for reading and writing.
    static WinFile OpenExisting(const std::string& path, bool forWrite);
    // A new empty file (an existing one is truncated).
    static WinFile CreateEmpty(const std::string& path);
    // An existing file or a new one, for appending.
    static WinFile OpenForAppend(const std::string& path);

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    bool Size(uint64_t& size) const;
    bool SetSize(uint64_t size);
    // Exactly `length` bytes at `offset`; false on a short read or write.
    bool ReadAt(uint64_t offset, void* buffer, uint32_t length) const;
    bool WriteAt(uint64_t offset, const void* buffer, uint32_t length);
    bool Append(const void* buffer, uint32_t length);
    // Marks the file sparse where the file system supports it (quiet otherwise).
    void MakeSparse();
    void Close();

private:
    explicit WinFile(HANDLE handle) : m_handle(handle) {}
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// True when the folder exists and holds nothing but "." and "..".
bool DirectoryIsEmpty(const std::string& path);
// Creates the folder and any missing parents.
bool MakeDirectories(const std::string& path);
bool ReadWholeFile(const std::string& path, std::string& content);
// The file's non-empty lines, without their CR LF or LF ends (none when the
// file cannot be read).
std::vector<std::string> ReadTextLines(const std::string& path);
// Writes through a temporary file and a rename, so the old content stays
// whole if the process ends half-way.
bool ReplaceWholeFile(const std::string& path, const std::string& content);
bool WriteWholeFile(const std::string& path, const std::string& content);
std::string JoinPath(const std::string& dir, const std::string& name);

} // namespace simboard
