// Finding and opening the simulated board, handles, reset, version record
// and clock, through the library as the program calls it.
#include "boardconfig.h"
#include "simtest.h"
#include "winfile.h"

#include <cstring>

using namespace simtest;
using testboard::TempBoard;
using testboard::TempDir;

namespace {

int Enumerate(int* boardNo = nullptr) {
    unsigned char buffer[1024];
    std::memset(buffer, 0, sizeof(buffer));
    int result = EnumAttachIPDev(buffer);
    if (boardNo != nullptr)
        std::memcpy(boardNo, buffer, sizeof(int));
    return result;
}

void UseFolder(const std::string& dir) {
    SetEnvironmentVariableA("LM800SIM_DIR", dir.c_str());
}

} // namespace

TEST(Enumeration, NoVariableMeansNoBoard) {
    SetEnvironmentVariableA("LM800SIM_DIR", nullptr);
    EXPECT_EQ(Enumerate(), 0);
    EXPECT_EQ(GetIPLastError(), IPERR_NOT_RECOGNISED);
    EXPECT_EQ(OpenIPDev(0, 0), 0);
}

TEST(Enumeration, MissingFolderMeansNoBoard) {
    TempDir dir;
    UseFolder(dir.Path() + "\\absent");
    EXPECT_EQ(Enumerate(), 0);
    EXPECT_EQ(GetIPLastError(), IPERR_NOT_RECOGNISED);
    EXPECT_FALSE(simboard::DirectoryExists(dir.Path() + "\\absent"));
}

TEST(Enumeration, DamagedFoldersMeanNoBoard) {
    struct Case {
        const char* what;
        void (*damage)(const std::string& dir);
    };
    const Case kCases[] = {
        {"board.ini missing",
         [](const std::string& d) { DeleteFileA((d + "\\board.ini").c_str()); }},
        {"board.ini garbage",
         [](const std::string& d) {
             simboard::WriteWholeFile(d + "\\board.ini", "board_word=zz");
         }},
        {"SPI image too large",
         [](const std::string& d) {
             simboard::WinFile::OpenExisting(d + "\\spiflash.bin", true).SetSize(0x100001);
         }},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        TempBoard board;
        c.damage(board.Dir());
        EXPECT_EQ(Enumerate(), 0);
        EXPECT_EQ(GetIPLastError(), IPERR_NOT_RECOGNISED);
    }
}

TEST(Enumeration, MissingOrShortImagesAreMadeWhole) {
    TempBoard board;
    DeleteFileA((board.Dir() + "\\spiflash.bin").c_str());
    simboard::WinFile::OpenExisting(board.Dir() + "\\mainflash.bin", true).SetSize(0x1000);
    int boardNo = -1;
    EXPECT_EQ(Enumerate(&boardNo), 1);
    EXPECT_EQ(boardNo, 0);
    EXPECT_EQ(Main(board.Dir(), 0xC00, 256),
              simboard::MakeProductData(0x200, simboard::CreateOptions().mac));
    EXPECT_EQ(Main(board.Dir(), 0x1000, 16), Filled(16, 0xFF));
    EXPECT_EQ(Spi(board.Dir(), 0, 16), Filled(16, 0xFF));
}

TEST(Enumeration, EmptyFolderBecomesADefaultBoard) {
    TempDir dir;
    UseFolder(dir.Path());
    int boardNo = -1;
    ASSERT_EQ(Enumerate(&boardNo), 1);
    EXPECT_EQ(boardNo, 0);
    simboard::BoardConfig config;
    ASSERT_TRUE(simboard::LoadConfig(dir.Path(), config));
    EXPECT_EQ(config.BoardType(), 0x200u);
    std::vector<uint8_t> product = simboard::MakeProductData(0x200, simboard::CreateOptions().mac);
    EXPECT_EQ(Main(dir.Path(), 0xC00, 256), product);
    EXPECT_EQ(Spi(dir.Path(), 0xFC00, 256), product);
    std::string bootIni;
    EXPECT_TRUE(simboard::ReadBoardFile(dir.Path(), "sys:\\boot.ini", bootIni));
    auto trace = simboard::ReadTrace(dir.Path());
    ASSERT_EQ(trace.size(), 1u);
    EXPECT_EQ(trace[0].line, "EnumAttachIPDev() = 1");
}

