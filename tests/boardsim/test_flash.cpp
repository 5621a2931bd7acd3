// NOR flash rules of the main flash and the SPI flash, the boot ROM write and
// the copy of the command file.
#include "simtest.h"

#include <cstring>

using namespace simtest;

namespace {

class MainFlash : public BoardTest {};
class SpiFlash : public SpiBoardTest {};

} // namespace

TEST_F(MainFlash, ProgrammingCanOnlyClearBits) {
    ASSERT_EQ(fmSectorErase(h, 0x40000), 0);
    const uint8_t first[4] = {0xF0, 0x0F, 0xAA, 0xFF};
    ASSERT_EQ(fmWriteDataBuffer(h, first, 0x40000, 2), 0);
    EXPECT_EQ(Main(board.Dir(), 0x40000, 4), std::vector<uint8_t>(first, first + 4));

    // Asking for bits back: the AND lands, and the call reports the failed verify.
    const uint8_t second[4] = {0xFF, 0xFF, 0x0F, 0x00};
    EXPECT_EQ(fmWriteDataBuffer(h, second, 0x40000, 2), -1);
    EXPECT_EQ(Main(board.Dir(), 0x40000, 4), (std::vector<uint8_t>{0xF0, 0x0F, 0x0A, 0x00}));

    // Programming a subset of the bits that are still set succeeds.
    const uint8_t third[4] = {0x00, 0x0F, 0x0A, 0x00};
    EXPECT_EQ(fmWriteDataBuffer(h, third, 0x40000, 2), 0);
    uint8_t back[4] = {};
    ASSERT_EQ(fmReadDataBuffer(h, back, 0x40000, 2), 0);
    EXPECT_EQ(std::vector<uint8_t>(back, back + 4), std::vector<uint8_t>(third, third + 4));
}

TEST_F(MainFlash, SectorEraseClearsExactlyOneSector) {
    std::vector<uint8_t> zeros(0x30000, 0x00);
    ASSERT_TRUE(simboard::WriteMainFlash(board.Dir(), 0x50000, zeros.data(), 0x30000));
    ASSERT_EQ(fmSectorErase(h, 0x60000), 0);
    EXPECT_EQ(Main(board.Dir(), 0x50000, 0x10000), Filled(0x10000, 0x00));
    EXPECT_EQ(Main(board.Dir(), 0x60000, 0x10000), Filled(0x10000, 0xFF));
    EXPECT_EQ(Main(board.Dir(), 0x70000, 0x10000), Filled(0x10000, 0x00));
    // The last sector of the flash can be erased too.
    EXPECT_EQ(fmSectorErase(h, simboard::MainFlashSize(board.Dir()) - 0x10000), 0);
}

TEST_F(MainFlash, BadAddressesAndCountsFailWithoutTouchingTheImage) {
    const uint64_t before = MainDigest(board.Dir());
    std::vector<uint8_t> buffer(0x100, 0x00);
    const uint32_t end = simboard::MainFlashSize(board.Dir());
    struct Case {
        const char* what;
        unsigned address;
        int units;
    };
    const Case kCases[] = {
        {"odd address", 0xC01, 1},     {"no units", 0xC00, 0}, {"negative units", 0xC00, -1},
        {"past the end", end - 2, 2},  {"at the end", end, 1}, {"address wraps", 0xFFFFFFFE, 2},
        {"huge count", 0, 0x7FFFFFFF},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(fmWriteDataBuffer(h, buffer.data(), c.address, c.units), -1);
        EXPECT_EQ(fmReadDataBuffer(h, buffer.data(), c.address, c.units), -1);
    }
    EXPECT_EQ(fmWriteDataBuffer(h, nullptr, 0xC00, 1), -1);
    EXPECT_EQ(fmReadDataBuffer(h, nullptr, 0xC00, 1), -1);
    for (unsigned address : {0x8000u, 0x1u, end, end + 0x10000u, 0xFFFF0000u}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(fmSectorErase(h, address), -1);
    }
    EXPECT_EQ(MainDigest(board.Dir()), before);
    // The last unit of the flash is reachable.
    EXPECT_EQ(fmReadDataBuffer(h, buffer.data(), end - 2, 1), 0);
}

