// test_boardlib.cpp - the simulated LM800MUL.dll as the program meets it.
//
// This executable links the board library the way Tarnel2.exe does, through
// the import library made from the .def, and runs beside the DLL: the loader
// binds every export by name before main, so a missing or differently named
// export stops the start. The tests then check the export table against the
// .def, and call every export once on a real board folder. On i686 every
// call goes through a small assembly helper that measures how many argument
// bytes the library removed from the stack: the import library assumes
// stdcall, so a library built for another convention fails here instead of
// corrupting the caller's stack somewhere later.
#include "defexports.h"
#include "testboard.h"

#include "boardlib/lm800mul.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#if defined(__i386__)
// int CallMeasured(const void* fn, const uint32_t* args, int count, int* popped)
// Pushes args[count-1] .. args[0], calls fn, stores in *popped how many bytes
// fn removed from the stack (stdcall: all its arguments; cdecl: none), puts
// the stack back and returns fn's result.
extern "C" int CallMeasured(const void* fn, const uint32_t* args, int count, int* popped);
asm(R"(
    .text
    .globl _CallMeasured
_CallMeasured:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  movl %esp, %ebx
    call *8(%ebp)
    movl %esp, %edx
    subl %ebx, %edx
    movl 20(%ebp), %ecx
    movl %edx, (%ecx)
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");
#endif

namespace {

std::string DirOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string ModulePath(HMODULE module) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

const IMAGE_NT_HEADERS* NtHeaders(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
}

// The names in a loaded module's export table; *unnamed counts the exports
// reachable only by ordinal.
std::vector<std::string> ExportNames(HMODULE module, DWORD* unnamed) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const IMAGE_DATA_DIRECTORY& entry =
        NtHeaders(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::vector<std::string> names;
    *unnamed = 0;
    if (entry.VirtualAddress == 0)
        return names;
    const auto* dir = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    const auto* nameRvas = reinterpret_cast<const DWORD*>(base + dir->AddressOfNames);
    for (DWORD i = 0; i < dir->NumberOfNames; ++i)
        names.push_back(reinterpret_cast<const char*>(base + nameRvas[i]));
    *unnamed = dir->NumberOfFunctions - dir->NumberOfNames;
    return names;
}

HMODULE BoardLibrary() {
    return GetModuleHandleA("LM800MUL.dll");
}

TEST(BoardLibraryImage, IsTheOneBesideTheExecutableForTheSameMachine) {
    HMODULE library = BoardLibrary();
    ASSERT_NE(library, nullptr) << "LM800MUL.dll is not loaded";
    EXPECT_EQ(_stricmp(DirOf(ModulePath(library)).c_str(), testboard::ExeDir().c_str()), 0)
        << ModulePath(library) << " is not beside " << testboard::ExeDir();
    EXPECT_EQ(NtHeaders(library)->FileHeader.Machine,
              NtHeaders(GetModuleHandleA(nullptr))->FileHeader.Machine);
    EXPECT_EQ(NtHeaders(library)->FileHeader.Machine,
              sizeof(void*) == 4 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64);
}

TEST(BoardLibraryImage, ExportsExactlyTheUndecoratedNamesOfTheDef) {
    DWORD unnamed = 0;
    const std::vector<std::string> names = ExportNames(BoardLibrary(), &unnamed);
    std::set<std::string> expected;
    for (const DefExport& e : kDefExports)
        expected.insert(e.name);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
    EXPECT_EQ(names.size(), expected.size()) << "a name is exported twice";
    EXPECT_EQ(unnamed, 0u) << "exports without a name";
    for (const std::string& name : names) {
        EXPECT_EQ(name.find('@'), std::string::npos) << name;
        EXPECT_NE(name[0], '_') << name;
        EXPECT_NE(GetProcAddress(BoardLibrary(), name.c_str()), nullptr) << name;
    }
}

#if defined(__i386__)
// Calls of known convention, to show that the measurement tells them apart.
__attribute__((noinline)) int __cdecl CdeclDifference(int a, int b) {
    return a - b;
}
__attribute__((noinline)) int __stdcall StdcallDifference(int a, int b, int c) {
    return a - b - c;
}

TEST(BoardLibraryConvention, MeasurementTellsStdcallFromCdecl) {
    const uint32_t args[] = {100, 30, 5};
    int popped = -1;
    EXPECT_EQ(CallMeasured(reinterpret_cast<const void*>(&CdeclDifference), args, 2, &popped), 70);
    EXPECT_EQ(popped, 0);
    popped = -1;
    EXPECT_EQ(CallMeasured(reinterpret_cast<const void*>(&StdcallDifference), args, 3, &popped),
              65);
    EXPECT_EQ(popped, 12);
}
#endif

int64_t Ms(const SYSTEMTIME& time) {
    FILETIME file = {};
    if (!SystemTimeToFileTime(&time, &file))
        return 0;
    return static_cast<int64_t>((static_cast<uint64_t>(file.dwHighDateTime) << 32) |
                                file.dwLowDateTime) /
           10000;
}

#if defined(__i386__)
int DefArgBytes(const std::string& name) {
    for (const DefExport& e : kDefExports)
        if (name == e.name)
            return e.argBytes;
    return -2;
}

uint32_t Word(int value) {
    return static_cast<uint32_t>(value);
}
uint32_t Word(unsigned value) {
    return value;
}
uint32_t Word(const void* pointer) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}
#endif

// Every export called once, in the order a session uses them, each result
// checked against the board folder.
class BoardLibraryCalls : public ::testing::Test {
protected:
    // Calls fn through its import with args; on i686 also checks that the
    // library removed the .def's argument bytes from the stack.
    template <typename Fn, typename... Args> int Call(const char* name, Fn* fn, Args... args) {
        static_assert(std::is_same<decltype(fn(args...)), int>::value, "header signature");
        m_called.insert(name);
#if defined(__i386__)
        const uint32_t words[] = {Word(args)..., 0};
        int popped = -1;
        const int result =
            CallMeasured(reinterpret_cast<const void*>(fn), words, sizeof...(Args), &popped);
        EXPECT_EQ(popped, DefArgBytes(name)) << name << " did not remove its arguments";
        EXPECT_EQ(popped, static_cast<int>(4 * sizeof...(Args))) << name;
        return result;
#else
        return fn(args...);
#endif
    }

    std::string WriteTempFile(const char* name, const std::vector<uint8_t>& bytes) {
        const std::string path = m_pc.Path() + "\\" + name;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
        EXPECT_TRUE(
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        CloseHandle(file);
        return path;
    }

    testboard::TempBoard m_board;
    testboard::TempDir m_pc;
    std::set<std::string> m_called;
};

#define BOARD_CALL(fn, ...) Call(#fn, &fn, ##__VA_ARGS__)

TEST_F(BoardLibraryCalls, EveryExportWorksThroughTheImportLibrary) {
    const std::string dir = m_board.Dir();
    const simboard::BoardConfig config = m_board.Config();

    EXPECT_EQ(BOARD_CALL(DisableIPErrorMessage), 0);
    EXPECT_EQ(BOARD_CALL(DisableIPErrorSkip), 0);
    uint8_t enumBuffer[1024];
    std::memset(enumBuffer, 0xA5, sizeof(enumBuffer));
    ASSERT_EQ(BOARD_CALL(EnumAttachIPDev, static_cast<void*>(enumBuffer)), 1);
    int boardNo = -1;
    std::memcpy(&boardNo, enumBuffer, sizeof(boardNo));
    EXPECT_EQ(boardNo, config.boardNo);
    EXPECT_EQ(BOARD_CALL(OpenIPDev, boardNo + 1, 0), 0);
    EXPECT_EQ(BOARD_CALL(GetIPLastError), IPERR_PARAMETER);
    const int h = BOARD_CALL(OpenIPDev, boardNo, 0);
    ASSERT_NE(h, 0);

    // Clock and version record: structures filled by the library.
    uint32_t record[16];
    std::memset(record, 0xA5, sizeof(record));
    ASSERT_EQ(BOARD_CALL(GetIPVersionInfo, h, static_cast<void*>(record)), 0);
    EXPECT_EQ(record[0], 64u);
    EXPECT_EQ(record[1], config.boardWord);
    EXPECT_EQ(record[2], config.commandVersion);
    EXPECT_EQ(record[4], config.romVersion);
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    SYSTEMTIME board = {};
    ASSERT_EQ(BOARD_CALL(GetIPTime, h, &board), 0);
    EXPECT_LT(std::llabs(Ms(board) - Ms(now)), 60 * 1000) << "the board clock runs on host time";
    SYSTEMTIME later = board;
    later.wYear = static_cast<WORD>(board.wYear + 1);
    ASSERT_EQ(BOARD_CALL(SetIPTime, h, &later), 0);
    const int64_t yearMs = 360LL * 24 * 3600 * 1000;
    EXPECT_GT(m_board.Config().clockOffsetMs, yearMs) << "SetIPTime read another time";

    // Board files.
    std::string bootIni;
    ASSERT_TRUE(simboard::ReadBoardFile(dir, "sys:\\boot.ini", bootIni));
    EXPECT_EQ(BOARD_CALL(fmFindFile, h, "sys:\\boot.ini"), 1);
    EXPECT_EQ(BOARD_CALL(fmFindFile, h, "sys:\\none.ini"), 0);
    const int readFile = BOARD_CALL(fmOpen, h, "sys:\\boot.ini", static_cast<int>(FM_MODE_READ));
    ASSERT_NE(readFile, 0);
    EXPECT_EQ(BOARD_CALL(fmGetFileSize, h, readFile), static_cast<int>(bootIni.size()));
    std::vector<char> text(bootIni.size() + 16, '\x7F');
    EXPECT_EQ(BOARD_CALL(fmRead, h, readFile, static_cast<void*>(text.data()),
                         static_cast<int>(bootIni.size())),
              0);
    EXPECT_EQ(std::string(text.data(), bootIni.size()), bootIni);
    EXPECT_EQ(text[bootIni.size()], '\x7F') << "fmRead wrote past the length";
    EXPECT_EQ(BOARD_CALL(fmClose, h, readFile), 0);

    const int writeFile = BOARD_CALL(fmOpen, h, "sys:\\probe.txt", static_cast<int>(FM_MODE_WRITE));
    ASSERT_NE(writeFile, 0);
    EXPECT_EQ(BOARD_CALL(fmWrite, h, writeFile, static_cast<const void*>("probe-data"), 5), 0);
    EXPECT_EQ(BOARD_CALL(fmClose, h, writeFile), 0);
    std::string written;
    EXPECT_TRUE(simboard::ReadBoardFile(dir, "sys:\\probe.txt", written));
    EXPECT_EQ(written, "probe");

    const std::string copySource = WriteTempFile("copy.bin", {'c', 'o', 'p', 'y'});
    EXPECT_EQ(BOARD_CALL(fmFileCopy, h, 0, copySource.c_str(), "sys:\\copy.bin"), 0);
    std::string copied;
    EXPECT_TRUE(simboard::ReadBoardFile(dir, "sys:\\copy.bin", copied));
    EXPECT_EQ(copied, "copy");
    EXPECT_EQ(BOARD_CALL(fmDelete, h, "sys:\\copy.bin"), 0);
    EXPECT_EQ(BOARD_CALL(fmFindFile, h, "sys:\\copy.bin"), 0);

    // Main flash, in 16-bit units, at a sector of its second half.
    const unsigned sector = (simboard::MainFlashSize(dir) / 2) & ~(simboard::kMainSectorSize - 1);
    uint8_t pattern[16];
    for (unsigned i = 0; i < sizeof(pattern); ++i)
        pattern[i] = static_cast<uint8_t>(0x3C ^ (i * 17));
    EXPECT_EQ(BOARD_CALL(fmSectorErase, h, sector), 0);
    EXPECT_EQ(BOARD_CALL(fmWriteDataBuffer, h, static_cast<const void*>(pattern), sector + 0x40,
                         static_cast<int>(sizeof(pattern) / 2)),
              0);
    uint8_t flash[sizeof(pattern) + 4];
    std::memset(flash, 0, sizeof(flash));
    EXPECT_EQ(BOARD_CALL(fmReadDataBuffer, h, static_cast<void*>(flash), sector + 0x40,
                         static_cast<int>(sizeof(pattern) / 2)),
              0);
    EXPECT_EQ(std::memcmp(flash, pattern, sizeof(pattern)), 0);
    EXPECT_EQ(flash[sizeof(pattern)], 0) << "fmReadDataBuffer read more units than asked";

    std::vector<uint8_t> rom(0x400, 0x5A);
    const uint32_t romVersion = 0x321;
    std::memcpy(&rom[4], &romVersion, sizeof(romVersion));
    const std::string romPath = WriteTempFile("boot.rom", rom);
    EXPECT_EQ(BOARD_CALL(fmWriteProgram, h, romPath.c_str()), 0);
    EXPECT_EQ(m_board.Config().romVersion, romVersion);
    std::vector<uint8_t> romOnBoard(rom.size());
    EXPECT_TRUE(simboard::ReadMainFlash(dir, 0, romOnBoard.data(),
                                        static_cast<uint32_t>(romOnBoard.size())));
    EXPECT_EQ(romOnBoard, rom);

    // SPI flash.
    EXPECT_EQ(BOARD_CALL(SPIFLASH_open, h), 0);
    uint8_t spi[32];
    uint8_t spiOnDisk[32];
    ASSERT_TRUE(simboard::ReadSpiFlash(dir, simboard::kProductDataSpiAddress, spiOnDisk, 32));
    EXPECT_EQ(BOARD_CALL(SPIFLASH_read_data, h, simboard::kProductDataSpiAddress,
                         static_cast<void*>(spi), 32),
              0);
    EXPECT_EQ(std::memcmp(spi, spiOnDisk, sizeof(spi)), 0);
    const unsigned spiBlock = 0x80000;
    EXPECT_EQ(BOARD_CALL(SPIFLASH_block_erase, h, spiBlock), 0);
    EXPECT_EQ(BOARD_CALL(SPIFLASH_sector_erase, h, spiBlock + simboard::kSpiSectorSize), 0);
    EXPECT_EQ(BOARD_CALL(SPIFLASH_page_program, h, spiBlock + 0x10,
                         static_cast<const void*>(pattern), static_cast<int>(sizeof(pattern))),
              0);
    EXPECT_TRUE(simboard::ReadSpiFlash(dir, spiBlock + 0x10, spiOnDisk, sizeof(pattern)));
    EXPECT_EQ(std::memcmp(spiOnDisk, pattern, sizeof(pattern)), 0);
    EXPECT_EQ(BOARD_CALL(SPIFLASH_close, h), 0);

    EXPECT_EQ(BOARD_CALL(ResetIP, boardNo, 1), 0);
    EXPECT_EQ(m_board.Config().resetCount, config.resetCount + 1);
    EXPECT_EQ(BOARD_CALL(CloseIPDev, h), 0);

    std::set<std::string> all;
    for (const DefExport& e : kDefExports)
        all.insert(e.name);
    EXPECT_EQ(m_called, all) << "every export of the .def is called once here";
}

} // namespace
