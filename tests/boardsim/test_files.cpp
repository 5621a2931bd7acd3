// The board file system and the exact trace of the calls.
#include "simtest.h"
#include "winfile.h"

#include <cstring>

using namespace simtest;

namespace {

class BoardFiles : public BoardTest {};

} // namespace

TEST_F(BoardFiles, WriteAppendsAndReadFollowsThePosition) {
    int f = fmOpen(h, "sys:\\new.ini", FM_MODE_WRITE);
    ASSERT_NE(f, 0);
    ASSERT_EQ(fmWrite(h, f, "[PORT]\r\n", 8), 0);
    ASSERT_EQ(fmWrite(h, f, "30001\r\n", 7), 0);
    // Persisted at once, before the close.
    std::string content;
    ASSERT_TRUE(simboard::ReadBoardFile(board.Dir(), "sys:\\new.ini", content));
    EXPECT_EQ(content, "[PORT]\r\n30001\r\n");
    EXPECT_EQ(fmRead(h, f, &content[0], 4), -1); // a write handle does not read
    ASSERT_EQ(fmClose(h, f), 0);
    EXPECT_EQ(fmClose(h, f), -1);

    EXPECT_NE(fmFindFile(h, "sys:\\new.ini"), 0);
    EXPECT_NE(fmFindFile(h, "SYS:\\NEW.INI"), 0);
    int r = fmOpen(h, "sys:\\new.ini", FM_MODE_READ);
    ASSERT_NE(r, 0);
    EXPECT_EQ(fmGetFileSize(h, r), 15);
    char buffer[32];
    std::memset(buffer, 0, sizeof(buffer));
    ASSERT_EQ(fmRead(h, r, buffer, 10), 0);
    EXPECT_EQ(std::string(buffer), "[PORT]\r\n30");
    std::memset(buffer, 0, sizeof(buffer));
    ASSERT_EQ(fmRead(h, r, buffer, 20), 0); // only what is left
    EXPECT_EQ(std::string(buffer), "001\r\n");
    EXPECT_EQ(fmWrite(h, r, "x", 1), -1); // a read handle does not write
    EXPECT_EQ(fmRead(h, r, nullptr, 1), -1);
    EXPECT_EQ(fmRead(h, r, buffer, -1), -1);
    ASSERT_EQ(fmClose(h, r), 0);
}

TEST_F(BoardFiles, OpeningForWriteTruncatesAndReadNeedsAFile) {
    EXPECT_EQ(fmOpen(h, "sys:\\missing.ini", FM_MODE_READ), 0);
    EXPECT_EQ(fmFindFile(h, "sys:\\missing.ini"), 0);
    int f = fmOpen(h, "sys:\\boot.ini", FM_MODE_WRITE);
    ASSERT_NE(f, 0);
    EXPECT_EQ(fmGetFileSize(h, f), 0);
    EXPECT_EQ(fmClose(h, f), 0);
    EXPECT_EQ(fmOpen(h, "sys:\\boot.ini", 2), 0); // unknown mode
}

TEST_F(BoardFiles, DeleteRemovesAndFailsWhenMissing) {
    EXPECT_EQ(fmDelete(h, "sys:\\boot.ini"), 0);
    EXPECT_EQ(fmFindFile(h, "sys:\\boot.ini"), 0);
    EXPECT_EQ(fmDelete(h, "sys:\\boot.ini"), -1);
}

TEST_F(BoardFiles, PathsOutsideTheBoardFileSystemFailSafely) {
    const char* const kPaths[] = {"sys:\\..\\board.ini", "sys:\\..",   "c:\\windows\\win.ini",
                                  "board.ini",           "sys:\\a\\b", "sys:\\",
                                  "sys:/board.ini"};
    for (const char* path : kPaths) {
        SCOPED_TRACE(path);
        EXPECT_EQ(fmFindFile(h, path), 0);
        EXPECT_EQ(fmOpen(h, path, FM_MODE_READ), 0);
        EXPECT_EQ(fmOpen(h, path, FM_MODE_WRITE), 0);
        EXPECT_EQ(fmDelete(h, path), -1);
    }
    EXPECT_EQ(fmFindFile(h, nullptr), 0);
    EXPECT_EQ(fmOpen(h, nullptr, FM_MODE_READ), 0);
    EXPECT_EQ(fmDelete(h, nullptr), -1);
    EXPECT_TRUE(simboard::FileExists(board.Dir() + "\\board.ini"));
    simboard::BoardConfig config;
    EXPECT_TRUE(simboard::LoadConfig(board.Dir(), config));
}

TEST_F(BoardFiles, UnknownFileHandlesFail) {
    char buffer[4];
    for (int f : {0, 1, 99, -3}) {
        SCOPED_TRACE(f);
        EXPECT_EQ(fmGetFileSize(h, f), -1);
        EXPECT_EQ(fmRead(h, f, buffer, 4), -1);
        EXPECT_EQ(fmWrite(h, f, buffer, 4), -1);
        EXPECT_EQ(fmClose(h, f), -1);
    }
}

