// bootcheck.cpp - the board read before a reset.
#include "firmware/bootcheck.h"

#include "boardlib/lm800mul.h"
#include "firmware/firmwarecheck.h"
#include "firmware/firmwarehistory.h"
#include "firmware/flashwrite.h"
#include "firmware/productdata.h"
#include "firmware/recoveryrecord.h"
#include "firmware/unfinishedwrites.h"

namespace {

const char kUnreadable[] = "ボードのフラッシュメモリを読み出せませんでした。";
const char kNoIdentity[] = "ボードに有効な製品固有データがありません。";
const char kBlankRom[] = "ボードのＩＰＬが消去されています。";
const char kBlankSpiBoot[] = "ボードのSPIブートイメージが消去されています。";
const char kRecordPending[] = "製品固有データの書き込みが完了していません。";

// The first bytes the board boots from: main flash on the types with a boot
// ROM, SPI flash on type 0x201.
bool BootHeadBlank(int hBoard, DWORD boardType, bool& blank) {
    BYTE head[kBootRomHeadSize];
    if (HasBootRom(boardType)) {
        if (fmReadDataBuffer(hBoard, head, 0, kBootRomHeadSize / 2) != 0)
            return false;
    } else {
        if (SPIFLASH_open(hBoard) != 0)
            return false;
        const bool read = SPIFLASH_read_data(hBoard, 0, head, kBootRomHeadSize) == 0;
        SPIFLASH_close(hBoard);
        if (!read)
            return false;
    }
    blank = IsBootRomHeadBlank(head);
    return true;
}

} // namespace

std::string UnfinishedOnBoard(int hBoard, std::string* address) {
    FirmwareVersionInfo version = {};
    if (GetIPVersionInfo(hBoard, version.bytes) != 0)
        return kUnreadable;
    const DWORD type = version.BoardType();
    ReconcileProductData copies(hBoard, type);
    copies.ReadCopies();
    const ProductData* identity = copies.m_bMainValid                               ? &copies.m_main
                                  : (HasSpiProductData(type) && copies.m_bSpiValid) ? &copies.m_spi
                                                                                    : nullptr;
    if (identity == nullptr)
        return copies.m_bMainRead ? kNoIdentity : kUnreadable;
    if (address != nullptr)
        *address = HardwareAddressOf(copies);
    bool blank = false;
    if (!BootHeadBlank(hBoard, type, blank))
        return kUnreadable;
    if (blank)
        return HasBootRom(type) ? kBlankRom : kBlankSpiBoot;
    if (RecoveryRecordExists(*identity))
        return kRecordPending;
    for (const UnfinishedWrite& write : LoadUnfinishedWrites(*identity)) {
        const RegionState state = ReadRegionState(hBoard, type, write);
        if (state == RegionState::Unreadable)
            return kUnreadable;
        if (state == RegionState::Torn)
            return RegionName(write) + "の書き込みが完了していません。";
    }
    return "";
}