TEST_F(MainFlash, WritingTheBootRomWipesTheProductDataAndSetsTheVersion) {
    testboard::TempDir pc;
    // Something in the second sector that a short image must not touch.
    const uint8_t marker[2] = {0x12, 0x34};
    ASSERT_TRUE(simboard::WriteMainFlash(board.Dir(), 0x10000, marker, 2));
    std::vector<uint8_t> image = FirmwareFile(0x250, 0x400, 0x5A);
    std::string path = WritePcFile(pc.Path(), "lm8boot.rom", image);
    ASSERT_EQ(fmWriteProgram(h, path.c_str()), 0);
    EXPECT_EQ(Main(board.Dir(), 0, 0x400), image);
    EXPECT_EQ(Main(board.Dir(), 0x400, 0xFC00), Filled(0xFC00, 0xFF)); // product data gone
    EXPECT_EQ(Main(board.Dir(), 0x10000, 2), std::vector<uint8_t>(marker, marker + 2));
    EXPECT_EQ(Config().romVersion, 0x250u);

    // An image longer than one sector erases the sectors it covers.
    std::vector<uint8_t> longer = FirmwareFile(0x260, 0x10001, 0x00);
    path = WritePcFile(pc.Path(), "long.rom", longer);
    ASSERT_EQ(fmWriteProgram(h, path.c_str()), 0);
    EXPECT_EQ(Main(board.Dir(), 0, 0x10001), longer);
    EXPECT_EQ(Main(board.Dir(), 0x10001, 0xFFFF), Filled(0xFFFF, 0xFF));
    EXPECT_EQ(Config().romVersion, 0x260u);
}

TEST_F(MainFlash, BootRomFilesThatAreTooShortOrMissingChangeNothing) {
    testboard::TempDir pc;
    const uint64_t before = MainDigest(board.Dir());
    std::string shortFile = WritePcFile(pc.Path(), "short.rom", FirmwareFile(0x300, 255, 0));
    EXPECT_EQ(fmWriteProgram(h, shortFile.c_str()), -1);
    EXPECT_EQ(fmWriteProgram(h, (pc.Path() + "\\missing.rom").c_str()), -1);
    EXPECT_EQ(fmWriteProgram(h, nullptr), -1);
    EXPECT_EQ(MainDigest(board.Dir()), before);
    EXPECT_EQ(Config().romVersion, 0x100u);
    // Exactly 256 bytes is enough.
    std::string minimal = WritePcFile(pc.Path(), "min.rom", FirmwareFile(0x301, 256, 0));
    EXPECT_EQ(fmWriteProgram(h, minimal.c_str()), 0);
    EXPECT_EQ(Config().romVersion, 0x301u);
}

