// spibootimage.cpp - compare an SPI boot image region with its installed file
// and rewrite the region when they differ.
#include "firmware/spibootimage.h"

#include "firmware/unfinishedwrites.h"

#include "afx/afxfile.h"
#include "boardlib/lm800mul.h"
#include "firmware/firmwarefileread.h"
#include "firmware/firmwarehistory.h"
#include "firmware/firmwarememory.h"
#include "firmware/firmwaremessages.h"
#include "firmware/flashwrite.h"
#include "firmware/installedfiles.h"
#include "firmware/productdata.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// The work buffers of one update, freed on every path: the region's image,
// the file, and the region read back after programming.
class ImageBuffers {
public:
    ImageBuffers(DWORD regionSize, DWORD fileSize)
        : m_image(static_cast<BYTE*>(FirmwareAllocate(regionSize))),
          m_file(static_cast<BYTE*>(FirmwareAllocate(fileSize))),
          m_readBack(static_cast<BYTE*>(FirmwareAllocate(regionSize))) {
        if (m_image != nullptr)
            std::memset(m_image, 0xFF, regionSize);
        if (m_file != nullptr)
            std::memset(m_file, 0xFF, fileSize);
    }
    ~ImageBuffers() {
        FirmwareFree(m_readBack);
        FirmwareFree(m_file);
        FirmwareFree(m_image);
    }
    ImageBuffers(const ImageBuffers&) = delete;
    ImageBuffers& operator=(const ImageBuffers&) = delete;

    bool Ok() const { return m_image != nullptr && m_file != nullptr && m_readBack != nullptr; }
    BYTE* Image() { return m_image; }
    BYTE* File() { return m_file; }
    BYTE* ReadBack() { return m_readBack; }

private:
    BYTE* m_image;
    BYTE* m_file;
    BYTE* m_readBack;
};

} // namespace

int GetLocalFileLength(const char* path) {
    if (!IsUsableLocalPath(path))
        return -1;
    CFile file;
    if (!file.Open(path, CFile::modeRead))
        return -1;
    ULONGLONG length = file.GetLength();
    file.Close();
    return length > static_cast<ULONGLONG>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}

DWORD SpiImageLimit(DWORD spiAddress) {
    if (spiAddress < kProductDataSpiSector)
        return kProductDataSpiSector - spiAddress;
    if (spiAddress >= kSpiBoot2ImageAddress && spiAddress < kSpiFlashSize)
        return kSpiFlashSize - spiAddress;
    return 0;
}

SpiImageUpdate UpdateSpiBootImage(int hBoard, const char* path, DWORD spiAddress,
                                  const ProductData* identity) {
    const int length = GetLocalFileLength(path);
    if (length == -1) {
        ShowFirmwareErrorWith("%s のオープンに失敗しました。", path ? path : "");
        return SpiImageUpdate::Unchanged;
    }
    // Rewriting past its region would erase the product data sector or the
    // other image: such a file is refused before anything is touched.
    const DWORD fileSize = static_cast<DWORD>(length);
    if (fileSize > SpiImageLimit(spiAddress)) {
        ShowFirmwareErrorWith("SPIブートファイル更新時　%s のサイズが書き込み領域を超えています。",
                              path);
        return SpiImageUpdate::Unchanged;
    }
    const DWORD regionSize = (fileSize + kSpiSectorSize - 1) & ~(kSpiSectorSize - 1);

    ImageBuffers buffers(regionSize, fileSize);
    if (!buffers.Ok()) {
        ShowFirmwareError("SPIブートファイル更新時　ワークメモリ確保に失敗しました。");
        return SpiImageUpdate::Unchanged;
    }
    // The file is read whole before anything is erased: a short read would
    // otherwise program erased bytes, and the read-back would agree.
    CFile file;
    const bool whole = file.Open(path, CFile::modeRead) && file.GetLength() == fileSize &&
                       FirmwareReadFile(path, file, buffers.File(), fileSize) == fileSize;
    file.Close();
    if (!whole) {
        ShowFirmwareErrorWith("%s のオープンに失敗しました。", path);
        return SpiImageUpdate::Unchanged;
    }

    if (SPIFLASH_open(hBoard) != 0) {
        ShowFirmwareError("SPIブートファイル更新時　SPIフラッシュオープンに失敗しました。");
        return SpiImageUpdate::Unchanged;
    }
    if (ReadSpiRegion(hBoard, spiAddress, buffers.Image(), regionSize) != 0) {
        ShowFirmwareError("SPIブートファイル更新時　SPIフラッシュリードに失敗しました。");
        SPIFLASH_close(hBoard);
        return SpiImageUpdate::Unchanged;
    }
    if (std::memcmp(buffers.Image(), buffers.File(), fileSize) == 0) {
        SPIFLASH_close(hBoard);
        if (identity != nullptr)
            RemoveUnfinishedWrite(*identity, WriteRegion::SpiImage, spiAddress);
        return SpiImageUpdate::Unchanged;
    }
    // Remembered as unfinished from before the erase until it reads back.
    UnfinishedWrite write;
    write.region = WriteRegion::SpiImage;
    write.address = spiAddress;
    write.newSize = fileSize;
    write.newSum = WriteChecksum(buffers.File(), fileSize);
    write.oldSize = static_cast<long>(fileSize);
    write.oldSum = WriteChecksum(buffers.Image(), fileSize);
    if (identity != nullptr && !AddUnfinishedWrite(*identity, write)) {
        ShowFirmwareError("SPIブートファイル更新時　復旧データの保存に失敗しました。");
        SPIFLASH_close(hBoard);
        return SpiImageUpdate::Unchanged;
    }
    SpiImageUpdate result = SpiImageUpdate::Failed;
    // The tail of the last sector keeps what the region held.
    std::memcpy(buffers.Image(), buffers.File(), fileSize);
    switch (WriteSpiRegion(hBoard, spiAddress, buffers.Image(), regionSize, buffers.ReadBack(),
                           PageProgramCheck::NegativeFails)) {
        case FlashWriteFailure::Erase:
            ShowFirmwareError("SPIブートファイル更新時　SPIフラッシュ消去に失敗しました。");
            break;
        case FlashWriteFailure::Write:
            ShowFirmwareError("SPIブートファイル更新時　SPIフラッシュライトに失敗しました。");
            break;
        case FlashWriteFailure::None:
            RecordSpiBootImageWritten(path);
            if (identity != nullptr)
                RemoveUnfinishedWrite(*identity, WriteRegion::SpiImage, spiAddress);
            result = SpiImageUpdate::Written;
            break;
    }
    SPIFLASH_close(hBoard);
    return result;
}
