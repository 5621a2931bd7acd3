// firmwareseams.cpp - the tests' pause and allocation for the firmware code:
// a pause is recorded instead of slept, and chosen allocations fail.
#include "firmwaretest.h"

#include "firmware/firmwarememory.h"
#include "firmware/firmwarepause.h"

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<size_t> g_failFrom{0};
std::atomic<int> g_allocations{0};
} // namespace

void FirmwarePause(DWORD ms) {
    fwtest::LogEvent("pause " + std::to_string(ms));
}

void* FirmwareAllocate(size_t size) {
    ++g_allocations;
    if (g_failFrom != 0 && size >= g_failFrom)
        return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

void FirmwareFree(void* buffer) {
    std::free(buffer);
}

namespace fwtest {

void FailAllocationsFrom(size_t minSize) {
    g_failFrom = minSize;
}

int AllocationCount() {
    return g_allocations;
}

} // namespace fwtest
