// flashwrite.cpp - verified, retried rewrites of main and SPI flash.
#include "firmware/flashwrite.h"

#include "boardlib/lm800mul.h"
#include "firmware/productdata.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr DWORD kSpiReadPiece = 0x10000;

bool PageProgramFailed(int result, PageProgramCheck check) {
    return check == PageProgramCheck::NegativeFails ? result < 0 : result != 0;
}

} // namespace

FlashWriteFailure WriteMainSector(int hBoard, DWORD sector, const BYTE* image, BYTE* readBack) {
    FlashWriteFailure failure = FlashWriteFailure::None;
    for (int attempt = 0; attempt < kFlashWriteTries; ++attempt) {
        if (fmSectorErase(hBoard, sector) != 0) {
            failure = FlashWriteFailure::Erase;
            continue;
        }
        if (fmWriteDataBuffer(hBoard, image, sector, kMainSectorUnits) != 0 ||
            fmReadDataBuffer(hBoard, readBack, sector, kMainSectorUnits) != 0 ||
            std::memcmp(readBack, image, kMainSectorSize) != 0) {
            failure = FlashWriteFailure::Write;
            continue;
        }
        return FlashWriteFailure::None;
    }
    return failure;
}

int ReadSpiRegion(int hBoard, DWORD address, BYTE* buffer, DWORD size) {
    for (DWORD offset = 0; offset < size; offset += kSpiReadPiece) {
        const DWORD count = std::min(size - offset, kSpiReadPiece);
        if (SPIFLASH_read_data(hBoard, address + offset, buffer + offset,
                               static_cast<int>(count)) != 0)
            return -1;
    }
    return 0;
}

FlashWriteFailure WriteSpiRegion(int hBoard, DWORD address, const BYTE* image, DWORD size,
                                 BYTE* readBack, PageProgramCheck check) {
    FlashWriteFailure failure = FlashWriteFailure::None;
    for (int attempt = 0; attempt < kFlashWriteTries; ++attempt) {
        if (EraseSpiRange(hBoard, static_cast<int>(address), static_cast<int>(size)) != 0) {
            failure = FlashWriteFailure::Erase;
            continue;
        }
        failure = FlashWriteFailure::None;
        for (DWORD offset = 0; offset < size; offset += kSpiPageSize) {
            if (PageProgramFailed(
                    SPIFLASH_page_program(hBoard, address + offset, image + offset, kSpiPageSize),
                    check)) {
                failure = FlashWriteFailure::Write;
                break;
            }
        }
        if (failure == FlashWriteFailure::None &&
            (ReadSpiRegion(hBoard, address, readBack, size) != 0 ||
             std::memcmp(readBack, image, size) != 0))
            failure = FlashWriteFailure::Write;
        if (failure == FlashWriteFailure::None)
            return failure;
    }
    return failure;
}
