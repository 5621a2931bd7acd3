// Product data operations on the simulated board: the validity rules, the
// reads and writes of both copies with their messages and call orders, and
// the SPI range erase.
#include "checktexts.h"
#include "firmwaretest.h"

#include "boardlib/lm800mul.h"
#include "firmware/productdata.h"
#include "firmware/recoveryrecord.h"

#include <cstring>
#include <functional>

using namespace fwtest;
using Texts = std::vector<std::string>;

namespace {

std::string Hex(uint32_t value) {
    char text[16];
    snprintf(text, sizeof(text), "0x%X", value);
    return text;
}

ProductData Block(uint32_t type) {
    const uint8_t mac[6] = {0x00, 0x80, 0x4C, 0x12, 0x34, 0x56};
    auto bytes = simboard::MakeProductData(type, mac);
    ProductData block;
    std::memcpy(block.bytes, bytes.data(), 256);
    return block;
}

// A board opened for direct calls; message boxes answered OK and recorded.
class ProductDataTest : public ::testing::Test {
protected:
    void Open(uint32_t boardType = 0x200) {
        simboard::CreateOptions options;
        options.boardType = boardType;
        board = std::make_unique<testboard::TempBoard>(options);
        const std::vector<uint8_t> bootHead(256, 0x5A); // a board boots from there
        ASSERT_TRUE(simboard::WriteMainFlash(board->Dir(), 0, bootHead.data(), 256));
        hBoard = board->Open();
        ASSERT_NE(hBoard, 0);
        simboard::ClearTrace(board->Dir());
    }
    void TearDown() override {
        if (hBoard != 0)
            CloseIPDev(hBoard);
        FailAllocationsFrom(0);
        RemoveAllRecoveryRecords();
    }
    void Fault(const char* function, int nth, int result) {
        auto config = board->Config();
        config.faults.push_back({function, nth, result});
        board->SetConfig(config);
    }
    Texts Boxes(const std::function<void()>& action) {
        uitest::MessageBoxResponder responder(uitest::MessageBoxResponder::AlwaysOk);
        action();
        responder.Stop();
        Texts texts;
        for (const auto& box : responder.Seen()) {
            EXPECT_EQ(box.icon, MB_ICONHAND);
            EXPECT_FALSE(box.hasCancel);
            texts.push_back(uitest::Utf8(box.text));
        }
        return texts;
    }
    Texts Calls() const {
        Texts calls;
        for (const auto& entry : simboard::ReadTrace(board->Dir()))
            calls.push_back(Brief(entry));
        return calls;
    }

    std::unique_ptr<testboard::TempBoard> board;
    int hBoard = 0;
};

} // namespace

TEST(ProductDataValidity, EachRuleInItsOrder) {
    struct Case {
        const char* name;
        std::function<void(ProductData&)> change;
        int expected;
    } cases[] = {
        {"valid", [](ProductData&) {}, 0},
        {"leading field erased", [](ProductData& b) { std::memset(b.bytes, 0xFF, 9); }, -1},
        {"leading field zero", [](ProductData& b) { std::memset(b.bytes, 0x00, 9); }, -1},
        {"leading field one byte set",
         [](ProductData& b) {
             std::memset(b.bytes, 0x00, 9);
             b.bytes[8] = 1;
         },
         0},
        {"byte 9 is not part of the field",
         [](ProductData& b) {
             std::memset(b.bytes, 0xFF, 9);
             b.bytes[9] = 0;
         },
         -1},
        {"wrong marker", [](ProductData& b) { std::memcpy(b.bytes + 16, "SRZ-Lm", 6); }, -1},
        {"marker case", [](ProductData& b) { std::memcpy(b.bytes + 16, "nrz-lm", 6); }, -1},
        {"MAC erased", [](ProductData& b) { std::memset(b.bytes + 32, 0xFF, 6); }, -1},
        {"MAC zero", [](ProductData& b) { std::memset(b.bytes + 32, 0x00, 6); }, -1},
        {"MAC group bit", [](ProductData& b) { b.bytes[32] |= 0x01; }, -1},
        {"MAC local bit is fine", [](ProductData& b) { b.bytes[32] |= 0x02; }, 0},
        {"MAC partly erased", [](ProductData& b) { std::memset(b.bytes + 32, 0xFF, 5); }, -1},
        {"MAC last bytes erased", [](ProductData& b) { std::memset(b.bytes + 33, 0xFF, 5); }, 0},
    };
    for (uint32_t type : {0x200u, 0x201u}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " type " + std::to_string(type));
            ProductData block = Block(type);
            c.change(block);
            EXPECT_EQ(IsProductDataValid(block, type), c.expected);
        }
    }
}

