// The start-up firmware check on a simulated board: every path of the bar
// step table with its questions, texts, pauses and board calls, the board
// types, the installed-file checks, and the product data write-back after a
// boot ROM rewrite.
#include "checktexts.h"
#include "firmwaretest.h"

#include "boardlib/lm800mul.h"
#include "app/tarnelapp.h"

using namespace fwtest;
using EventList = std::vector<std::string>;

namespace {

std::string Box(const char* text) {
    return std::string("box ") + text;
}
std::string Text(const char* text) {
    return std::string("text ") + text;
}

// The installed boot ROM and command file, each either at the board's
// version or one newer; the SPI images equal to the board's.
enum class Rom { NotNewer, Newer, NewerNoSource };

struct BarRow {
    const char* name;
    Rom rom;
    bool commandNewer;
    std::deque<int> answers;
    EventList events;
    bool completion;
    BOOL updated;
    int programs; // fmWriteProgram calls
    int copies;   // fmFileCopy calls
};

const EventList kRomWrite = {Box(kIplQuestion), Text(kRomText), "pause 500", "step", "step"};
const EventList kRomDecline = {Box(kIplQuestion), "step", "step"};
const EventList kCommandWrite = {Text(kDeleting), "pause 500", "step", Text(kCopying), "step"};
const EventList kDone = {Text(kCompleted), "pause 1000", Box(kCompleted)};

EventList Join(std::initializer_list<EventList> parts) {
    EventList all;
    for (const EventList& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::vector<BarRow> BarRows() {
    const EventList open = {"create", "setstep 25"};
    const EventList step2 = {"step", "step"};
    const EventList p1000 = {"pause 1000"};
    return {
        {"RomRewritten_CommandNotNewer",
         Rom::Newer,
         false,
         {IDOK},
         Join({open, kRomWrite, p1000, step2, kDone, {"destroy pos=100"}}),
         true,
         TRUE,
         1,
         0},
        {"RomRewritten_CommandRewritten",
         Rom::Newer,
         true,
         {IDOK, IDOK},
         Join({open,
               kRomWrite,
               p1000,
               {Box(kCommandQuestionShort)},
               kCommandWrite,
               kDone,
               {"destroy pos=100"}}),
         true,
         TRUE,
         1,
         1},
        {"RomRewritten_CommandDeclined",
         Rom::Newer,
         true,
         {IDOK, IDCANCEL},
         Join({open,
               kRomWrite,
               p1000,
               {Box(kCommandQuestionShort)},
               step2,
               p1000,
               {"destroy pos=100"}}),
         false,
         TRUE,
         1,
         0},
        {"RomDeclined_CommandNotNewer",
         Rom::Newer,
         false,
         {IDCANCEL},
         Join({open, kRomDecline, p1000, p1000, {"destroy pos=50"}}),
         false,
         FALSE,
         0,
         0},
        {"RomDeclined_CommandRewritten",
         Rom::Newer,
         true,
         {IDCANCEL, IDOK},
         Join({open,
               kRomDecline,
               p1000,
               {Box(kCommandQuestionLong)},
               kCommandWrite,
               kDone,
               {"destroy pos=100"}}),
         true,
         TRUE,
         0,
         1},
        {"RomDeclined_CommandDeclined",
         Rom::Newer,
         true,
         {IDCANCEL, IDCANCEL},
         Join({open,
               kRomDecline,
               p1000,
               {Box(kCommandQuestionLong)},
               step2,
               step2,
               p1000,
               {"destroy pos=*"}}),
         false,
         FALSE,
         0,
         0},
        {"RomPassedOver_CommandNotNewer",
         Rom::NewerNoSource,
         false,
         {},
         Join({open, p1000, p1000, {"destroy pos=0"}}),
         false,
         FALSE,
         0,
         0},
        {"RomPassedOver_CommandRewritten",
         Rom::NewerNoSource,
         true,
         {IDOK},
         Join({open, p1000, {Box(kCommandQuestionLong)}, kCommandWrite, kDone, {"destroy pos=50"}}),
         true,
         TRUE,
         0,
         1},
        {"RomPassedOver_CommandDeclined",
         Rom::NewerNoSource,
         true,
         {IDCANCEL},
         Join({open, p1000, {Box(kCommandQuestionLong)}, step2, step2, p1000, {"destroy pos=100"}}),
         false,
         FALSE,
         0,
         0},
        {"RomNotNewer_CommandRewritten",
         Rom::NotNewer,
         true,
         {IDOK},
         Join({open,
               p1000,
               {Box(kCommandQuestionLong)},
               kCommandWrite,
               step2,
               kDone,
               {"destroy pos=100"}}),
         true,
         TRUE,
         0,
         1},
        {"RomNotNewer_CommandDeclined",
         Rom::NotNewer,
         true,
         {IDCANCEL},
         Join({open, p1000, {Box(kCommandQuestionLong)}, step2, step2, p1000, {"destroy pos=100"}}),
         false,
         FALSE,
         0,
         0},
        {"NothingNewer",
         Rom::NotNewer,
         false,
         {},
         Join({p1000, p1000, {"destroy none"}}),
         false,
         FALSE,
         0,
         0},
    };
}

void ExpectEvents(const EventList& actual, const EventList& expected) {
    ASSERT_EQ(actual.size(), expected.size()) << ::testing::PrintToString(actual);
    for (size_t i = 0; i < expected.size(); ++i) {
        const std::string& e = expected[i];
        if (!e.empty() && e.back() == '*')
            EXPECT_EQ(actual[i].substr(0, e.size() - 1), e.substr(0, e.size() - 1)) << i;
        else
            EXPECT_EQ(actual[i], e) << "event " << i;
    }
}

class BarStepTest : public FirmwareCheckTest, public ::testing::WithParamInterface<BarRow> {};

} // namespace

TEST_P(BarStepTest, QuestionsTextsStepsPausesAndBoardCalls) {
    const BarRow& row = GetParam();
    Versions v;
    v.fileRom = row.rom == Rom::NotNewer ? 0x100 : 0x101;
    v.fileCommand = row.commandNewer ? 0x101 : 0x100;
    Prepare(0x200, v);
    if (row.rom == Rom::NewerNoSource)
        InjectFault("fmReadDataBuffer", 1, -1); // no main copy, no SPI restore
    const auto productBefore = MainProductData();

    CheckRun run = RunCheck(*board, row.answers);

    ExpectEvents(run.events, row.events);
    EXPECT_EQ(run.bBoardUpdated, row.updated);
    EXPECT_EQ(run.nCreates, row.rom == Rom::NotNewer && !row.commandNewer ? 0 : 1);
    EXPECT_EQ(run.Count("fmWriteProgram"), row.programs);
    EXPECT_EQ(run.Count("fmFileCopy"), row.copies);
    EXPECT_EQ(run.Count("fmDelete"), row.copies);
    for (const auto& box : run.boxes) {
        EXPECT_EQ(box.icon, MB_ICONQUESTION) << uitest::Utf8(box.text);
        EXPECT_TRUE(box.hasOk);
        // Questions have Cancel; the completion notice does not.
        EXPECT_EQ(box.hasCancel, box.text != uitest::Wide(kCompleted));
    }
    // The SPI images equal the files: read, never erased or written.
    EXPECT_EQ(run.Count("SPIFLASH_sector_erase") + run.Count("SPIFLASH_block_erase"), 0);
    EXPECT_EQ(run.Count("SPIFLASH_page_program"), 0);
    EXPECT_EQ(run.CallsOf({"SPIFLASH_read_data"}),
              (std::vector<std::string>{"SPIFLASH_read_data(0xFC00, 256)=0",
                                        "SPIFLASH_read_data(0x0, 4096)=0",
                                        "SPIFLASH_read_data(0x10000, 4096)=0"}));
    // The product data is where it was, whatever happened to the boot ROM.
    EXPECT_EQ(MainProductData(), productBefore);
    if (row.programs == 1) {
        auto rom = HeaderFile(0x101, 0x200, 1024);
        EXPECT_EQ(MainFlash(0, 1024), rom);
        EXPECT_EQ(board->Config().romVersion, 0x101u);
    }
    if (row.copies == 1) {
        auto file = HeaderFile(0x101, 0x200, 512);
        EXPECT_EQ(BoardFile("sys:\\RZSYS.BIN"), std::string(file.begin(), file.end()));
        EXPECT_EQ(run.CallsOf({"fmDelete", "fmFileCopy"}),
                  (std::vector<std::string>{"fmDelete(\"sys:\\RZSYS.BIN\")=0",
                                            "fmFileCopy(0, \"" + install->SystemFolder() +
                                                "\\RZSYS.BIN\", " + "\"sys:\\RZSYS.BIN\")=0"}));
    } else {
        EXPECT_EQ(BoardFile("sys:\\RZSYS.BIN"), "old command file");
    }
}

INSTANTIATE_TEST_SUITE_P(EveryRow, BarStepTest, ::testing::ValuesIn(BarRows()),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The boot ROM rewrite and its product data write-back ---

class CheckTest : public FirmwareCheckTest {};

TEST_F(CheckTest, RomRewriteCallsInOrderAndTheWindowShowsItsTexts) {
    Versions v;
    v.fileRom = 0x101;
    Prepare(0x200, v);
    CheckRun run = RunCheck(*board, {IDOK});
    EXPECT_EQ(
        run.CallsOf({"GetIPVersionInfo", "fmReadDataBuffer", "SPIFLASH_open", "SPIFLASH_close",
                     "fmWriteProgram", "fmSectorErase", "fmWriteDataBuffer"}),
        (std::vector<std::string>{
            "GetIPVersionInfo()=0", "fmReadDataBuffer(0xC00, 128)=0", "SPIFLASH_open()=0",
            "SPIFLASH_close()=0", "GetIPVersionInfo()=0",
            "fmReadDataBuffer(0x0, 512)=0", // the boot region it replaces
            "fmWriteProgram(\"" + install->SystemFolder() + "\\lm8boot.rom\")=0",
            "fmReadDataBuffer(0x0, 32768)=0", "fmSectorErase(0x0)=0",
            "fmWriteDataBuffer(0x0, 32768)=0", "fmReadDataBuffer(0x0, 32768)=0",
            "fmReadDataBuffer(0x0, 512)=0", // the boot region read back whole
            "SPIFLASH_open()=0", "SPIFLASH_close()=0", "SPIFLASH_open()=0", "SPIFLASH_close()=0"}));
    // The window was up, still without a message, when the question came, and
    // showed the completion text behind the notice.
    ASSERT_EQ(run.windowTextAtBox.size(), 2u);
    EXPECT_EQ(run.windowTextAtBox[0], "");
    EXPECT_EQ(run.windowTextAtBox[1], kCompleted);
}

TEST_F(CheckTest, BothCopiesValidAndDifferentWithRomPendingKeepTheMainCopyThroughTheRewrite) {
    Versions v;
    v.fileRom = 0x101;
    Prepare(0x200, v);
    const uint8_t otherMac[6] = {0x00, 0x80, 0x4C, 0x65, 0x43, 0x21};
    auto mainCopy = simboard::MakeProductData(0x200, otherMac);
    SetMainProductData(mainCopy);
    CheckRun run = RunCheck(*board, {IDOK});
    EXPECT_EQ(run.BoxTexts(), (std::vector<std::string>{kIplQuestion, kCompleted}));
    // Nothing was written into main flash before the rewrite: one sector
    // erase, the write-back's.
    EXPECT_EQ(run.CallsOf({"fmWriteProgram", "fmSectorErase"}).size(), 2u);
    EXPECT_EQ(run.CallsOf({"fmSectorErase"}), (std::vector<std::string>{"fmSectorErase(0x0)=0"}));
    EXPECT_EQ(MainProductData(), mainCopy);
    EXPECT_EQ(SpiProductData(), mainCopy);
}

TEST_F(CheckTest, BothCopiesValidAndDifferentKeepTheMainCopyAndRewriteTheSpiCopy) {
    Versions v;
    v.fileRom = 0x101;
    Prepare(0x200, v);
    const uint8_t otherMac[6] = {0x00, 0x80, 0x4C, 0x65, 0x43, 0x21};
    auto mainCopy = simboard::MakeProductData(0x200, otherMac);
    SetMainProductData(mainCopy);
    CheckRun run = RunCheck(*board, {IDCANCEL});
    EXPECT_EQ(run.Count("fmSectorErase") + run.Count("fmWriteDataBuffer"), 0);
    EXPECT_EQ(MainProductData(), mainCopy);
    EXPECT_EQ(SpiProductData(), mainCopy);
}

TEST_F(CheckTest, RomRewriteWithTheSpiCopyInvalidRepairsSpiAndRestoresTheMainCopy) {
    Versions v;
    v.fileRom = 0x101;
    Prepare(0x200, v);
    auto mainCopy = MainProductData();
    std::vector<uint8_t> blank(256, 0xFF);
    SetSpiProductData(blank);
    CheckRun run = RunCheck(*board, {IDOK});
    EXPECT_TRUE(run.BoxTexts().size() == 2u);
    EXPECT_EQ(SpiProductData(), mainCopy);
    EXPECT_EQ(MainProductData(), mainCopy);
    // The SPI sector rewrite came before the boot ROM rewrite.
    auto calls = run.CallsOf({"SPIFLASH_sector_erase", "fmWriteProgram"});
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], "SPIFLASH_sector_erase(0xF000)=0");
}

TEST_F(CheckTest, Type300RestoresItsMainCopyAndNeverTouchesSpi) {
    Versions v;
    v.fileRom = 0x101;
    v.fileCommand = 0x101;
    Prepare(0x300, v);
    auto mainCopy = MainProductData();
    CheckRun run = RunCheck(*board, {IDOK, IDOK});
    EXPECT_EQ(run.BoxTexts(),
              (std::vector<std::string>{kIplQuestion, kCommandQuestionShort, kCompleted}));
    EXPECT_EQ(MainProductData(), mainCopy);
    for (const auto& entry : run.trace)
        EXPECT_EQ(entry.function.rfind("SPIFLASH_", 0), std::string::npos) << entry.line;
    EXPECT_EQ(
        run.CallsOf({"fmReadDataBuffer"}),
        (std::vector<std::string>{"fmReadDataBuffer(0xC00, 128)=0", "fmReadDataBuffer(0x0, 512)=0",
                                  "fmReadDataBuffer(0x0, 32768)=0",
                                  "fmReadDataBuffer(0x0, 32768)=0",  // and read back
                                  "fmReadDataBuffer(0x0, 512)=0"})); // the boot ROM whole
}

TEST_F(CheckTest, Type201HasNoFileCheckNoQuestionNoWindowButItsSpiImagesAndRepair) {
    Versions v;
    v.fileRom = 0x101;
    v.fileCommand = 0x101;
    Prepare(0x201, v);
    install->WriteDriverFile("lm8spiboot.bin", PatternImage(3000, 7));
    std::vector<uint8_t> blank(256, 0xFF);
    auto spiCopy = SpiProductData();
    SetMainProductData(blank);
    CheckRun run = RunCheck(*board);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(run.nCreates, 0);
    ExpectEvents(run.events, {"pause 1000", "pause 1000", "destroy none"});
    EXPECT_EQ(run.Count("GetIPVersionInfo"), 1);
    EXPECT_EQ(run.Count("fmWriteProgram") + run.Count("fmFileCopy"), 0);
    // Main copy at 0x17FFC00, repaired through the sector at 0x17F0000.
    EXPECT_EQ(run.CallsOf({"fmReadDataBuffer", "fmSectorErase", "fmWriteDataBuffer"}),
              (std::vector<std::string>{
                  "fmReadDataBuffer(0x17FFC00, 128)=0", "fmReadDataBuffer(0x17F0000, 32768)=0",
                  "fmSectorErase(0x17F0000)=0", "fmWriteDataBuffer(0x17F0000, 32768)=0",
                  "fmReadDataBuffer(0x17F0000, 32768)=0"}));
    EXPECT_EQ(MainProductData(), spiCopy);
    EXPECT_EQ(SpiFlash(0, 3000), PatternImage(3000, 7));
    EXPECT_FALSE(run.bBoardUpdated);
}

TEST_F(CheckTest, UnknownBoardTypeEndsWithItsMessageAndReadsNothing) {
    for (uint32_t word : {0x40000000u, 0x00000000u, 0x20100000u + 0x100000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(word);
        Versions v;
        v.fileRom = 0x101;
        Prepare(0x200, v);
        auto config = board->Config();
        config.boardWord = word;
        board->SetConfig(config);
        CheckRun run = RunCheck(*board);
        EXPECT_EQ(run.BoxTexts(), (std::vector<std::string>{kBoardTypeFailed}));
        EXPECT_EQ(run.boxes[0].icon, MB_ICONHAND);
        EXPECT_FALSE(run.boxes[0].hasCancel);
        EXPECT_EQ(run.calls, (std::vector<std::string>{"GetIPVersionInfo()=0"}));
        EXPECT_TRUE(run.events.size() == 1u && run.events[0] == Box(kBoardTypeFailed));
    }
}

TEST_F(CheckTest, BoardTypeIsTheTopTwelveBitsOfTheBoardWord) {
    Versions v;
    v.fileCommand = 0x101;
    Prepare(0x200, v);
    auto config = board->Config();
    config.boardWord = 0x200FFFFF; // low bits carry other information
    board->SetConfig(config);
    CheckRun run = RunCheck(*board, {IDCANCEL});
    EXPECT_EQ(run.BoxTexts(), (std::vector<std::string>{kCommandQuestionLong}));
}

// --- Installed files ---

TEST_F(CheckTest, MismatchedBootRomEndsBeforeRepairRewriteAndSpi) {
    Versions v;
    v.fileRom = 0x101;
    v.fileCommand = 0x101;
    Prepare(0x200, v);
    install->WriteSystemFile("lm8boot.rom", HeaderFile(0x101, 0x300));
    std::vector<uint8_t> blank(256, 0xFF);
    SetSpiProductData(blank); // a repair would be due
    CheckRun run = RunCheck(*board);
    EXPECT_EQ(run.BoxTexts(), (std::vector<std::string>{kRomMismatch}));
    EXPECT_EQ(run.boxes[0].icon, MB_ICONHAND);
    EXPECT_EQ(run.nCreates, 0);
    EXPECT_EQ(run.calls.back(), "GetIPVersionInfo()=0");
    EXPECT_EQ(SpiProductData(), blank);
}

TEST_F(CheckTest, MismatchedCommandFileEndsWithTheMessageWithoutExclamation) {
    Versions v;
    v.fileRom = 0x101;
    Prepare(0x200, v);
    install->WriteSystemFile(kCommandFile, HeaderFile(0x100, 0x201));
    CheckRun run = RunCheck(*board);
    EXPECT_EQ(run.BoxTexts(), (std::vector<std::string>{kCommandMismatch}));
    EXPECT_EQ(run.Count("fmWriteProgram"), 0);
    EXPECT_EQ(run.calls.back(), "GetIPVersionInfo()=0");
}

TEST_F(CheckTest, FilesOfEightBytesOrFewerReadAsBoardTypeZeroAndMismatch) {
    for (size_t size : {0u, 4u, 8u}) {
        SCOPED_TRACE(size);
        Prepare(0x200, Versions());
        install->WriteSystemFile("lm8boot.rom", HeaderFile(0x101, 0x200, size));
        CheckRun run = RunCheck(*board);
        EXPECT_EQ(run.BoxTexts(), (std::vector<std::string>{kRomMismatch}));
        Prepare(0x200, Versions());
        install->WriteSystemFile(kCommandFile, HeaderFile(0x101, 0x200, size));
        run = RunCheck(*board);
        EXPECT_EQ(run.BoxTexts(), (std::vector<std::string>{kCommandMismatch}));
    }
}

TEST_F(CheckTest, MissingBootRomImageCountsAsNotNewerWithoutAMessage) {
    Versions v;
    v.fileRom = 0x101;
    v.fileCommand = 0x101;
    Prepare(0x200, v);
    install->RemoveSystemFile("lm8boot.rom");
    CheckRun run = RunCheck(*board, {IDOK});
    EXPECT_EQ(run.BoxTexts(), (std::vector<std::string>{kCommandQuestionLong, kCompleted}));
    EXPECT_EQ(run.Count("fmWriteProgram"), 0);
}

TEST_F(CheckTest, MissingCommandFileCountsAsNotNewerWithoutAMessage) {
    Versions v;
    v.fileRom = 0x101;
    v.fileCommand = 0x101;
    Prepare(0x200, v);
    install->RemoveSystemFile(kCommandFile);
    CheckRun run = RunCheck(*board, {IDOK});
    EXPECT_EQ(run.BoxTexts(), (std::vector<std::string>{kIplQuestion, kCompleted}));
    EXPECT_EQ(run.Count("fmDelete"), 0);
}

TEST_F(CheckTest, MissingConfigKeyMakesNothingNewerButTheSpiImagesAreStillUpdated) {
    Versions v;
    v.fileRom = 0x101;
    v.fileCommand = 0x101;
    Prepare(0x200, v);
    install->WriteDriverFile("lm8boot2.bin", PatternImage(1000, 3));
    Installation::DeleteConfigKey();
    CheckRun run = RunCheck(*board);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(run.nCreates, 0);
    EXPECT_EQ(SpiFlash(0x10000, 1000), PatternImage(1000, 3));
}

TEST_F(CheckTest, SysValueOfFortyCharactersUsesItsFirstThirtyOne) {
    const std::string longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234.BIN56789"; // 40
    ASSERT_EQ(longName.size(), 40u);
    const std::string name = longName.substr(0, 31);
    Versions v;
    v.fileCommand = 0x101;
    Prepare(0x200, v);
    Installation::SetConfigValue("Sys", longName);
    install->WriteSystemFile(name, HeaderFile(0x101, 0x200, 512));
    ASSERT_TRUE(simboard::WriteBoardFile(board->Dir(), "sys:\\" + name, "old"));
    CheckRun run = RunCheck(*board, {IDOK});
    EXPECT_EQ(run.CallsOf({"fmDelete", "fmFileCopy"}),
              (std::vector<std::string>{"fmDelete(\"sys:\\" + name + "\")=0",
                                        "fmFileCopy(0, \"" + install->SystemFolder() + "\\" + name +
                                            "\", \"sys:\\" + name + "\")=0"}));
    auto events = run.events;
    EXPECT_NE(std::find(events.begin(), events.end(), "text " + name + " を削除しています"),
              events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), "text " + name + " をコピーしています"),
              events.end());
    // And in the failure messages.
    Prepare(0x200, v);
    Installation::SetConfigValue("Sys", longName);
    install->WriteSystemFile(name, HeaderFile(0x101, 0x200, 512));
    ASSERT_TRUE(simboard::WriteBoardFile(board->Dir(), "sys:\\" + name, "old"));
    InjectFault("fmFileCopy", 1, -1);
    run = RunCheck(*board, {IDOK});
    EXPECT_EQ(run.BoxTexts(),
              (std::vector<std::string>{kCommandQuestionLong, name + " のコピーに失敗しました"}));
}

