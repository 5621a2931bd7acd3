// recoveryrecord.cpp - the recovery record's file: layout, checksum, atomic
// save, load and removal.
#include "firmware/recoveryrecord.h"

#include "firmware/flashwrite.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

namespace {

// File layout, little-endian: the header, the 256-byte identity, then the
// sector image when there is one.
constexpr char kMagic[8] = {'T', 'R', 'N', 'L', 'R', 'E', 'C', '1'};
struct RecordHeader {
    char magic[8];
    DWORD boardType;
    DWORD productAddress;
    DWORD sector;
    DWORD imageSize; // 0 or kMainSectorSize
    DWORD checksum;  // CRC-32 of everything after the header
    DWORD reserved;
};
static_assert(sizeof(RecordHeader) == 32, "record header layout");

const char kRecordExtension[] = ".rec";

DWORD Crc32(const BYTE* bytes, size_t length, DWORD crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

DWORD RecordChecksum(const RecoveryRecord& record) {
    DWORD crc = Crc32(record.identity.bytes, kProductDataSize);
    if (record.HasImage())
        crc = Crc32(record.image.data(), record.image.size(), crc);
    return crc;
}

bool WriteAll(HANDLE file, const void* data, DWORD length) {
    DWORD written = 0;
    return WriteFile(file, data, length, &written, nullptr) && written == length;
}

bool ReadAll(HANDLE file, void* data, DWORD length) {
    DWORD read = 0;
    return ReadFile(file, data, length, &read, nullptr) && read == length;
}

// Creates the folder and its parent if they are missing.
bool EnsureFolder(const std::string& folder) {
    const size_t slash = folder.find_last_of('\\');
    if (slash != std::string::npos)
        CreateDirectoryA(folder.substr(0, slash).c_str(), nullptr);
    return CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

} // namespace

std::string RecoveryRecord::MacText() const {
    char text[32];
    const BYTE* mac = identity.bytes + 32;
    std::snprintf(text, sizeof(text), "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

std::string RecoveryFolder() {
    char base[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base) != S_OK ||
        base[0] == '\0')
        return "";
    return std::string(base) + "\\Tarnel2\\Recovery";
}

std::string RecoveryRecordPath(const ProductData& identity) {
    const std::string folder = RecoveryFolder();
    if (folder.empty())
        return "";
    char name[16];
    const BYTE* mac = identity.bytes + 32;
    std::snprintf(name, sizeof(name), "%02X%02X%02X%02X%02X%02X", mac[0], mac[1], mac[2], mac[3],
                  mac[4], mac[5]);
    return folder + "\\" + name + kRecordExtension;
}

bool SaveRecoveryRecord(const RecoveryRecord& record) {
    const std::string path = RecoveryRecordPath(record.identity);
    if (path.empty() || !EnsureFolder(RecoveryFolder()))
        return false;
    RecordHeader header = {};
    std::memcpy(header.magic, kMagic, sizeof(kMagic));
    header.boardType = record.boardType;
    header.productAddress = record.productAddress;
    header.sector = record.sector;
    header.imageSize = static_cast<DWORD>(record.image.size());
    header.checksum = RecordChecksum(record);

    const std::string temporary = path + ".new";
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = WriteAll(file, &header, sizeof(header)) &&
              WriteAll(file, record.identity.bytes, kProductDataSize) &&
              (!record.HasImage() ||
               WriteAll(file, record.image.data(), static_cast<DWORD>(record.image.size()))) &&
              FlushFileBuffers(file);
    CloseHandle(file);
    if (ok)
        ok = MoveFileExA(temporary.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok)
        DeleteFileA(temporary.c_str());
    return ok;
}

bool LoadRecoveryRecord(const std::string& path, RecoveryRecord& record) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    RecordHeader header = {};
    bool ok = ReadAll(file, &header, sizeof(header)) &&
              std::memcmp(header.magic, kMagic, sizeof(kMagic)) == 0 &&
              (header.imageSize == 0 || header.imageSize == kMainSectorSize) &&
              GetFileSize(file, nullptr) == sizeof(header) + kProductDataSize + header.imageSize;
    if (ok) {
        record.boardType = header.boardType;
        record.productAddress = header.productAddress;
        record.sector = header.sector;
        record.image.assign(header.imageSize, 0);
        ok = ReadAll(file, record.identity.bytes, kProductDataSize) &&
             (header.imageSize == 0 || ReadAll(file, record.image.data(), header.imageSize)) &&
             RecordChecksum(record) == header.checksum &&
             (record.productAddress & kMainSectorMask) == record.sector;
    }
    CloseHandle(file);
    return ok;
}

void RemoveRecoveryRecord(const ProductData& identity) {
    const std::string path = RecoveryRecordPath(identity);
    if (!path.empty())
        DeleteFileA(path.c_str());
}

std::vector<std::string> FindRecoveryRecords() {
    std::vector<std::string> paths;
    const std::string folder = RecoveryFolder();
    if (folder.empty())
        return paths;
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA((folder + "\\*" + kRecordExtension).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return paths;
    do {
        // "*.rec" may also match longer extensions through short names.
        const std::string name = found.cFileName;
        const size_t extension = sizeof(kRecordExtension) - 1;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && name.size() > extension &&
            name.compare(name.size() - extension, extension, kRecordExtension) == 0)
            paths.push_back(folder + "\\" + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return paths;
}