TEST(ProductDataValidity, MarkerDependsOnTheBoardType) {
    EXPECT_EQ(IsProductDataValid(Block(0x300), 0x300), 0);
    EXPECT_EQ(IsProductDataValid(Block(0x200), 0x300), -1); // "NRZ-Lm" on type 0x300
    EXPECT_EQ(IsProductDataValid(Block(0x300), 0x200), -1);
    EXPECT_EQ(IsProductDataValid(Block(0x300), 0x201), -1);
    // Another type has no marker rule.
    EXPECT_EQ(IsProductDataValid(Block(0x300), 0x123), 0);
    ProductData group = Block(0x300);
    group.bytes[32] = 0x01;
    EXPECT_EQ(IsProductDataValid(group, 0x123), -1);
}

TEST_F(ProductDataTest, ReadsBothCopies) {
    Open();
    ProductData main = {}, spi = {};
    EXPECT_EQ(ReadFlashProductData(hBoard, main, 0xC00), 0);
    EXPECT_EQ(Boxes([&] { EXPECT_EQ(ReadSpiProductData(hBoard, spi), 0); }), Texts{});
    EXPECT_EQ(std::memcmp(main.bytes, Block(0x200).bytes, 256), 0);
    EXPECT_EQ(std::memcmp(spi.bytes, Block(0x200).bytes, 256), 0);
    EXPECT_EQ(Calls(), (Texts{"fmReadDataBuffer(0xC00, 128)=0", "SPIFLASH_open()=0",
                              "SPIFLASH_read_data(0xFC00, 256)=0", "SPIFLASH_close()=0"}));
}

TEST_F(ProductDataTest, FlashReadFailureIsSilent) {
    Open();
    Fault("fmReadDataBuffer", 1, -4);
    ProductData main = {};
    EXPECT_EQ(Boxes([&] { EXPECT_EQ(ReadFlashProductData(hBoard, main, 0xC00), -1); }), Texts{});
}

