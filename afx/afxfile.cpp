// afxfile.cpp - CFile over CreateFileW/ReadFile.
#include "afxfile.h"

BOOL CFile::Open(const char* path, UINT nOpenFlags) {
    Close();
    if (path == nullptr || *path == '\0')
        return FALSE;
    std::wstring widePath = AfxSjisToWide(path);
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if (nOpenFlags & modeWrite)
        access = GENERIC_WRITE;
    if (nOpenFlags & modeCreate)
        disposition = CREATE_ALWAYS;
    m_hFile = ::CreateFileW(widePath.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

UINT CFile::Read(void* buffer, UINT count) {
    if (!IsOpen() || buffer == nullptr)
        return 0;
    DWORD read = 0;
    if (!::ReadFile(m_hFile, buffer, count, &read, nullptr))
        return 0;
    return read;
}

ULONGLONG CFile::GetLength() const {
    LARGE_INTEGER size = {};
    if (!IsOpen() || !::GetFileSizeEx(m_hFile, &size))
        return 0;
    return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::Close() {
    if (IsOpen()) {
        ::CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}
