// firmwarehistory.cpp - the firmware check's lines of the board history.
#include "firmware/firmwarehistory.h"

#include "engine/boardhistory.h"
#include "firmware/installedfiles.h"
#include "firmware/productdata.h"
#include "firmware/recoveryrecord.h"

#include <cstdio>
#include <cstring>

std::string HardwareAddressOf(const ReconcileProductData& copies) {
    RecoveryRecord record;
    if (copies.m_bMainValid)
        record.identity = copies.m_main;
    else if (copies.m_bSpiValid)
        record.identity = copies.m_spi;
    else
        return "";
    return record.MacText();
}

void NoteHardwareAddress(const ReconcileProductData& copies) {
    const std::string address = HardwareAddressOf(copies);
    if (!address.empty())
        SetHistoryHardwareAddress(address);
}

void RecordSpiBootImageWritten(const char* path) {
    const char* name = std::strrchr(path, '\\');
    RecordBoardChange(std::string("SPI boot image ") + (name != nullptr ? name + 1 : path) +
                          " written",
                      kHistoryDone);
}

void RecordFirmwareUpgrade(const char* part, const char* installedPath, DWORD versionBefore) {
    FirmwareFileHeader header = {};
    char text[300];
    if (ReadFileHeader(installedPath, header.bytes, sizeof(header.bytes)) == 0)
        std::snprintf(text, sizeof(text), "%s upgraded 0x%08lX -> 0x%08lX", part,
                      static_cast<unsigned long>(versionBefore),
                      static_cast<unsigned long>(header.Version()));
    else
        std::snprintf(text, sizeof(text), "%s upgraded 0x%08lX -> ?", part,
                      static_cast<unsigned long>(versionBefore));
    RecordBoardChange(text, kHistoryDone);
}

// The same choice as ReconcileProductData::Repair makes.
ProductDataRepairNote::ProductDataRepairNote(const ReconcileProductData& copies,
                                             BOOL bRomRewritePending)
    : m_failuresBefore(BoardFailureCount()) {
    if (!copies.m_bMainRead || !copies.m_bSpiRead)
        return;
    if (copies.m_bMainValid && !copies.m_bSpiValid) {
        m_what = "product data repaired: SPI copy from main flash";
        return;
    }
    const bool same = copies.m_bMainValid &&
                      std::memcmp(copies.m_main.bytes, copies.m_spi.bytes, kProductDataSize) == 0;
    if (copies.m_bSpiValid && !same && !bRomRewritePending)
        m_what = "product data repaired: main flash copy from SPI";
}

void ProductDataRepairNote::Record() const {
    if (m_what != nullptr)
        RecordBoardChange(m_what,
                          BoardFailureCount() == m_failuresBefore ? kHistoryDone : kHistoryFailed);
}
