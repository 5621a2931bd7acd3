// End to end: the real Tarnel2.exe, started as its own process with the
// simulated LM800MUL.dll beside it, driven from outside as a user would.
#include "installation.h"
#include "testboard.h"
#include "uidriver.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace uitest;
using testboard::Child;
using testboard::TempBoard;
using testboard::TempDir;

namespace {

constexpr uint32_t kOldVersion = 0x100;
constexpr uint32_t kNewVersion = 0x200;
constexpr DWORD kWait = 20000;

const char kIplQuestion[] =
    "ＩＰＬのアップグレードを行います。\nボード内で実行しているアプリケーションは"
    "すべて終了して下さい。\n準備はよろしいですか？";
const char kCommandQuestionShort[] =
    "コマンドファイルのアップグレードを行います。\n準備はよろしいですか？";
const char kCommandQuestionLong[] =
    "コマンドファイルのアップグレードを行います。\nボード内で実行している"
    "アプリケーションはすべて終了して下さい。\n準備はよろしいですか？";
const char kUpgradeDone[] = "アップグレードが完了しました！";
const char kWriteOk[] = "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みに成功しました！";
const char kWriteFailed[] = "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みに失敗しました！";
const char kReadFailed[] = "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの読み出しに失敗しました。";
const char kWriteUnreadQuestion[] =
    "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙが読み出せていません。\nボードの設定を上書きします。よろしいですか？";
const char kResetQuestion[] = "システムのリセットを行います。よろしいですか？";
const char kResetFailed[] = "リセットに失敗しました";
const char kProgressCaption[] = "Lm Series フラッシュメモリ アップグレード";

const char kInitialBootIni[] = "[IPADR]\r\n192.168.0.10\r\n[PORT]\r\n30001\r\n";

e2e::FirmwareImages NewerFirmware() {
    e2e::FirmwareImages images;
    images.bootRom = e2e::MakeHeaderedFile(kNewVersion, 0x200, 0x6000, 0x31);
    images.commandFile = e2e::MakeHeaderedFile(kNewVersion, 0x200, 0x3000, 0x52);
    images.spiBoot = e2e::MakeSpiImage(0x2345, 0x17);
    images.boot2 = e2e::MakeSpiImage(0x5000, 0x29);
    return images;
}

// A type 0x200 board with older firmware than the installed files and a known
// boot settings file.
simboard::CreateOptions OldBoard() {
    simboard::CreateOptions options;
    options.boardType = 0x200;
    options.romVersion = kOldVersion;
    options.commandVersion = kOldVersion;
    return options;
}

std::vector<uint8_t> ReadMain(const std::string& dir, uint32_t address, uint32_t length) {
    std::vector<uint8_t> bytes(length);
    EXPECT_TRUE(simboard::ReadMainFlash(dir, address, bytes.data(), length));
    return bytes;
}

std::vector<uint8_t> ReadSpi(const std::string& dir, uint32_t address, uint32_t length) {
    std::vector<uint8_t> bytes(length);
    EXPECT_TRUE(simboard::ReadSpiFlash(dir, address, bytes.data(), length));
    return bytes;
}

// Waits for the next message box of the program, checks its text and answers.
void ExpectBoxAndAnswer(const Child& child, const char* text, int answer) {
    MessageBoxInfo box;
    ASSERT_TRUE(WaitForMessageBox(box, kWait, child.Pid())) << "no box: " << text;
    EXPECT_EQ(Utf8(box.text), text);
    EXPECT_EQ(box.caption, L"Tarnel2");
    ASSERT_TRUE(AnswerMessageBox(box, answer));
}

// The main dialog: the program's top-level dialog that is not a message box.
HWND WaitForMainDialog(const Child& child) {
    HWND main = nullptr;
    WaitUntil(
        [&] {
            main = FindTopWindow(L"Tarnel2", L"#32770", child.Pid());
            return main != nullptr && !IsMessageBox(main) &&
                   FindDescendant(main, IDC_BUTTON_WRITE, L"Button") != nullptr;
        },
        kWait);
    return main;
}

bool NoBoxWithin(const Child& child, DWORD ms) {
    MessageBoxInfo box;
    return !WaitForMessageBox(box, ms, child.Pid());
}

int CountFlashChanges(const std::string& dir) {
    auto trace = simboard::ReadTrace(dir);
    return static_cast<int>(std::count_if(trace.begin(), trace.end(), [](const auto& e) {
        return simboard::IsFlashChangingCall(e.function);
    }));
}

class Journey : public ::testing::Test {
protected:
    void SetUp() override {
        simboard::WriteBoardFile(board.Dir(), "sys:\\boot.ini", kInitialBootIni);
        simboard::ClearTrace(board.Dir());
        productData = simboard::MakeProductData(0x200, OldBoard().mac);
    }

