// spibootimage.cpp - compare an SPI boot image region with its installed file
// and rewrite the region when they differ.
#include "firmware/spibootimage.h"

#include "afx/afxfile.h"
#include "boardlib/lm800mul.h"
#include "firmware/firmwarememory.h"
#include "firmware/firmwaremessages.h"
#include "firmware/installedfiles.h"
#include "firmware/productdata.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr DWORD kReadPiece = 0x10000;

// The two work buffers of one update, freed on every path.
class ImageBuffers {
public:
    ImageBuffers(DWORD regionSize, DWORD fileSize)
        : m_image(static_cast<BYTE*>(FirmwareAllocate(regionSize))),
          m_file(static_cast<BYTE*>(FirmwareAllocate(fileSize))) {
        if (m_image != nullptr)
            std::memset(m_image, 0xFF, regionSize);
        if (m_file != nullptr)
            std::memset(m_file, 0xFF, fileSize);
    }
    ~ImageBuffers() {
        FirmwareFree(m_file);
        FirmwareFree(m_image);
    }
    ImageBuffers(const ImageBuffers&) = delete;
    ImageBuffers& operator=(const ImageBuffers&) = delete;

    bool Ok() const { return m_image != nullptr && m_file != nullptr; }
    BYTE* Image() { return m_image; }
    BYTE* File() { return m_file; }

private:
    BYTE* m_image;
    BYTE* m_file;
};

// Reads the current region in pieces of at most 64 KiB; 0 or -1.
int ReadRegion(int hBoard, DWORD spiAddress, BYTE* image, DWORD regionSize) {
    DWORD remaining = regionSize;
    for (DWORD address = spiAddress; address < spiAddress + regionSize; address += kReadPiece) {
        DWORD count = std::min(remaining, kReadPiece);
        if (SPIFLASH_read_data(hBoard, address, image + (address - spiAddress),
                               static_cast<int>(count)) != 0)
            return -1;
        remaining -= count;
    }
    return 0;
}

// Programs the region page by page; a negative result is a failure.
int ProgramRegion(int hBoard, DWORD spiAddress, const BYTE* image, DWORD regionSize) {
    for (DWORD offset = 0; offset < regionSize; offset += kSpiPageSize) {
        if (SPIFLASH_page_program(hBoard, spiAddress + offset, image + offset, kSpiPageSize) < 0)
            return -1;
    }
    return 0;
}

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

void UpdateSpiBootImage(int hBoard, const char* path, DWORD spiAddress) {
    const int length = GetLocalFileLength(path);
    if (length == -1) {
        ShowFirmwareErrorWith("%s のオープンに失敗しました。", path ? path : "");
        return;
    }
    // Rewriting past its region would erase the product data sector or the
    // other image: such a file is refused before anything is touched.
    const DWORD fileSize = static_cast<DWORD>(length);
    if (fileSize > SpiImageLimit(spiAddress)) {
        ShowFirmwareErrorWith("SPIブートファイル更新時　%s のサイズが書き込み領域を超えています。",
                              path);
        return;
    }
    const DWORD regionSize = (fileSize + kSpiSectorSize - 1) & ~(kSpiSectorSize - 1);

    ImageBuffers buffers(regionSize, fileSize);
    if (!buffers.Ok()) {
        ShowFirmwareError("SPIブートファイル更新時　ワークメモリ確保に失敗しました。");
        return;
    }
    CFile file;
    if (!file.Open(path, CFile::modeRead)) {
        ShowFirmwareErrorWith("%s のオープンに失敗しました。", path);
        return;
    }
    file.Read(buffers.File(), fileSize);
    file.Close();

    if (SPIFLASH_open(hBoard) != 0) {
        ShowFirmwareError("SPIブートファイル更新時　SPIフラッシュオープンに失敗しました。");
        return;
    }
    if (ReadRegion(hBoard, spiAddress, buffers.Image(), regionSize) != 0) {
        ShowFirmwareError("SPIブートファイル更新時　SPIフラッシュリードに失敗しました。");
        SPIFLASH_close(hBoard);
        return;
    }
    if (std::memcmp(buffers.Image(), buffers.File(), fileSize) == 0) {
        SPIFLASH_close(hBoard);
        return;
    }
    // The tail of the last sector keeps what the region held.
    std::memcpy(buffers.Image(), buffers.File(), fileSize);
    if (EraseSpiRange(hBoard, static_cast<int>(spiAddress), static_cast<int>(regionSize)) != 0) {
        ShowFirmwareError("SPIブートファイル更新時　SPIフラッシュ消去に失敗しました。");
        SPIFLASH_close(hBoard);
        return;
    }
    if (ProgramRegion(hBoard, spiAddress, buffers.Image(), regionSize) != 0) {
        ShowFirmwareError("SPIブートファイル更新時　SPIフラッシュライトに失敗しました。");
        SPIFLASH_close(hBoard);
        return;
    }
    SPIFLASH_close(hBoard);
}
