// Injected faults and the simulated power cut.
#include "boardconfig.h"
#include "simtest.h"
#include "winfile.h"

#include <cstring>

using namespace simtest;

namespace {

class Faults : public BoardTest {
protected:
    void AddFaults(const std::vector<simboard::Fault>& faults) {
        auto config = Config();
        config.faults = faults;
        SetConfig(config);
    }
};

} // namespace

TEST_F(Faults, TheNthCallFailsWithTheGivenResultAndDoesNothing) {
    AddFaults({{"fmWriteDataBuffer", 2, -7}});
    ASSERT_EQ(fmSectorErase(h, 0x80000), 0);
    const uint8_t a[2] = {0x11, 0x11}, b[2] = {0x01, 0x01}, c[2] = {0x00, 0x01};
    EXPECT_EQ(fmWriteDataBuffer(h, a, 0x80000, 1), 0);
    EXPECT_EQ(fmWriteDataBuffer(h, b, 0x80000, 1), -7);
    EXPECT_EQ(Main(board.Dir(), 0x80000, 2), std::vector<uint8_t>(a, a + 2));
    EXPECT_EQ(fmWriteDataBuffer(h, c, 0x80000, 1), 0);
    EXPECT_EQ(Main(board.Dir(), 0x80000, 2), std::vector<uint8_t>(c, c + 2));
    EXPECT_EQ(TraceLines()[2], "fmWriteDataBuffer(1, 0x80000, 1) = -7");
}

TEST_F(Faults, SeveralFaultsAreActiveAtOnce) {
    AddFaults(
        {{"fmOpen", 1, 0}, {"SPIFLASH_open", 2, 1}, {"fmOpen", 3, 0}, {"GetIPVersionInfo", 1, -1}});
    EXPECT_EQ(fmOpen(h, "sys:\\boot.ini", FM_MODE_READ), 0);
    int f = fmOpen(h, "sys:\\boot.ini", FM_MODE_READ);
    EXPECT_NE(f, 0);
    EXPECT_EQ(fmOpen(h, "sys:\\a.txt", FM_MODE_WRITE), 0);
    EXPECT_FALSE(simboard::FileExists(board.Dir() + "\\sys\\a.txt"));
    EXPECT_NE(fmOpen(h, "sys:\\boot.ini", FM_MODE_READ), 0);
    EXPECT_EQ(SPIFLASH_open(h), 0);
    EXPECT_EQ(SPIFLASH_open(h), 1);
    EXPECT_EQ(SPIFLASH_open(h), 0);
    uint8_t record[64];
    std::memset(record, 0xAB, sizeof(record));
    EXPECT_EQ(GetIPVersionInfo(h, record), -1);
    EXPECT_EQ(record[0], 0xAB); // a failed call fills nothing
    EXPECT_EQ(GetIPVersionInfo(h, record), 0);
    EXPECT_EQ(record[0], 64);
}

TEST_F(Faults, CountersStartAgainAtEveryOpen) {
    AddFaults({{"fmSectorErase", 2, -3}});
    EXPECT_EQ(fmSectorErase(h, 0x90000), 0);
    Reopen();
    EXPECT_EQ(fmSectorErase(h, 0x90000), 0);
    EXPECT_EQ(fmSectorErase(h, 0x90000), -3);
    EXPECT_EQ(fmSectorErase(h, 0x90000), 0);
}

TEST_F(Faults, AFailedEraseLeavesTheSector) {
    AddFaults({{"SPIFLASH_sector_erase", 1, -1}, {"fmSectorErase", 1, -1}});
    const uint64_t main = MainDigest(board.Dir());
    const uint64_t spi = SpiDigest(board.Dir());
    ASSERT_EQ(SPIFLASH_open(h), 0);
    EXPECT_EQ(SPIFLASH_sector_erase(h, 0xF000), -1);
    EXPECT_EQ(fmSectorErase(h, 0), -1);
    EXPECT_EQ(MainDigest(board.Dir()), main);
    EXPECT_EQ(SpiDigest(board.Dir()), spi);
    EXPECT_EQ(SPIFLASH_close(h), 0);
}