    void Start() { ASSERT_TRUE(testboard::StartChild("Tarnel2.exe", child)); }

    // Brings the board's firmware up to date, as after a first start, so
    // that start-up asks nothing.
    void MakeFirmwareCurrent() {
        simboard::BoardConfig config = board.Config();
        config.romVersion = kNewVersion;
        config.commandVersion = kNewVersion;
        board.SetConfig(config);
        simboard::WriteSpiFlash(board.Dir(), 0, images.spiBoot.data(),
                                static_cast<uint32_t>(images.spiBoot.size()));
        simboard::WriteSpiFlash(board.Dir(), 0x10000, images.boot2.data(),
                                static_cast<uint32_t>(images.boot2.size()));
        simboard::ClearTrace(board.Dir());
    }

    void AddFault(const char* function, int nthCall, int result) {
        simboard::BoardConfig config = board.Config();
        config.faults.push_back({function, nthCall, result});
        board.SetConfig(config);
    }

    std::string BootIni() const {
        std::string content;
        simboard::ReadBoardFile(board.Dir(), "sys:\\boot.ini", content);
        return content;
    }

    void ExpectWriteAskedAndCancel(HWND main) {
        ClickDlgButton(main, IDC_BUTTON_WRITE);
        ExpectBoxAndAnswer(child, kWriteUnreadQuestion, IDCANCEL);
    }

    // The read of the boot file fails through `function` at start-up and on
    // the second Read; neither failure lets a Write replace the file unasked.
    void ExpectFailedReadsReportedAndFileKept(const char* function, int failure) {
        MakeFirmwareCurrent();
        AddFault(function, 1, failure);
        AddFault(function, 3, failure);
        Start();
        ExpectBoxAndAnswer(child, kReadFailed, IDOK);
        HWND main = WaitForMainDialog(child);
        ASSERT_NE(main, nullptr);
        ExpectWriteAskedAndCancel(main);
        ClickDlgButton(main, IDC_BUTTON_READ);
        EXPECT_TRUE(NoBoxWithin(child, 300)) << "the first Read reads the file";
        ClickDlgButton(main, IDC_BUTTON_READ);
        ExpectBoxAndAnswer(child, kReadFailed, IDOK);
        ExpectWriteAskedAndCancel(main);
        ExitExpectingNoQuestion(main);
        EXPECT_EQ(BootIni(), kInitialBootIni);
        EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), "fmWrite"), 0);
    }

    // Closes the main dialog with Exit and waits for the process to end.
    void ExitExpectingNoQuestion(HWND main) {
        ClickDlgButton(main, IDC_BUTTON_EXIT);
        EXPECT_EQ(child.Wait(kWait), 0u);
    }

    void ExpectProductDataIntact() {
        EXPECT_EQ(ReadMain(board.Dir(), 0xC00, 256), productData) << "main-flash copy";
        EXPECT_EQ(ReadSpi(board.Dir(), 0xFC00, 256), productData) << "SPI copy";
    }

    void ExpectSpiImagesCurrent() {
        EXPECT_EQ(ReadSpi(board.Dir(), 0, static_cast<uint32_t>(images.spiBoot.size())),
                  images.spiBoot);
        EXPECT_EQ(ReadSpi(board.Dir(), 0x10000, static_cast<uint32_t>(images.boot2.size())),
                  images.boot2);
    }

    TempBoard board{OldBoard()};
    TempDir pc;
    e2e::FirmwareImages images = NewerFirmware();
    e2e::Installation installation{pc.Path(), images};
    std::vector<uint8_t> productData;
    Child child;
};

} // namespace

