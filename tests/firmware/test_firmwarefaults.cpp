// The firmware check's failure table on a simulated board: each failing
// board call shows its message at its place and ends or continues the check
// as it should; the product data repair table at start-up.
#include "checktexts.h"
#include "firmwaretest.h"

#include "boardlib/lm800mul.h"
#include "app/tarnelapp.h"
#include "firmware/recoveryrecord.h"

using namespace fwtest;
using Texts = std::vector<std::string>;

namespace {

class FailureTest : public FirmwareCheckTest {
protected:
    // Boot ROM and command file newer; the SPI images differ from the board's.
    void PrepareAllDue(uint32_t boardType = 0x200) {
        Versions v;
        v.fileRom = 0x101;
        v.fileCommand = 0x101;
        Prepare(boardType, v);
        install->WriteDriverFile("lm8spiboot.bin", PatternImage(3000, 1));
        install->WriteDriverFile("lm8boot2.bin", PatternImage(2000, 2));
    }
    bool SpiImagesCurrent() const {
        return SpiFlash(0, 3000) == PatternImage(3000, 1) &&
               SpiFlash(0x10000, 2000) == PatternImage(2000, 2);
    }
};

} // namespace

TEST_F(FailureTest, VersionInfoFailingFirstEndsTheCheckAtOnce) {
    PrepareAllDue();
    InjectFault("GetIPVersionInfo", 1, -1);
    CheckRun run = RunCheck(*board);
    EXPECT_EQ(run.BoxTexts(), Texts{kVersionFailed});
    EXPECT_EQ(run.boxes[0].icon, MB_ICONHAND);
    EXPECT_EQ(run.calls, Texts{"GetIPVersionInfo()=-1"});
    EXPECT_EQ(run.nCreates, 0);
}

TEST_F(FailureTest, VersionInfoFailingSecondEndsWithoutWindowOrSpiUpdate) {
    PrepareAllDue();
    InjectFault("GetIPVersionInfo", 2, -1);
    CheckRun run = RunCheck(*board);
    EXPECT_EQ(run.BoxTexts(), Texts{kVersionFailed});
    EXPECT_EQ(run.calls.back(), "GetIPVersionInfo()=-1");
    EXPECT_EQ(run.nCreates, 0);
    EXPECT_FALSE(SpiImagesCurrent());
}

TEST_F(FailureTest, BootRomWriteFailingPutsTheProductDataBackAndTouchesNothingElse) {
    // A real boot ROM write can fail after it has erased the boot sector; on a
    // type 0x300 board the main copy is the only one.
    struct Case {
        uint32_t boardType;
        bool partial;
    } cases[] = {{0x200, false}, {0x200, true}, {0x300, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.boardType) + (c.partial ? " partial" : " plain"));
        PrepareAllDue(c.boardType);
        const auto identity = MainProductData();
        auto config = board->Config();
        config.faults.push_back({"fmWriteProgram", 1, -1, c.partial});
        board->SetConfig(config);
        CheckRun run = RunCheck(*board);
        EXPECT_EQ(run.BoxTexts(), (Texts{kIplQuestion, kProgramFailed}));
        EXPECT_EQ(run.boxes[1].icon, MB_ICONHAND);
        EXPECT_EQ(run.events.back(), "destroy pos=25");
        const auto program = run.CallsOf({"fmWriteProgram"}).back();
        EXPECT_EQ(run.CallsOf({"fmWriteProgram", "fmSectorErase", "fmWriteDataBuffer"}),
                  (Texts{program, "fmSectorErase(0x0)=0", "fmWriteDataBuffer(0x0, 32768)=0"}));
        EXPECT_EQ(MainProductData(), identity);
        EXPECT_EQ(FindRecoveryRecords(), Texts{});
        EXPECT_FALSE(run.bBoardUpdated);
        EXPECT_EQ(run.Count("fmDelete"), 0);
        if (c.boardType == 0x200) {
            EXPECT_FALSE(SpiImagesCurrent());
        }
        EXPECT_EQ(testboard::IllegalNorOps(board->Dir()), 0);
    }
}

