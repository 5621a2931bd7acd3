// firmwarehistory.h - the firmware check's lines of the board history: the
// board's hardware address, each firmware part upgraded with its versions,
// and a product data copy repaired. Failures come through the error
// messages (firmwaremessages.h).
#pragma once

#include <windows.h>

#include <string>

class ReconcileProductData;

// "00-80-4C-12-34-56" of the first valid copy (main flash, then SPI); "" when
// neither copy is valid.
std::string HardwareAddressOf(const ReconcileProductData& copies);
// Makes that address the one the history lines carry.
void NoteHardwareAddress(const ReconcileProductData& copies);

// A part rewritten from an installed file: the version before and the file's.
void RecordFirmwareUpgrade(const char* part, const char* installedPath, DWORD versionBefore);
// An SPI boot image written from the installed file `path` (the images have
// no version).
void RecordSpiBootImageWritten(const char* path);

// Taken just before ReconcileProductData::Repair: which copy the repair is to
// write. Record() after it adds the line, "failed" when a failure was
// reported in between.
class ProductDataRepairNote {
public:
    ProductDataRepairNote(const ReconcileProductData& copies, BOOL bRomRewritePending);
    void Record() const;

private:
    const char* m_what = nullptr;
    int m_failuresBefore = 0;
};