TEST_F(Journey, FirstStartAcceptingEverythingThenEditWriteAndReset) {
    Start();
    // The progress window is up while the IPL question is asked.
    MessageBoxInfo first;
    ASSERT_TRUE(WaitForMessageBox(first, kWait, child.Pid()));
    EXPECT_EQ(Utf8(first.text), kIplQuestion);
    EXPECT_NE(FindTopWindow(Wide(kProgressCaption).c_str(), L"#32770", child.Pid()), nullptr);
    ASSERT_TRUE(AnswerMessageBox(first, IDOK));
    ExpectBoxAndAnswer(child, kCommandQuestionShort, IDOK);
    ExpectBoxAndAnswer(child, kUpgradeDone, IDOK);

    HWND main = WaitForMainDialog(child);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(FindTopWindow(Wide(kProgressCaption).c_str(), L"#32770", child.Pid()), nullptr);

    // IP page: a new address.
    HWND ip = FindDescendant(main, IDC_IPADDRESS_IP, L"SysIPAddress32");
    ASSERT_NE(ip, nullptr);
    TypeIpAddress(ip, L"10.0.0.5");

    // TCP page: TCPACT 12, checked.
    HWND tab = FindDescendant(main, 0x3020, L"SysTabControl32");
    ASSERT_NE(tab, nullptr);
    ClickTab(tab, 2);
    HWND check = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (check = FindDescendant(main, IDC_CHECK_TCPACT, L"Button")) != nullptr; },
        kWait));
    SetCheck(GetParent(check), IDC_CHECK_TCPACT, true);
    TypeInto(FindDescendant(main, IDC_EDIT_TCPACT, L"Edit"), L"12");

    ClickDlgButton(main, IDC_BUTTON_WRITE);
    ExpectBoxAndAnswer(child, kWriteOk, IDOK);

    ClickDlgButton(main, IDC_BUTTON_EXIT);
    ExpectBoxAndAnswer(child, kResetQuestion, IDOK);
    EXPECT_EQ(child.Wait(kWait), 0u);

    std::string bootIni;
    ASSERT_TRUE(simboard::ReadBoardFile(board.Dir(), "sys:\\boot.ini", bootIni));
    EXPECT_EQ(bootIni, "[IPADR]\r\n10.0.0.5\r\n[PORT]\r\n30001\r\n[TCPACT]\r\n12\r\n");

    simboard::BoardConfig config = board.Config();
    EXPECT_EQ(config.resetCount, 1);
    EXPECT_EQ(config.romVersion, kNewVersion);
    EXPECT_EQ(config.commandVersion, kNewVersion);
    std::string commandFile;
    ASSERT_TRUE(simboard::ReadBoardFile(board.Dir(), "sys:\\RZSYS.BIN", commandFile));
    EXPECT_EQ(commandFile, std::string(images.commandFile.begin(), images.commandFile.end()));
    ExpectProductDataIntact();
    ExpectSpiImagesCurrent();
    // The boot ROM image stands in main flash, around the restored block.
    auto rom = ReadMain(board.Dir(), 0, 0xC00);
    EXPECT_TRUE(std::equal(rom.begin(), rom.end(), images.bootRom.begin()));
    EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), "CloseIPDev"), 1);
}

TEST_F(Journey, FirstStartDecliningBothQuestions) {
    Start();
    ExpectBoxAndAnswer(child, kIplQuestion, IDCANCEL);
    ExpectBoxAndAnswer(child, kCommandQuestionLong, IDCANCEL);
    HWND main = WaitForMainDialog(child);
    ASSERT_NE(main, nullptr);
    ExitExpectingNoQuestion(main);

    simboard::BoardConfig config = board.Config();
    EXPECT_EQ(config.resetCount, 0);
    EXPECT_EQ(config.romVersion, kOldVersion);
    EXPECT_EQ(config.commandVersion, kOldVersion);
    EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), "fmWriteProgram"), 0);
    EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), "fmFileCopy"), 0);
    std::string bootIni;
    ASSERT_TRUE(simboard::ReadBoardFile(board.Dir(), "sys:\\boot.ini", bootIni));
    EXPECT_EQ(bootIni, kInitialBootIni);
    ExpectProductDataIntact();
    // The SPI boot images are brought up to date without a question.
    ExpectSpiImagesCurrent();
}

TEST_F(Journey, SecondStartWithNothingToUpgrade) {
    MakeFirmwareCurrent();
    Start();
    HWND main = WaitForMainDialog(child);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(FindTopWindow(Wide(kProgressCaption).c_str(), nullptr, child.Pid()), nullptr);
    EXPECT_TRUE(NoBoxWithin(child, 300));
    ExitExpectingNoQuestion(main);

    EXPECT_EQ(CountFlashChanges(board.Dir()), 0);
    EXPECT_EQ(board.Config().resetCount, 0);
    ExpectProductDataIntact();
}

