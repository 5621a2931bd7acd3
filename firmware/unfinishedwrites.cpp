// unfinishedwrites.cpp - the firmware writes not yet seen whole.
#include "firmware/unfinishedwrites.h"

#include "boardlib/lm800mul.h"
#include "firmware/flashwrite.h"
#include "firmware/recoveryrecord.h"
#include "firmware/spibootimage.h"

#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

const char kWritesExtension[] = ".writes";
constexpr DWORD kBoardFileReadPiece = 0x8000;

std::string WritesPath(const ProductData& identity) {
    std::string path = RecoveryRecordPath(identity);
    const size_t dot = path.find_last_of('.');
    if (path.empty() || dot == std::string::npos)
        return "";
    return path.substr(0, dot) + kWritesExtension;
}

const char* RegionWord(WriteRegion region) {
    switch (region) {
        case WriteRegion::BootRom:
            return "rom";
        case WriteRegion::CommandFile:
            return "cmd";
        case WriteRegion::SpiImage:
            break;
    }
    return "spi";
}

bool RegionOfWord(const std::string& word, WriteRegion& region) {
    for (WriteRegion r : {WriteRegion::BootRom, WriteRegion::CommandFile, WriteRegion::SpiImage}) {
        if (word == RegionWord(r)) {
            region = r;
            return true;
        }
    }
    return false;
}

// One line an entry: "<region> <address> <newSize> <newSum> <oldSize> <oldSum> [path]".
std::string EntriesText(const std::vector<UnfinishedWrite>& writes) {
    std::string text;
    for (const UnfinishedWrite& w : writes) {
        char line[128];
        std::snprintf(line, sizeof(line), "%s %lu %lu %lu %ld %lu", RegionWord(w.region),
                      static_cast<unsigned long>(w.address), static_cast<unsigned long>(w.newSize),
                      static_cast<unsigned long>(w.newSum), w.oldSize,
                      static_cast<unsigned long>(w.oldSum));
        text += line;
        if (!w.boardPath.empty())
            text += " " + w.boardPath;
        text += "\r\n";
    }
    return text;
}

bool SaveWrites(const ProductData& identity, const std::vector<UnfinishedWrite>& writes) {
    const std::string path = WritesPath(identity);
    if (path.empty())
        return false;
    if (writes.empty())
        return DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
    if (!EnsureFolder(RecoveryFolder()))
        return false;
    const std::string text = EntriesText(writes);
    char sum[32];
    std::snprintf(sum, sizeof(sum), "end %lu\r\n",
                  static_cast<unsigned long>(Crc32(text.data(), text.size())));
    return ReplaceFileWhole(path, {{text.data(), static_cast<DWORD>(text.size())},
                                   {sum, static_cast<DWORD>(std::strlen(sum))}});
}

bool SameRegion(const UnfinishedWrite& w, WriteRegion region, DWORD address) {
    return w.region == region && (region == WriteRegion::CommandFile || w.address == address);
}

DWORD SumOrNone(const std::vector<BYTE>& bytes) {
    return WriteChecksum(bytes.data(), static_cast<DWORD>(bytes.size()));
}

RegionState Against(const UnfinishedWrite& write, DWORD size, DWORD sumAsNew, DWORD sumAsOld) {
    if (size == write.newSize && sumAsNew == write.newSum)
        return RegionState::New;
    if (write.oldSize >= 0 && size == static_cast<DWORD>(write.oldSize) && sumAsOld == write.oldSum)
        return RegionState::Old;
    return RegionState::Torn;
}

RegionState BootRomState(int hBoard, DWORD boardType, const UnfinishedWrite& write) {
    const DWORD size = std::max<DWORD>(write.newSize, write.oldSize < 0 ? 0 : write.oldSize);
    std::vector<BYTE> bytes(size + 1);
    if (size == 0 ||
        fmReadDataBuffer(hBoard, bytes.data(), 0, static_cast<int>((size + 1) / 2)) != 0)
        return RegionState::Unreadable;
    const DWORD oldSize = write.oldSize < 0 ? 0 : static_cast<DWORD>(write.oldSize);
    return Against(write, write.newSize, BootRegionChecksum(bytes.data(), write.newSize, boardType),
                   oldSize == write.newSize
                       ? BootRegionChecksum(bytes.data(), write.newSize, boardType)
                       : BootRegionChecksum(bytes.data(), oldSize, boardType));
}

RegionState SpiImageState(int hBoard, const UnfinishedWrite& write) {
    const DWORD size = std::max<DWORD>(write.newSize, write.oldSize < 0 ? 0 : write.oldSize);
    if (size == 0 || write.address + size > kSpiFlashSize)
        return RegionState::Unreadable;
    std::vector<BYTE> bytes(size);
    if (SPIFLASH_open(hBoard) != 0)
        return RegionState::Unreadable;
    const bool read = ReadSpiRegion(hBoard, write.address, bytes.data(), size) == 0;
    SPIFLASH_close(hBoard);
    if (!read)
        return RegionState::Unreadable;
    const DWORD oldSize = write.oldSize < 0 ? 0 : static_cast<DWORD>(write.oldSize);
    return Against(write, write.newSize, WriteChecksum(bytes.data(), write.newSize),
                   WriteChecksum(bytes.data(), oldSize));
}

