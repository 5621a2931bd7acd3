// productdata.h - the board's 256-byte product-specific data block (serial
// field, model marker, MAC address) and its two copies, in main flash and in
// SPI flash, kept consistent across firmware rewrites.
#pragma once

#include <vector>

#include <windows.h>

constexpr DWORD kProductDataSize = 256;
constexpr DWORD kProductDataSpiAddress = 0xFC00;
constexpr DWORD kProductDataSpiSector = 0xF000;
constexpr DWORD kSpiSectorSize = 0x1000;
constexpr DWORD kSpiBlockSize = 0x10000;
constexpr DWORD kSpiPageSize = 256;

// Board type codes (the top 12 bits of the version record's board word).
constexpr DWORD kBoardType200 = 0x200;
constexpr DWORD kBoardType201 = 0x201;
constexpr DWORD kBoardType300 = 0x300;

struct ProductData {
    BYTE bytes[kProductDataSize];
};

// Boards of types 0x200 and 0x201 keep a second copy in SPI flash.
bool HasSpiProductData(DWORD boardType);
// Main-flash address of the copy: 0x17FFC00 on type 0x201, 0xC00 otherwise.
DWORD ProductDataMainAddress(DWORD boardType);

// 0 when the block passes the validity rules for the board type, -1 otherwise.
int IsProductDataValid(const ProductData& block, DWORD boardType);

// The main-flash copy at address (no message); 0 or -1.
int ReadFlashProductData(int hBoard, ProductData& block, DWORD address);
// The SPI copy at 0xFC00, with a message on failure; 0 or -1.
int ReadSpiProductData(int hBoard, ProductData& block);
// Puts length bytes at address of main flash by rewriting exactly the 64 KiB
// sector below it: read, modify, save a recovery record, erase, write, read
// back (tried again from the image while that fails), remove the record. A
// message on failure; 0 or -1. boardType goes into the recovery record.
// kBootRomHeadBlank, without a message and with nothing written, when the
// sector is the boot sector and its boot ROM head is blank: a record made
// from it could never bring the boot code back.
constexpr int kBootRomHeadBlank = -2;
constexpr DWORD kBootRomHeadSize = 256;
// Types 0x200 and 0x300 boot from the head of main-flash sector 0.
bool HasBootRom(DWORD boardType);
bool IsBootRomHeadBlank(const BYTE* sector);
int WriteFlashProductData(int hBoard, const void* block, DWORD address, DWORD length,
                          DWORD boardType);
// Puts a whole sector image in place with its recovery record saved first
// and removed once the sector reads back right; the messages of
// WriteFlashProductData on failure; 0 or -1. readBack holds a sector.
struct RecoveryRecord;
int WriteMainSectorSafely(int hBoard, const RecoveryRecord& record, BYTE* readBack);
// Puts the block at SPI address 0xFC00 by rewriting the sector at 0xF000,
// read back and tried again while that fails; a message on failure. The
// rest of the sector comes from `base` (a whole sector, the one a cut
// rewrite was writing) when given, else from the board.
void WriteSpiProductData(int hBoard, const ProductData& block,
                         const std::vector<BYTE>* base = nullptr);

// Shown when the recovery record cannot be saved: nothing has been erased.
extern const char kRecordSaveFailed[];
// Erases SPI flash from start for length bytes (64 KiB blocks while more than
// a block remains past them, 4 KiB sectors otherwise); 0 or -1, no message.
int EraseSpiRange(int hBoard, int start, int length);

// The start-up work on the two copies, in two phases: ReadCopies right after
// the board type is known, Repair after the installed files are compared.
class ReconcileProductData {
public:
    ReconcileProductData(int hBoard, DWORD boardType);

    void ReadCopies();
    // Repairs a bad or differing copy: a valid main copy is put into SPI
    // flash; a valid SPI copy replaces only an invalid main copy. While a boot
    // ROM rewrite is pending, that is left to the write-back after it.
    void Repair(BOOL bRomRewritePending);
    // Puts the SPI copy into main flash now, when its repair waited for a
    // boot ROM write that does not come.
    void RestoreMainFromSpi();

    // The block to write back into main flash after a boot ROM rewrite, or
    // null when there is none (then the boot ROM must not be rewritten).
    const ProductData* RestoreSource() const;
    DWORD MainAddress() const { return m_mainAddress; }

    ProductData m_main = {};
    ProductData m_spi = {};
    BOOL m_bMainRead = FALSE;
    BOOL m_bMainValid = FALSE;
    BOOL m_bSpiRead = FALSE;
    BOOL m_bSpiValid = FALSE;
    // The SPI copy was cut short in a rewrite and m_spi is the block that was
    // being written: the repair writes it again.
    BOOL m_bSpiRewrite = FALSE;
    BOOL m_bRestoreFromSpi = FALSE;
    // The repair found the boot ROM head blank and wrote nothing.
    BOOL m_bBootRomBlank = FALSE;
    // The SPI sector a cut rewrite of the copy was writing, whole: the base
    // of the copy's next rewrite (empty when there is none).
    std::vector<BYTE> m_spiSector;

private:
    // Does the SPI sector hold exactly this (true for an empty one)?
    bool SpiSectorHolds(const std::vector<BYTE>& sector) const;

    int m_hBoard;
    DWORD m_boardType;
    DWORD m_mainAddress;
};
