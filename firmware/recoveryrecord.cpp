// recoveryrecord.cpp - the recovery record's file: layout, checksum, atomic
// save, load and removal.
#include "firmware/recoveryrecord.h"

#include "firmware/flashwrite.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace {

// File layout, little-endian: the header, the checksums of the region
// before the write, the 256-byte identity, then the sector image when there
// is one. Records of the first version carry no checksums before the write,
// and their checksum covers only the identity and the image.
constexpr char kMagic[8] = {'T', 'R', 'N', 'L', 'R', 'E', 'C', '2'};
constexpr char kMagicFirst[8] = {'T', 'R', 'N', 'L', 'R', 'E', 'C', '1'};
struct RecordHeader {
    char magic[8];
    DWORD boardType;
    DWORD productAddress;
    DWORD sector;
    DWORD imageSize; // 0 or kMainSectorSize
    DWORD checksum;  // CRC-32 of the whole file with this field 0
    DWORD beforeCount;
};
static_assert(sizeof(RecordHeader) == 32, "record header layout");

const char kRecordExtension[] = ".rec";
const char kSpiCopyExtension[] = ".spi";
const char kAsideExtension[] = ".aside";

DWORD BodyChecksum(const RecoveryRecord& record, DWORD crc) {
    if (!record.before.empty())
        crc = Crc32(record.before.data(), record.before.size() * sizeof(DWORD), crc);
    crc = Crc32(record.identity.bytes, kProductDataSize, crc);
    if (record.HasImage())
        crc = Crc32(record.image.data(), record.image.size(), crc);
    return crc;
}

DWORD RecordChecksum(const RecordHeader& header, const RecoveryRecord& record) {
    RecordHeader unsummed = header;
    unsummed.checksum = 0;
    return BodyChecksum(record, Crc32(&unsummed, sizeof(unsummed)));
}

// The addresses a record of this board type may carry.
bool HasAddressesOfItsType(const RecoveryRecord& record) {
    const DWORD type = record.boardType;
    if (type != kBoardType200 && type != kBoardType201 && type != kBoardType300)
        return false;
    return record.productAddress == ProductDataMainAddress(type) &&
           record.sector == (record.productAddress & kMainSectorMask);
}

DWORD PieceCount(DWORD size) {
    return (size + kRecordPieceSize - 1) / kRecordPieceSize;
}

bool WriteAll(HANDLE file, const void* data, DWORD length) {
    DWORD written = 0;
    return WriteFile(file, data, length, &written, nullptr) && written == length;
}

bool ReadAll(HANDLE file, void* data, DWORD length) {
    if (length == 0)
        return true;
    DWORD read = 0;
    return ReadFile(file, data, length, &read, nullptr) && read == length;
}

} // namespace