TEST_F(FailureTest, WriteBackFailingEveryTryShowsBothMessagesAndKeepsTheRecord) {
    struct Case {
        const char* function;
        std::vector<int> nth;
        const char* message;
    } cases[] = {{"fmReadDataBuffer", {3}, kPdFlashRead}, // #2 reads the region it replaces
                 {"fmSectorErase", {1, 2, 3}, kPdFlashErase},
                 {"fmWriteDataBuffer", {1, 2, 3}, kPdFlashWrite},
                 {"fmReadDataBuffer", {4, 5, 6}, kPdFlashWrite}}; // the read-backs
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        PrepareAllDue();
        for (int nth : c.nth)
            InjectFault(c.function, nth, -1);
        CheckRun run = RunCheck(*board);
        EXPECT_EQ(run.BoxTexts(), (Texts{kIplQuestion, c.message, kWriteBackFailed}));
        EXPECT_EQ(run.events.back(), "destroy pos=50");
        // The boot sector is not whole: no reset may be offered on Exit.
        EXPECT_FALSE(run.bBoardUpdated);
        EXPECT_TRUE(theApp.m_bFlashWriteUnfinished);
        EXPECT_EQ(run.Count("fmDelete"), 0);
        EXPECT_FALSE(SpiImagesCurrent());
        // The boot ROM write erased the product data: the record waits on the PC.
        EXPECT_EQ(FindRecoveryRecords().size(), 1u);
    }
}

TEST_F(FailureTest, WriteBackWithoutWorkMemoryShowsBothMessagesAndErasesNothing) {
    PrepareAllDue();
    FailAllocationsFrom(131072);
    CheckRun run = RunCheck(*board);
    EXPECT_EQ(run.BoxTexts(), (Texts{kIplQuestion, kPdWork, kWriteBackFailed}));
    EXPECT_EQ(run.Count("fmSectorErase"), 0);
}

TEST_F(FailureTest, DeleteFailingEndsWithItsMessage) {
    PrepareAllDue();
    InjectFault("fmDelete", 1, -1);
    CheckRun run = RunCheck(*board);
    EXPECT_EQ(run.BoxTexts(), (Texts{kIplQuestion, kCommandQuestionShort, kDeleteFailed}));
    EXPECT_EQ(run.events.back(), "destroy pos=75");
    EXPECT_EQ(run.Count("fmFileCopy"), 0);
    EXPECT_EQ(BoardFile("sys:\\RZSYS.BIN"), "old command file");
    EXPECT_FALSE(SpiImagesCurrent());
}

TEST_F(FailureTest, CopyFailingEndsWithItsMessageAndTheNextStartCopiesAgain) {
    PrepareAllDue();
    InjectFault("fmFileCopy", 1, -1);
    CheckRun run = RunCheck(*board);
    EXPECT_EQ(run.BoxTexts(), (Texts{kIplQuestion, kCommandQuestionShort, kCopyFailed}));
    EXPECT_EQ(run.events.back(), "destroy pos=100");
    EXPECT_FALSE(SpiImagesCurrent());
    // The board's command file is gone now; the next start must not fail on
    // deleting it again, but copy the installed one.
    EXPECT_EQ(BoardFile("sys:\\RZSYS.BIN"), "");
    board->SetConfig([&] {
        auto config = board->Config();
        config.faults.clear();
        return config;
    }());
    // It says the copy was left unfinished before it offers it again.
    CheckRun next = RunCheck(*board);
    EXPECT_EQ(next.BoxTexts(), (Texts{kCommandUnfinished, kCommandQuestionLong, kCompleted}));
    EXPECT_EQ(next.Count("fmFileCopy"), 1);
    auto file = HeaderFile(0x101, 0x200, 512);
    EXPECT_EQ(BoardFile("sys:\\RZSYS.BIN"), std::string(file.begin(), file.end()));
    EXPECT_TRUE(SpiImagesCurrent());
}

