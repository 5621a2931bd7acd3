// Operations that break a NOR rule are counted and described, and the flash
// still takes them as a real part would.
#include "simtest.h"

using namespace simtest;

namespace {

class IllegalNor : public SpiBoardTest {
protected:
    // Programmed cells (0x0F) in both flashes for the programming cases.
    void ProgramCells() {
        const std::vector<uint8_t> cells(256, 0x0F);
        ASSERT_TRUE(simboard::WriteMainFlash(board.Dir(), 0x70000, cells.data(), 256));
        ASSERT_TRUE(simboard::WriteSpiFlash(board.Dir(), 0x60000, cells.data(), 256));
    }
};

} // namespace

TEST_F(IllegalNor, EachRuleBreakIsCountedAndNothingElse) {
    static const uint8_t kSetsBits[4] = {0xF0, 0xF0, 0xFF, 0xFF};
    static const uint8_t kSame[4] = {0x0F, 0x0F, 0x0F, 0x0F};
    static const uint8_t kClearsOnly[4] = {0x0E, 0x00, 0x0F, 0x01};
    struct Case {
        const char* what;
        int (*run)(int h);
        int illegal;
    };
    const Case kCases[] = {
        {"main program sets bits",
         [](int b) { return fmWriteDataBuffer(b, kSetsBits, 0x70000, 2); }, 1},
        {"main program same data", [](int b) { return fmWriteDataBuffer(b, kSame, 0x70000, 2); },
         0},
        {"main program clears bits",
         [](int b) { return fmWriteDataBuffer(b, kClearsOnly, 0x70000, 2); }, 0},
        {"SPI program sets bits",
         [](int b) { return SPIFLASH_page_program(b, 0x60000, kSetsBits, 4); }, 1},
        {"SPI program clears bits",
         [](int b) { return SPIFLASH_page_program(b, 0x60000, kClearsOnly, 4); }, 0},
        {"SPI program across a page",
         [](int b) { return SPIFLASH_page_program(b, 0x600FE, kSame, 4); }, 1},
        {"main erase misaligned", [](int b) { return fmSectorErase(b, 0x70800); }, 1},
        {"SPI sector erase misaligned", [](int b) { return SPIFLASH_sector_erase(b, 0x60800); }, 1},
        {"SPI block erase misaligned", [](int b) { return SPIFLASH_block_erase(b, 0x61000); }, 1},
        {"main erase aligned", [](int b) { return fmSectorErase(b, 0x70000); }, 0},
        {"main erase past the end", [](int b) { return fmSectorErase(b, 0x4000000); }, 0},
        {"main read odd address",
         [](int b) {
             uint8_t word[2];
             return fmReadDataBuffer(b, word, 0x70001, 1);
         },
         0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        ProgramCells();
        ASSERT_TRUE(simboard::ClearIllegalNorOps(board.Dir()));
        const int result = c.run(h);
        EXPECT_EQ(testboard::IllegalNorOps(board.Dir()), c.illegal);
        EXPECT_EQ(simboard::ReadIllegalNorLog(board.Dir()).size(), static_cast<size_t>(c.illegal));
        if (c.illegal > 0) {
            EXPECT_NE(result, 0); // an illegal operation never reports success
        }
    }
}

TEST_F(IllegalNor, TheLogNamesTheCallAndTheRuleAndTheFlashTakesTheAnd) {
    ProgramCells();
    const uint8_t data[2] = {0xF0, 0x0E};
    EXPECT_EQ(fmWriteDataBuffer(h, data, 0x70000, 1), -1);
    EXPECT_EQ(Main(board.Dir(), 0x70000, 2), (std::vector<uint8_t>{0x00, 0x0E}));
    EXPECT_EQ(SPIFLASH_sector_erase(h, 0x60100), -1);
    EXPECT_EQ(Spi(board.Dir(), 0x60000, 256), Filled(256, 0x0F)); // a refused erase erases nothing
    EXPECT_EQ(testboard::IllegalNorOps(board.Dir()), 2);
    EXPECT_EQ(
        simboard::ReadIllegalNorLog(board.Dir()),
        (std::vector<std::string>{
            "fmWriteDataBuffer(1, 0x70000, 1): programming needs bits to go from 0 to 1",
            "SPIFLASH_sector_erase(1, 0x60100): erase address not on a 0x1000-byte boundary"}));
    // The count survives other writes of board.ini, such as a clock setting.
    SYSTEMTIME time;
    ASSERT_EQ(GetIPTime(h, &time), 0);
    ASSERT_EQ(SetIPTime(h, &time), 0);
    EXPECT_EQ(testboard::IllegalNorOps(board.Dir()), 2);
}