DWORD Crc32(const void* data, size_t length, DWORD crc) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    crc = ~crc;
    for (size_t i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

bool ReplaceFileWhole(const std::string& path,
                      std::initializer_list<std::pair<const void*, DWORD>> parts) {
    const std::string temporary = path + ".new";
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    for (const auto& part : parts)
        ok = ok && (part.second == 0 || WriteAll(file, part.first, part.second));
    ok = ok && FlushFileBuffers(file);
    CloseHandle(file);
    if (ok)
        ok = MoveFileExA(temporary.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok)
        DeleteFileA(temporary.c_str());
    return ok;
}

bool ReadWholeLocalFile(const std::string& path, std::string& bytes) {
    FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    bytes.clear();
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
        bytes.append(buffer, n);
    std::fclose(file);
    return true;
}

bool EnsureFolder(const std::string& folder) {
    const size_t slash = folder.find_last_of('\\');
    if (slash != std::string::npos)
        CreateDirectoryA(folder.substr(0, slash).c_str(), nullptr);
    return CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string RecoveryRecord::MacText() const {
    char text[32];
    const BYTE* mac = identity.bytes + 32;
    std::snprintf(text, sizeof(text), "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

DWORD RecoveryRecord::TargetSize() const {
    return HasImage() ? static_cast<DWORD>(image.size()) : kProductDataSize;
}

std::vector<DWORD> RegionChecksums(const BYTE* bytes, DWORD size) {
    std::vector<DWORD> sums;
    for (DWORD offset = 0; offset < size; offset += kRecordPieceSize)
        sums.push_back(Crc32(bytes + offset, std::min(kRecordPieceSize, size - offset)));
    return sums;
}

RecordState CompareWithRecord(const RecoveryRecord& record, const BYTE* current) {
    const DWORD size = record.TargetSize();
    const BYTE* target = record.Target();
    if (std::memcmp(current, target, size) == 0)
        return RecordState::Done;
    const bool haveBefore = record.before.size() == PieceCount(size);
    for (DWORD offset = 0, piece = 0; offset < size; offset += kRecordPieceSize, ++piece) {
        const DWORD length = std::min(kRecordPieceSize, size - offset);
        if (haveBefore && Crc32(current + offset, length) == record.before[piece])
            continue; // not reached by the write yet
        // Erased, or on the way to the image: programming only clears bits,
        // so every bit the image has set is still set.
        for (DWORD i = offset; i < offset + length; ++i) {
            if ((current[i] & target[i]) != target[i])
                return RecordState::Changed;
        }
    }
    return RecordState::Completable;
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
    // A block that names no board could be told from no other board's.
    if (IsProductDataValid(record.identity, record.boardType) != 0)
        return false;
    const std::string path = RecoveryRecordPath(record.identity);
    if (path.empty() || !EnsureFolder(RecoveryFolder()))
        return false;
    RecordHeader header = {};
    std::memcpy(header.magic, kMagic, sizeof(kMagic));
    header.boardType = record.boardType;
    header.productAddress = record.productAddress;
    header.sector = record.sector;
    header.imageSize = static_cast<DWORD>(record.image.size());
    header.beforeCount = static_cast<DWORD>(record.before.size());
    header.checksum = RecordChecksum(header, record);

    return ReplaceFileWhole(
        path, {{&header, sizeof(header)},
               {record.before.data(), static_cast<DWORD>(record.before.size() * sizeof(DWORD))},
               {record.identity.bytes, kProductDataSize},
               {record.image.data(), static_cast<DWORD>(record.image.size())}});
}

bool LoadRecoveryRecord(const std::string& path, RecoveryRecord& record) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    RecordHeader header = {};
    bool ok = ReadAll(file, &header, sizeof(header));
    const bool first = ok && std::memcmp(header.magic, kMagicFirst, sizeof(kMagicFirst)) == 0;
    if (first)
        header.beforeCount = 0; // a reserved word then
    const DWORD pieces = PieceCount(header.imageSize == 0 ? kProductDataSize : header.imageSize);
    ok = ok && (first || std::memcmp(header.magic, kMagic, sizeof(kMagic)) == 0) &&
         (header.imageSize == 0 || header.imageSize == kMainSectorSize) &&
         (header.beforeCount == 0 || header.beforeCount == pieces) &&
         GetFileSize(file, nullptr) == sizeof(header) + header.beforeCount * sizeof(DWORD) +
                                           kProductDataSize + header.imageSize;
    if (ok) {
        record.boardType = header.boardType;
        record.productAddress = header.productAddress;
        record.sector = header.sector;
        record.image.assign(header.imageSize, 0);
        record.before.assign(header.beforeCount, 0);
        ok =
            ReadAll(file, record.before.data(),
                    static_cast<DWORD>(record.before.size() * sizeof(DWORD))) &&
            ReadAll(file, record.identity.bytes, kProductDataSize) &&
            ReadAll(file, record.image.data(), header.imageSize) &&
            header.checksum == (first ? BodyChecksum(record, 0) : RecordChecksum(header, record)) &&
            HasAddressesOfItsType(record);
    }
    CloseHandle(file);
    if (ok)
        record.path = path;
    return ok;
}

void RemoveRecoveryRecord(const ProductData& identity) {
    const std::string path = RecoveryRecordPath(identity);
    if (!path.empty())
        DeleteFileA(path.c_str());
}

bool RecoveryRecordExists(const ProductData& identity) {
    const std::string path = RecoveryRecordPath(identity);
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveLoadedRecord(const RecoveryRecord& record) {
    if (!record.path.empty())
        DeleteFileA(record.path.c_str());
    if (RecoveryRecordPath(record.identity) != record.path)
        RemoveRecoveryRecord(record.identity);
}

std::string SetRecordAside(const RecoveryRecord& record) {
    return record.path.empty() ? "" : SetFileAside(record.path);
}

std::string SetFileAside(const std::string& path) {
    // An earlier file set aside under the same name is kept as well.
    for (int n = 1; n < 100; ++n) {
        const std::string aside = path + (n == 1 ? "" : "." + std::to_string(n)) + kAsideExtension;
        if (MoveFileExA(path.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH))
            return aside;
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    return "";
}

std::vector<std::string> FindRecoveryRecords() {
    return FindRecoveryFiles(kRecordExtension);
}

std::vector<std::string> FindRecoveryFiles(const std::string& extension) {
    std::vector<std::string> paths;
    const std::string folder = RecoveryFolder();
    if (folder.empty())
        return paths;
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA((folder + "\\*" + extension).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return paths;
    do {
        // "*.rec" may also match longer extensions through short names.
        const std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            name.size() > extension.size() &&
            name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
            paths.push_back(folder + "\\" + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return paths;
}

namespace {

std::string SpiCopyRecordPath(const ProductData& identity) {
    std::string path = RecoveryRecordPath(identity);
    if (!path.empty())
        path.replace(path.size() - (sizeof(kRecordExtension) - 1), std::string::npos,
                     kSpiCopyExtension);
    return path;
}

} // namespace

bool SaveSpiCopyRecord(const ProductData& block, const BYTE* sector) {
    const std::string path = SpiCopyRecordPath(block);
    if (path.empty() || !EnsureFolder(RecoveryFolder()))
        return false;
    const DWORD checksum = Crc32(sector, kSpiSectorSize, Crc32(block.bytes, kProductDataSize));
    return ReplaceFileWhole(
        path,
        {{block.bytes, kProductDataSize}, {sector, kSpiSectorSize}, {&checksum, sizeof(checksum)}});
}

bool LoadSpiCopyRecord(const ProductData& identity, ProductData& block, std::vector<BYTE>& sector) {
    const std::string path = SpiCopyRecordPath(identity);
    if (path.empty())
        return false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD checksum = 0;
    const DWORD size = GetFileSize(file, nullptr);
    // Earlier records kept only the block.
    const bool withSector = size == kProductDataSize + kSpiSectorSize + sizeof(checksum);
    sector.assign(withSector ? kSpiSectorSize : 0, 0xFF);
    bool ok = (withSector || size == kProductDataSize + sizeof(checksum)) &&
              ReadAll(file, block.bytes, kProductDataSize) &&
              ReadAll(file, sector.data(), static_cast<DWORD>(sector.size())) &&
              ReadAll(file, &checksum, sizeof(checksum));
    ok =
        ok && checksum == Crc32(sector.data(), sector.size(), Crc32(block.bytes, kProductDataSize));
    CloseHandle(file);
    return ok;
}

void RemoveSpiCopyRecord(const ProductData& identity) {
    const std::string path = SpiCopyRecordPath(identity);
    if (!path.empty())
        DeleteFileA(path.c_str());
}
