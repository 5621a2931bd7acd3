// rzwinfile.cpp - local file access over the Win32 A functions.
#include "settings/rzwinfile.h"

#include <cstring>

HANDLE CRZWinFile::FileOpen(const char* path, int mode) {
    const bool reading = (mode & 1) != 0;
    const DWORD access = reading ? GENERIC_READ : (GENERIC_READ | GENERIC_WRITE);
    const DWORD disposition = reading ? OPEN_EXISTING : CREATE_ALWAYS;
    HANDLE file = CreateFileA(path, access, FILE_SHARE_READ, nullptr, disposition,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

int CRZWinFile::FileClose(HANDLE file) {
    CloseHandle(file);
    return 0;
}

DWORD CRZWinFile::FileSize(HANDLE file) {
    return GetFileSize(file, nullptr);
}

int CRZWinFile::FileRead(HANDLE file, void* buffer, DWORD count) {
    DWORD done = 0;
    return ReadFile(file, buffer, count, &done, nullptr) ? 0 : 1;
}

int CRZWinFile::FileWrite(HANDLE file, const void* buffer, DWORD count) {
    DWORD done = 0;
    return WriteFile(file, buffer, count, &done, nullptr) ? 0 : 1;
}

int CRZWinFile::FileExists(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int result = 1;
    if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0)
        result = 0;
    // Only a directory with no other attribute is refused; a read-only
    // directory, or a failed query, passes.
    else if (GetFileAttributesA(path) == FILE_ATTRIBUTE_DIRECTORY)
        result = 0;
    FindClose(search);
    return result;
}
