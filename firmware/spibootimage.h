// spibootimage.h - bringing one SPI boot image region up to date from its
// installed file.
#pragma once

#include <windows.h>

constexpr DWORD kSpiBootImageAddress = 0x0;
constexpr DWORD kSpiBoot2ImageAddress = 0x10000;
// The SPI flash of the boards that boot from it.
constexpr DWORD kSpiFlashSize = 0x100000;

// The length of a local file, or -1 when the path is empty or unusable or the
// file cannot be opened for reading. A file of 2 GiB or more reports
// 0x7FFFFFFF.
int GetLocalFileLength(const char* path);

// The most bytes an image at spiAddress may have: the image at 0 must end
// below the product-data sector at 0xF000, an image from 0x10000 must end
// inside the SPI flash. 0 for an address that holds no image.
DWORD SpiImageLimit(DWORD spiAddress);

// Makes the SPI region at spiAddress hold the file at path; rewrites it only
// when it differs. Every failure is reported by a message box and ends the
// update of this file. With an identity, the rewrite is remembered as
// unfinished for that board from before the erase until it reads back.
enum class SpiImageUpdate {
    Unchanged, // already current, or nothing was erased
    Written,   // rewritten and read back
    Failed,    // a rewrite began and did not read back right
};
struct ProductData;
SpiImageUpdate UpdateSpiBootImage(int hBoard, const char* path, DWORD spiAddress,
                                  const ProductData* identity = nullptr);