TEST_F(Journey, NoBoardAttached) {
    simboard::BoardConfig config = board.Config();
    config.enumError = 0x20102;
    board.SetConfig(config);

    Start();
    ExpectBoxAndAnswer(child, "[ EnumAttachIPDev ]\nＲＺユニットを認識できませんでした", IDOK);
    ExpectBoxAndAnswer(child, "通信環境が正しく設定されていません。\n終了します。", IDOK);
    EXPECT_EQ(child.Wait(kWait), 0u);
    EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), "OpenIPDev"), 0);
    EXPECT_EQ(CountFlashChanges(board.Dir()), 0);
}

TEST_F(Journey, ResetFailing) {
    simboard::BoardConfig config = board.Config();
    config.romVersion = kNewVersion;
    config.commandVersion = kNewVersion;
    config.faults.push_back({"ResetIP", 1, -1});
    board.SetConfig(config);

    Start();
    HWND main = WaitForMainDialog(child);
    ASSERT_NE(main, nullptr);
    // A successful Write marks the board as updated.
    ClickDlgButton(main, IDC_BUTTON_WRITE);
    ExpectBoxAndAnswer(child, kWriteOk, IDOK);
    ClickDlgButton(main, IDC_BUTTON_EXIT);
    ExpectBoxAndAnswer(child, kResetQuestion, IDOK);
    ExpectBoxAndAnswer(child, kResetFailed, IDOK);
    EXPECT_EQ(child.Wait(kWait), 0u);
    EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), "ResetIP"), 1);
    EXPECT_EQ(board.Config().resetCount, 0);
}

TEST_F(Journey, CommentLineBetweenSectionsLosesNeitherSetting) {
    MakeFirmwareCurrent();
    simboard::WriteBoardFile(board.Dir(), "sys:\\boot.ini",
                             "[PORT]\r\n30007\r\n#end\r\n[UDPCNT]\r\n6\r\n");
    Start();
    HWND main = WaitForMainDialog(child);
    ASSERT_NE(main, nullptr);
    ClickDlgButton(main, IDC_BUTTON_WRITE);
    ExpectBoxAndAnswer(child, kWriteOk, IDOK);
    ClickDlgButton(main, IDC_BUTTON_EXIT);
    ExpectBoxAndAnswer(child, kResetQuestion, IDCANCEL);
    EXPECT_EQ(child.Wait(kWait), 0u);
    EXPECT_EQ(BootIni(), "[PORT]\r\n30007\r\n[UDPCNT]\r\n6\r\n");
}

TEST_F(Journey, RefusedOpenOfTheBootFileIsReportedAndWriteAsksFirst) {
    ExpectFailedReadsReportedAndFileKept("fmOpen", 0);
}

TEST_F(Journey, FailingReadOfTheBootFileIsReportedAndWriteAsksFirst) {
    ExpectFailedReadsReportedAndFileKept("fmRead", -1);
}

TEST_F(Journey, FailedWriteThenGoodWriteKeepsEverySectionAndTheEdit) {
    MakeFirmwareCurrent();
    simboard::WriteBoardFile(board.Dir(), "sys:\\boot.ini",
                             "[Print]\r\n1\r\n[IPADR]\r\n192.168.0.10\r\n[PORT]\r\n30001\r\n");
    AddFault("fmWrite", 1, -5);
    Start();
    HWND main = WaitForMainDialog(child);
    ASSERT_NE(main, nullptr);
    TypeIpAddress(FindDescendant(main, IDC_IPADDRESS_IP, L"SysIPAddress32"), L"10.0.0.5");
    ClickDlgButton(main, IDC_BUTTON_WRITE);
    ExpectBoxAndAnswer(child, kWriteFailed, IDOK);
    EXPECT_EQ(BootIni(), "") << "the failed write left the file empty";
    ClickDlgButton(main, IDC_BUTTON_WRITE);
    ExpectBoxAndAnswer(child, kWriteOk, IDOK);
    ClickDlgButton(main, IDC_BUTTON_EXIT);
    ExpectBoxAndAnswer(child, kResetQuestion, IDCANCEL);
    EXPECT_EQ(child.Wait(kWait), 0u);
    EXPECT_EQ(BootIni(), "[Print]\r\n1\r\n[IPADR]\r\n10.0.0.5\r\n[PORT]\r\n30001\r\n");
}