TEST_F(BoardFiles, TraceLinesAreExact) {
    testboard::TempDir pc;
    std::string rom = WritePcFile(pc.Path(), "lm8boot.rom", FirmwareFile(0x200, 0x100, 0x31));
    uint8_t buffer[256];
    std::memset(buffer, 0xFF, sizeof(buffer));
    SYSTEMTIME time;

    DisableIPErrorMessage();
    int f = fmOpen(h, "sys:\\boot.ini", FM_MODE_WRITE);
    fmWrite(h, f, "[IPADR]\r\n", 9);
    fmClose(h, f);
    GetIPTime(h, &time);
    GetIPVersionInfo(h, buffer);
    fmReadDataBuffer(h, buffer, 0xC00, 128);
    fmSectorErase(h, 0x10000);
    fmWriteDataBuffer(h, buffer, 0x10000, 128);
    SPIFLASH_open(h);
    SPIFLASH_read_data(h, 0xFC00, buffer, 256);
    SPIFLASH_sector_erase(h, 0xF000);
    SPIFLASH_block_erase(h, 0x20000);
    SPIFLASH_page_program(h, 0xF000, buffer, 256);
    SPIFLASH_close(h);
    fmFileCopy(h, 0, rom.c_str(), "sys:\\RZSYS.BIN");
    fmWriteProgram(h, rom.c_str());
    fmDelete(h, "sys:\\RZSYS.BIN");
    fmFindFile(h, "sys:\\RZSYS.BIN");
    ResetIP(0, 1);
    CloseIPDev(h);
    h = 0;

    const std::vector<std::string> expected = {
        "DisableIPErrorMessage() = 0",
        "fmOpen(1, \"sys:\\boot.ini\", 12) = 1",
        "fmWrite(1, 1, 9) = 0",
        "fmClose(1, 1) = 0",
        "GetIPTime(1) = 0",
        "GetIPVersionInfo(1) = 0",
        "fmReadDataBuffer(1, 0xC00, 128) = 0",
        "fmSectorErase(1, 0x10000) = 0",
        "fmWriteDataBuffer(1, 0x10000, 128) = 0",
        "SPIFLASH_open(1) = 0",
        "SPIFLASH_read_data(1, 0xFC00, 256) = 0",
        "SPIFLASH_sector_erase(1, 0xF000) = 0",
        "SPIFLASH_block_erase(1, 0x20000) = 0",
        "SPIFLASH_page_program(1, 0xF000, 256) = 0",
        "SPIFLASH_close(1) = 0",
        "fmFileCopy(1, 0, \"" + rom + "\", \"sys:\\RZSYS.BIN\") = 0",
        "fmWriteProgram(1, \"" + rom + "\") = 0",
        "fmDelete(1, \"sys:\\RZSYS.BIN\") = 0",
        "fmFindFile(1, \"sys:\\RZSYS.BIN\") = 0",
        "ResetIP(0, 1) = 0",
        "CloseIPDev(1) = 0",
    };
    EXPECT_EQ(TraceLines(), expected);
    auto trace = simboard::ReadTrace(board.Dir());
    ASSERT_EQ(trace.size(), expected.size());
    EXPECT_EQ(trace[10].function, "SPIFLASH_read_data");
    EXPECT_EQ(trace[10].args, (std::vector<std::string>{"1", "0xFC00", "256"}));
    EXPECT_EQ(trace[1].args[1], "\"sys:\\boot.ini\"");
}

TEST(Trace, ConnectionCallsAreTracedWithTheirResults) {
    testboard::TempBoard board;
    auto config = board.Config();
    config.boardNo = 3;
    board.SetConfig(config);
    unsigned char buffer[1024] = {};
    ASSERT_EQ(EnumAttachIPDev(buffer), 1);
    EXPECT_EQ(OpenIPDev(2, 0), 0);
    EXPECT_EQ(GetIPLastError(), IPERR_PARAMETER);
    int h = OpenIPDev(3, 0);
    ASSERT_EQ(h, 1);
    EXPECT_EQ(CloseIPDev(h), 0);
    EXPECT_EQ(CloseIPDev(h), -1);
    std::vector<std::string> lines;
    for (const auto& entry : simboard::ReadTrace(board.Dir()))
        lines.push_back(entry.line);
    EXPECT_EQ(lines, (std::vector<std::string>{"EnumAttachIPDev() = 1", "OpenIPDev(2, 0) = 0",
                                               "GetIPLastError() = 131329", "OpenIPDev(3, 0) = 1",
                                               "CloseIPDev(1) = 0", "CloseIPDev(1) = -1"}));
}
