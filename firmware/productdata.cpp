// productdata.cpp - validity, reads and writes of the two product data
// copies, the SPI range erase and the start-up reconciliation.
#include "firmware/productdata.h"

#include "afx/afxwin.h"
#include "boardlib/lm800mul.h"
#include "firmware/firmwarememory.h"
#include "firmware/firmwaremessages.h"
#include "firmware/flashwrite.h"
#include "firmware/recoveryrecord.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr DWORD kMainWorkSize = 2 * kMainSectorSize; // the sector and its read-back

bool AllBytesAre(const BYTE* bytes, size_t length, BYTE value) {
    for (size_t i = 0; i < length; ++i) {
        if (bytes[i] != value)
            return false;
    }
    return true;
}

} // namespace

const char kRecordSaveFailed[] = "製品固有データライト時　復旧データの保存に失敗しました。";

bool HasSpiProductData(DWORD boardType) {
    return boardType == kBoardType200 || boardType == kBoardType201;
}

bool HasBootRom(DWORD boardType) {
    return boardType == kBoardType200 || boardType == kBoardType300;
}

bool IsBootRomHeadBlank(const BYTE* sector) {
    return AllBytesAre(sector, kBootRomHeadSize, 0xFF);
}

DWORD ProductDataMainAddress(DWORD boardType) {
    return boardType == kBoardType201 ? 0x17FFC00 : 0xC00;
}

int IsProductDataValid(const ProductData& block, DWORD boardType) {
    const BYTE* b = block.bytes;
    if (AllBytesAre(b, 9, 0xFF) || AllBytesAre(b, 9, 0x00))
        return -1;
    if (HasSpiProductData(boardType) && std::memcmp(b + 16, "NRZ-Lm", 6) != 0)
        return -1;
    if (boardType == kBoardType300 && std::memcmp(b + 16, "SRZ-Lm", 6) != 0)
        return -1;
    const BYTE* mac = b + 32;
    if (AllBytesAre(mac, 6, 0xFF) || AllBytesAre(mac, 6, 0x00))
        return -1;
    if (mac[0] & 0x01) // a group address cannot be a board's own
        return -1;
    return 0;
}

int ReadFlashProductData(int hBoard, ProductData& block, DWORD address) {
    return fmReadDataBuffer(hBoard, block.bytes, address, kProductDataSize / 2) == 0 ? 0 : -1;
}

int ReadSpiProductData(int hBoard, ProductData& block) {
    if (SPIFLASH_open(hBoard) != 0) {
        ShowFirmwareError("製品固有データリード時　SPIフラッシュオープンに失敗しました。");
        return -1;
    }
    if (SPIFLASH_read_data(hBoard, kProductDataSpiAddress, block.bytes, kProductDataSize) != 0) {
        SPIFLASH_close(hBoard);
        ShowFirmwareError("製品固有データリード時　SPIフラッシュリードに失敗しました。");
        return -1;
    }
    if (SPIFLASH_close(hBoard) != 0) {
        ShowFirmwareError("製品固有データリード時　SPIフラッシュクローズに失敗しました。");
        return -1;
    }
    return 0;
}

int WriteFlashProductData(int hBoard, const void* block, DWORD address, DWORD length,
                          DWORD boardType) {
    const DWORD offset = address & ~kMainSectorMask;
    if (block == nullptr || offset + length > kMainSectorSize)
        return -1;
    // The sector image, and as much again for reading it back.
    BYTE* work = static_cast<BYTE*>(FirmwareAllocate(kMainWorkSize));
    if (work == nullptr) {
        ShowFirmwareError("製品固有データライト時　ワークメモリ確保に失敗しました。");
        return -1;
    }
    const DWORD sector = address & kMainSectorMask;
    int result = -1;
    if (fmReadDataBuffer(hBoard, work, sector, kMainSectorUnits) != 0) {
        ShowFirmwareError("製品固有データライト時　FLASHリードに失敗しました。");
    } else if (sector == 0 && HasBootRom(boardType) && IsBootRomHeadBlank(work)) {
        result = kBootRomHeadBlank;
    } else {
        RecoveryRecord record;
        record.before = RegionChecksums(work, kMainSectorSize);
        std::memcpy(work + offset, block, length);
        record.boardType = boardType;
        record.productAddress = address;
        record.sector = sector;
        std::memcpy(record.identity.bytes, block, std::min(length, kProductDataSize));
        record.image.assign(work, work + kMainSectorSize);
        result = WriteMainSectorSafely(hBoard, record, work + kMainSectorSize);
    }
    FirmwareFree(work);
    return result;
}

