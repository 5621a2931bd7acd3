// flashwrite.h - flash rewrites that are read back and tried again: one
// main-flash sector, and an SPI flash region. A try that fails after its
// erase starts over from the image still held in memory, so a board that
// drops a single call ends up with the intended bytes, not a half-written
// region.
#pragma once

#include <windows.h>

constexpr DWORD kMainSectorSize = 0x10000;    // one fmSectorErase, in bytes
constexpr int kMainSectorUnits = 0x8000;      // the same in 16-bit units
constexpr DWORD kMainSectorMask = 0xFFFF0000; // sector address of an address
constexpr int kFlashWriteTries = 3;

// The step that made the last try fail.
enum class FlashWriteFailure { None, Erase, Write };

// Erases the sector, programs the image (kMainSectorSize bytes) and reads it
// back into readBack (as large) to compare.
FlashWriteFailure WriteMainSector(int hBoard, DWORD sector, const BYTE* image, BYTE* readBack);

// How SPIFLASH_page_program reports a failure: the SPI boot image update
// counts only a negative result, the product data write any nonzero one.
enum class PageProgramCheck { NegativeFails, NonzeroFails };

// Erases size bytes of SPI flash from address (a multiple of 4096), programs
// the image page by page and reads it back into readBack to compare. The SPI
// flash is open.
FlashWriteFailure WriteSpiRegion(int hBoard, DWORD address, const BYTE* image, DWORD size,
                                 BYTE* readBack, PageProgramCheck check);

// Reads size bytes of SPI flash in pieces of at most 64 KiB; 0 or -1.
int ReadSpiRegion(int hBoard, DWORD address, BYTE* buffer, DWORD size);