TEST_F(FailureTest, DeleteFailingWhileTheFileIsThereIsStillReported) {
    PrepareAllDue();
    InjectFault("fmDelete", 1, -3);
    CheckRun run = RunCheck(*board, {IDCANCEL, IDOK});
    EXPECT_EQ(run.BoxTexts(), (Texts{kIplQuestion, kCommandQuestionLong, kDeleteFailed}));
    // Looked for before the delete (to keep what it replaces) and after it.
    EXPECT_EQ(run.CallsOf({"fmFindFile"}),
              (Texts{"fmFindFile(\"sys:\\RZSYS.BIN\")=1", "fmFindFile(\"sys:\\RZSYS.BIN\")=1"}));
}

TEST_F(FailureTest, SpiProductDataReadFailuresAreReportedAndTheCheckGoesOn) {
    struct Case {
        const char* function;
        const char* message;
    } cases[] = {{"SPIFLASH_open", kPdReadOpen},
                 {"SPIFLASH_read_data", kPdReadRead},
                 {"SPIFLASH_close", kPdReadClose}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        PrepareAllDue();
        InjectFault(c.function, 1, -1);
        CheckRun run = RunCheck(*board);
        EXPECT_EQ(run.BoxTexts(),
                  (Texts{c.message, kIplQuestion, kCommandQuestionShort, kCompleted}));
        EXPECT_TRUE(SpiImagesCurrent());
    }
}

TEST_F(FailureTest, SpiProductDataReadFailureClosesBeforeItsMessage) {
    PrepareAllDue();
    InjectFault("SPIFLASH_read_data", 1, -1);
    std::vector<std::string> lastCallAtBox;
    theApp.m_hBoard = board->Open();
    simboard::ClearTrace(board->Dir());
    {
        uitest::MessageBoxResponder responder([&](const uitest::MessageBoxInfo&) {
            auto trace = simboard::ReadTrace(board->Dir());
            lastCallAtBox.push_back(trace.empty() ? "" : Brief(trace.back()));
            return IDCANCEL;
        });
        theApp.CheckAndUpgradeFirmware();
    }
    CloseIPDev(theApp.m_hBoard);
    theApp.m_hBoard = 0;
    ASSERT_FALSE(lastCallAtBox.empty());
    EXPECT_EQ(lastCallAtBox[0], "SPIFLASH_close()=0");
}

TEST_F(FailureTest, SpiImageFailureReportsAndTheSecondImageIsStillUpdated) {
    PrepareAllDue();
    for (int nth = 1; nth <= 3; ++nth) // every try of the first image
        InjectFault("SPIFLASH_sector_erase", nth, -1);
    CheckRun run = RunCheck(*board);
    // An upgrade whose SPI image failed is not called completed.
    EXPECT_EQ(run.BoxTexts(), (Texts{kIplQuestion, kCommandQuestionShort, kSpiErase}));
    EXPECT_EQ(SpiFlash(0x10000, 2000), PatternImage(2000, 2));
    EXPECT_NE(SpiFlash(0, 3000), PatternImage(3000, 1));
    EXPECT_EQ(run.events.back(), "destroy pos=100");
}

TEST_F(FailureTest, MissingSpiImageFilesGiveOneMessageEach) {
    Prepare(0x200, Versions());
    Installation::DeleteDriverKey();
    CheckRun run = RunCheck(*board);
    EXPECT_EQ(run.BoxTexts(), (Texts{std::string("\\lm8spiboot.bin") + kOpenFailedSuffix,
                                     std::string("\\lm8boot2.bin") + kOpenFailedSuffix}));
}

// --- Product data repair at start-up (nothing pending) ---

namespace {

enum class Copy { Valid, OtherValid, Invalid };

struct RepairRow {
    const char* name;
    Copy main;
    Copy spi;
    Texts writes; // flash-changing calls
    bool mainBecomesSpi;
    bool spiBecomesMain;
};

class RepairTest : public FirmwareCheckTest, public ::testing::WithParamInterface<RepairRow> {};

const Texts kMainWrite = {"fmSectorErase(0x0)=0", "fmWriteDataBuffer(0x0, 32768)=0"};

Texts SpiSectorWrite() {
    Texts calls = {"SPIFLASH_sector_erase(0xF000)=0"};
    for (uint32_t offset = 0; offset < 4096; offset += 256) {
        char text[64];
        snprintf(text, sizeof(text), "SPIFLASH_page_program(0x%X, 256)=0", 0xF000 + offset);
        calls.push_back(text);
    }
    return calls;
}

} // namespace

