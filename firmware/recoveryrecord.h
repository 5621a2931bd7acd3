// recoveryrecord.h - what the firmware is about to write into a main-flash
// sector that holds the boot ROM head or the product data, kept in a file on
// the PC until the write is verified. A start after a lost connection, a
// killed process or a power cut finds it and completes the write.
//
// One file per board, named by its hardware address, in
// <local application data>\Tarnel2\Recovery. The file is written to a
// temporary name and then renamed, and carries a checksum, so a file that
// exists under its own name is whole.
#pragma once

#include "firmware/productdata.h"

#include <string>
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

    bool HasImage() const { return !image.empty(); }
    // "00-80-4C-12-34-56": the identity's hardware address.
    std::string MacText() const;
};

// The folder of the records ("" when the local application data folder is
// unknown).
std::string RecoveryFolder();
// The record's file for this identity.
std::string RecoveryRecordPath(const ProductData& identity);

// Saves the record, replacing any record of the same board; false when it
// could not be written whole.
bool SaveRecoveryRecord(const RecoveryRecord& record);
// Reads a record file; false when it is not a whole, valid record.
bool LoadRecoveryRecord(const std::string& path, RecoveryRecord& record);
// Removes the record of this identity (no error when there is none).
void RemoveRecoveryRecord(const ProductData& identity);
// The paths of every record file in the folder.
std::vector<std::string> FindRecoveryRecords();
