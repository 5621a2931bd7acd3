// The main flash's size follows the board type, and nothing reaches past it.
#include "boardconfig.h"
#include "simtest.h"
#include "winfile.h"

using namespace simtest;

namespace {

uint64_t ImageFileSize(const std::string& dir) {
    uint64_t size = 0;
    simboard::WinFile::OpenExisting(dir + "\\mainflash.bin", false).Size(size);
    return size;
}

simboard::CreateOptions OfType(uint32_t type) {
    simboard::CreateOptions options;
    options.boardType = type;
    return options;
}

} // namespace

TEST(MainFlashSize, EachTypeGetsTheSmallestPartThatHoldsItsAddresses) {
    struct Case {
        uint32_t type;
        uint32_t size;
    };
    const Case kCases[] = {{0x200, 0x400000}, {0x201, 0x1800000}, {0x300, 0x400000}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(simboard::Hex(c.type));
        testboard::TempBoard board(OfType(c.type));
        EXPECT_EQ(simboard::MainFlashSizeFor(c.type), c.size);
        EXPECT_EQ(simboard::MainFlashSize(board.Dir()), c.size);
        EXPECT_EQ(ImageFileSize(board.Dir()), c.size);
        int h = board.Open();
        ASSERT_NE(h, 0);
        const uint64_t before = MainDigest(board.Dir());
        std::vector<uint8_t> buffer(0x20000, 0x00);
        // The last sector is there; the first byte past the end is not.
        EXPECT_EQ(fmReadDataBuffer(h, buffer.data(), c.size - 0x10000, 0x8000), 0);
        EXPECT_EQ(fmReadDataBuffer(h, buffer.data(), c.size - 0x10000, 0x8001), -1);
        EXPECT_EQ(fmWriteDataBuffer(h, buffer.data(), c.size - 0x10000, 0x8001), -1);
        EXPECT_EQ(fmWriteDataBuffer(h, buffer.data(), c.size, 1), -1);
        EXPECT_EQ(fmSectorErase(h, c.size), -1);
        EXPECT_EQ(MainDigest(board.Dir()), before);
        EXPECT_EQ(fmSectorErase(h, c.size - 0x10000), 0);
        CloseIPDev(h);
    }
}

TEST(MainFlashSize, TheProductDataSectorOfType201EndsTheFlash) {
    testboard::TempBoard board(OfType(0x201));
    int h = board.Open();
    ASSERT_NE(h, 0);
    std::vector<uint8_t> buffer(0x20000, 0x00);
    EXPECT_EQ(fmReadDataBuffer(h, buffer.data(), 0x17FFC00, 128), 0);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 256),
              simboard::MakeProductData(0x201, simboard::CreateOptions().mac));
    // 128 KiB from 0x17F0000 runs past the end.
    EXPECT_EQ(fmReadDataBuffer(h, buffer.data(), 0x17F0000, 0x10000), -1);
    EXPECT_EQ(fmWriteDataBuffer(h, buffer.data(), 0x17F0000, 0x10000), -1);
    EXPECT_EQ(Main(board.Dir(), 0x17FFC00, 256),
              simboard::MakeProductData(0x201, simboard::CreateOptions().mac));
    CloseIPDev(h);
}

TEST(MainFlashSize, ABootRomImageLargerThanTheFlashChangesNothing) {
    testboard::TempBoard board;
    testboard::TempDir pc;
    int h = board.Open();
    ASSERT_NE(h, 0);
    const uint64_t before = MainDigest(board.Dir());
    std::string path = WritePcFile(pc.Path(), "big.rom",
                                   FirmwareFile(0x999, simboard::kMainFlashSizeSmall + 2, 0));
    EXPECT_EQ(fmWriteProgram(h, path.c_str()), -1);
    EXPECT_EQ(MainDigest(board.Dir()), before);
    EXPECT_EQ(board.Config().romVersion, 0x100u);
    CloseIPDev(h);
}

TEST(MainFlashSize, ALongerImageFromAnOlderBoardIsUsedForItsFirstBytes) {
    testboard::TempBoard board;
    ASSERT_TRUE(
        simboard::WinFile::OpenExisting(board.Dir() + "\\mainflash.bin", true).SetSize(0x2000000));
    int h = board.Open();
    ASSERT_NE(h, 0);
    uint8_t block[256];
    EXPECT_EQ(fmReadDataBuffer(h, block, 0xC00, 128), 0);
    EXPECT_EQ(std::vector<uint8_t>(block, block + 256),
              simboard::MakeProductData(0x200, simboard::CreateOptions().mac));
    EXPECT_EQ(fmReadDataBuffer(h, block, simboard::kMainFlashSizeSmall, 1), -1);
    EXPECT_EQ(ImageFileSize(board.Dir()), 0x2000000u);
    CloseIPDev(h);
}

TEST(MainFlashSize, AChangedTypeGrowsTheImageAtTheNextEnumeration) {
    testboard::TempBoard board;
    auto config = board.Config();
    config.boardWord = 0x20100000;
    board.SetConfig(config);
    int h = board.Open();
    ASSERT_NE(h, 0);
    EXPECT_EQ(ImageFileSize(board.Dir()), 0x1800000u);
    uint8_t word[2] = {};
    EXPECT_EQ(fmReadDataBuffer(h, word, 0x17FFFFE, 1), 0);
    EXPECT_EQ(std::vector<uint8_t>(word, word + 2), Filled(2, 0xFF));
    CloseIPDev(h);
}