TEST_P(RepairTest, RepairsAsTheTableSays) {
    const RepairRow& row = GetParam();
    Prepare(0x200, Versions());
    const uint8_t otherMac[6] = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
    auto original = MainProductData();
    auto other = simboard::MakeProductData(0x200, otherMac);
    auto invalid = original;
    invalid[32] |= 0x01; // group bit: invalid with a correct marker
    auto pick = [&](Copy c) {
        return c == Copy::Valid ? original : c == Copy::OtherValid ? other : invalid;
    };
    SetMainProductData(pick(row.main));
    SetSpiProductData(pick(row.spi));
    auto sectorBefore = SpiFlash(0xF000, 4096);
    auto mainSectorBefore = MainFlash(0, 0x20000);

    CheckRun run = RunCheck(*board);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(run.CallsOf({"fmSectorErase", "fmWriteDataBuffer", "SPIFLASH_sector_erase",
                           "SPIFLASH_block_erase", "SPIFLASH_page_program"}),
              row.writes);
    auto expectedMain = row.mainBecomesSpi ? pick(row.spi) : pick(row.main);
    auto expectedSpi = row.spiBecomesMain ? pick(row.main) : pick(row.spi);
    EXPECT_EQ(MainProductData(), expectedMain);
    EXPECT_EQ(SpiProductData(), expectedSpi);
    // Around the block, both sectors keep every other byte.
    auto sectorAfter = SpiFlash(0xF000, 4096);
    std::copy(expectedSpi.begin(), expectedSpi.end(), sectorBefore.begin() + 0xC00);
    EXPECT_EQ(sectorAfter, sectorBefore);
    auto mainSectorAfter = MainFlash(0, 0x20000);
    std::copy(expectedMain.begin(), expectedMain.end(), mainSectorBefore.begin() + 0xC00);
    EXPECT_EQ(mainSectorAfter, mainSectorBefore);
}

INSTANTIATE_TEST_SUITE_P(
    EveryRow, RepairTest,
    ::testing::Values(RepairRow{"MainValid_SpiInvalid", Copy::Valid, Copy::Invalid,
                                SpiSectorWrite(), false, true},
                      RepairRow{"BothValidEqual", Copy::Valid, Copy::Valid, {}, false, false},
                      RepairRow{"BothValidDifferent", Copy::Valid, Copy::OtherValid,
                                SpiSectorWrite(), false, true},
                      RepairRow{"MainInvalid_SpiValid", Copy::Invalid, Copy::OtherValid, kMainWrite,
                                true, false},
                      RepairRow{"BothInvalid", Copy::Invalid, Copy::Invalid, {}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FailureTest, RepairWriteFailingShowsBothMessagesAndTheCheckGoesOn) {
    PrepareAllDue();
    // No boot ROM rewrite pending: the repair writes main flash at once.
    install->WriteSystemFile("lm8boot.rom", HeaderFile(0x100, 0x200));
    std::vector<uint8_t> blank(256, 0xFF);
    SetMainProductData(blank);
    for (int nth = 1; nth <= 3; ++nth) // every try
        InjectFault("fmWriteDataBuffer", nth, -1);
    CheckRun run = RunCheck(*board, {IDCANCEL});
    EXPECT_EQ(run.BoxTexts(), (Texts{kPdFlashWrite, kRepairFailed, kCommandQuestionLong}));
    // The window comes only after the repair and its messages.
    ASSERT_GE(run.events.size(), 3u);
    EXPECT_EQ(run.events[0], std::string("box ") + kPdFlashWrite);
    EXPECT_EQ(run.events[2], "create");
    EXPECT_TRUE(SpiImagesCurrent());
}

TEST_F(FailureTest, NoProductDataSourceSkipsTheRomQuestionButOffersTheCommandFile) {
    PrepareAllDue();
    InjectFault("fmReadDataBuffer", 1, -1);
    CheckRun run = RunCheck(*board);
    EXPECT_EQ(run.BoxTexts(), (Texts{kCommandQuestionLong, kCompleted}));
    EXPECT_EQ(run.Count("fmWriteProgram"), 0);
}