TEST(Enumeration, ConfiguredErrorsAreReported) {
    const int kCodes[] = {IPERR_NOT_RECOGNISED, IPERR_BOARD_COUNT, IPERR_DRIVER, IPERR_DLL};
    TempBoard board;
    for (int code : kCodes) {
        SCOPED_TRACE(code);
        auto config = board.Config();
        config.enumError = code;
        board.SetConfig(config);
        EXPECT_EQ(Enumerate(), 0);
        EXPECT_EQ(GetIPLastError(), code);
    }
}

TEST(Open, ConfiguredErrorsAreReported) {
    const int kCodes[] = {IPERR_PARAMETER, IPERR_OPEN_COMMAND, IPERR_FILE_TYPE, IPERR_MEMORY};
    TempBoard board;
    for (int code : kCodes) {
        SCOPED_TRACE(code);
        auto config = board.Config();
        config.openError = code;
        board.SetConfig(config);
        EXPECT_EQ(Enumerate(), 1);
        EXPECT_EQ(OpenIPDev(0, 0), 0);
        EXPECT_EQ(GetIPLastError(), code);
    }
}

TEST(Open, TheEnumeratedNumberOpensAndAnyOtherFails) {
    TempBoard board;
    auto config = board.Config();
    config.boardNo = 5;
    board.SetConfig(config);
    int boardNo = -1;
    ASSERT_EQ(Enumerate(&boardNo), 1);
    EXPECT_EQ(boardNo, 5);
    EXPECT_EQ(OpenIPDev(4, 0), 0);
    EXPECT_EQ(GetIPLastError(), IPERR_PARAMETER);
    int h = OpenIPDev(5, 0);
    ASSERT_NE(h, 0);
    SYSTEMTIME time;
    EXPECT_EQ(GetIPTime(h, &time), 0);
    EXPECT_EQ(CloseIPDev(h), 0);
    // The handle is gone with the close.
    EXPECT_EQ(GetIPTime(h, &time), -1);
    EXPECT_EQ(CloseIPDev(h), -1);
}

class Handles : public BoardTest {};

