// The companion rzboard.exe, run as its own process.
#include "boardconfig.h"
#include "simtest.h"
#include "winfile.h"

using namespace simtest;

namespace {

DWORD Rz(const std::string& arguments, std::string* out = nullptr, std::string* err = nullptr) {
    return RunProgram("rzboard.exe", arguments, out, err);
}

std::string Quote(const std::string& text) {
    return "\"" + text + "\"";
}

bool HasLine(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

} // namespace

TEST(Rzboard, CreateThenShow) {
    testboard::TempDir dir;
    std::string board = dir.Path() + "\\b";
    std::string out, err;
    ASSERT_EQ(Rz("create " + Quote(board) +
                     " --type 0x201 --mac 00:11:22:33:44:56 --rom-version 0x123 "
                     "--command-version 0x456",
                 &out, &err),
              0u)
        << err;
    EXPECT_EQ(out, "created board type 0x201 in " + board + "\n");

    ASSERT_EQ(Rz("show " + Quote(board), &out, &err), 0u) << err;
    EXPECT_TRUE(HasLine(out, "board type:           0x201 (board word 0x20100000)")) << out;
    EXPECT_TRUE(HasLine(out, "ROM version:          0x123")) << out;
    EXPECT_TRUE(HasLine(out, "command version:      0x456 (command file RZSYS.BIN)")) << out;
    EXPECT_TRUE(HasLine(out, "board number:         0")) << out;
    EXPECT_TRUE(HasLine(out, "reset count:          0")) << out;
    EXPECT_TRUE(HasLine(out, "main flash size:      0x1800000")) << out;
    EXPECT_TRUE(HasLine(out, "illegal NOR ops:      0")) << out;
    EXPECT_TRUE(HasLine(out, "product data main 0x17FFC00:  valid    MAC 00:11:22:33:44:56  "
                             "serial \"S22334456\"  model \"NRZ-Lm\""))
        << out;
    EXPECT_TRUE(HasLine(out, "product data SPI 0xFC00:      valid    MAC 00:11:22:33:44:56  "
                             "serial \"S22334456\"  model \"NRZ-Lm\""))
        << out;
    EXPECT_TRUE(HasLine(out, "  sys:\\boot.ini             84 bytes")) << out;
    EXPECT_TRUE(HasLine(out, "faults:\n  (none)")) << out;

    // A second create refuses to overwrite the board.
    EXPECT_EQ(Rz("create " + Quote(board), &out, &err), 1u);
    EXPECT_EQ(err,
              "rzboard: a board already exists in " + board + " (use --force to replace it)\n");
}

TEST(Rzboard, ShowsWhatTheLibraryChanged) {
    testboard::TempBoard board;
    int h = board.Open();
    ASSERT_NE(h, 0);
    EXPECT_EQ(ResetIP(0, 1), 0);
    std::vector<uint8_t> erased(0x10000, 0xFF);
    EXPECT_EQ(fmSectorErase(h, 0), 0);
    CloseIPDev(h);
    std::string out;
    ASSERT_EQ(Rz("show " + Quote(board.Dir()), &out), 0u);
    EXPECT_TRUE(HasLine(out, "reset count:          1")) << out;
    EXPECT_TRUE(HasLine(out, "product data main 0xC00:      INVALID  MAC FF:FF:FF:FF:FF:FF  "
                             "serial \".........\"  model \"......\""))
        << out;
}

TEST(Rzboard, SetFaultAndClock) {
    testboard::TempBoard board;
    std::string out, err;
    ASSERT_EQ(Rz("set " + Quote(board.Dir()) + " board_no=4 rom_version=0x200 fail=fmOpen:2:0",
                 &out, &err),
              0u)
        << err;
    ASSERT_EQ(Rz("fault " + Quote(board.Dir()) + " add SPIFLASH_open:1:-1", &out, &err), 0u);
    ASSERT_EQ(Rz("fault " + Quote(board.Dir()) + " add fmSectorErase:2:-4:partial", &out, &err), 0u)
        << err;
    ASSERT_EQ(Rz("set " + Quote(board.Dir()) + " power_cut_inside=3", &out, &err), 0u) << err;
    auto config = board.Config();
    EXPECT_EQ(config.boardNo, 4);
    EXPECT_EQ(config.romVersion, 0x200u);
    ASSERT_EQ(config.faults.size(), 3u);
    EXPECT_EQ(simboard::FormatFault(config.faults[1]), "SPIFLASH_open:1:-1");
    EXPECT_TRUE(config.faults[2].partial);
    EXPECT_EQ(config.powerCutInside, 3);
    ASSERT_EQ(Rz("show " + Quote(board.Dir()), &out), 0u);
    EXPECT_TRUE(HasLine(out, "faults:\n  fail=fmOpen:2:0\n  fail=SPIFLASH_open:1:-1\n"
                             "  fail=fmSectorErase:2:-4:partial\n  power_cut_inside=3"))
        << out;

    ASSERT_EQ(Rz("fault " + Quote(board.Dir()) + " clear"), 0u);
    EXPECT_TRUE(board.Config().faults.empty());
    EXPECT_EQ(board.Config().powerCutInside, 0);

    ASSERT_EQ(Rz("clock " + Quote(board.Dir()) + " set \"2035-03-04 05:06:07\"", &out, &err), 0u)
        << err;
    int h = board.Open(); // board_no 4 now
    ASSERT_NE(h, 0);
    SYSTEMTIME time;
    ASSERT_EQ(GetIPTime(h, &time), 0);
    CloseIPDev(h);
    EXPECT_EQ(time.wYear, 2035);
    EXPECT_EQ(time.wMonth, 3);
    EXPECT_EQ(time.wDay, 4);
    EXPECT_EQ(time.wHour, 5);
    EXPECT_EQ(time.wMinute, 6);
}

TEST(Rzboard, ErrorsAreClearAndExitNonZero) {
    testboard::TempBoard board;
    testboard::TempDir empty;
    const std::string b = Quote(board.Dir());
    struct Case {
        std::string arguments;
        DWORD code;
        std::string error;
    };
    const Case kCases[] = {
        {"set " + b + " colour=blue", 2, "rzboard: unknown key: colour\n"},
        {"set " + b + " board_no=x", 2, "rzboard: bad value for board_no: x\n"},
        {"fault " + b + " add fmOpen:1:-1:half", 2,
         "rzboard: bad fault (expected <Function>:<n>:<result>[:partial]): fmOpen:1:-1:half\n"},
        {"illegal " + b + " --all", 2, "rzboard: illegal takes only --clear\n"},
        {"fault " + b + " add fmOpen:0:1", 2,
         "rzboard: bad fault (expected <Function>:<n>:<result>[:partial]): fmOpen:0:1\n"},
        {"clock " + b + " set \"2035-02-30 00:00:00\"", 2,
         "rzboard: bad time (expected YYYY-MM-DD hh:mm:ss): 2035-02-30 00:00:00\n"},
        {"product " + b + " main --mac 01:02", 2,
         "rzboard: bad MAC address (expected XX:XX:XX:XX:XX:XX): 01:02\n"},
        {"file " + b + " get nothing.ini x.txt", 1, "rzboard: no board file sys:\\nothing.ini\n"},
        {"show " + Quote(empty.Path()), 1,
         "rzboard: no board in " + empty.Path() + " (board.ini missing or unreadable)\n"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.arguments);
        std::string err;
        EXPECT_EQ(Rz(c.arguments, nullptr, &err), c.code);
        EXPECT_EQ(err, c.error);
    }
    std::string err;
    EXPECT_EQ(Rz("frobnicate " + b, nullptr, &err), 2u);
    EXPECT_NE(err.find("usage: rzboard <command> <board-folder> [arguments]"), std::string::npos);
    EXPECT_NE(err.find("rzboard: unknown command: frobnicate"), std::string::npos);
    EXPECT_EQ(board.Config().boardNo, 0);
}

TEST(Rzboard, ProductDataAndFiles) {
    testboard::TempBoard board;
    testboard::TempDir pc;
    const std::string b = Quote(board.Dir());
    ASSERT_EQ(Rz("product " + b + " spi --mac 00:AA:BB:CC:DD:EE"), 0u);
    std::vector<uint8_t> spi = Spi(board.Dir(), 0xFC00, 256);
    std::vector<uint8_t> expected = simboard::MakeProductData(0x200, simboard::CreateOptions().mac);
    const uint8_t mac[6] = {0x00, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE};
    std::copy(mac, mac + 6, expected.begin() + 32);
    EXPECT_EQ(spi, expected); // only the MAC changed
    ASSERT_EQ(Rz("product " + b + " main --erase"), 0u);
    EXPECT_EQ(Main(board.Dir(), 0xC00, 256), Filled(256, 0xFF));
    ASSERT_EQ(Rz("product " + b + " main --mac 00:AA:BB:CC:DD:EE"), 0u);
    EXPECT_EQ(Main(board.Dir(), 0xC00, 256), simboard::MakeProductData(0x200, mac));

    std::string local = WritePcFile(pc.Path(), "in.txt", {'h', 'i'});
    ASSERT_EQ(Rz("file " + b + " put " + Quote(local) + " NOTE.TXT"), 0u);
    std::string content;
    ASSERT_TRUE(simboard::ReadBoardFile(board.Dir(), "sys:\\NOTE.TXT", content));
    EXPECT_EQ(content, "hi");
    ASSERT_EQ(Rz("file " + b + " get sys:\\NOTE.TXT " + Quote(pc.Path() + "\\out.txt")), 0u);
    std::string copied;
    ASSERT_TRUE(simboard::ReadWholeFile(pc.Path() + "\\out.txt", copied));
    EXPECT_EQ(copied, "hi");
    ASSERT_EQ(Rz("file " + b + " delete NOTE.TXT"), 0u);
    EXPECT_FALSE(simboard::ReadBoardFile(board.Dir(), "sys:\\NOTE.TXT", content));

    simboard::ClearTrace(board.Dir());
    ASSERT_NE(board.Open(), 0);
    CloseIPDev(1);
    std::string out;
    ASSERT_EQ(Rz("trace " + b, &out), 0u);
    EXPECT_EQ(out, "EnumAttachIPDev() = 1\nOpenIPDev(0, 0) = 1\nCloseIPDev(1) = 0\n");
    ASSERT_EQ(Rz("trace " + b + " --clear"), 0u);
    EXPECT_TRUE(simboard::ReadTrace(board.Dir()).empty());
}

TEST(Rzboard, IllegalNorOperationsAreListedAndCleared) {
    testboard::TempBoard board;
    const std::string b = Quote(board.Dir());
    int h = board.Open();
    ASSERT_NE(h, 0);
    EXPECT_EQ(fmSectorErase(h, 0x10100), -1);
    CloseIPDev(h);
    std::string out, err;
    ASSERT_EQ(Rz("show " + b, &out), 0u);
    EXPECT_TRUE(HasLine(out, "main flash size:      0x400000")) << out;
    EXPECT_TRUE(HasLine(out, "illegal NOR ops:      1")) << out;
    ASSERT_EQ(Rz("illegal " + b, &out, &err), 0u) << err;
    EXPECT_EQ(out, "fmSectorErase(1, 0x10100): erase address not on a 0x10000-byte boundary\n");
    ASSERT_EQ(Rz("illegal " + b + " --clear", &out, &err), 0u) << err;
    EXPECT_EQ(testboard::IllegalNorOps(board.Dir()), 0);
    EXPECT_TRUE(simboard::ReadIllegalNorLog(board.Dir()).empty());
}

TEST(Rzboard, SettingType201GrowsTheMainFlashAtOnce) {
    testboard::TempBoard board;
    std::string out, err;
    ASSERT_EQ(Rz("set " + Quote(board.Dir()) + " board_word=0x20100000", &out, &err), 0u) << err;
    EXPECT_EQ(simboard::MainFlashSize(board.Dir()), 0x1800000u);
    ASSERT_EQ(Rz("product " + Quote(board.Dir()) + " main --mac 00:11:22:33:44:56", &out, &err), 0u)
        << err;
    const uint8_t mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x56};
    EXPECT_EQ(Main(board.Dir(), 0x17FFC00, 256), simboard::MakeProductData(0x201, mac));
}

TEST(Rzboard, HelpExplainsPartialFaultsAndPowerCuts) {
    std::string out;
    ASSERT_EQ(Rz("--help", &out), 0u);
    for (const char* text :
         {"fault <dir> add <Function>:<n>:<result>[:partial] | clear", "set power_cut_after=N",
          "set power_cut_inside=N", "set illegal_nor_ops=N", "illegal <dir> [--clear]",
          "The main flash is 24 MiB on type 0x201 and 4 MiB on the other types."}) {
        SCOPED_TRACE(text);
        EXPECT_NE(out.find(text), std::string::npos);
    }
}