TEST_F(ProductDataTest, SpiReadFailuresEachHaveTheirMessage) {
    struct Case {
        const char* function;
        const char* message;
        Texts calls;
    } cases[] = {
        {"SPIFLASH_open", kPdReadOpen, {"SPIFLASH_open()=-1"}},
        {"SPIFLASH_read_data",
         kPdReadRead,
         {"SPIFLASH_open()=0", "SPIFLASH_read_data(0xFC00, 256)=-1", "SPIFLASH_close()=0"}},
        {"SPIFLASH_close",
         kPdReadClose,
         {"SPIFLASH_open()=0", "SPIFLASH_read_data(0xFC00, 256)=0", "SPIFLASH_close()=-1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        Open();
        Fault(c.function, 1, -1);
        ProductData spi = {};
        EXPECT_EQ(Boxes([&] { EXPECT_EQ(ReadSpiProductData(hBoard, spi), -1); }), Texts{c.message});
        EXPECT_EQ(Calls(), c.calls);
        CloseIPDev(hBoard);
        hBoard = 0;
    }
    // No record is made from a sector whose boot ROM head is blank.
    Open();
    const std::vector<uint8_t> blank(256, 0xFF);
    ASSERT_TRUE(simboard::WriteMainFlash(board->Dir(), 0, blank.data(), 256));
    ProductData block = Block(0x200);
    EXPECT_EQ(WriteFlashProductData(hBoard, block.bytes, 0xC00, 256, 0x200), kBootRomHeadBlank);
    EXPECT_EQ(Calls(), Texts{"fmReadDataBuffer(0x0, 32768)=0"});
    EXPECT_EQ(FindRecoveryRecords(), Texts{});
}

TEST_F(ProductDataTest, FlashWriteRewritesOnlyTheSectorBelowAndReadsItBack) {
    // Type 0x201: the copy at 0x17FFC00 lies in the last sector of a 24 MiB part.
    Open(0x201);
    std::vector<uint8_t> before(0x10000);
    ASSERT_TRUE(simboard::ReadMainFlash(board->Dir(), 0x17F0000, before.data(), 0x10000));
    ProductData block = Block(0x201);
    block.bytes[100] = 0x42;
    EXPECT_EQ(Boxes([&] {
                  EXPECT_EQ(WriteFlashProductData(hBoard, block.bytes, 0x17FFC00, 256, 0x201), 0);
              }),
              Texts{});
    EXPECT_EQ(Calls(), (Texts{"fmReadDataBuffer(0x17F0000, 32768)=0", "fmSectorErase(0x17F0000)=0",
                              "fmWriteDataBuffer(0x17F0000, 32768)=0",
                              "fmReadDataBuffer(0x17F0000, 32768)=0"}));
    std::vector<uint8_t> after(0x10000);
    ASSERT_TRUE(simboard::ReadMainFlash(board->Dir(), 0x17F0000, after.data(), 0x10000));
    std::memcpy(before.data() + 0xFC00, block.bytes, 256);
    EXPECT_EQ(after, before);
    EXPECT_EQ(testboard::IllegalNorOps(board->Dir()), 0);
    EXPECT_EQ(FindRecoveryRecords(), std::vector<std::string>{}) << "the record outlived the write";
}

TEST_F(ProductDataTest, FlashWriteTriesAgainFromItsImageAndReportsOnlyALastingFailure) {
    struct Case {
        const char* name;
        std::vector<simboard::Fault> faults;
        const char* message; // nullptr: the write succeeds after all
        size_t calls;
    } cases[] = {
        {"read before the erase", {{"fmReadDataBuffer", 1, -1}}, kPdFlashRead, 1},
        {"erase once", {{"fmSectorErase", 1, -1}}, nullptr, 5},
        {"erase part-way once", {{"fmSectorErase", 1, -1, true}}, nullptr, 5},
        {"write part-way once", {{"fmWriteDataBuffer", 1, -1, true}}, nullptr, 6},
        {"read-back once", {{"fmReadDataBuffer", 2, -1}}, nullptr, 7},
        {"erase every try",
         {{"fmSectorErase", 1, -1}, {"fmSectorErase", 2, -1}, {"fmSectorErase", 3, -1}},
         kPdFlashErase,
         4},
        {"write every try",
         {{"fmWriteDataBuffer", 1, -1, true},
          {"fmWriteDataBuffer", 2, -1, true},
          {"fmWriteDataBuffer", 3, -1}},
         kPdFlashWrite,
         7},
        {"read-back every try",
         {{"fmReadDataBuffer", 2, -1}, {"fmReadDataBuffer", 3, -1}, {"fmReadDataBuffer", 4, -1}},
         kPdFlashWrite,
         10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveAllRecoveryRecords();
        Open();
        std::vector<uint8_t> before(0x10000);
        ASSERT_TRUE(simboard::ReadMainFlash(board->Dir(), 0, before.data(), 0x10000));
        auto config = board->Config();
        config.faults = c.faults;
        board->SetConfig(config);
        ProductData block = Block(0x200);
        block.bytes[200] = 0x5A;
        const int expected = c.message ? -1 : 0;
        EXPECT_EQ(Boxes([&] {
                      EXPECT_EQ(WriteFlashProductData(hBoard, block.bytes, 0xC00, 256, 0x200),
                                expected);
                  }),
                  c.message ? Texts{c.message} : Texts{});
        EXPECT_EQ(Calls().size(), c.calls);
        EXPECT_EQ(testboard::IllegalNorOps(board->Dir()), 0);
        // A failure after the erase leaves the record on the PC; otherwise none.
        const bool erased = c.message && c.calls > 1;
        EXPECT_EQ(FindRecoveryRecords().size(), erased ? 1u : 0u);
        if (!c.message) {
            std::vector<uint8_t> after(0x10000);
            ASSERT_TRUE(simboard::ReadMainFlash(board->Dir(), 0, after.data(), 0x10000));
            std::memcpy(before.data() + 0xC00, block.bytes, 256);
            EXPECT_EQ(after, before);
        }
        CloseIPDev(hBoard);
        hBoard = 0;
    }
}

TEST_F(ProductDataTest, FlashWriteWithoutWorkMemoryCallsNothing) {
    Open();
    FailAllocationsFrom(131072);
    ProductData block = Block(0x200);
    EXPECT_EQ(Boxes([&] {
                  EXPECT_EQ(WriteFlashProductData(hBoard, block.bytes, 0xC00, 256, 0x200), -1);
              }),
              Texts{kPdWork});
    EXPECT_EQ(Calls(), Texts{});
}

TEST_F(ProductDataTest, SpiWriteRewritesSectorF000KeepingItsOtherBytes) {
    Open();
    std::vector<uint8_t> sector(4096);
    for (size_t i = 0; i < sector.size(); ++i)
        sector[i] = static_cast<uint8_t>(i * 3);
    ASSERT_TRUE(simboard::WriteSpiFlash(board->Dir(), 0xF000, sector.data(), 4096));
    ProductData block = Block(0x200);
    EXPECT_EQ(Boxes([&] { WriteSpiProductData(hBoard, block); }), Texts{});
    Texts expected = {"SPIFLASH_open()=0", "SPIFLASH_read_data(0xF000, 4096)=0",
                      "SPIFLASH_sector_erase(0xF000)=0"};
    for (uint32_t offset = 0; offset < 4096; offset += 256) {
        char text[64];
        snprintf(text, sizeof(text), "SPIFLASH_page_program(0x%X, 256)=0", 0xF000 + offset);
        expected.push_back(text);
    }
    expected.push_back("SPIFLASH_read_data(0xF000, 4096)=0"); // read back
    expected.push_back("SPIFLASH_close()=0");
    EXPECT_EQ(Calls(), expected);
    std::vector<uint8_t> after(4096);
    ASSERT_TRUE(simboard::ReadSpiFlash(board->Dir(), 0xF000, after.data(), 4096));
    std::memcpy(sector.data() + 0xC00, block.bytes, 256);
    EXPECT_EQ(after, sector);
}

// A rewrite of the SPI copy cut inside its page program leaves the first half
// of the block right and the rest of its sector erased: it counts only as the
// whole block, and the sector, data beside the copy included, comes back
// from the record.
TEST_F(ProductDataTest, SpiCopyCutShortInItsRewriteCountsOnlyWhole) {
    Open();
    const ProductData block = Block(0x200);
    std::vector<uint8_t> sector(4096, 0xFF); // as the cut rewrite was writing it
    for (size_t i = 0; i < 0x300; ++i)
        sector[i] = static_cast<uint8_t>(i * 7 + 1);
    std::memcpy(sector.data() + 0xC00, block.bytes, 256);
    std::vector<uint8_t> cut(4096, 0xFF);
    std::memcpy(cut.data() + 0xC00, block.bytes, 128);
    const std::vector<uint8_t> erased(256, 0xFF);
    ASSERT_TRUE(simboard::WriteSpiFlash(board->Dir(), 0xF000, cut.data(), 4096));
    ASSERT_TRUE(simboard::WriteMainFlash(board->Dir(), 0xC00, erased.data(), 256));
    ASSERT_TRUE(SaveSpiCopyRecord(block, sector.data()));

    ReconcileProductData copies(hBoard, 0x200);
    copies.ReadCopies();
    ASSERT_TRUE(copies.m_bSpiValid && copies.m_bSpiRewrite);
    EXPECT_EQ(Boxes([&] { copies.Repair(FALSE); }), Texts{});
    const std::vector<uint8_t> whole(block.bytes, block.bytes + 256);
    std::vector<uint8_t> spi(256), main(256);
    ASSERT_TRUE(simboard::ReadSpiFlash(board->Dir(), 0xFC00, spi.data(), 256));
    ASSERT_TRUE(simboard::ReadMainFlash(board->Dir(), 0xC00, main.data(), 256));
    EXPECT_EQ(spi, whole);
    EXPECT_EQ(main, whole);
    std::vector<uint8_t> after(4096);
    ASSERT_TRUE(simboard::ReadSpiFlash(board->Dir(), 0xF000, after.data(), 4096));
    EXPECT_EQ(after, sector) << "the data beside the copy is back";
    ProductData left = {};
    std::vector<BYTE> leftSector;
    EXPECT_FALSE(LoadSpiCopyRecord(block, left, leftSector)) << "the record outlived the write";

    // The record of a rewrite that read back right but was not removed.
    ASSERT_TRUE(SaveSpiCopyRecord(block, sector.data()));
    simboard::ClearTrace(board->Dir());
    copies.ReadCopies();
    EXPECT_TRUE(copies.m_bSpiValid && !copies.m_bSpiRewrite);
    EXPECT_FALSE(LoadSpiCopyRecord(block, left, leftSector));
}

TEST_F(ProductDataTest, SpiWriteTriesAgainAndReportsOnlyALastingFailureClosingOnce) {
    // The nth-th call of each try fails (each try makes `nth` such calls).
    auto everyTry = [](const char* function, bool partial, int nth = 1) {
        std::vector<simboard::Fault> faults;
        for (int attempt = 1; attempt <= 3; ++attempt)
            faults.push_back({function, nth * attempt, 1, partial});
        return faults;
    };
    struct Case {
        const char* name;
        std::vector<simboard::Fault> faults;
        const char* message; // nullptr: written after all
        int closes;
    } cases[] = {
        {"open", {{"SPIFLASH_open", 1, 1}}, kPdSpiOpen, 0},
        {"read", {{"SPIFLASH_read_data", 1, 1}}, kPdSpiRead, 1},
        {"close", {{"SPIFLASH_close", 1, 1}}, kPdSpiClose, 1},
        {"erase part-way once", {{"SPIFLASH_sector_erase", 1, 1, true}}, nullptr, 1},
        {"last page part-way once", {{"SPIFLASH_page_program", 16, 1, true}}, nullptr, 1},
        {"read-back once", {{"SPIFLASH_read_data", 2, 1}}, nullptr, 1},
        {"erase every try", everyTry("SPIFLASH_sector_erase", true), kPdSpiErase, 1},
        {"first page every try", everyTry("SPIFLASH_page_program", false), kPdSpiWrite, 1},
        {"last page every try", everyTry("SPIFLASH_page_program", true, 16), kPdSpiWrite, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open();
        auto config = board->Config();
        config.faults = c.faults; // any nonzero result is a failure here
        board->SetConfig(config);
        EXPECT_EQ(Boxes([&] { WriteSpiProductData(hBoard, Block(0x200)); }),
                  c.message ? Texts{c.message} : Texts{});
        int closes = 0;
        for (const auto& entry : simboard::ReadTrace(board->Dir()))
            closes += entry.function == "SPIFLASH_close";
        EXPECT_EQ(closes, c.closes);
        EXPECT_EQ(testboard::IllegalNorOps(board->Dir()), 0);
        if (!c.message) {
            std::vector<uint8_t> spi(256);
            ASSERT_TRUE(simboard::ReadSpiFlash(board->Dir(), 0xFC00, spi.data(), 256));
            ProductData block = Block(0x200);
            EXPECT_EQ(spi, std::vector<uint8_t>(block.bytes, block.bytes + 256));
        }
        CloseIPDev(hBoard);
        hBoard = 0;
    }
}

TEST_F(ProductDataTest, EraseSpiRangeUsesBlocksOnlyWhileMoreThanABlockRemains) {
    struct Case {
        int start, length;
        int blocks, sectors;
        const char* first;
    } cases[] = {{0xF000, 4096, 0, 1, "SPIFLASH_sector_erase(0xF000)=0"},
                 {0x10000, 65536, 0, 16, "SPIFLASH_sector_erase(0x10000)=0"},
                 {0x10000, 131072, 1, 16, "SPIFLASH_block_erase(0x10000)=0"},
                 {0x0, 0x10000 + 0x1000, 1, 1, "SPIFLASH_block_erase(0x0)=0"},
                 {0x0, 0, 0, 0, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        Open();
        ASSERT_EQ(SPIFLASH_open(hBoard), 0);
        simboard::ClearTrace(board->Dir());
        EXPECT_EQ(EraseSpiRange(hBoard, c.start, c.length), 0);
        SPIFLASH_close(hBoard);
        auto trace = simboard::ReadTrace(board->Dir());
        int blocks = 0, sectors = 0;
        uint32_t next = static_cast<uint32_t>(c.start);
        for (const auto& entry : trace) {
            if (entry.function == "SPIFLASH_block_erase") {
                ++blocks;
                EXPECT_EQ(entry.args[1], Hex(next));
                next += 0x10000;
            } else if (entry.function == "SPIFLASH_sector_erase") {
                ++sectors;
                EXPECT_EQ(entry.args[1], Hex(next));
                next += 0x1000;
            }
        }
        EXPECT_EQ(blocks, c.blocks);
        EXPECT_EQ(sectors, c.sectors);
        EXPECT_EQ(next, static_cast<uint32_t>(c.start + c.length));
        if (c.first) {
            EXPECT_EQ(Brief(trace.front()), c.first);
        }
        CloseIPDev(hBoard);
        hBoard = 0;
    }
}

TEST_F(ProductDataTest, EraseSpiRangeStopsAtTheFirstFailure) {
    Open();
    ASSERT_EQ(SPIFLASH_open(hBoard), 0);
    Fault("SPIFLASH_sector_erase", 2, -1);
    simboard::ClearTrace(board->Dir());
    EXPECT_EQ(EraseSpiRange(hBoard, 0x10000, 65536), -1);
    EXPECT_EQ(Calls(),
              (Texts{"SPIFLASH_sector_erase(0x10000)=0", "SPIFLASH_sector_erase(0x11000)=-1"}));
}