TEST_F(CheckTest, CommandFileNameThatLeadsOutOfItsFolderCountsAsMissing) {
    for (const char* bad : {"..\\boot.ini", "sub/RZSYS.BIN", "C:RZSYS.BIN", ""}) {
        SCOPED_TRACE(bad);
        Versions v;
        v.fileCommand = 0x101;
        Prepare(0x200, v);
        Installation::SetConfigValue("Sys", bad);
        CheckRun run = RunCheck(*board);
        EXPECT_TRUE(run.boxes.empty());
        EXPECT_EQ(run.Count("fmDelete") + run.Count("fmFileCopy"), 0);
        EXPECT_EQ(BoardFile("sys:\\boot.ini"), simboard::kDefaultBootIni);
    }
}

TEST_F(CheckTest, FolderPathTooLongToJoinCountsAsMissingFiles) {
    Versions v;
    v.fileRom = 0x101;
    v.fileCommand = 0x101;
    Prepare(0x200, v);
    // 250 characters: the folder fits, the joined paths do not.
    Installation::SetConfigValue("Path", "C:\\" + std::string(247, 'x'));
    std::string driver = "C:\\" + std::string(250, 'd');
    Installation::SetDriverValue("Path", driver);
    CheckRun run = RunCheck(*board);
    EXPECT_EQ(run.BoxTexts(),
              (std::vector<std::string>{driver + "\\lm8spiboot.bin" + kOpenFailedSuffix,
                                        driver + "\\lm8boot2.bin" + kOpenFailedSuffix}));
    EXPECT_EQ(run.nCreates, 0);
    EXPECT_EQ(run.Count("SPIFLASH_open"), 1); // the product data read only
}