int WriteMainSectorSafely(int hBoard, const RecoveryRecord& record, BYTE* readBack) {
    // Nothing is erased before the image is safe on the PC as well.
    if (!SaveRecoveryRecord(record)) {
        ShowFirmwareError(kRecordSaveFailed);
        return -1;
    }
    switch (WriteMainSector(hBoard, record.sector, record.image.data(), readBack)) {
        case FlashWriteFailure::Erase:
            ShowFirmwareError("製品固有データライト時　FLASHセクタ消去に失敗しました。");
            return -1;
        case FlashWriteFailure::Write:
            ShowFirmwareError("製品固有データライト時　FLASHセクタライトに失敗しました。");
            return -1;
        case FlashWriteFailure::None:
            break;
    }
    RemoveRecoveryRecord(record.identity);
    return 0;
}

void WriteSpiProductData(int hBoard, const ProductData& block, const std::vector<BYTE>* base) {
    BYTE sector[kSpiSectorSize];
    BYTE readBack[kSpiSectorSize];
    if (SPIFLASH_open(hBoard) != 0) {
        ShowFirmwareError("製品固有データライト時　SPIフラッシュオープンに失敗しました。");
        return;
    }
    if (base != nullptr && base->size() == kSpiSectorSize) {
        std::memcpy(sector, base->data(), kSpiSectorSize);
    } else if (SPIFLASH_read_data(hBoard, kProductDataSpiSector, sector, kSpiSectorSize) != 0) {
        ShowFirmwareError("製品固有データライト時　SPIフラッシュリードに失敗しました。");
        SPIFLASH_close(hBoard);
        return;
    }
    std::memcpy(sector + (kProductDataSpiAddress - kProductDataSpiSector), block.bytes,
                kProductDataSize);
    // Nothing is erased before the sector is safe on the PC as well.
    if (!SaveSpiCopyRecord(block, sector)) {
        ShowFirmwareError(kRecordSaveFailed);
        SPIFLASH_close(hBoard);
        return;
    }
    switch (WriteSpiRegion(hBoard, kProductDataSpiSector, sector, kSpiSectorSize, readBack,
                           PageProgramCheck::NonzeroFails)) {
        case FlashWriteFailure::Erase:
            ShowFirmwareError("製品固有データライト時　SPIフラッシュ消去に失敗しました。");
            SPIFLASH_close(hBoard);
            return;
        case FlashWriteFailure::Write:
            ShowFirmwareError("製品固有データライト時　SPIフラッシュライトに失敗しました。");
            SPIFLASH_close(hBoard);
            return;
        case FlashWriteFailure::None:
            break;
    }
    RemoveSpiCopyRecord(block);
    if (SPIFLASH_close(hBoard) != 0)
        ShowFirmwareError("製品固有データライト時　SPIフラッシュクローズに失敗しました。");
}

int EraseSpiRange(int hBoard, int start, int length) {
    const int end = start + length;
    int address = start;
    while (address < end) {
        // The last 64 KiB of a range always goes sector by sector.
        if (address + static_cast<int>(kSpiBlockSize) < end) {
            if (SPIFLASH_block_erase(hBoard, static_cast<unsigned>(address)) != 0)
                return -1;
            address += kSpiBlockSize;
        } else {
            if (SPIFLASH_sector_erase(hBoard, static_cast<unsigned>(address)) != 0)
                return -1;
            address += kSpiSectorSize;
        }
    }
    return 0;
}

