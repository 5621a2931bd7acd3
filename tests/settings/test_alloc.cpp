// test_alloc.cpp - the reader and writer make no heap allocation. Every
// malloc, calloc and realloc of this executable is wrapped at link time and
// global operator new is replaced, all counting while a window is open.
#include "settingstestutil.h"

#include "boardlib/lm800mul.h"
#include "simboard.h"
#include "testboard.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
void __real_free(void* block);
}

namespace {

std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};

void Count() {
    if (g_counting.load())
        g_allocations.fetch_add(1);
}

// Counts the allocations made while it lives.
class AllocationWindow {
public:
    AllocationWindow() {
        g_allocations.store(0);
        g_counting.store(true);
    }
    ~AllocationWindow() { g_counting.store(false); }
    long Count() const { return g_allocations.load(); }
};

} // namespace

extern "C" {
void* __wrap_malloc(size_t size) {
    Count();
    return __real_malloc(size);
}
void* __wrap_calloc(size_t count, size_t size) {
    Count();
    return __real_calloc(count, size);
}
void* __wrap_realloc(void* block, size_t size) {
    Count();
    return __real_realloc(block, size);
}
void __wrap_free(void* block) {
    __real_free(block);
}
}

void* operator new(size_t size) {
    Count();
    void* block = __real_malloc(size != 0 ? size : 1);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}
void* operator new[](size_t size) {
    return operator new(size);
}
void operator delete(void* block) noexcept {
    __real_free(block);
}
void operator delete[](void* block) noexcept {
    __real_free(block);
}
void operator delete(void* block, size_t) noexcept {
    __real_free(block);
}
void operator delete[](void* block, size_t) noexcept {
    __real_free(block);
}

namespace {

// Escapes a pointer so that the compiler keeps the allocation.
void* volatile g_sink;

} // namespace

TEST(Allocations, TheCounterSeesAnAllocationMadeOnPurpose) {
    long viaNew = 0, viaMalloc = 0, viaString = 0;
    {
        AllocationWindow window;
        int* value = new int(5);
        g_sink = value;
        viaNew = window.Count();
        delete value;
    }
    {
        AllocationWindow window;
        g_sink = std::malloc(16);
        viaMalloc = window.Count();
        std::free(g_sink);
    }
    {
        AllocationWindow window;
        std::string text(200, 'x');
        g_sink = &text[0];
        viaString = window.Count();
    }
    EXPECT_EQ(viaNew, 1);
    EXPECT_EQ(viaMalloc, 1);
    EXPECT_GE(viaString, 1);
}

TEST(Allocations, ParseAndFormatAllocateNothing) {
    CRZScript script;
    const std::string messy = kWorkedExample + "[IPADR]\r\n1.2.3.4.5\r\n; x\r\n[PORT] abc\r\n" +
                              std::string(300, '9') + "\r\n\x82\xA0[udpque]\r\n7\r\n";
    NetworkSettings settings;
    char buffer[CRZScript::kTextBufferSize];
    unsigned char bytes[4];
    long count = -1;
    {
        AllocationWindow window;
        ApplyDefaultSettings(settings);
        script.ParseSettings(kWorkedExample.data(), static_cast<int>(kWorkedExample.size()),
                             settings);
        script.ParseSettings(messy.data(), static_cast<int>(messy.size()), settings);
        script.FormatSettings(settings, buffer);
        script.ParseAddress("192.168.0.205", bytes);
        count = window.Count();
    }
    EXPECT_EQ(count, 0);
    EXPECT_EQ(settings.bUdpQue, 1) << "the parse did run";
}

TEST(Allocations, ReadAndWriteOnTheBoardAllocateNothingInTheProgram) {
    simboard::CreateOptions options;
    testboard::TempBoard board(options);
    const int handle = board.Open();
    ASSERT_NE(handle, 0);
    CRZScript script;
    NetworkSettings settings;
    long readCount = -1, writeCount = -1;
    {
        AllocationWindow window;
        script.ReadSettings(handle, settings, 0, 0);
        readCount = window.Count();
    }
    {
        AllocationWindow window;
        script.WriteSettings(handle, settings, 0, 0);
        writeCount = window.Count();
    }
    CloseIPDev(handle);
    EXPECT_EQ(readCount, 0);
    EXPECT_EQ(writeCount, 0);
    EXPECT_EQ(settings.bPort, 1) << "the board's file was read";
}

TEST(Allocations, ReadAndWriteOfALocalFileAllocateNothing) {
    testboard::TempDir dir;
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.Path().c_str()));
    CRZScript script;
    NetworkSettings settings = AllFlagsRecord();
    long writeCount = -1, readCount = -1;
    {
        AllocationWindow window;
        script.WriteSettings(0, settings, 0, 1);
        writeCount = window.Count();
    }
    {
        AllocationWindow window;
        script.ReadSettings(0, settings, 0, 1);
        readCount = window.Count();
    }
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(writeCount, 0);
    EXPECT_EQ(readCount, 0);
    EXPECT_TRUE(SameRecord(AllFlagsRecord(), settings));
}
