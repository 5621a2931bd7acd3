// afxfile.h - CFile, raw binary access to a local file through the Win32 file
// functions. Paths are Shift-JIS.
#pragma once

#include "afxwin.h"

class CFile {
public:
    enum OpenFlags : UINT { modeRead = 0x0000, modeWrite = 0x0001, modeCreate = 0x1000 };

    CFile() = default;
    ~CFile() { Close(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // modeRead opens an existing file for reading (others may read it too);
    // modeCreate | modeWrite creates or empties one. FALSE on failure.
    BOOL Open(const char* path, UINT nOpenFlags);
    // Bytes read; 0 at the end of the file or on failure.
    UINT Read(void* buffer, UINT count);
    // The file's length; files of 4 GiB or more are reported as such.
    ULONGLONG GetLength() const;
    void Close();
    BOOL IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
};
