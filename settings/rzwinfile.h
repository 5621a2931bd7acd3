// rzwinfile.h - local file access for the settings file: a thin layer over the
// Win32 file functions, used when the boot settings file is read from or
// written to the PC's current directory instead of the board.
#pragma once

#include <windows.h>

// The root of the settings-file classes. Holds no data; every operation works
// only on its arguments. A null handle means that opening failed.
class CRZWinFile {
public:
    CRZWinFile() = default;
    virtual ~CRZWinFile() = default;

    // Bit 0 of mode set: open an existing file for reading. Clear: create the
    // file or empty it, for reading and writing. Others may only read it
    // meanwhile. Null on failure.
    HANDLE FileOpen(const char* path, int mode);
    // Closes the handle; always 0.
    int FileClose(HANDLE file);
    // The size in bytes, INVALID_FILE_SIZE when it cannot be had.
    DWORD FileSize(HANDLE file);
    // 0 when the call succeeded (a short read or write included), 1 when it failed.
    int FileRead(HANDLE file, void* buffer, DWORD count);
    int FileWrite(HANDLE file, const void* buffer, DWORD count);
    // 1 when the path names an existing file that is not a plain directory.
    int FileExists(const char* path);
};
