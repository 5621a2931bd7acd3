// End to end: the real Tarnel2.exe, started as its own process with the
// simulated LM800MUL.dll beside it, driven from outside as a user would.
#include "installation.h"
#include "engine/settingsjournal.h"
#include "firmware/recoveryrecord.h"
#include "testboard.h"
#include "uidriver.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>

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
const char kBootFileUnfinished[] = "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みが完了していません。";
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

// What Tarnel2Cmd.exe did: its exit code and its two streams.
struct ConsoleRun {
    DWORD exitCode = STILL_ACTIVE;
    std::string out;
    std::string err;
};

std::string FileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs Tarnel2Cmd.exe with `arguments` (UTF-8, passed on as UTF-16 as a
// command prompt would pass what is typed).
ConsoleRun RunConsole(const std::string& arguments) {
    TempDir streams;
    const std::string outPath = streams.Path() + "\\out", errPath = streams.Path() + "\\err";
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = INVALID_HANDLE_VALUE;
    si.hStdOutput = out;
    si.hStdError = err;
    std::wstring commandLine =
        Wide(("\"" + testboard::ExeDir() + "\\Tarnel2Cmd.exe\" " + arguments).c_str());
    PROCESS_INFORMATION pi = {};
    ConsoleRun run;
    if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       Wide(testboard::ExeDir().c_str()).c_str(), &si, &pi)) {
        WaitForSingleObject(pi.hProcess, kWait * 3);
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
    run.out = FileText(outPath);
    run.err = FileText(errPath);
    return run;
}

// A text as the console program writes it into a redirected
// stream: in the ANSI code page.
std::string AsRedirected(const char* utf8) {
    std::wstring wide = Wide(utf8);
    int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &text[0], size, nullptr, nullptr);
    text.resize(std::strlen(text.c_str()));
    return text;
}

std::string HistoryPath() {
    char base[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base);
    return std::string(base) + "\\Tarnel2\\history.log";
}

// The changes in the history, without the time: "board 0<TAB>MAC<TAB>what<TAB>result".
std::vector<std::string> HistoryChanges() {
    std::vector<std::string> changes;
    std::istringstream lines(FileText(HistoryPath()));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        changes.push_back(line.substr(line.find('\t') + 1));
    }
    return changes;
}

// The address the IP page shows: its four fields from left to right.
std::string IpShown(HWND main) {
    std::string shown;
    for (HWND f : IpAddressFields(FindDescendant(main, IDC_IPADDRESS_IP, L"SysIPAddress32")))
        shown += (shown.empty() ? "" : ".") + Utf8(GetText(f));
    return shown;
}

// "00-80-4C-12-34-56" of a product data block.
std::string MacOf(const std::vector<uint8_t>& block) {
    char text[32];
    std::snprintf(text, sizeof(text), "%02X-%02X-%02X-%02X-%02X-%02X", block[32], block[33],
                  block[34], block[35], block[36], block[37]);
    return text;
}

