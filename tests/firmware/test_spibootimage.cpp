// SPI boot image update on the simulated board: reads only when equal, the
// sector-wise rewrite that keeps the tail of the last sector, the bounds of
// the regions, and a message for every failure.
#include "checktexts.h"
#include "firmwaretest.h"

#include "boardlib/lm800mul.h"
#include "firmware/spibootimage.h"

#include <functional>

using namespace fwtest;
using Texts = std::vector<std::string>;

namespace {

class SpiImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        board = std::make_unique<testboard::TempBoard>();
        hBoard = board->Open();
        ASSERT_NE(hBoard, 0);
        simboard::ClearTrace(board->Dir());
    }
    void TearDown() override {
        CloseIPDev(hBoard);
        FailAllocationsFrom(0);
    }
    std::string File(const std::vector<uint8_t>& bytes) {
        std::string path = dir.Path() + "\\image.bin";
        FILE* f = fopen(path.c_str(), "wb");
        if (!bytes.empty())
            fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
        return path;
    }
    void Fault(const char* function, int nth, int result) {
        auto config = board->Config();
        config.faults.push_back({function, nth, result});
        board->SetConfig(config);
    }
    Texts Update(const std::string& path, DWORD address) {
        uitest::MessageBoxResponder responder(uitest::MessageBoxResponder::AlwaysOk);
        UpdateSpiBootImage(hBoard, path.c_str(), address);
        responder.Stop();
        Texts texts;
        for (const auto& box : responder.Seen()) {
            EXPECT_EQ(box.icon, MB_ICONHAND);
            texts.push_back(uitest::Utf8(box.text));
        }
        return texts;
    }
    int Count(const std::string& function) const {
        int n = 0;
        for (const auto& entry : simboard::ReadTrace(board->Dir()))
            n += entry.function == function;
        return n;
    }
    Texts Calls() const {
        Texts calls;
        for (const auto& entry : simboard::ReadTrace(board->Dir()))
            calls.push_back(Brief(entry));
        return calls;
    }
    std::vector<uint8_t> Spi(uint32_t address, uint32_t length) const {
        std::vector<uint8_t> bytes(length);
        EXPECT_TRUE(simboard::ReadSpiFlash(board->Dir(), address, bytes.data(), length));
        return bytes;
    }

    testboard::TempDir dir;
    std::unique_ptr<testboard::TempBoard> board;
    int hBoard = 0;
};

} // namespace

TEST_F(SpiImageTest, MissingFileGivesOneMessageAndLeavesTheFlashClosed) {
    std::string path = dir.Path() + "\\missing.bin";
    EXPECT_EQ(Update(path, 0), Texts{path + kOpenFailedSuffix});
    EXPECT_EQ(Calls(), Texts{});
}

TEST_F(SpiImageTest, EmptyFileOpensAndClosesOnly) {
    EXPECT_EQ(Update(File({}), 0), Texts{});
    EXPECT_EQ(Calls(), (Texts{"SPIFLASH_open()=0", "SPIFLASH_close()=0"}));
}

TEST_F(SpiImageTest, EqualImageCostsReadsOnly) {
    EXPECT_EQ(Update(File(simboard::MakeOldBootImage(0x10000)), 0x10000), Texts{});
    EXPECT_EQ(Calls(), (Texts{"SPIFLASH_open()=0", "SPIFLASH_read_data(0x10000, 4096)=0",
                              "SPIFLASH_close()=0"}));
}

TEST_F(SpiImageTest, FileOf4097BytesRewritesTwoSectorsKeepingTheOldTail) {
    std::vector<uint8_t> tail = PatternImage(8192, 0x33);
    ASSERT_TRUE(simboard::WriteSpiFlash(board->Dir(), 0, tail.data(), 8192));
    auto image = PatternImage(4097, 0x77);
    EXPECT_EQ(Update(File(image), 0), Texts{});
    Texts expected = {"SPIFLASH_open()=0", "SPIFLASH_read_data(0x0, 8192)=0",
                      "SPIFLASH_sector_erase(0x0)=0", "SPIFLASH_sector_erase(0x1000)=0"};
    for (uint32_t offset = 0; offset < 8192; offset += 256) {
        char text[64];
        snprintf(text, sizeof(text), "SPIFLASH_page_program(0x%X, 256)=0", offset);
        expected.push_back(text);
    }
    expected.push_back("SPIFLASH_read_data(0x0, 8192)=0"); // read back
    expected.push_back("SPIFLASH_close()=0");
    EXPECT_EQ(Calls(), expected);
    EXPECT_EQ(Count("SPIFLASH_page_program"), 32);
    auto after = Spi(0, 8192);
    EXPECT_EQ(std::vector<uint8_t>(after.begin(), after.begin() + 4097), image);
    EXPECT_EQ(std::vector<uint8_t>(after.begin() + 4097, after.end()),
              std::vector<uint8_t>(tail.begin() + 4097, tail.end()));
    // The product data sector is untouched.
    EXPECT_EQ(Spi(0xFC00, 256), simboard::MakeProductData(0x200, simboard::CreateOptions().mac));
}

