// winfile.cpp - Win32 file helpers of the board folder.
#include "winfile.h"

#include <winioctl.h>

namespace simboard {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr uint32_t kMaxWholeFile = 64u * 1024u * 1024u;

bool SeekTo(HANDLE handle, uint64_t offset) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) != FALSE;
}

} // namespace

WinFile& WinFile::operator=(WinFile&& other) noexcept {
    if (this != &other) {
        Close();
        m_handle = other.m_handle;
        other.m_handle = INVALID_HANDLE_VALUE;
    }
    return *this;
}

WinFile WinFile::OpenExisting(const std::string& path, bool forWrite) {
    DWORD access = GENERIC_READ | (forWrite ? GENERIC_WRITE : 0);
    return WinFile(CreateFileA(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
}

WinFile WinFile::CreateEmpty(const std::string& path) {
    return WinFile(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

WinFile WinFile::OpenForAppend(const std::string& path) {
    return WinFile(CreateFileA(path.c_str(), FILE_APPEND_DATA, kShareAll, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WinFile::Size(uint64_t& size) const {
    LARGE_INTEGER value;
    if (!IsOpen() || !GetFileSizeEx(m_handle, &value))
        return false;
    size = static_cast<uint64_t>(value.QuadPart);
    return true;
}

bool WinFile::SetSize(uint64_t size) {
    return IsOpen() && SeekTo(m_handle, size) && SetEndOfFile(m_handle) != FALSE;
}

bool WinFile::ReadAt(uint64_t offset, void* buffer, uint32_t length) const {
    if (!IsOpen() || !SeekTo(m_handle, offset))
        return false;
    auto* bytes = static_cast<char*>(buffer);
    while (length > 0) {
        DWORD done = 0;
        if (!ReadFile(m_handle, bytes, length, &done, nullptr) || done == 0)
            return false;
        bytes += done;
        length -= done;
    }
    return true;
}

bool WinFile::WriteAt(uint64_t offset, const void* buffer, uint32_t length) {
    if (!IsOpen() || !SeekTo(m_handle, offset))
        return false;
    const auto* bytes = static_cast<const char*>(buffer);
    while (length > 0) {
        DWORD done = 0;
        if (!WriteFile(m_handle, bytes, length, &done, nullptr) || done == 0)
            return false;
        bytes += done;
        length -= done;
    }
    return true;
}

bool WinFile::Append(const void* buffer, uint32_t length) {
    DWORD done = 0;
    return IsOpen() && WriteFile(m_handle, buffer, length, &done, nullptr) && done == length;
}

void WinFile::MakeSparse() {
    DWORD returned = 0;
    if (IsOpen())
        DeviceIoControl(m_handle, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
}

void WinFile::Close() {
    if (IsOpen())
        CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryIsEmpty(const std::string& path) {
    if (!DirectoryExists(path))
        return false;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(JoinPath(path, "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return true;
    bool empty = true;
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..")
            empty = false;
    } while (empty && FindNextFileA(find, &data));
    FindClose(find);
    return empty;
}

bool MakeDirectories(const std::string& path) {
    if (path.empty())
        return false;
    if (DirectoryExists(path))
        return true;
    size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0) {
        std::string parent = path.substr(0, slash);
        if (!parent.empty() && parent.back() != ':' && !MakeDirectories(parent))
            return false;
    }
    return CreateDirectoryA(path.c_str(), nullptr) != FALSE || DirectoryExists(path);
}

bool ReadWholeFile(const std::string& path, std::string& content) {
    WinFile file = WinFile::OpenExisting(path, false);
    uint64_t size = 0;
    if (!file.Size(size) || size > kMaxWholeFile)
        return false;
    std::string data(static_cast<size_t>(size), '\0');
    if (size > 0 && !file.ReadAt(0, &data[0], static_cast<uint32_t>(size)))
        return false;
    content.swap(data);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
    WinFile file = WinFile::CreateEmpty(path);
    if (!file.IsOpen())
        return false;
    return content.empty() ||
           file.WriteAt(0, content.data(), static_cast<uint32_t>(content.size()));
}

bool ReplaceWholeFile(const std::string& path, const std::string& content) {
    std::string temporary = path + ".new";
    if (!WriteWholeFile(temporary, content))
        return false;
    if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty())
        return name;
    char last = dir.back();
    return (last == '\\' || last == '/') ? dir + name : dir + "\\" + name;
}

std::vector<std::string> ReadTextLines(const std::string& path) {
    std::vector<std::string> lines;
    std::string text;
    if (!ReadWholeFile(path, text))
        return lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

} // namespace simboard