// Removes every file of the PC's recovery folder (records, unfinished writes).
void ClearRecoveryFolder() {
    const std::string folder = RecoveryFolder();
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            DeleteFileA((folder + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

class Journey : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileA(HistoryPath().c_str());
        ClearRecoveryFolder(); // each journey starts with none of an earlier one's
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
    // One history line per change.
    const std::string who = "board 0\t" + MacOf(productData) + "\t";
    EXPECT_EQ(HistoryChanges(), (std::vector<std::string>{
                                    who + "boot ROM upgraded 0x00000100 -> 0x00000200\tdone",
                                    who + "RZSYS.BIN upgraded 0x00000100 -> 0x00000200\tdone",
                                    who + "SPI boot image lm8spiboot.bin written\tdone",
                                    who + "SPI boot image lm8boot2.bin written\tdone",
                                    who + "boot settings written\tdone",
                                    who + "board reset\tdone",
                                }));
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
    ExpectBoxAndAnswer(child, "ボードのｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙは書き込み前のままです。", IDOK);
    EXPECT_EQ(BootIni(), "[Print]\r\n1\r\n[IPADR]\r\n192.168.0.10\r\n[PORT]\r\n30001\r\n")
        << "the failed write put the previous file back";
    ClickDlgButton(main, IDC_BUTTON_WRITE);
    ExpectBoxAndAnswer(child, kWriteOk, IDOK);
    ClickDlgButton(main, IDC_BUTTON_EXIT);
    ExpectBoxAndAnswer(child, kResetQuestion, IDCANCEL);
    EXPECT_EQ(child.Wait(kWait), 0u);
    EXPECT_EQ(BootIni(), "[Print]\r\n1\r\n[IPADR]\r\n10.0.0.5\r\n[PORT]\r\n30001\r\n");
}

namespace {

// Everything an upgrade may change: main flash around the boot ROM and the
// product data, all of SPI flash, and the board's files.
struct BoardImage {
    std::vector<uint8_t> main, spi;
    std::string commandFile, bootIni;
    bool operator==(const BoardImage& o) const {
        return main == o.main && spi == o.spi && commandFile == o.commandFile &&
               bootIni == o.bootIni;
    }
};

BoardImage ImageOf(const std::string& dir) {
    BoardImage image{ReadMain(dir, 0, 0x20000), ReadSpi(dir, 0, 0x100000), "", ""};
    simboard::ReadBoardFile(dir, "sys:\\RZSYS.BIN", image.commandFile);
    simboard::ReadBoardFile(dir, "sys:\\boot.ini", image.bootIni);
    return image;
}

} // namespace

TEST_F(Journey, ScriptedSetUpThenTheDialogShowsTheValues) {
    EXPECT_EQ(RunConsole("upgrade --yes").exitCode, 0u);
    EXPECT_EQ(RunConsole("set IPADR=10.0.0.7 PORT=30005 TCPACT=12").exitCode, 0u);
    EXPECT_EQ(RunConsole("clock --sync").exitCode, 0u);
    EXPECT_EQ(RunConsole("reset").exitCode, 0u);
    EXPECT_EQ(BootIni(), "[IPADR]\r\n10.0.0.7\r\n[PORT]\r\n30005\r\n[TCPACT]\r\n12\r\n");
    EXPECT_EQ(board.Config().resetCount, 1);
    EXPECT_EQ(board.Config().romVersion, kNewVersion);
    ExpectProductDataIntact();
    ExpectSpiImagesCurrent();

    Start();
    HWND main = WaitForMainDialog(child);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(NoBoxWithin(child, 300)) << "nothing is left to upgrade";
    EXPECT_EQ(IpShown(main), "10.0.0.7");
    ExitExpectingNoQuestion(main);

    const std::string who = "board 0\t" + MacOf(productData) + "\t";
    const std::vector<std::string> changes = HistoryChanges();
    ASSERT_EQ(changes.size(), 7u);
    EXPECT_EQ(changes[0], who + "boot ROM upgraded 0x00000100 -> 0x00000200\tdone");
    EXPECT_EQ(changes[1], who + "RZSYS.BIN upgraded 0x00000100 -> 0x00000200\tdone");
    EXPECT_EQ(changes[2], who + "SPI boot image lm8spiboot.bin written\tdone");
    EXPECT_EQ(changes[3], who + "SPI boot image lm8boot2.bin written\tdone");
    EXPECT_EQ(changes[4], who + "boot settings written\tdone");
    EXPECT_EQ(changes[5].rfind(who + "clock set to ", 0), 0u) << changes[5];
    EXPECT_EQ(changes[6], who + "board reset\tdone");
    EXPECT_NE(RunConsole("history --board 0").out.find("board reset\tdone"), std::string::npos);
    EXPECT_EQ(RunConsole("history --board 1").out, "");
}

TEST_F(Journey, ABadValueExitsWithTwoAndLeavesTheFileAsItWas) {
    MakeFirmwareCurrent();
    const struct {
        const char* arguments;
        const char* message;
    } cases[] = {
        {"set PORT=70000", "PORT=70000: 1～65535 の整数を指定してください。"},
        {"set IPADR=10.0.0.256", "IPADR=10.0.0.256: アドレスは 0～255 の数 4 つを . で区切って"},
        {"set TCPACT=30 TCPCON=10", "(TCPACT+TCPCON)が32を超えています。"},
        {"set UDPCNT=4 NOSUCH=1", "NOSUCH: そのような設定はありません。"},
        {"clock --set \"2024-02-30 10:00:00\"",
         "2024-02-30 10:00:00: そのような日時はありません。"},
        {"clock --set \"2023-+1-01 10:00:00\"", "日時は \"YYYY-MM-DD hh:mm:ss\" の形で"},
        {"set PORT=2147483648", "PORT=2147483648: 1～65535 の整数を指定してください。"},
        {"set PORT=30002 port=30003", "PORT が 2 回以上指定されています。"},
        {"set PORT=30002 --help", "--help は単独で指定してください"},
        {"upgrade --yes --yes", "--yes が 2 回以上指定されています。"},
        {"export \"\"", "export には保存するファイルを 1 つ指定してください。"},
        {"import nul", "nul: ファイルではありません (デバイス名です)。"},
        {"import empty.ini", "empty.ini: ファイルが空です。ボードには書き込みません。"},
        // Typed characters that code page 932 would map to look-alikes.
        {"set PORT=¹²³", "Shift-JIS (コードページ 932) で表せない文字があります。"},
        {"set PÖRT=30050", "Shift-JIS (コードページ 932) で表せない文字があります。"},
        {"export café.ini", "Shift-JIS (コードページ 932) で表せない文字があります。"},
        {"info --board ²", "Shift-JIS (コードページ 932) で表せない文字があります。"},
    };
    std::ofstream(testboard::ExeDir() + "\\empty.ini", std::ios::binary).close();
    for (const auto& c : cases) {
        ConsoleRun run = RunConsole(c.arguments);
        EXPECT_EQ(run.exitCode, 2u) << c.arguments;
        EXPECT_NE(run.err.find(AsRedirected(c.message)), std::string::npos) << run.err;
    }
    EXPECT_EQ(BootIni(), kInitialBootIni);
    EXPECT_EQ(CountFlashChanges(board.Dir()), 0);
    EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), "SetIPTime"), 0);
    EXPECT_EQ(GetFileAttributesA((testboard::ExeDir() + "\\cafe.ini").c_str()),
              INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(HistoryChanges().empty());
}

