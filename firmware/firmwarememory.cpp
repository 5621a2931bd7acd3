// firmwarememory.cpp - the program's work buffers come from the C heap.
#include "firmware/firmwarememory.h"

#include <cstdlib>

void* FirmwareAllocate(size_t size) {
    return std::malloc(size == 0 ? 1 : size);
}

void FirmwareFree(void* buffer) {
    std::free(buffer);
}