RegionState CommandFileState(int hBoard, const UnfinishedWrite& write) {
    std::vector<BYTE> bytes;
    bool exists = false;
    if (!ReadWholeBoardFile(hBoard, write.boardPath.c_str(), bytes, exists))
        return RegionState::Unreadable;
    if (!exists)
        return write.oldSize < 0 ? RegionState::Old : RegionState::Torn;
    const DWORD sum = SumOrNone(bytes);
    return Against(write, static_cast<DWORD>(bytes.size()), sum, sum);
}

} // namespace

DWORD WriteChecksum(const BYTE* bytes, DWORD size) {
    return Crc32(bytes, size);
}

DWORD BootRegionChecksum(const BYTE* bytes, DWORD size, DWORD boardType) {
    const DWORD block = ProductDataMainAddress(boardType);
    if (block >= size)
        return Crc32(bytes, size);
    const std::vector<BYTE> masked(kProductDataSize, 0xFF); // the block as erased
    DWORD crc = Crc32(bytes, block);
    crc = Crc32(masked.data(), std::min(kProductDataSize, size - block), crc);
    if (block + kProductDataSize < size)
        crc = Crc32(bytes + block + kProductDataSize, size - block - kProductDataSize, crc);
    return crc;
}

std::vector<UnfinishedWrite> LoadUnfinishedWrites(const ProductData& identity) {
    std::vector<UnfinishedWrite> writes;
    std::string text;
    if (!ReadWholeLocalFile(WritesPath(identity), text))
        return writes;
    // Whole only with its closing sum over everything before it.
    const size_t end = text.rfind("end ");
    if (end == std::string::npos ||
        std::strtoul(text.c_str() + end + 4, nullptr, 10) != Crc32(text.data(), end))
        return writes;
    std::istringstream lines(text.substr(0, end));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream fields(line);
        std::string word;
        UnfinishedWrite w;
        unsigned long address = 0, newSize = 0, newSum = 0, oldSum = 0;
        if (!(fields >> word >> address >> newSize >> newSum >> w.oldSize >> oldSum) ||
            !RegionOfWord(word, w.region))
            return {};
        w.address = address;
        w.newSize = newSize;
        w.newSum = newSum;
        w.oldSum = oldSum;
        std::getline(fields >> std::ws, w.boardPath);
        writes.push_back(w);
    }
    return writes;
}

bool AddUnfinishedWrite(const ProductData& identity, const UnfinishedWrite& write) {
    std::vector<UnfinishedWrite> writes = LoadUnfinishedWrites(identity);
    UnfinishedWrite added = write;
    for (auto it = writes.begin(); it != writes.end();) {
        if (!SameRegion(*it, write.region, write.address)) {
            ++it;
            continue;
        }
        // A write begun again over one left torn: what the region held
        // before the first is still the image it may fall back to, not the
        // torn bytes of now.
        added.oldSize = it->oldSize;
        added.oldSum = it->oldSum;
        it = writes.erase(it);
    }
    writes.push_back(added);
    return SaveWrites(identity, writes);
}

void RemoveUnfinishedWrite(const ProductData& identity, WriteRegion region, DWORD address) {
    std::vector<UnfinishedWrite> writes = LoadUnfinishedWrites(identity);
    const size_t before = writes.size();
    for (auto it = writes.begin(); it != writes.end();) {
        it = SameRegion(*it, region, address) ? writes.erase(it) : it + 1;
    }
    if (writes.size() != before)
        SaveWrites(identity, writes);
}

RegionState ReadRegionState(int hBoard, DWORD boardType, const UnfinishedWrite& write) {
    switch (write.region) {
        case WriteRegion::BootRom:
            return BootRomState(hBoard, boardType, write);
        case WriteRegion::CommandFile:
            return CommandFileState(hBoard, write);
        case WriteRegion::SpiImage:
            break;
    }
    return SpiImageState(hBoard, write);
}

std::string RegionName(const UnfinishedWrite& write) {
    switch (write.region) {
        case WriteRegion::BootRom:
            return "ＩＰＬ";
        case WriteRegion::CommandFile: {
            const size_t slash = write.boardPath.find_last_of('\\');
            return slash == std::string::npos ? write.boardPath : write.boardPath.substr(slash + 1);
        }
        case WriteRegion::SpiImage:
            break;
    }
    char name[48];
    std::snprintf(name, sizeof(name), "SPIブートイメージ (0x%05lX)",
                  static_cast<unsigned long>(write.address));
    return name;
}

bool ReadWholeBoardFile(int hBoard, const char* boardPath, std::vector<BYTE>& bytes, bool& exists) {
    bytes.clear();
    exists = fmFindFile(hBoard, boardPath) != 0;
    if (!exists)
        return true;
    const int file = fmOpen(hBoard, boardPath, FM_MODE_READ);
    if (file == 0)
        return false;
    const int size = fmGetFileSize(hBoard, file);
    bool ok = size >= 0;
    if (ok)
        bytes.resize(static_cast<size_t>(size));
    for (int offset = 0; ok && offset < size; offset += kBoardFileReadPiece) {
        const int count = std::min<int>(size - offset, kBoardFileReadPiece);
        ok = fmRead(hBoard, file, bytes.data() + offset, count) == 0;
    }
    ok = fmClose(hBoard, file) == 0 && ok;
    return ok;
}
