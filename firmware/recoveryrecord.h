// recoveryrecord.h - what the firmware is about to write into a main-flash
// sector that holds the boot ROM head or the product data, kept in a file on
// the PC until the write is verified. A start after a lost connection, a
// killed process or a power cut finds it and completes the write.
//
// One file per board, named by its hardware address, in
// <local application data>\Tarnel2\Recovery. The file is written to a
// temporary name and then renamed, and carries a checksum over all of it,
// header included, so a file that exists under its own name is whole.
#pragma once

#include "firmware/productdata.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

struct RecoveryRecord {
    DWORD boardType = 0;
    DWORD productAddress = 0;  // main-flash address of the product data
    DWORD sector = 0;          // the sector the image is for
    ProductData identity = {}; // the product data being written: whose board it is
    // The whole sector as it is to be written; empty while the boot ROM is
    // rewritten (its bytes are the library's), when only the product data is
    // to be put back.
    std::vector<BYTE> image;
    // Checksums of the region to be written (the sector, or the block when
    // there is no image) as it was before the write, one per piece of
    // kRecordPieceSize bytes. Empty in records saved by earlier versions.
    std::vector<DWORD> before;
    // The file the record was loaded from ("" when it was not loaded).
    std::string path;

    bool HasImage() const { return !image.empty(); }
    // The region the record writes: the sector with an image, else the block.
    DWORD TargetAddress() const { return HasImage() ? sector : productAddress; }
    DWORD TargetSize() const;
    const BYTE* Target() const { return HasImage() ? image.data() : identity.bytes; }
    // "00-80-4C-12-34-56": the identity's hardware address.
    std::string MacText() const;
};

constexpr DWORD kRecordPieceSize = 0x1000;

// The files of the recovery folder: a CRC-32, the folder made when missing,
// and a file written under a temporary name and put in place only once it
// is whole, so that a cut leaves the old file or the new one.
DWORD Crc32(const void* data, size_t length, DWORD crc = 0);
bool EnsureFolder(const std::string& folder);
// The whole of a file on the PC; false when it cannot be opened.
bool ReadWholeLocalFile(const std::string& path, std::string& bytes);
bool ReplaceFileWhole(const std::string& path,
                      std::initializer_list<std::pair<const void*, DWORD>> parts);

// Checksums of a region in pieces of kRecordPieceSize bytes (the last piece
// may be shorter), as RecoveryRecord::before keeps them.
std::vector<DWORD> RegionChecksums(const BYTE* bytes, DWORD size);

// How the board's region stands against a record.
enum class RecordState {
    Done,        // holds what the record writes
    Completable, // a state the record's own write can leave: unchanged, erased or part-way
    Changed      // changed since: the record must not be applied
};
// current holds TargetSize() bytes read from TargetAddress().
RecordState CompareWithRecord(const RecoveryRecord& record, const BYTE* current);

// The folder of the records ("" when the local application data folder is
// unknown).
std::string RecoveryFolder();
// The record's file for this identity.
std::string RecoveryRecordPath(const ProductData& identity);

// Saves the record, replacing any record of the same board; false when it
// could not be written whole.
bool SaveRecoveryRecord(const RecoveryRecord& record);
// Reads a record file; false when it is not a whole, valid record, or its
// addresses are not those of its board type.
bool LoadRecoveryRecord(const std::string& path, RecoveryRecord& record);
// Is there a record saved under this identity's name?
bool RecoveryRecordExists(const ProductData& identity);
// Removes the record of this identity (no error when there is none).
void RemoveRecoveryRecord(const ProductData& identity);
// Removes the file a record was loaded from, and the record saved under its
// identity's name when that is another file.
void RemoveLoadedRecord(const RecoveryRecord& record);
// Renames the file a record was loaded from so that it is no longer applied
// but kept for support; the new path, or "" when it could not be renamed.
std::string SetRecordAside(const RecoveryRecord& record);
// The paths of every record file in the folder.
std::vector<std::string> FindRecoveryRecords();
// The paths of the folder's files whose names end in `extension`.
std::vector<std::string> FindRecoveryFiles(const std::string& extension);
// Renames a file of the folder to "<path>.aside" (".2.aside" and on when
// that is taken), so that it is kept for support but no longer taken up; the
// new path, or "" when it could not be renamed.
std::string SetFileAside(const std::string& path);

// The SPI copy's rewrite: the block being written and the whole SPI sector
// as it is to be written (the erase takes all of it), kept on the PC (as
// <MAC>.spi, with its checksum) from before the erase until the write reads
// back right, so that a copy cut short part-way through its page is never
// taken for a whole one and the rest of the sector is never lost. False when
// it could not be saved whole.
bool SaveSpiCopyRecord(const ProductData& block, const BYTE* sector);
// The block of an unfinished rewrite of the copy with this identity's
// address, and its sector (empty from records that kept only the block);
// false when there is none or it is not whole.
bool LoadSpiCopyRecord(const ProductData& identity, ProductData& block, std::vector<BYTE>& sector);
void RemoveSpiCopyRecord(const ProductData& identity);
