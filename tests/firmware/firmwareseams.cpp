// firmwareseams.cpp - the tests' pause and allocation for the firmware code:
// a pause is recorded instead of slept, and chosen allocations fail.
#include "firmwaretest.h"

#include "firmware/firmwarefileread.h"
#include "firmware/firmwarememory.h"
#include "firmware/firmwarepause.h"

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<size_t> g_failFrom{0};
std::atomic<int> g_allocations{0};
std::string g_shortReadName; // reads of a file whose path ends so come back half
} // namespace

UINT FirmwareReadFile(const char* path, CFile& file, void* buffer, UINT count) {
    const std::string p = path != nullptr ? path : "";
    const std::string& n = g_shortReadName;
    if (!n.empty() && p.size() >= n.size() && p.compare(p.size() - n.size(), n.size(), n) == 0)
        return file.Read(buffer, count / 2);
    return file.Read(buffer, count);
}

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

void ShortenReadsOf(const std::string& fileName) {
    g_shortReadName = fileName;
}

} // namespace fwtest
