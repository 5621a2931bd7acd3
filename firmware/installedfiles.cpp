// installedfiles.cpp - registry look-ups, path joining and version headers of
// the installed firmware files.
#include "firmware/installedfiles.h"

#include "afx/afxfile.h"
#include "firmware/firmwarefileread.h"

#include <cstring>
#include <vector>

const char kBootRomFileName[] = "lm8boot.rom";
const char kSpiBootFileName[] = "lm8spiboot.bin";
const char kSpiBoot2FileName[] = "lm8boot2.bin";
const char kDriverKey[] = "SOFTWARE\\KORVANE\\RZ400SYS\\DRV\\Lm830";

namespace {

constexpr UINT kShiftJis = 932;

DWORD WordAt(const BYTE* bytes, size_t offset) {
    DWORD word = 0;
    std::memcpy(&word, bytes + offset, sizeof(word));
    return word;
}

// SOFTWARE\KORVANE\RZ400SYS\Config, built piece by piece.
void BuildConfigKey(char (&key)[kLocalPathSize]) {
    lstrcpyA(key, "SOFTWARE");
    lstrcatA(key, "\\");
    lstrcatA(key, "KORVANE");
    lstrcatA(key, "\\");
    lstrcatA(key, "RZ400SYS");
    lstrcatA(key, "\\");
    lstrcatA(key, "Config");
}

// True when the last character of text is a single-byte "\" (a Shift-JIS
// trail byte of 0x5C is not).
bool EndsWithSeparator(const char* text) {
    bool lastIsSeparator = false;
    for (const char* p = text; *p != '\0'; ++p) {
        if (IsDBCSLeadByteEx(kShiftJis, static_cast<BYTE>(*p)) && p[1] != '\0') {
            lastIsSeparator = false;
            ++p;
        } else {
            lastIsSeparator = (*p == '\\');
        }
    }
    return lastIsSeparator;
}

} // namespace

DWORD FirmwareFileHeader::Version() const {
    return WordAt(bytes, 4);
}

DWORD FirmwareFileHeader::BoardType() const {
    return WordAt(bytes, 8);
}

int QueryRegistryValue(const char* key, const char* valueName, char* buffer, DWORD* size) {
    if (key == nullptr || buffer == nullptr || size == nullptr || *size == 0)
        return -1;
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return -1;
    // Read into a copy, so that a value that does not fit leaves the caller's
    // buffer as it was.
    const DWORD capacity = *size;
    std::vector<char> copy(static_cast<size_t>(capacity) + 1, '\0');
    char* value = copy.data();
    DWORD length = capacity;
    LONG status = RegQueryValueExA(hKey, valueName, nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(value), &length);
    RegCloseKey(hKey);
    int result = -1;
    if (status == ERROR_SUCCESS && length <= capacity) {
        // A string value need not carry its terminator: add one, and refuse a
        // value that fills the buffer without leaving room for it.
        value[length] = '\0';
        if (std::memchr(value, '\0', capacity) != nullptr) {
            std::memcpy(buffer, value, capacity);
            buffer[capacity - 1] = '\0';
            *size = length;
            result = 0;
        }
    }
    return result;
}

int GetSystemPath(char* buffer) {
    char key[kLocalPathSize] = {};
    BuildConfigKey(key);
    char path[kLocalPathSize] = {};
    DWORD size = sizeof(path);
    if (QueryRegistryValue(key, "Path", path, &size) != 0)
        return -1;
    std::memcpy(buffer, path, sizeof(path));
    return 0;
}

int GetCommandFileName(char* buffer) {
    char key[kLocalPathSize] = {};
    BuildConfigKey(key);
    char name[kSysValueSize] = {};
    DWORD size = sizeof(name);
    if (QueryRegistryValue(key, "Sys", name, &size) != 0)
        return -1;
    lstrcpynA(buffer, name, kCommandFileNameSize);
    return 0;
}

bool IsUsableLocalPath(const char* path) {
    return path != nullptr && *path != '\0' && std::strlen(path) < kLocalPathSize;
}

int ReadFileHeader(const char* path, void* buffer, UINT size) {
    if (!IsUsableLocalPath(path))
        return -1;
    CFile file;
    if (!file.Open(path, CFile::modeRead))
        return -1;
    // A read that stops short of the file's end leaves a header that would
    // be taken for another version or board type.
    const ULONGLONG length = file.GetLength();
    const UINT expected = length < size ? static_cast<UINT>(length) : size;
    const bool whole = FirmwareReadFile(path, file, buffer, size) == expected;
    file.Close();
    return whole ? 0 : kFileHeaderShortRead;
}

bool ReadWholeInstalledFile(const char* path, std::vector<BYTE>& bytes, DWORD maxSize) {
    bytes.clear();
    if (!IsUsableLocalPath(path))
        return false;
    CFile file;
    if (!file.Open(path, CFile::modeRead))
        return false;
    const ULONGLONG length = file.GetLength();
    bool whole = length <= maxSize;
    if (whole && length > 0) {
        bytes.resize(static_cast<size_t>(length));
        whole = FirmwareReadFile(path, file, bytes.data(), static_cast<UINT>(length)) == length;
    }
    file.Close();
    if (!whole)
        bytes.clear();
    return whole;
}

bool AppendFolderSeparator(char* folder, size_t size) {
    if (EndsWithSeparator(folder))
        return true;
    size_t length = std::strlen(folder);
    if (length + 2 > size)
        return false;
    folder[length] = '\\';
    folder[length + 1] = '\0';
    return true;
}

bool JoinFolderAndName(const char* folder, const char* name, char (&out)[kLocalPathSize]) {
    out[0] = '\0';
    char joined[kLocalPathSize] = {};
    size_t folderLength = std::strlen(folder);
    if (folderLength >= sizeof(joined))
        return false;
    std::memcpy(joined, folder, folderLength + 1);
    if (!AppendFolderSeparator(joined, sizeof(joined)))
        return false;
    size_t length = std::strlen(joined);
    size_t nameLength = std::strlen(name);
    if (length + nameLength + 1 > sizeof(joined))
        return false;
    std::memcpy(joined + length, name, nameLength + 1);
    std::memcpy(out, joined, sizeof(joined));
    return true;
}

bool IsPlainFileName(const char* name) {
    if (name == nullptr || *name == '\0')
        return false;
    for (const char* p = name; *p != '\0'; ++p) {
        if (IsDBCSLeadByteEx(kShiftJis, static_cast<BYTE>(*p)) && p[1] != '\0') {
            ++p;
            continue;
        }
        if (*p == '\\' || *p == '/' || *p == ':')
            return false;
    }
    return true;
}