// `set` changes only what it names: whatever else of the board's file the
// rewrite would change or drop is named, and nothing is written without
// --force. `show` marks the same on stderr and keeps stdout to lines `set`
// takes.
TEST_F(Journey, SetNamesWhatItWouldLoseAndWritesItOnlyWhenForced) {
    MakeFirmwareCurrent();
    const struct {
        const char* kind;
        std::string file;
        const char* said;   // on stderr, by set and by show
        const char* forced; // the file after set PORT=30009 --force
    } cases[] = {
        {"text where a number is due", "[PORT]\r\n30001\r\n[TCPACT]\r\nmany\r\n",
         "TCPACT の値 many は、書き込むと TCPACT=0 になります。",
         "[PORT]\r\n30009\r\n[TCPACT]\r\n0\r\n"},
        {"a number beyond the page's range", "[PORT]\r\n30001\r\n[UDPCNT]\r\n99\r\n",
         "ボードの値 UDPCNT=99: ", "[PORT]\r\n30009\r\n[UDPCNT]\r\n99\r\n"},
        {"a number beyond any range", "[PORT]\r\n30001\r\n[RCVWB]\r\n99999999999\r\n",
         "RCVWB の値 99999999999 は、書き込むと RCVWB=2147483647 になります。",
         "[PORT]\r\n30009\r\n[RCVWB]\r\n2147483647\r\n"},
        {"a section past the read limit",
         "[PORT]\r\n30001\r\n" + std::string(2100, ' ') + "\r\n[UDPCNT]\r\n6\r\n",
         "2049 バイト目以降の 82 バイトは読み込まれず、書き込まれません。", "[PORT]\r\n30009\r\n"},
        {"an unknown section", "[PORT]\r\n30001\r\n[OPTION]\r\n7\r\n",
         "3 行目「[OPTION]」: 知らないセクションです。", "[PORT]\r\n30009\r\n"},
        {"a comment", "[PORT]\r\n30001\r\n;site-B\r\n",
         "3 行目「;site-B」: コメントは書き込まれません。", "[PORT]\r\n30009\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        simboard::WriteBoardFile(board.Dir(), "sys:\\boot.ini", c.file);
        ConsoleRun shown = RunConsole("show");
        EXPECT_EQ(shown.exitCode, 0u);
        EXPECT_NE(shown.err.find(AsRedirected(c.said)), std::string::npos) << shown.err;
        EXPECT_EQ(shown.out.find(AsRedirected("注意")), std::string::npos) << shown.out;
        ConsoleRun refused = RunConsole("set PORT=30009");
        EXPECT_EQ(refused.exitCode, 2u);
        EXPECT_NE(refused.err.find(AsRedirected(c.said)), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
        EXPECT_EQ(BootIni(), c.file) << "byte for byte as it was";
        ConsoleRun forced = RunConsole("set PORT=30009 --force");
        EXPECT_EQ(forced.exitCode, 0u) << forced.err;
        EXPECT_NE(forced.err.find(AsRedirected(c.said)), std::string::npos) << forced.err;
        EXPECT_EQ(BootIni(), c.forced);
    }
    // A value the command names may be replaced without --force.
    simboard::WriteBoardFile(board.Dir(), "sys:\\boot.ini",
                             "[PORT]\r\n30001\r\n[UDPCNT]\r\n99\r\n");
    EXPECT_EQ(RunConsole("set UDPCNT=6").exitCode, 0u);
    EXPECT_EQ(BootIni(), "[PORT]\r\n30001\r\n[UDPCNT]\r\n6\r\n");
    // The connection limit names the board's value that takes part.
    simboard::WriteBoardFile(board.Dir(), "sys:\\boot.ini", "[TCPCON]\r\n20\r\n");
    ConsoleRun limit = RunConsole("set TCPACT=20");
    EXPECT_EQ(limit.exitCode, 2u);
    EXPECT_NE(limit.err.find(
                  AsRedirected("(TCPACT+TCPCON)が32を超えています。 (ボードの設定: TCPCON=20)")),
              std::string::npos)
        << limit.err;
    EXPECT_EQ(BootIni(), "[TCPCON]\r\n20\r\n");
}

namespace {

// A settings write cut short; every row leaves a journal behind.
struct SettingsCut {
    const char* name;
    bool hadFile;
    int cutInside, cutAfter; // the n-th flash change of the writing process
    int firstWrite;          // fmWrite's first call fails: 0 no, 1 plainly, 2 part-way
    bool putBackRefused;     // the put-back's open is refused too: the board stops answering
    bool keepsNew;           // the next start finds the new text whole
};

const SettingsCut kSettingsCuts[] = {
    {"inside the write", true, 1, 0, 0, false, false},
    {"after the write, before its read-back", true, 0, 1, 0, false, true},
    {"inside the put-back of a refused write", true, 1, 0, 1, false, false},
    {"inside the put-back of a write cut part-way", true, 2, 0, 2, false, false},
    {"inside the write, no file before", false, 1, 0, 0, false, false},
    {"inside the put-back's delete, no file before", false, 2, 0, 2, false, false},
    {"write and put-back refused, the file left empty", true, 0, 0, 1, true, false},
};

enum class Writer { Dialog, Set, Import };
const char* const kWriterNames[] = {"dialog Write", "set", "import"};

const char kPutBackTold[] =
    "書き込み途中のｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙを、PCに保存しておいた書き込み前の内容に戻しました。";
const char kFoundNewTold[] =
    "ボードには新しい設定がすべて書き込まれていたため、そのままにしました。";

std::string JournalPath() {
    return SettingsJournalPath("00-80-4C-12-34-56");
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

// A cut anywhere in a settings write, from either program, is made whole by
// the next start of either program, which says so and leaves no journal.
TEST_F(Journey, ASettingsWriteCutShortIsMadeWholeByTheNextStartOfEitherProgram) {
    MakeFirmwareCurrent();
    const std::string imported = "[IPADR]\r\n10.0.0.9\r\n[PORT]\r\n30009\r\n";
    std::ofstream(testboard::ExeDir() + "\\cut.ini", std::ios::binary) << imported;
    const std::string newText[] = {"[IPADR]\r\n10.0.0.5\r\n[PORT]\r\n30001\r\n",
                                   "[IPADR]\r\n192.168.0.10\r\n[PORT]\r\n30009\r\n", imported};
    int cases = 0, whole = 0, lost = 0;
    for (const SettingsCut& cut : kSettingsCuts) {
        for (const Writer writer : {Writer::Dialog, Writer::Set, Writer::Import}) {
            for (const bool dialogStarts : {true, false}) {
                SCOPED_TRACE(std::string(cut.name) + ", " + kWriterNames[int(writer)] + ", then " +
                             (dialogStarts ? "the dialog" : "the console"));
                ++cases;
                if (cut.hadFile)
                    simboard::WriteBoardFile(board.Dir(), "sys:\\boot.ini", kInitialBootIni);
                else
                    simboard::DeleteBoardFile(board.Dir(), "sys:\\boot.ini");
                simboard::BoardConfig config = board.Config();
                config.powerCutInside = cut.cutInside;
                config.powerCutAfter = cut.cutAfter;
                config.faults.clear();
                if (cut.firstWrite > 0)
                    config.faults.push_back({"fmWrite", 1, -1, cut.firstWrite == 2});
                // The put-back's open: after the start-up read (not by import),
                // the read before the write and the write's own.
                if (cut.putBackRefused)
                    config.faults.push_back({"fmOpen", writer == Writer::Import ? 3 : 4, 0});
                board.SetConfig(config);

                if (writer == Writer::Dialog) {
                    Start();
                    HWND main = WaitForMainDialog(child);
                    ASSERT_NE(main, nullptr);
                    TypeIpAddress(FindDescendant(main, IDC_IPADDRESS_IP, L"SysIPAddress32"),
                                  L"10.0.0.5");
                    ClickDlgButton(main, IDC_BUTTON_WRITE);
                    // A write that fails without a cut says so; Exit then ends it.
                    const DWORD ended = child.Wait(3000);
                    EXPECT_EQ(ended == STILL_ACTIVE ? 1u : ended,
                              cut.putBackRefused ? 1u : 0xDEADu);
                    if (ended == STILL_ACTIVE) {
                        MessageBoxInfo box;
                        while (WaitForMessageBox(box, 1500, child.Pid()))
                            AnswerMessageBox(box, IDOK);
                        // Exit offers no reset over the emptied file; it says so.
                        ClickDlgButton(main, IDC_BUTTON_EXIT);
                        ASSERT_TRUE(WaitForMessageBox(box, kWait, child.Pid()));
                        EXPECT_EQ(Utf8(box.text).rfind(kBootFileUnfinished, 0), 0u)
                            << Utf8(box.text);
                        AnswerMessageBox(box, IDOK);
                        EXPECT_EQ(child.Wait(kWait), 0u);
                    }
                } else {
                    ConsoleRun run =
                        RunConsole(writer == Writer::Set ? "set PORT=30009" : "import cut.ini");
                    EXPECT_EQ(run.exitCode, cut.putBackRefused ? 1u : 0xDEADu) << run.err;
                }
                EXPECT_TRUE(Exists(JournalPath())) << "the cut left no journal";
                // The cut left the file whole only where the next start keeps it.
                std::string cutFile;
                const bool cutExists =
                    simboard::ReadBoardFile(board.Dir(), "sys:\\boot.ini", cutFile);
                EXPECT_EQ(cutExists && cutFile == (cut.keepsNew ? newText[int(writer)]
                                                                : std::string(kInitialBootIni)),
                          cut.keepsNew)
                    << (cutExists ? cutFile : "<missing>");

                config.powerCutInside = config.powerCutAfter = 0;
                config.faults.clear();
                board.SetConfig(config);
                const char* told = cut.keepsNew ? kFoundNewTold : kPutBackTold;
                bool wasTold = false;
                if (dialogStarts) {
                    Start();
                    MessageBoxInfo box;
                    ASSERT_TRUE(WaitForMessageBox(box, kWait, child.Pid()));
                    wasTold = Utf8(box.text).find(told) != std::string::npos;
                    EXPECT_TRUE(wasTold) << Utf8(box.text);
                    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
                    HWND main = WaitForMainDialog(child);
                    ASSERT_NE(main, nullptr);
                    ExitExpectingNoQuestion(main);
                } else {
                    ConsoleRun run = RunConsole("show");
                    EXPECT_EQ(run.exitCode, 0u) << run.err;
                    wasTold = run.err.find(AsRedirected(told)) != std::string::npos;
                    EXPECT_TRUE(wasTold) << run.err;
                }

                std::string file;
                const bool exists = simboard::ReadBoardFile(board.Dir(), "sys:\\boot.ini", file);
                const bool fileWhole =
                    cut.keepsNew ? exists && file == newText[int(writer)]
                                 : exists == cut.hadFile && (!exists || file == kInitialBootIni);
                EXPECT_TRUE(fileWhole) << (exists ? file : "<missing>");
                EXPECT_FALSE(Exists(JournalPath())) << "the journal is left";
                whole += fileWhole && wasTold && !Exists(JournalPath()) ? 1 : 0;
                lost += fileWhole ? 0 : 1;
            }
        }
    }
    // A second cut, inside the next start's put-back, leaves the journal for
    // the start after it.
    {
        ++cases;
        simboard::BoardConfig config = board.Config();
        config.powerCutInside = 1;
        board.SetConfig(config);
        EXPECT_EQ(RunConsole("set PORT=30009").exitCode, 0xDEADu);
        EXPECT_EQ(RunConsole("show").exitCode, 0xDEADu);
        EXPECT_TRUE(Exists(JournalPath()));
        config.powerCutInside = 0;
        board.SetConfig(config);
        const bool wasTold =
            RunConsole("show").err.find(AsRedirected(kPutBackTold)) != std::string::npos;
        const bool fileWhole = BootIni() == kInitialBootIni;
        EXPECT_TRUE(wasTold && fileWhole && !Exists(JournalPath())) << BootIni();
        whole += wasTold && fileWhole && !Exists(JournalPath()) ? 1 : 0;
        lost += fileWhole ? 0 : 1;
    }
    std::printf("settings cuts: %d cases, %d whole, %d lost\n", cases, whole, lost);
    EXPECT_EQ(whole, cases);

    // Nothing writes the file while the journal cannot be saved, nor while a
    // journal is pending that no start could take up.
    CreateDirectoryA((JournalPath() + ".new").c_str(), nullptr);
    ConsoleRun unsaved = RunConsole("set PORT=30010");
    EXPECT_EQ(unsaved.exitCode, 1u);
    EXPECT_NE(
        unsaved.err.find(AsRedirected("書き込み前のｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙをPCに保存できませんでした。")),
        std::string::npos)
        << unsaved.err;
    RemoveDirectoryA((JournalPath() + ".new").c_str());
    EXPECT_EQ(BootIni(), kInitialBootIni);
    // A journal cut short on the PC is not taken for whole: it is set aside.
    std::ofstream(JournalPath(), std::ios::binary) << "TRNLINI1";
    ConsoleRun aside = RunConsole("show");
    EXPECT_NE(aside.err.find(AsRedirected("記録が壊れているため使いません。")), std::string::npos)
        << aside.err;
    EXPECT_FALSE(Exists(JournalPath()));
    EXPECT_TRUE(Exists(JournalPath() + ".aside"));
    DeleteFileA((JournalPath() + ".aside").c_str());
    EXPECT_EQ(BootIni(), kInitialBootIni);
}

// Export and import on a board without a settings file leave it without one.
TEST_F(Journey, ExportAndImportOnABoardWithoutTheFileLeaveItWithoutOne) {
    MakeFirmwareCurrent();
    simboard::DeleteBoardFile(board.Dir(), "sys:\\boot.ini");
    const std::string exported = testboard::ExeDir() + "\\none.ini";
    DeleteFileA(exported.c_str());
    ConsoleRun run = RunConsole("export none.ini");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.err.find(AsRedirected("ボードにｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙがありません。")), std::string::npos)
        << run.err;
    EXPECT_EQ(GetFileAttributesA(exported.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(RunConsole("import none.ini").exitCode, 2u);
    std::string content;
    EXPECT_FALSE(simboard::ReadBoardFile(board.Dir(), "sys:\\boot.ini", content));
}

// Each command's failure reaches stderr with the dialog's words, and the
// exit code says so.
TEST_F(Journey, EveryCommandTellsItsFailureOnStderr) {
    MakeFirmwareCurrent();
    const struct {
        const char* arguments;
        const char* function; // fails with -1 on the listed calls
        int nth[2];
        DWORD exitCode;
        const char* message;
    } cases[] = {
        {"info", "GetIPVersionInfo", {1, 0}, 1, "エラー: バージョン情報の取得に失敗しました。"},
        {"show", "fmRead", {1, 0}, 1, "エラー: ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの読み出しに失敗しました。"},
        {"export board.ini", "fmRead", {1, 0}, 1, "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの読み出しに失敗しました。"},
        {"upgrade --yes", "GetIPVersionInfo", {1, 0}, 1, "バージョン情報の取得に失敗しました。"},
        {"clock --sync", "SetIPTime", {1, 0}, 1, "ボードの時計を設定できませんでした。"},
        {"clock", "GetIPTime", {1, 0}, 1, "ボードの時計を読み出せませんでした。"},
        {"reset", "ResetIP", {1, 0}, 1, "リセットに失敗しました"},
        {"info --board 9",
         "",
         {0, 0},
         1,
         "ボード 9 は接続されていないか、番号が違います。最初に見つかったボードは 0 です。"},
        // No identity to keep the journal by: nothing is written.
        {"set PORT=30003",
         "GetIPVersionInfo",
         {1, 0},
         1,
         "ボードの製品固有データが読み出せないか正しくないため、"},
        // Last: the file is left empty with its journal, which the next start
        // fails to take up (its put-back does not open), so that set writes
        // nothing.
        {"set PORT=30002", "fmWrite", {1, 2}, 1, "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みに失敗しました！"},
        {"set PORT=30004",
         "fmOpen",
         {3, 0},
         1,
         "中断したｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みがまだ元に戻っていません。"},
    };
    for (const auto& c : cases) {
        simboard::BoardConfig config = board.Config();
        config.faults.clear();
        board.SetConfig(config);
        for (int nth : c.nth) {
            if (nth > 0)
                AddFault(c.function, nth, -1);
        }
        ConsoleRun run = RunConsole(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(AsRedirected(c.message)), std::string::npos) << c.arguments << "\n"
                                                                            << run.err;
    }
    EXPECT_EQ(board.Config().resetCount, 0);
}

// An identity is never taken from a record by a yes to the upgrade, and a
// record of another board stops nobody else's work.
TEST_F(Journey, AnotherBoardsRecordIsLeftAloneAndAppliedOnlyByItsAddress) {
    MakeFirmwareCurrent();
    const uint8_t otherMac[6] = {0x00, 0x80, 0x4C, 0x65, 0x43, 0x21};
    const std::vector<uint8_t> other = simboard::MakeProductData(0x200, otherMac);
    RecoveryRecord record;
    record.boardType = 0x200;
    record.productAddress = simboard::ProductDataMainAddress(0x200);
    std::copy(other.begin(), other.end(), record.identity.bytes);
    ASSERT_TRUE(SaveRecoveryRecord(record));
    const std::string path = RecoveryRecordPath(record.identity);

    ConsoleRun healthy = RunConsole("upgrade --yes");
    EXPECT_EQ(healthy.exitCode, 0u) << healthy.err;
    EXPECT_NE(healthy.err.find(path), std::string::npos) << "where the record is";
    ExpectProductDataIntact();

    // Without a valid copy of its own identity, the board takes none unasked.
    const std::vector<uint8_t> erased(256, 0xFF);
    simboard::WriteMainFlash(board.Dir(), 0xC00, erased.data(), 256);
    simboard::WriteSpiFlash(board.Dir(), 0xFC00, erased.data(), 256);
    simboard::ClearTrace(board.Dir());
    ConsoleRun blank = RunConsole("upgrade --yes");
    EXPECT_EQ(blank.exitCode, 1u) << blank.err;
    EXPECT_NE(blank.err.find("00-80-4C-65-43-21"), std::string::npos) << blank.err;
    EXPECT_NE(blank.err.find("--apply-record 00-80-4C-65-43-21"), std::string::npos) << blank.err;
    EXPECT_EQ(CountFlashChanges(board.Dir()), 0);
    EXPECT_EQ(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES, true)
        << "the other board's record is not used up";
    EXPECT_EQ(RunConsole("upgrade --yes --apply-record 00-80-4C-12-34-56").exitCode, 1u);
    EXPECT_EQ(CountFlashChanges(board.Dir()), 0);

    ConsoleRun applied = RunConsole("upgrade --yes --apply-record 00-80-4c-65-43-21");
    EXPECT_EQ(applied.exitCode, 0u) << applied.err;
    EXPECT_EQ(ReadMain(board.Dir(), 0xC00, 256), other);
}

// The console's reset reads the board first and refuses over anything that
// would not boot, saying what, with no ResetIP.
TEST_F(Journey, ResetIsRefusedOverEveryUnfinishedBoard) {
    const std::vector<uint8_t> erased(256, 0xFF);
    auto fault = [](const TempBoard& b, const char* function, int nth) {
        simboard::BoardConfig config = b.Config();
        config.faults.push_back({function, nth, -1, true});
        b.SetConfig(config);
    };
    auto upgradeFails = [](const TempBoard&) {
        EXPECT_EQ(RunConsole("upgrade --yes").exitCode, 1u);
    };
    const struct {
        const char* name;
        std::function<void(const TempBoard&)> leave; // brings the board into the state
        const char* message;
    } rows[] = {
        {"blank boot ROM head",
         [&](const TempBoard& b) { simboard::WriteMainFlash(b.Dir(), 0, erased.data(), 256); },
         "ボードのＩＰＬが消去されています。"},
        {"no valid identity",
         [&](const TempBoard& b) {
             simboard::WriteMainFlash(b.Dir(), 0xC00, erased.data(), 256);
             simboard::WriteSpiFlash(b.Dir(), 0xFC00, erased.data(), 256);
         },
         "ボードに有効な製品固有データがありません。"},
        {"recovery record pending",
         [&](const TempBoard&) {
             RecoveryRecord record;
             record.boardType = 0x200;
             record.productAddress = 0xC00;
             std::copy(productData.begin(), productData.end(), record.identity.bytes);
             ASSERT_TRUE(SaveRecoveryRecord(record));
         },
         "製品固有データの書き込みが完了していません。"},
        {"boot ROM write cut short",
         [&](const TempBoard& b) {
             fault(b, "fmWriteProgram", 1);
             upgradeFails(b);
         },
         "ＩＰＬの書き込みが完了していません。"},
        {"command file copy cut short",
         [&](const TempBoard& b) {
             fault(b, "fmFileCopy", 1);
             upgradeFails(b);
         },
         "RZSYS.BINの書き込みが完了していません。"},
        {"SPI boot image write failing",
         [&](const TempBoard& b) {
             for (int nth = 1; nth <= 3; ++nth)
                 fault(b, "SPIFLASH_page_program", nth);
             upgradeFails(b);
         },
         "SPIブートイメージ (0x00000)の書き込みが完了していません。"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempBoard fresh{OldBoard()}; // the library now works on this one
        row.leave(fresh);
        simboard::BoardConfig config = fresh.Config();
        config.faults.clear();
        fresh.SetConfig(config);
        simboard::ClearTrace(fresh.Dir());
        ConsoleRun run = RunConsole("reset");
        EXPECT_EQ(run.exitCode, 1u) << run.err;
        EXPECT_NE(run.err.find(AsRedirected(row.message)), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(AsRedirected("ボードのリセットや電源の切断はしないで下さい。")),
                  std::string::npos);
        EXPECT_EQ(simboard::CountTraceCalls(fresh.Dir(), "ResetIP"), 0);
        ClearRecoveryFolder();
    }
}

TEST_F(Journey, TheHistoryKeepsLongLinesAndNulsWhole) {
    const std::string longLine =
        "2024-01-01 00:00:00\tboard 0\t-\t" + std::string(5000, 'a') + "\tdone";
    const char withNul[] = "2024-01-01 00:00:01\tboard 0\t-\tx\0y\tdone";
    const std::string nulLine(withNul, sizeof(withNul) - 1);
    std::ofstream(HistoryPath(), std::ios::binary) << longLine << "\r\n" << nulLine << "\r\n";
    EXPECT_EQ(RunConsole("history").out, longLine + "\n" + nulLine + "\n");
}

TEST_F(Journey, AnUpgradeWithoutTheInstalledFilesFails) {
    DeleteFileA((installation.SystemDir() + "\\lm8boot.rom").c_str());
    ConsoleRun run = RunConsole("upgrade --yes");
    EXPECT_EQ(run.exitCode, 1u) << run.err;
    EXPECT_NE(run.err.find(AsRedirected("インストールされたファームウェアファイルがありません")),
              std::string::npos)
        << run.err;
}

TEST_F(Journey, ConsoleUpgradeLeavesTheBoardAsTheDialogUpgradeWithOk) {
    Start();
    ExpectBoxAndAnswer(child, kIplQuestion, IDOK);
    ExpectBoxAndAnswer(child, kCommandQuestionShort, IDOK);
    ExpectBoxAndAnswer(child, kUpgradeDone, IDOK);
    ClickDlgButton(WaitForMainDialog(child), IDC_BUTTON_EXIT);
    ExpectBoxAndAnswer(child, kResetQuestion, IDCANCEL);
    EXPECT_EQ(child.Wait(kWait), 0u);
    const BoardImage byDialog = ImageOf(board.Dir());

    TempBoard second{OldBoard()}; // the library now works on this one
    simboard::WriteBoardFile(second.Dir(), "sys:\\boot.ini", kInitialBootIni);
    ConsoleRun run = RunConsole("upgrade --yes");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.err.find(AsRedirected(kUpgradeDone)), std::string::npos) << run.err;
    EXPECT_TRUE(ImageOf(second.Dir()) == byDialog);
    EXPECT_EQ(testboard::IllegalNorOps(second.Dir()), 0);
}

TEST_F(Journey, AFaultInTheMiddleOfAnUpgradeExitsWithOneAndTheNextCompletesTheRecord) {
    for (int nth = 1; nth <= 3; ++nth)
        AddFault("fmSectorErase", nth, -1);
    EXPECT_EQ(RunConsole("upgrade --yes").exitCode, 1u);
    simboard::BoardConfig config = board.Config();
    config.faults.clear();
    board.SetConfig(config);
    // The cut write is not complete: no reset until it is.
    EXPECT_EQ(RunConsole("reset").exitCode, 1u);
    EXPECT_EQ(board.Config().resetCount, 0);
    ConsoleRun next = RunConsole("upgrade --yes");
    EXPECT_EQ(next.exitCode, 0u) << next.err;
    EXPECT_NE(next.err.find(AsRedirected("前回中断したフラッシュメモリの書き込みを完了しました。")),
              std::string::npos)
        << next.err;
    ExpectProductDataIntact();
    EXPECT_EQ(board.Config().commandVersion, kNewVersion);
    const std::vector<std::string> changes = HistoryChanges();
    EXPECT_EQ(std::count_if(changes.begin(), changes.end(),
                            [](const std::string& c) {
                                return c.find("\trecovery record completed\tdone") !=
                                       std::string::npos;
                            }),
              1);
    EXPECT_NE(changes.front().find("\tfailed"), std::string::npos) << changes.front();
}

TEST_F(Journey, ASecondToolOnTheSameBoardEndsBeforeItAsksOrChangesAnything) {
    Start();
    MessageBoxInfo question;
    ASSERT_TRUE(WaitForMessageBox(question, kWait, child.Pid()));

    Child second;
    ASSERT_TRUE(testboard::StartChild("Tarnel2.exe", second));
    EXPECT_NE(second.Wait(kWait), STILL_ACTIVE) << "the second dialog should end unasked";
    EXPECT_EQ(GetForegroundWindow(), question.hwnd) << "the first tool comes to the front";
    ConsoleRun console = RunConsole("set PORT=30002");
    EXPECT_EQ(console.exitCode, 4u);
    EXPECT_EQ(console.err, AsRedirected("ボード 0 は他のツールが使用中です。\n"));
    EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), "OpenIPDev"), 1);

    // A tool that was killed leaves the board free for the next.
    EXPECT_EQ(CountFlashChanges(board.Dir()), 0) << "nobody answered the question";
    child.Kill();
    EXPECT_EQ(RunConsole("set PORT=30002").exitCode, 0u);
}

namespace {

// Where a slowed board call happens, and how the test gets there.
enum class SlowStage { BootRomWrite, SpiImageUpdate, Write, ClockRead };

struct SlowCall {
    const char* name;
    SlowStage stage;
    const char* function; // delayed 10 s on its `nth` call
    int nth;
    bool closeDuring;          // the window of the moment is closed during the call
    const char* boxesAfter[2]; // answered once the call has ended
    int writes;                // fmWrite calls in all
};

// Write and Exit are clicked during the main dialog's calls. During the Write
// the second Write does nothing and Exit waits for its end; during the
// clock's background read both are carried out once it is done.
const SlowCall kSlowCalls[] = {
    {"BootRomWrite",
     SlowStage::BootRomWrite,
     "fmWriteProgram",
     1,
     true,
     {kCommandQuestionShort, kUpgradeDone},
     0},
    {"SpiImageUpdate",
     SlowStage::SpiImageUpdate,
     "SPIFLASH_page_program",
     1,
     false,
     {kUpgradeDone},
     0},
    {"Write", SlowStage::Write, "fmWrite", 1, true, {kWriteOk, kResetQuestion}, 1},
    {"ClockRead", SlowStage::ClockRead, "GetIPTime", 2, false, {kWriteOk, kResetQuestion}, 1},
};

// Saves the screen under the lower half of `window` (below the running
// clock) to a BMP file and returns its bytes.
std::string CaptureLowerHalf(HWND window, const std::string& path) {
    RECT rc;
    GetWindowRect(window, &rc);
    rc.top = (rc.top + rc.bottom) / 2;
    if (!uitest::SaveScreenArea(rc, path))
        return std::string();
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Covers `window` with a window of this process for a moment and takes it
// away: the window must paint itself again.
bool RepaintsAfterBeingCovered(HWND window, const std::string& dir) {
    const std::string before = CaptureLowerHalf(window, dir + "\\before.bmp");
    RECT rc;
    GetWindowRect(window, &rc);
    HWND cover =
        CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_BLACKRECT,
                        rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(cover);
    Sleep(300);
    DestroyWindow(cover);
    Sleep(700);
    return !before.empty() && CaptureLowerHalf(window, dir + "\\after.bmp") == before;
}

class SlowBoard : public Journey, public ::testing::WithParamInterface<SlowCall> {};

} // namespace

TEST_P(SlowBoard, WindowsAnswerWhileTheBoardWorks) {
    const SlowCall& slow = GetParam();
    const bool upgrade =
        slow.stage == SlowStage::BootRomWrite || slow.stage == SlowStage::SpiImageUpdate;
    if (!upgrade)
        MakeFirmwareCurrent();
    simboard::BoardConfig config = board.Config();
    config.delays.push_back({slow.function, slow.nth, 10000});
    board.SetConfig(config);

    // Up to the slowed call; `window` is the window of the moment.
    Start();
    HWND window = nullptr;
    if (upgrade) {
        ExpectBoxAndAnswer(child, kIplQuestion, IDOK);
        if (slow.stage == SlowStage::SpiImageUpdate) {
            // The upgrade is complete only once the SPI images are written.
            ExpectBoxAndAnswer(child, kCommandQuestionShort, IDOK);
        }
        window = FindTopWindow(Wide(kProgressCaption).c_str(), L"#32770", child.Pid());
    } else {
        window = WaitForMainDialog(child);
        if (slow.stage == SlowStage::Write)
            ClickDlgButton(window, IDC_BUTTON_WRITE);
    }
    ASSERT_NE(window, nullptr);
    Sleep(3000); // well inside the 10 s call

    const DWORD start = GetTickCount();
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 200, &answer), 0);
    EXPECT_LE(GetTickCount() - start, 250u);
    EXPECT_TRUE(RepaintsAfterBeingCovered(window, pc.Path()));
    DWORD_PTR mayEnd = 1; // the end of the session is held
    SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 200, &mayEnd);
    EXPECT_EQ(mayEnd, 0u);
    if (!upgrade) {
        ClickDlgButton(window, IDC_BUTTON_WRITE);
        ClickDlgButton(window, IDC_BUTTON_EXIT);
    }
    if (slow.closeDuring)
        SystemCommand(window, SC_CLOSE);
    EXPECT_EQ(child.Wait(500), static_cast<DWORD>(STILL_ACTIVE)) << "ended during the call";
    EXPECT_TRUE(IsWindow(window)) << "closed during the call";
    EXPECT_LT(simboard::CountTraceCalls(board.Dir(), slow.function), slow.nth) << "call too short";
    ASSERT_TRUE(WaitUntil(
        [&] { return simboard::CountTraceCalls(board.Dir(), slow.function) >= slow.nth; }, kWait));

    // After the call: everything goes on as without the delay.
    if (slow.boxesAfter[0] != nullptr)
        ExpectBoxAndAnswer(child, slow.boxesAfter[0], IDOK);
    if (slow.boxesAfter[1] != nullptr)
        ExpectBoxAndAnswer(child, slow.boxesAfter[1], upgrade ? IDOK : IDCANCEL);
    if (upgrade) {
        HWND main = WaitForMainDialog(child);
        ASSERT_NE(main, nullptr);
        EXPECT_TRUE(NoBoxWithin(child, 1500)) << "something started after the call";
        ClickDlgButton(main, IDC_BUTTON_EXIT);
        ExpectBoxAndAnswer(child, kResetQuestion, IDCANCEL);
    }
    EXPECT_EQ(child.Wait(kWait), 0u);
    EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), "fmWrite"), slow.writes);
    EXPECT_EQ(board.Config().resetCount, 0);
    ExpectProductDataIntact();
    ExpectSpiImagesCurrent();
    if (upgrade) {
        EXPECT_EQ(board.Config().romVersion, kNewVersion);
        EXPECT_EQ(board.Config().commandVersion, kNewVersion);
    }
}

INSTANTIATE_TEST_SUITE_P(Delays, SlowBoard, ::testing::ValuesIn(kSlowCalls),
                         [](const auto& info) { return std::string(info.param.name); });
