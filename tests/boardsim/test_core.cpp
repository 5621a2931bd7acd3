// The board folder library on its own: board.ini, board paths, product data,
// new boards and the trace format.
#include "boardconfig.h"
#include "boardpath.h"
#include "simtest.h"
#include "tracelog.h"

#include <cstring>

using namespace simboard;
using namespace simtest;

TEST(BoardIni, EveryKeySurvivesARoundTrip) {
    BoardConfig config;
    config.boardWord = 0x30012345;
    config.commandVersion = 0x1234;
    config.romVersion = 0xFFFFFFFF;
    config.boardNo = 7;
    config.clockOffsetMs = -86400123;
    config.resetCount = 3;
    config.commandFile = "RZCMD.BIN";
    config.spiSize = 0x200000;
    config.enumError = 0x20104;
    config.openError = -1;
    config.faults = {{"fmWrite", 2, -1}, {"SPIFLASH_open", 1, 0x20101, true}};
    config.powerCutAfter = 5;
    config.powerCutInside = 6;
    config.illegalNorOps = 2;

    BoardConfig back;
    ASSERT_TRUE(ParseConfig(FormatConfig(config), back));
    EXPECT_EQ(back.boardWord, config.boardWord);
    EXPECT_EQ(back.commandVersion, config.commandVersion);
    EXPECT_EQ(back.romVersion, config.romVersion);
    EXPECT_EQ(back.boardNo, 7);
    EXPECT_EQ(back.clockOffsetMs, -86400123);
    EXPECT_EQ(back.resetCount, 3);
    EXPECT_EQ(back.commandFile, "RZCMD.BIN");
    EXPECT_EQ(back.spiSize, 0x200000u);
    EXPECT_EQ(back.enumError, 0x20104);
    EXPECT_EQ(back.openError, -1);
    ASSERT_EQ(back.faults.size(), 2u);
    EXPECT_EQ(back.faults[1].function, "SPIFLASH_open");
    EXPECT_EQ(back.faults[1].nthCall, 1);
    EXPECT_EQ(back.faults[1].result, 0x20101);
    EXPECT_FALSE(back.faults[0].partial);
    EXPECT_TRUE(back.faults[1].partial);
    EXPECT_EQ(back.powerCutAfter, 5);
    EXPECT_EQ(back.powerCutInside, 6);
    EXPECT_EQ(back.illegalNorOps, 2);
}

TEST(BoardIni, WrittenTextIsExact) {
    BoardConfig config;
    config.faults = {{"fmRead", 3, -2}, {"fmSectorErase", 1, -1, true}};
    EXPECT_EQ(FormatConfig(config), "board_word=0x20000000\r\ncommand_version=0x100\r\n"
                                    "rom_version=0x100\r\nboard_no=0\r\nclock_offset_ms=0\r\n"
                                    "reset_count=0\r\ncommand_file=RZSYS.BIN\r\n"
                                    "spi_size=0x100000\r\nenum_error=0x0\r\nopen_error=0x0\r\n"
                                    "fail=fmRead:3:-2\r\nfail=fmSectorErase:1:-1:partial\r\n"
                                    "power_cut_after=0\r\npower_cut_inside=0\r\n"
                                    "illegal_nor_ops=0\r\n");
}

TEST(BoardIni, MissingKeysKeepDefaultsAndUnknownKeysAreIgnored) {
    BoardConfig config;
    ASSERT_TRUE(ParseConfig("# a comment\nboard_word=20100000\ncolour=blue\n\n", config));
    EXPECT_EQ(config.boardWord, 0x20100000u);
    EXPECT_EQ(config.BoardType(), 0x201u);
    EXPECT_EQ(config.romVersion, 0x100u);
    EXPECT_EQ(config.spiSize, kSpiDefaultSize);
}