TEST_F(MainFlash, CopyingTheCommandFileSetsTheCommandVersion) {
    testboard::TempDir pc;
    std::vector<uint8_t> command = FirmwareFile(0x321, 0x300, 0x52);
    std::string path = WritePcFile(pc.Path(), "RZSYS.BIN", command);
    ASSERT_EQ(fmFileCopy(h, 0, path.c_str(), "sys:\\rzsys.bin"), 0);
    EXPECT_EQ(Config().commandVersion, 0x321u);
    std::string content;
    ASSERT_TRUE(simboard::ReadBoardFile(board.Dir(), "sys:\\rzsys.bin", content));
    EXPECT_EQ(content, std::string(command.begin(), command.end()));

    // Another name, or a file too short to hold a version, leaves it.
    std::string other = WritePcFile(pc.Path(), "OTHER.BIN", FirmwareFile(0x999, 0x300, 0));
    EXPECT_EQ(fmFileCopy(h, 0, other.c_str(), "sys:\\OTHER.BIN"), 0);
    std::string tiny = WritePcFile(pc.Path(), "TINY.BIN", {1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(fmFileCopy(h, 0, tiny.c_str(), "sys:\\RZSYS.BIN"), 0);
    EXPECT_EQ(Config().commandVersion, 0x321u);
    // A nonzero second argument, a missing PC file or a bad board path fail.
    EXPECT_EQ(fmFileCopy(h, 1, path.c_str(), "sys:\\RZSYS.BIN"), -1);
    EXPECT_EQ(fmFileCopy(h, 0, (pc.Path() + "\\none").c_str(), "sys:\\RZSYS.BIN"), -1);
    EXPECT_EQ(fmFileCopy(h, 0, path.c_str(), "sys:\\..\\board.ini"), -1);
    EXPECT_EQ(fmFileCopy(h, 0, path.c_str(), nullptr), -1);
}

TEST_F(SpiFlash, PageProgrammingCanOnlyClearBits) {
    ASSERT_EQ(SPIFLASH_sector_erase(h, 0x30000), 0);
    std::vector<uint8_t> page(256, 0x3C);
    ASSERT_EQ(SPIFLASH_page_program(h, 0x30000, page.data(), 256), 0);
    std::vector<uint8_t> more(256, 0xC3);
    EXPECT_EQ(SPIFLASH_page_program(h, 0x30000, more.data(), 256), -1);
    EXPECT_EQ(Spi(board.Dir(), 0x30000, 256), Filled(256, 0x00));
    // Part of a page, within the page.
    const uint8_t part[3] = {1, 2, 3};
    EXPECT_EQ(SPIFLASH_page_program(h, 0x301FD, part, 3), 0);
    EXPECT_EQ(Spi(board.Dir(), 0x301FD, 3), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(SpiFlash, EraseUnitsAreFourAndSixtyFourKilobytes) {
    std::vector<uint8_t> zeros(0x30000, 0);
    ASSERT_TRUE(simboard::WriteSpiFlash(board.Dir(), 0x40000, zeros.data(), 0x30000));
    ASSERT_EQ(SPIFLASH_sector_erase(h, 0x41000), 0);
    EXPECT_EQ(Spi(board.Dir(), 0x40FFF, 1), Filled(1, 0));
    EXPECT_EQ(Spi(board.Dir(), 0x41000, 0x1000), Filled(0x1000, 0xFF));
    EXPECT_EQ(Spi(board.Dir(), 0x42000, 1), Filled(1, 0));
    ASSERT_EQ(SPIFLASH_block_erase(h, 0x50000), 0);
    EXPECT_EQ(Spi(board.Dir(), 0x4FFFF, 1), Filled(1, 0));
    EXPECT_EQ(Spi(board.Dir(), 0x50000, 0x10000), Filled(0x10000, 0xFF));
    EXPECT_EQ(Spi(board.Dir(), 0x60000, 1), Filled(1, 0));
}

TEST_F(SpiFlash, BadAddressesAndLengthsFailWithoutTouchingTheImage) {
    const uint64_t before = SpiDigest(board.Dir());
    const uint32_t end = simboard::kSpiDefaultSize;
    std::vector<uint8_t> buffer(512, 0);
    struct Case {
        const char* what;
        unsigned address;
        int length;
    };
    const Case kProgram[] = {
        {"crosses a page", 0x100FF, 2}, {"longer than a page", 0x10000, 257},
        {"no bytes", 0x10000, 0},       {"negative", 0x10000, -1},
        {"at the end", end, 1},         {"wraps", 0xFFFFFF00, 256},
    };
    for (const Case& c : kProgram) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(SPIFLASH_page_program(h, c.address, buffer.data(), c.length), -1);
    }
    const Case kRead[] = {
        {"past the end", end - 1, 2}, {"at the end", end, 1},   {"no bytes", 0, 0},
        {"negative", 0, -5},          {"wraps", 0xFFFFFFFF, 2},
    };
    for (const Case& c : kRead) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(SPIFLASH_read_data(h, c.address, buffer.data(), c.length), -1);
    }
    for (unsigned address : {0x800u, 0x1u, end, 0xFFFFF000u}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(SPIFLASH_sector_erase(h, address), -1);
    }
    for (unsigned address : {0x1000u, 0x8000u, end, 0xFFFF0000u}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(SPIFLASH_block_erase(h, address), -1);
    }
    EXPECT_EQ(SPIFLASH_page_program(h, 0, nullptr, 16), -1);
    EXPECT_EQ(SPIFLASH_read_data(h, 0, nullptr, 16), -1);
    EXPECT_EQ(SpiDigest(board.Dir()), before);
    EXPECT_EQ(SPIFLASH_read_data(h, end - 1, buffer.data(), 1), 0);
}

TEST_F(SpiFlash, NothingWorksWhileTheSpiFlashIsClosed) {
    ASSERT_EQ(SPIFLASH_close(h), 0);
    const uint64_t before = SpiDigest(board.Dir());
    std::vector<uint8_t> buffer(256, 0);
    EXPECT_EQ(SPIFLASH_read_data(h, 0xFC00, buffer.data(), 256), -1);
    EXPECT_EQ(SPIFLASH_page_program(h, 0x20000, buffer.data(), 256), -1);
    EXPECT_EQ(SPIFLASH_sector_erase(h, 0xF000), -1);
    EXPECT_EQ(SPIFLASH_block_erase(h, 0x10000), -1);
    EXPECT_EQ(SPIFLASH_close(h), -1);
    EXPECT_EQ(SpiDigest(board.Dir()), before);
    // Closing the board closes the SPI flash too.
    ASSERT_EQ(SPIFLASH_open(h), 0);
    Reopen();
    EXPECT_EQ(SPIFLASH_read_data(h, 0xFC00, buffer.data(), 256), -1);
    ASSERT_EQ(SPIFLASH_open(h), 0);
}