TEST_F(Handles, EveryCallWithAnotherHandleFailsAndTouchesNothing) {
    const uint64_t main = MainDigest(board.Dir());
    const uint64_t spi = SpiDigest(board.Dir());
    const std::string ini = [&] {
        std::string text;
        simboard::ReadWholeFile(board.Dir() + "\\board.ini", text);
        return text;
    }();
    ASSERT_EQ(SPIFLASH_open(h), 0);
    std::vector<uint8_t> buffer(256, 0);
    SYSTEMTIME time = {2030, 1, 0, 2, 3, 4, 5, 0};
    for (int bad : {0, h + 1, -1}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(CloseIPDev(bad), -1);
        EXPECT_EQ(GetIPTime(bad, &time), -1);
        EXPECT_EQ(SetIPTime(bad, &time), -1);
        EXPECT_EQ(GetIPVersionInfo(bad, buffer.data()), -1);
        EXPECT_EQ(fmFindFile(bad, "sys:\\boot.ini"), 0);
        EXPECT_EQ(fmOpen(bad, "sys:\\new.txt", FM_MODE_WRITE), 0);
        EXPECT_EQ(fmGetFileSize(bad, 1), -1);
        EXPECT_EQ(fmRead(bad, 1, buffer.data(), 16), -1);
        EXPECT_EQ(fmWrite(bad, 1, buffer.data(), 16), -1);
        EXPECT_EQ(fmClose(bad, 1), -1);
        EXPECT_EQ(fmDelete(bad, "sys:\\boot.ini"), -1);
        EXPECT_EQ(fmFileCopy(bad, 0, (board.Dir() + "\\board.ini").c_str(), "sys:\\x"), -1);
        EXPECT_EQ(fmWriteProgram(bad, (board.Dir() + "\\spiflash.bin").c_str()), -1);
        EXPECT_EQ(fmReadDataBuffer(bad, buffer.data(), 0, 16), -1);
        EXPECT_EQ(fmWriteDataBuffer(bad, buffer.data(), 0, 16), -1);
        EXPECT_EQ(fmSectorErase(bad, 0), -1);
        EXPECT_EQ(SPIFLASH_open(bad), -1);
        EXPECT_EQ(SPIFLASH_close(bad), -1);
        EXPECT_EQ(SPIFLASH_read_data(bad, 0, buffer.data(), 16), -1);
        EXPECT_EQ(SPIFLASH_page_program(bad, 0, buffer.data(), 16), -1);
        EXPECT_EQ(SPIFLASH_sector_erase(bad, 0), -1);
        EXPECT_EQ(SPIFLASH_block_erase(bad, 0), -1);
    }
    EXPECT_EQ(MainDigest(board.Dir()), main);
    EXPECT_EQ(SpiDigest(board.Dir()), spi);
    std::string iniAfter;
    simboard::ReadWholeFile(board.Dir() + "\\board.ini", iniAfter);
    EXPECT_EQ(iniAfter, ini);
    EXPECT_TRUE(simboard::FileExists(board.Dir() + "\\sys\\boot.ini"));
    EXPECT_FALSE(simboard::FileExists(board.Dir() + "\\sys\\new.txt"));
    // The board stays usable with its own handle.
    EXPECT_EQ(SPIFLASH_close(h), 0);
    EXPECT_EQ(fmFindFile(h, "sys:\\boot.ini"), 1);
}

class Board : public BoardTest {};

TEST_F(Board, ResetCountsOnlyForTheBoardNumber) {
    EXPECT_EQ(ResetIP(0, 1), 0);
    EXPECT_EQ(Config().resetCount, 1);
    EXPECT_EQ(ResetIP(1, 1), -1);
    EXPECT_EQ(ResetIP(0, 0), -1);
    EXPECT_EQ(Config().resetCount, 1);
    EXPECT_EQ(ResetIP(0, 1), 0);
    EXPECT_EQ(Config().resetCount, 2);
    EXPECT_EQ(TraceLines(), (std::vector<std::string>{"ResetIP(0, 1) = 0", "ResetIP(1, 1) = -1",
                                                      "ResetIP(0, 0) = -1", "ResetIP(0, 1) = 0"}));
}

TEST_F(Board, VersionRecordHoldsTheConfiguredWords) {
    auto config = Config();
    config.boardWord = 0x30012345;
    config.commandVersion = 0x00020003;
    config.romVersion = 0x00040005;
    SetConfig(config);
    uint8_t record[64];
    std::memset(record, 0xEE, sizeof(record));
    ASSERT_EQ(GetIPVersionInfo(h, record), 0);
    uint32_t words[16];
    std::memcpy(words, record, sizeof(words));
    const uint32_t kExpected[16] = {64, 0x30012345, 0x00020003, 0, 0x00040005};
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(words[i], kExpected[i]);
    }
    EXPECT_EQ(GetIPVersionInfo(h, nullptr), -1);
}

namespace {

long long ToSeconds(const SYSTEMTIME& time) {
    FILETIME file;
    EXPECT_TRUE(SystemTimeToFileTime(&time, &file));
    ULARGE_INTEGER value;
    value.LowPart = file.dwLowDateTime;
    value.HighPart = file.dwHighDateTime;
    return static_cast<long long>(value.QuadPart / 10000000ull);
}

} // namespace