TEST_F(CheckTest, NothingToUpgradeStillPausesTwoSecondsAndComparesTheSpiImages) {
    Prepare(0x200, Versions());
    CheckRun run = RunCheck(*board);
    ExpectEvents(run.events, {"pause 1000", "pause 1000", "destroy none"});
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_FALSE(run.bBoardUpdated);
    EXPECT_EQ(run.Count("SPIFLASH_read_data"), 3);
}

TEST_F(CheckTest, VersionWordsAreComparedUnsigned) {
    struct Case {
        uint32_t board, file;
        bool newer;
    } cases[] = {{0x100, 0x101, true},
                 {0x100, 0x100, false},
                 {0x100, 0, false},
                 {0x7FFFFFFF, 0x80000000, true},
                 {0xFFFFFFFF, 0xFFFFFFFE, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Versions v;
        v.boardCommand = c.board;
        v.fileCommand = c.file;
        Prepare(0x200, v);
        CheckRun run = RunCheck(*board, {IDCANCEL});
        EXPECT_EQ(run.boxes.size(), c.newer ? 1u : 0u);
    }
}

// --- The progress window ---

TEST_F(CheckTest, WindowIsATopLevelWindowCreatedOnceWithNoParent) {
    Versions v;
    v.fileRom = 0x101;
    v.fileCommand = 0x101;
    Prepare(0x200, v);
    auto* spy = new SpyFlashChanger;
    theApp.m_pFlashChanger = spy;
    theApp.m_hBoard = board->Open();
    HWND seen = nullptr;
    {
        uitest::MessageBoxResponder responder([&](const uitest::MessageBoxInfo&) {
            if (seen == nullptr)
                seen = uitest::FindTopWindow(uitest::Wide(kProgressCaption).c_str());
            return IDOK;
        });
        theApp.CheckAndUpgradeFirmware();
    }
    CloseIPDev(theApp.m_hBoard);
    theApp.m_hBoard = 0;
    EXPECT_EQ(spy->m_nCreates, 1);
    EXPECT_EQ(spy->m_hParentSeen, nullptr);
    EXPECT_NE(seen, nullptr);
    EXPECT_FALSE(IsWindow(seen));
    theApp.m_pFlashChanger = nullptr;
    delete spy;
}

TEST_F(CheckTest, CreateFailingRunsTheUpgradeWithoutAWindow) {
    Versions v;
    v.fileRom = 0x101;
    v.fileCommand = 0x101;
    Prepare(0x200, v);
    CheckRun run = RunCheck(*board, {IDOK, IDOK}, /*failCreate=*/true);
    ExpectEvents(run.events, {"create", Box(kIplQuestion), "pause 500", "pause 1000",
                              Box(kCommandQuestionShort), "pause 500", "pause 1000",
                              Box(kCompleted), "destroy none"});
    EXPECT_EQ(run.Count("fmWriteProgram"), 1);
    EXPECT_EQ(run.Count("fmFileCopy"), 1);
    EXPECT_TRUE(run.bBoardUpdated);
}

TEST_F(CheckTest, NoProgressWindowObjectIsHandledAsNoWindow) {
    Versions v;
    v.fileCommand = 0x101;
    Prepare(0x200, v);
    theApp.m_hBoard = board->Open();
    theApp.m_pFlashChanger = nullptr;
    uitest::MessageBoxResponder responder(uitest::MessageBoxResponder::AlwaysOk);
    theApp.CheckAndUpgradeFirmware();
    responder.Stop();
    CloseIPDev(theApp.m_hBoard);
    theApp.m_hBoard = 0;
    ASSERT_EQ(responder.Seen().size(), 2u);
    EXPECT_EQ(uitest::Utf8(responder.Seen()[1].text), kCompleted);
}
