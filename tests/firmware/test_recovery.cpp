// The recovery record at start-up: a write cut short at one start is
// completed at the next, only on the board it belongs to, and on a board
// without a valid SPI copy only after the user has seen its hardware address.
#include "checktexts.h"
#include "firmwaretest.h"

#include "firmware/recoveryrecord.h"

using namespace fwtest;
using Texts = std::vector<std::string>;

namespace {

class RecoveryTest : public FirmwareCheckTest {
protected:
    // A boot ROM rewrite whose write-back fails at its erase on every try:
    // the record stays on the PC with the sector image it was to write.
    void LeaveARecord(uint32_t boardType) {
        Versions v;
        v.fileRom = 0x101;
        Prepare(boardType, v);
        identity = MainProductData();
        for (int nth = 1; nth <= 3; ++nth)
            board->SetConfig([&] {
                auto config = board->Config();
                config.faults.push_back({"fmSectorErase", nth, -1, true});
                return config;
            }());
        CheckRun first = RunCheck(*board);
        ASSERT_EQ(first.BoxTexts(), (Texts{kIplQuestion, kPdFlashErase, kWriteBackFailed}));
        ASSERT_EQ(FindRecoveryRecords().size(), 1u);
        ASSERT_NE(MainProductData(), identity) << "the fault should have erased the copy";
        ClearFaults();
    }
    void ClearFaults() {
        auto config = board->Config();
        config.faults.clear();
        board->SetConfig(config);
    }
    // The head of the new boot ROM followed by erased flash, with the block.
    bool SectorIsRomAndIdentity() const {
        auto sector = MainFlash(0, 0x10000);
        auto rom = HeaderFile(0x101, type);
        return std::equal(rom.begin(), rom.end(), sector.begin()) &&
               std::equal(identity.begin(), identity.end(), sector.begin() + 0xC00);
    }
    std::vector<uint8_t> identity;
};

} // namespace

TEST_F(RecoveryTest, ARecordOfThisBoardIsCompletedFirstAndTheUserIsTold) {
    LeaveARecord(0x200);
    CheckRun next = RunCheck(*board);
    ASSERT_FALSE(next.boxes.empty());
    EXPECT_EQ(next.BoxTexts().front(), kRecoveryDone);
    EXPECT_EQ(next.boxes.front().icon, MB_ICONASTERISK);
    EXPECT_EQ(next.Count("fmWriteProgram"), 0) << "the boot ROM is current already";
    EXPECT_TRUE(SectorIsRomAndIdentity());
    EXPECT_EQ(FindRecoveryRecords(), Texts{});
    EXPECT_EQ(testboard::IllegalNorOps(board->Dir()), 0);
    // Nothing is left to do at the start after.
    CheckRun third = RunCheck(*board);
    EXPECT_EQ(third.BoxTexts(), Texts{});
}

TEST_F(RecoveryTest, ARecordOfAnotherBoardStaysOnThePcAndTheUserIsToldWhere) {
    LeaveARecord(0x200);
    const std::string path = FindRecoveryRecords().front();
    RecoveryRecord record;
    ASSERT_TRUE(LoadRecoveryRecord(path, record));
    // Another board of the same type, with its own identity in both copies.
    Prepare(0x200, Versions());
    ASSERT_TRUE(SaveRecoveryRecord(record)); // Prepare cleared the folder
    const uint8_t mac[6] = {0x00, 0x80, 0x4C, 0x65, 0x43, 0x21};
    auto other = simboard::MakeProductData(0x200, mac);
    SetMainProductData(other);
    SetSpiProductData(other);
    auto before = MainFlash(0, 0x10000);
    CheckRun run = RunCheck(*board);
    EXPECT_EQ(run.BoxTexts(), Texts{std::string(kRecoveryOtherPrefix) + Utf8OfSjis(path.c_str()) +
                                    kRecoveryOtherSuffix});
    EXPECT_EQ(run.Count("fmSectorErase"), 0);
    EXPECT_EQ(MainFlash(0, 0x10000), before);
    EXPECT_EQ(FindRecoveryRecords(), Texts{path});
}

TEST_F(RecoveryTest, OnABoardWithoutSpiCopyTheUserConfirmsTheHardwareAddress) {
    struct Case {
        int answer;
        bool applied;
    } cases[] = {{IDCANCEL, false}, {IDOK, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer == IDOK ? "OK" : "Cancel");
        LeaveARecord(0x300);
        CheckRun next = RunCheck(*board, {c.answer, IDCANCEL});
        ASSERT_FALSE(next.boxes.empty());
        EXPECT_EQ(next.BoxTexts().front(),
                  std::string(kRecoveryAskPrefix) + "00-80-4C-12-34-56" + kRecoveryAskSuffix);
        EXPECT_TRUE(next.boxes.front().hasCancel);
        EXPECT_EQ(SectorIsRomAndIdentity(), c.applied);
        EXPECT_EQ(FindRecoveryRecords().size(), c.applied ? 0u : 1u);
        if (c.applied) {
            EXPECT_EQ(next.BoxTexts().at(1), kRecoveryDone);
        }
    }
}

TEST_F(RecoveryTest, AnUnreadableRecordIsReportedAndLeftAlone) {
    Prepare(0x200, Versions());
    identity = MainProductData();
    RecoveryRecord record;
    record.boardType = 0x200;
    record.productAddress = 0xC00;
    std::copy(identity.begin(), identity.end(), record.identity.bytes);
    ASSERT_TRUE(SaveRecoveryRecord(record));
    const std::string path = FindRecoveryRecords().front();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFilePointer(file, 100, nullptr, FILE_BEGIN); // inside the identity: checksum breaks
    DWORD written = 0;
    WriteFile(file, "x", 1, &written, nullptr);
    CloseHandle(file);
    CheckRun run = RunCheck(*board);
    EXPECT_EQ(run.BoxTexts(),
              Texts{"復旧データ " + Utf8OfSjis(path.c_str()) + " を読み込めませんでした。"});
    EXPECT_EQ(run.Count("fmSectorErase"), 0);
    EXPECT_EQ(FindRecoveryRecords(), Texts{path});
}

TEST_F(RecoveryTest, NothingIsErasedWhenTheRecordCannotBeSaved) {
    Versions v;
    v.fileRom = 0x101;
    Prepare(0x300, v);
    const auto before = MainFlash(0, 0x10000);
    // A file where the records' folder belongs: no record can be written.
    const std::string folder = RecoveryFolder();
    RemoveDirectoryA(folder.c_str());
    HANDLE blocker =
        CreateFileA(folder.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(blocker, INVALID_HANDLE_VALUE);
    CloseHandle(blocker);
    CheckRun run = RunCheck(*board);
    DeleteFileA(folder.c_str());
    EXPECT_EQ(run.BoxTexts(), (Texts{kIplQuestion, kRecordNotSaved}));
    EXPECT_EQ(run.Count("fmWriteProgram") + run.Count("fmSectorErase"), 0);
    EXPECT_EQ(MainFlash(0, 0x10000), before);
}