TEST_F(SpiImageTest, RegionOf128KiBIsReadInTwoPiecesAndErasedByBlockThenSectors) {
    auto image = PatternImage(131072, 0x11);
    EXPECT_EQ(Update(File(image), 0x10000), Texts{});
    auto calls = Calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[1], "SPIFLASH_read_data(0x10000, 65536)=0");
    EXPECT_EQ(calls[2], "SPIFLASH_read_data(0x20000, 65536)=0");
    EXPECT_EQ(calls[3], "SPIFLASH_block_erase(0x10000)=0");
    EXPECT_EQ(Count("SPIFLASH_block_erase"), 1);
    EXPECT_EQ(Count("SPIFLASH_sector_erase"), 16);
    EXPECT_EQ(Count("SPIFLASH_page_program"), 512);
    EXPECT_EQ(Spi(0x10000, 131072), image);
}

TEST_F(SpiImageTest, PositivePageProgramResultIsNoFailureButTheReadBackStillCounts) {
    // The faulty call reports 1 and programs nothing: no message for the
    // result, but the read-back finds the page missing and the region is
    // written again.
    Fault("SPIFLASH_page_program", 1, 1);
    auto image = PatternImage(1000, 9);
    EXPECT_EQ(Update(File(image), 0), Texts{});
    EXPECT_EQ(Count("SPIFLASH_page_program"), 32);
    EXPECT_EQ(Count("SPIFLASH_sector_erase"), 2);
    EXPECT_EQ(Calls().back(), "SPIFLASH_close()=0");
    EXPECT_EQ(Spi(0, 1000), image);
}

TEST_F(SpiImageTest, OnlyALastingFailureHasItsMessageAndClosesTheFlash) {
    struct Case {
        const char* function;
        int tries; // calls that fail in a row: 1 is survived by the next try
        const char* message;
        int closes;
    } cases[] = {
        {"SPIFLASH_open", 1, kSpiOpen, 0},          {"SPIFLASH_read_data", 1, kSpiRead, 1},
        {"SPIFLASH_sector_erase", 1, nullptr, 1},   {"SPIFLASH_page_program", 1, nullptr, 1},
        {"SPIFLASH_sector_erase", 3, kSpiErase, 1}, {"SPIFLASH_page_program", 3, kSpiWrite, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.function) + " x" + std::to_string(c.tries));
        SetUp();
        for (int nth = 1; nth <= c.tries; ++nth)
            Fault(c.function, nth, -1);
        auto image = PatternImage(1000, 5);
        EXPECT_EQ(Update(File(image), 0), c.message ? Texts{c.message} : Texts{});
        EXPECT_EQ(Count("SPIFLASH_close"), c.closes);
        if (!c.message) {
            EXPECT_EQ(Spi(0, 1000), image);
        }
        TearDown();
    }
}

TEST_F(SpiImageTest, ImagesLongerThanTheirRegionAreRefusedBeforeAnyCall) {
    auto before = Spi(0, 0x20000);
    std::string path = File(PatternImage(61441, 1));
    EXPECT_EQ(Update(path, 0), Texts{std::string(kTooLargePrefix) + path + kTooLargeSuffix});
    path = File(PatternImage(0x100000 - 0x10000 + 1, 2));
    EXPECT_EQ(Update(path, 0x10000), Texts{std::string(kTooLargePrefix) + path + kTooLargeSuffix});
    EXPECT_EQ(Calls(), Texts{});
    EXPECT_EQ(Spi(0, 0x20000), before);
}

TEST_F(SpiImageTest, ImageFillingItsRegionStopsBelowTheProductDataSector) {
    auto productData = Spi(0xF000, 4096);
    auto image = PatternImage(61440, 4);
    EXPECT_EQ(Update(File(image), 0), Texts{});
    EXPECT_EQ(Spi(0, 61440), image);
    EXPECT_EQ(Spi(0xF000, 4096), productData);
    EXPECT_EQ(Count("SPIFLASH_sector_erase"), 15);
    EXPECT_EQ(Count("SPIFLASH_block_erase"), 0);
}

TEST_F(SpiImageTest, NoWorkMemoryGivesAMessageAndTouchesNothing) {
    FailAllocationsFrom(1);
    EXPECT_EQ(Update(File(PatternImage(3000, 6)), 0), Texts{kSpiWork});
    EXPECT_EQ(Calls(), Texts{});
}

TEST(SpiImageLimits, RegionsOfTheLayout) {
    EXPECT_EQ(SpiImageLimit(0), 61440u);
    EXPECT_EQ(SpiImageLimit(0x10000), 0xF0000u);
    EXPECT_EQ(SpiImageLimit(0xF000), 0u);
    EXPECT_EQ(SpiImageLimit(0x100000), 0u);
}

TEST(LocalFileLength, LengthsAndUnusablePaths) {
    testboard::TempDir dir;
    std::string path = dir.Path() + "\\f.bin";
    EXPECT_EQ(GetLocalFileLength(path.c_str()), -1);
    FILE* f = fopen(path.c_str(), "wb");
    fwrite("12345", 1, 5, f);
    fclose(f);
    EXPECT_EQ(GetLocalFileLength(path.c_str()), 5);
    EXPECT_EQ(GetLocalFileLength(""), -1);
    EXPECT_EQ(GetLocalFileLength(nullptr), -1);
    std::string tooLong = dir.Path() + "\\" + std::string(300, 'x');
    EXPECT_EQ(GetLocalFileLength(tooLong.c_str()), -1);
}
