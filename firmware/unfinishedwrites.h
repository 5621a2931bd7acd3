// unfinishedwrites.h - the firmware writes of a board that began and were not
// yet seen to read back whole: the boot ROM, the command file on the board
// and the SPI boot images. An entry is added before the first erase and
// removed once the region reads back as the new image; until then the board
// is not reset, and the next start finishes the write.
//
// The PC only says which regions to look at and what a whole image there
// looks like (the new one, or the one it replaced, by size and checksum);
// the board says whether it is whole. One text file per board, named by its
// hardware address, beside the recovery records: <MAC>.writes.
#pragma once

#include "firmware/productdata.h"

#include <string>
#include <vector>

enum class WriteRegion { BootRom, CommandFile, SpiImage };

struct UnfinishedWrite {
    WriteRegion region = WriteRegion::BootRom;
    DWORD address = 0;     // main or SPI flash address; 0 for the command file
    std::string boardPath; // the command file's "sys:\NAME"; "" otherwise
    DWORD newSize = 0;
    DWORD newSum = 0;
    // What it replaced: the size and checksum of the same region before the
    // write (for the command file, the old file; oldSize -1 when none).
    long oldSize = -1;
    DWORD oldSum = 0;
};

// A checksum as the entries keep them. For the boot ROM the product data
// block, which the tool itself writes back, is counted as erased.
DWORD WriteChecksum(const BYTE* bytes, DWORD size);
DWORD BootRegionChecksum(const BYTE* bytes, DWORD size, DWORD boardType);

// The entries of this identity's board (none when the file is missing or
// not whole).
std::vector<UnfinishedWrite> LoadUnfinishedWrites(const ProductData& identity);
// Adds (or replaces) the entry for the same region, keeping what an earlier
// entry for it had replaced; false when it could not be saved whole, in which
// case nothing may be erased.
bool AddUnfinishedWrite(const ProductData& identity, const UnfinishedWrite& write);
// Removes the entry for that region, and the file with the last entry.
void RemoveUnfinishedWrite(const ProductData& identity, WriteRegion region, DWORD address);

// How a region now stands against its entry.
enum class RegionState { New, Old, Torn, Unreadable };

// Reads the region of an entry from the board and compares it. The SPI flash
// is opened and closed here.
RegionState ReadRegionState(int hBoard, DWORD boardType, const UnfinishedWrite& write);

// What a message calls the region ("ＩＰＬ", "RZSYS.BIN", "SPIブートイメージ (0x10000)").
std::string RegionName(const UnfinishedWrite& write);

// The whole of a board file, false when it cannot be read.
bool ReadWholeBoardFile(int hBoard, const char* boardPath, std::vector<BYTE>& bytes, bool& exists);
