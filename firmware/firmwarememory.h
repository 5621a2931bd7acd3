// firmwarememory.h - the work buffers of the flash updates.
//
// Defined alone in firmwarememory.cpp (the C heap), so that a test executable
// can link its own definition that fails a chosen allocation.
#pragma once

#include <cstddef>

// A buffer of at least `size` bytes (one byte for a size of 0); null when the
// memory cannot be had.
void* FirmwareAllocate(size_t size);
void FirmwareFree(void* buffer);