namespace {

// The flash-sequence job of the child: change i goes to address 0x20000 +
// i * 0x100, SPI for even i (bytes 0xA0 + i), main flash for odd i (0xB0 + i).
std::vector<uint8_t> SequencePage(const std::string& dir, int i) {
    uint32_t address = 0x20000 + static_cast<uint32_t>(i) * 0x100;
    return i % 2 == 0 ? Spi(dir, address, 256) : Main(dir, address, 256);
}

uint8_t SequenceByte(int i) {
    return static_cast<uint8_t>(i % 2 == 0 ? 0xA0 + i : 0xB0 + i);
}

int LandedChanges(const std::string& dir, int attempted) {
    int landed = 0;
    for (int i = 0; i < attempted; ++i) {
        std::vector<uint8_t> bytes = SequencePage(dir, i);
        if (bytes == Filled(256, SequenceByte(i)))
            ++landed;
        else
            EXPECT_EQ(bytes, Filled(256, 0xFF)) << "change " << i << " half done";
    }
    return landed;
}

} // namespace

TEST(PowerCut, TheProcessEndsRightAfterTheNthFlashChange) {
    for (int n : {1, 3, 4}) {
        SCOPED_TRACE(n);
        testboard::TempBoard board;
        auto config = board.Config();
        config.powerCutAfter = n;
        board.SetConfig(config);
        EXPECT_EQ(RunProgram("boardsim_child.exe", "flash-sequence 6"),
                  static_cast<DWORD>(simboard::kPowerCutExitCode));
        EXPECT_EQ(LandedChanges(board.Dir(), 6), n);
        auto trace = simboard::ReadTrace(board.Dir());
        ASSERT_GE(trace.size(), 2u);
        EXPECT_EQ(trace.back().line, "POWER CUT");
        const std::string& last = trace[trace.size() - 2].line;
        EXPECT_EQ(last, n % 2 == 1 ? "SPIFLASH_page_program(1, " +
                                         simboard::Hex(0x20000 + (n - 1) * 0x100) + ", 256) = 0"
                                   : "fmWriteDataBuffer(1, " +
                                         simboard::Hex(0x20000 + (n - 1) * 0x100) + ", 128) = 0");
    }
}

TEST(PowerCut, WithoutItTheSequenceCompletes) {
    testboard::TempBoard board;
    EXPECT_EQ(RunProgram("boardsim_child.exe", "flash-sequence 6"), 0u);
    EXPECT_EQ(LandedChanges(board.Dir(), 6), 6);
    EXPECT_EQ(simboard::ReadTrace(board.Dir()).back().line, "CloseIPDev(1) = 0");
}

TEST(PowerCut, InsideTheNthFlashChangeTheEarlierOnesAreWholeAndItIsHalfDone) {
    for (int n : {1, 4}) {
        SCOPED_TRACE(n);
        testboard::TempBoard board;
        auto config = board.Config();
        config.powerCutInside = n;
        board.SetConfig(config);
        EXPECT_EQ(RunProgram("boardsim_child.exe", "flash-sequence 6"),
                  static_cast<DWORD>(simboard::kPowerCutExitCode));
        EXPECT_EQ(LandedChanges(board.Dir(), n - 1), n - 1);
        std::vector<uint8_t> half = Filled(256, 0xFF);
        std::fill(half.begin(), half.begin() + 128, SequenceByte(n - 1));
        EXPECT_EQ(SequencePage(board.Dir(), n - 1), half);
        EXPECT_EQ(SequencePage(board.Dir(), n), Filled(256, 0xFF));
        const std::string address = simboard::Hex(0x20000 + (n - 1) * 0x100);
        EXPECT_EQ(simboard::ReadTrace(board.Dir()).back().line,
                  n % 2 == 1 ? "POWER CUT inside SPIFLASH_page_program(1, " + address + ", 256)"
                             : "POWER CUT inside fmWriteDataBuffer(1, " + address + ", 128)");
    }
}

TEST(PowerCut, AChangeThatFailedPartWayCountsAsAFlashChange) {
    testboard::TempBoard board;
    auto config = board.Config();
    config.faults = {{"fmSectorErase", 1, -9, true}};
    config.powerCutAfter = 1;
    board.SetConfig(config);
    EXPECT_EQ(RunProgram("boardsim_child.exe", "change fmSectorErase unused"),
              static_cast<DWORD>(simboard::kPowerCutExitCode));
    auto trace = simboard::ReadTrace(board.Dir());
    ASSERT_GE(trace.size(), 2u);
    EXPECT_EQ(trace[trace.size() - 2].line, "fmSectorErase(1, 0x30000) = -9");
    EXPECT_EQ(trace.back().line, "POWER CUT");
}