TEST(BoardIni, MalformedLinesAreRejected) {
    const char* const kBad[] = {
        "board_word=zz",
        "board_word=0x123456789",
        "board_no=abc",
        "spi_size=0x1000",
        "spi_size=0x18000",
        "power_cut_after=-1",
        "fail=fmWrite:0:-1",
        "fail=fmWrite:1",
        "fail=:1:-1",
        "just some text",
        "command_file=a\\b",
        "rom_version=0x100000000",
        "fail=fmWrite:1:-1:half",
        "fail=fmWrite:1:-1:partial:x",
        "fail=fmWrite:1:-1:",
        "power_cut_inside=-1",
        "illegal_nor_ops=x",
    };
    for (const char* line : kBad) {
        SCOPED_TRACE(line);
        BoardConfig config;
        EXPECT_FALSE(ParseConfig(line, config));
    }
}

TEST(BoardIni, CompanionLinesNameTheProblem) {
    BoardConfig config;
    std::string reason;
    EXPECT_FALSE(ApplyConfigLine("colour=blue", config, &reason));
    EXPECT_EQ(reason, "unknown key: colour");
    EXPECT_FALSE(ApplyConfigLine("board_no=x", config, &reason));
    EXPECT_EQ(reason, "bad value for board_no: x");
    EXPECT_TRUE(ApplyConfigLine("fail=fmOpen:2:0", config, &reason));
    ASSERT_EQ(config.faults.size(), 1u);
    EXPECT_EQ(FormatFault(config.faults[0]), "fmOpen:2:0");
    EXPECT_TRUE(ApplyConfigLine("delay=GetIPTime:2:1500", config, &reason));
    ASSERT_EQ(config.delays.size(), 1u);
    EXPECT_EQ(FormatDelay(config.delays[0]), "GetIPTime:2:1500");
    EXPECT_FALSE(ApplyConfigLine("delay=GetIPTime:0:1500", config, &reason));
    EXPECT_FALSE(ApplyConfigLine("delay=GetIPTime:1:-5", config, &reason));
}

TEST(BoardPaths, OnlyPlainSysNamesReachTheBoardFolder) {
    struct Case {
        const char* path;
        const char* name; // nullptr: rejected
    };
    const Case kCases[] = {
        {"sys:\\boot.ini", "boot.ini"},
        {"SYS:\\RZSYS.BIN", "RZSYS.BIN"},
        {"Sys:\\a b.txt", "a b.txt"},
        {"sys:\\", nullptr},
        {"sys:\\..", nullptr},
        {"sys:\\.", nullptr},
        {"sys:\\a\\b", nullptr},
        {"sys:\\a/b", nullptr},
        {"sys:\\c:x", nullptr},
        {"sys:/boot.ini", nullptr},
        {"c:\\boot.ini", nullptr},
        {"boot.ini", nullptr},
        {"sys:\\..\\board.ini", nullptr},
        {"sys:\\a*", nullptr},
        {"sys:\\name.", nullptr},
        {"", nullptr},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.path);
        std::string name;
        EXPECT_EQ(BoardFileName(c.path, name), c.name != nullptr);
        if (c.name != nullptr) {
            EXPECT_EQ(name, c.name);
        }
    }
    std::string name;
    EXPECT_FALSE(BoardFileName(nullptr, name));
    std::string host;
    ASSERT_TRUE(BoardFileHostPath("/tmp/b", "sys:\\boot.ini", host));
    EXPECT_EQ(host, "Z:\\tmp\\b\\sys\\boot.ini");
}

TEST(WindowsPaths, UnixPathsBecomeDriveZ) {
    EXPECT_EQ(ToWindowsPath("/tmp/b"), "Z:\\tmp\\b");
    EXPECT_EQ(ToWindowsPath("/"), "Z:\\");
    EXPECT_EQ(ToWindowsPath("C:\\boards\\one"), "C:\\boards\\one");
    EXPECT_EQ(ToWindowsPath("relative/dir"), "relative/dir");
    EXPECT_EQ(ToWindowsPath(""), "");
}