TEST_F(Board, ClockSetAndGetRoundTripThroughTheOffset) {
    SYSTEMTIME wanted = {2031, 7, 0, 15, 13, 14, 15, 0};
    ASSERT_EQ(SetIPTime(h, &wanted), 0);
    SYSTEMTIME host;
    GetLocalTime(&host);
    const long long offsetSeconds = Config().clockOffsetMs / 1000;
    EXPECT_NEAR(static_cast<double>(offsetSeconds),
                static_cast<double>(ToSeconds(wanted) - ToSeconds(host)), 2.0);

    SYSTEMTIME shown;
    ASSERT_EQ(GetIPTime(h, &shown), 0);
    EXPECT_NEAR(static_cast<double>(ToSeconds(shown)), static_cast<double>(ToSeconds(wanted)), 2.0);
    EXPECT_EQ(shown.wYear, 2031);
    EXPECT_EQ(shown.wMonth, 7);
    EXPECT_EQ(shown.wDay, 15);
    EXPECT_EQ(shown.wDayOfWeek, 2); // 15 July 2031 is a Tuesday

    // A second process sees the same board clock offset.
    simboard::BoardConfig seen;
    ASSERT_TRUE(simboard::LoadConfig(board.Dir(), seen));
    EXPECT_EQ(seen.clockOffsetMs, Config().clockOffsetMs);
}

TEST_F(Board, InvalidTimesAreRefusedAndChangeNothing) {
    const SYSTEMTIME kBad[] = {
        {2031, 2, 0, 29, 0, 0, 0, 0}, {2031, 13, 0, 1, 0, 0, 0, 0},   {2031, 0, 0, 1, 0, 0, 0, 0},
        {2031, 4, 0, 31, 0, 0, 0, 0}, {2031, 1, 0, 1, 24, 0, 0, 0},   {2031, 1, 0, 1, 0, 60, 0, 0},
        {2031, 1, 0, 1, 0, 0, 60, 0}, {2031, 1, 0, 1, 0, 0, 0, 1000}, {1600, 1, 0, 1, 0, 0, 0, 0},
    };
    auto config = Config();
    config.clockOffsetMs = 12345;
    SetConfig(config);
    for (SYSTEMTIME time : kBad) {
        SCOPED_TRACE(time.wMonth * 100 + time.wDay);
        EXPECT_EQ(SetIPTime(h, &time), -1);
    }
    EXPECT_EQ(SetIPTime(h, nullptr), -1);
    EXPECT_EQ(GetIPTime(h, nullptr), -1);
    EXPECT_EQ(Config().clockOffsetMs, 12345);
    SYSTEMTIME leap = {2032, 2, 0, 29, 0, 0, 0, 0};
    EXPECT_EQ(SetIPTime(h, &leap), 0);
}

TEST_F(Board, ASecondProcessSeesWhatACallWrote) {
    const uint8_t data[2] = {0x34, 0x12};
    ASSERT_EQ(fmSectorErase(h, 0x30000), 0);
    ASSERT_EQ(fmWriteDataBuffer(h, data, 0x30000, 1), 0);
    EXPECT_EQ(RunProgram("boardsim_child.exe", "read-main 0x30000"), 0x1234u);
    // And this process sees what the second one wrote.
    ASSERT_EQ(RunProgram("boardsim_child.exe", "flash-sequence 2"), 0u);
    std::vector<uint8_t> buffer(256);
    ASSERT_EQ(fmReadDataBuffer(h, buffer.data(), 0x20100, 128), 0);
    EXPECT_EQ(buffer, Filled(256, 0xB1));
    ASSERT_EQ(SPIFLASH_open(h), 0);
    ASSERT_EQ(SPIFLASH_read_data(h, 0x20000, buffer.data(), 256), 0);
    EXPECT_EQ(buffer, Filled(256, 0xA0));
    EXPECT_EQ(SPIFLASH_close(h), 0);
}