ReconcileProductData::ReconcileProductData(int hBoard, DWORD boardType)
    : m_hBoard(hBoard), m_boardType(boardType), m_mainAddress(ProductDataMainAddress(boardType)) {}

void ReconcileProductData::ReadCopies() {
    m_bSpiRewrite = FALSE;
    m_bMainRead = ReadFlashProductData(m_hBoard, m_main, m_mainAddress) == 0;
    m_bMainValid = m_bMainRead && IsProductDataValid(m_main, m_boardType) == 0;
    if (!HasSpiProductData(m_boardType))
        return;
    m_bSpiRead = ReadSpiProductData(m_hBoard, m_spi) == 0;
    m_bSpiValid = m_bSpiRead && IsProductDataValid(m_spi, m_boardType) == 0;
    // A rewrite of the SPI copy that was not seen to read back right: the
    // copy counts only when it is the whole block that was being written,
    // and the sector only when it is the whole sector.
    ProductData written = {};
    std::vector<BYTE> sector;
    const bool found = (m_bSpiValid && LoadSpiCopyRecord(m_spi, written, sector)) ||
                       (m_bMainValid && LoadSpiCopyRecord(m_main, written, sector));
    if (!found)
        return;
    m_spiSector = sector;
    if (m_bSpiValid && std::memcmp(written.bytes, m_spi.bytes, kProductDataSize) == 0 &&
        SpiSectorHolds(sector)) {
        RemoveSpiCopyRecord(m_spi); // done; only the record's removal was cut short
        m_spiSector.clear();
        return;
    }
    m_bSpiValid = FALSE;
    // Without a valid main copy, the block being written is the identity:
    // both copies are written from it.
    if (!m_bMainValid && IsProductDataValid(written, m_boardType) == 0) {
        m_spi = written;
        m_bSpiValid = TRUE;
        m_bSpiRewrite = TRUE;
    }
}

void ReconcileProductData::Repair(BOOL bRomRewritePending) {
    if (!HasSpiProductData(m_boardType) || !m_bMainRead || !m_bSpiRead)
        return;
    // A valid main copy wins: an SPI copy that differs from it may be one
    // whose rewrite was cut short.
    if (m_bMainValid) {
        if (!m_bSpiValid || std::memcmp(m_main.bytes, m_spi.bytes, kProductDataSize) != 0)
            WriteSpiProductData(m_hBoard, m_main, &m_spiSector);
        return;
    }
    if (!m_bSpiValid)
        return; // neither copy is usable
    if (m_bSpiRewrite)
        WriteSpiProductData(m_hBoard, m_spi, &m_spiSector);
    // The SPI copy replaces an invalid main copy. A pending boot ROM rewrite
    // erases the main copy anyway, so it is restored after the rewrite.
    if (bRomRewritePending) {
        m_bRestoreFromSpi = TRUE;
        return;
    }
    RestoreMainFromSpi();
}

void ReconcileProductData::RestoreMainFromSpi() {
    m_bRestoreFromSpi = FALSE;
    const int result =
        WriteFlashProductData(m_hBoard, m_spi.bytes, m_mainAddress, kProductDataSize, m_boardType);
    if (result == kBootRomHeadBlank)
        m_bBootRomBlank = TRUE; // the boot ROM goes back first, the block after it
    else if (result != 0)
        ShowFirmwareError("製品固有データライト時　FLASHライトに失敗しました。");
}

bool ReconcileProductData::SpiSectorHolds(const std::vector<BYTE>& sector) const {
    if (sector.empty())
        return true; // a record that kept only the block
    std::vector<BYTE> now(kSpiSectorSize);
    if (SPIFLASH_open(m_hBoard) != 0)
        return false;
    const bool read =
        SPIFLASH_read_data(m_hBoard, kProductDataSpiSector, now.data(), kSpiSectorSize) == 0;
    SPIFLASH_close(m_hBoard);
    return read && now == sector;
}

const ProductData* ReconcileProductData::RestoreSource() const {
    if (m_bRestoreFromSpi)
        return &m_spi;
    if (m_bMainRead)
        return &m_main;
    return nullptr;
}