TEST(ProductData, LayoutOfTheBlock) {
    const uint8_t mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x56};
    std::vector<uint8_t> block = MakeProductData(0x200, mac);
    ASSERT_EQ(block.size(), 256u);
    EXPECT_EQ(std::string(block.begin(), block.begin() + 9), "S22334456");
    EXPECT_EQ(std::string(block.begin() + 16, block.begin() + 22), "NRZ-Lm");
    EXPECT_EQ(std::vector<uint8_t>(block.begin() + 32, block.begin() + 38),
              std::vector<uint8_t>(mac, mac + 6));
    EXPECT_EQ(
        std::string(block.begin() + 16, block.begin() + 22),
        std::string(reinterpret_cast<const char*>(MakeProductData(0x201, mac).data()) + 16, 6));
    std::vector<uint8_t> s = MakeProductData(0x300, mac);
    EXPECT_EQ(std::string(s.begin() + 16, s.begin() + 22), "SRZ-Lm");
    EXPECT_EQ(ProductDataMainAddress(0x200), 0xC00u);
    EXPECT_EQ(ProductDataMainAddress(0x300), 0xC00u);
    EXPECT_EQ(ProductDataMainAddress(0x201), 0x17FFC00u);
}

TEST(ProductData, ValidityRules) {
    const uint8_t mac[6] = {0x00, 0x80, 0x4C, 0x01, 0x02, 0x03};
    struct Case {
        const char* what;
        uint32_t type;
        size_t offset;
        std::vector<uint8_t> bytes;
        bool valid;
    };
    const Case kCases[] = {
        {"as made", 0x200, 0, {}, true},
        {"leading field erased", 0x200, 0, Filled(9, 0xFF), false},
        {"leading field zero", 0x200, 0, Filled(9, 0x00), false},
        {"one leading byte set", 0x200, 0, {0, 0, 0, 0, 0, 0, 0, 0, 1}, true},
        {"SRZ marker on 0x200", 0x200, 16, {'S'}, false},
        {"NRZ marker on 0x300", 0x300, 16, {'N'}, false},
        {"unknown type, any marker", 0x123, 16, {'X'}, true},
        {"MAC erased", 0x201, 32, Filled(6, 0xFF), false},
        {"MAC zero", 0x201, 32, Filled(6, 0x00), false},
        {"group bit", 0x200, 32, {0x01}, false},
        {"other bit of first MAC byte", 0x200, 32, {0x02}, true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> block = MakeProductData(c.type == 0x300 ? 0x300 : 0x200, mac);
        std::copy(c.bytes.begin(), c.bytes.end(), block.begin() + c.offset);
        EXPECT_EQ(ProductDataLooksValid(c.type, block.data()), c.valid);
    }
}

TEST(NewBoard, Type200HoldsBothCopiesBootImagesAndBootIni) {
    testboard::TempDir dir;
    CreateOptions options;
    options.romVersion = 0x150;
    options.commandVersion = 0x160;
    ASSERT_TRUE(CreateBoard(dir.Path(), options));
    BoardConfig config;
    ASSERT_TRUE(LoadConfig(dir.Path(), config));
    EXPECT_EQ(config.boardWord, 0x20000000u);
    EXPECT_EQ(config.romVersion, 0x150u);
    EXPECT_EQ(config.commandVersion, 0x160u);
    std::vector<uint8_t> product = MakeProductData(0x200, options.mac);
    EXPECT_EQ(Main(dir.Path(), 0xC00, 256), product);
    EXPECT_EQ(Spi(dir.Path(), 0xFC00, 256), product);
    const std::vector<uint8_t> rom = MakeOldBootRom();
    EXPECT_EQ(Main(dir.Path(), 0, static_cast<uint32_t>(rom.size())), rom);
    EXPECT_EQ(Main(dir.Path(), static_cast<uint32_t>(rom.size()),
                   0xC00 - static_cast<uint32_t>(rom.size())),
              Filled(0xC00 - rom.size(), 0xFF));
    EXPECT_EQ(Main(dir.Path(), 0xD00, 0x100), Filled(0x100, 0xFF));
    EXPECT_EQ(Main(dir.Path(), kMainFlashSizeSmall - 16, 16), Filled(16, 0xFF));
    std::vector<uint8_t> boot = MakeOldBootImage(0);
    EXPECT_EQ(Spi(dir.Path(), 0, static_cast<uint32_t>(boot.size())), boot);
    std::vector<uint8_t> boot2 = MakeOldBootImage(0x10000);
    EXPECT_EQ(Spi(dir.Path(), 0x10000, static_cast<uint32_t>(boot2.size())), boot2);
    EXPECT_NE(boot, boot2);
    std::string bootIni;
    ASSERT_TRUE(ReadBoardFile(dir.Path(), "sys:\\boot.ini", bootIni));
    EXPECT_EQ(bootIni, kDefaultBootIni);
    EXPECT_TRUE(ReadTrace(dir.Path()).empty());
}

TEST(NewBoard, Type201KeepsItsMainCopyAtTheTopAndType300HasNoSpiCopy) {
    testboard::TempDir dir201, dir300;
    CreateOptions options;
    options.boardType = 0x201;
    options.withBootIni = false;
    ASSERT_TRUE(CreateBoard(dir201.Path(), options));
    EXPECT_EQ(Main(dir201.Path(), 0x17FFC00, 256), MakeProductData(0x201, options.mac));
    EXPECT_EQ(Main(dir201.Path(), 0xC00, 256), Filled(256, 0xFF));
    std::string content;
    EXPECT_FALSE(ReadBoardFile(dir201.Path(), "sys:\\boot.ini", content));

    options.boardType = 0x300;
    ASSERT_TRUE(CreateBoard(dir300.Path(), options));
    EXPECT_EQ(Main(dir300.Path(), 0xC00, 256), MakeProductData(0x300, options.mac));
    EXPECT_EQ(Spi(dir300.Path(), 0, kSpiDefaultSize), Filled(kSpiDefaultSize, 0xFF));
}

TEST(NewBoard, RawAccessRefusesRangesOutsideTheImages) {
    testboard::TempDir dir;
    ASSERT_TRUE(CreateBoard(dir.Path()));
    uint8_t bytes[16] = {};
    EXPECT_FALSE(ReadMainFlash(dir.Path(), kMainFlashSizeSmall - 8, bytes, 16));
    EXPECT_FALSE(WriteMainFlash(dir.Path(), 0xFFFFFFF8u, bytes, 16));
    EXPECT_FALSE(ReadSpiFlash(dir.Path(), kSpiDefaultSize, bytes, 1));
    EXPECT_FALSE(WriteSpiFlash(dir.Path(), kSpiDefaultSize - 1, bytes, 2));
    EXPECT_TRUE(WriteMainFlash(dir.Path(), kMainFlashSizeSmall - 16, bytes, 16));
    EXPECT_EQ(Main(dir.Path(), kMainFlashSizeSmall - 16, 16), Filled(16, 0));
}

TEST(TraceFormat, LinesAreBuiltAndParsedBack) {
    TraceLine line("fmFileCopy");
    line.Number(1).Number(0).Text("C:\\a, b\\c.bin").Text(nullptr).Address(0xFC00);
    EXPECT_EQ(line.Format(-1), "fmFileCopy(1, 0, \"C:\\a, b\\c.bin\", null, 0xFC00) = -1");
    TraceEntry entry = ParseTraceLine(line.Format(-1));
    EXPECT_EQ(entry.function, "fmFileCopy");
    ASSERT_EQ(entry.args.size(), 5u);
    EXPECT_EQ(entry.args[2], "\"C:\\a, b\\c.bin\"");
    EXPECT_EQ(entry.args[3], "null");
    EXPECT_EQ(entry.args[4], "0xFC00");
    EXPECT_EQ(entry.result, -1);

    EXPECT_EQ(TraceLine("x").Text("a\"b\r\nc").Format(0), "x(\"a?b??c\") = 0");
    TraceEntry empty = ParseTraceLine("GetIPLastError() = 131330");
    EXPECT_TRUE(empty.args.empty());
    EXPECT_EQ(empty.result, 131330);
    TraceEntry cut = ParseTraceLine("POWER CUT");
    EXPECT_EQ(cut.function, "POWER CUT");
    EXPECT_TRUE(cut.args.empty());
}
