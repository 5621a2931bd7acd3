// Start-up and board connection: the reason texts, the message boxes a user
// sees when the board cannot be reached, and the board being closed once.
#include "app/tarnelapp.h"
#include "boardlib/lm800mul.h"
#include "engine/boardoperations.h"
#include "testboard.h"
#include "uidriver.h"
#include "res/resource.h"

#include <gtest/gtest.h>

using testboard::TempBoard;
using uitest::MessageBoxInfo;
using uitest::MessageBoxResponder;
using uitest::Wide;

namespace {

const char kEnvNotReady[] = "通信環境が正しく設定されていません。\n終了します。";

struct Reason {
    int code;
    const char* text;
};

const Reason kEnumReasons[] = {
    {0x20102, "ＲＺユニットを認識できませんでした"},
    {0x20103, "オープンコマンドがドライバ内で異常終了しました"},
    {0x20104, "ボード枚数の読み出しに失敗しました"},
    {0x20105, "ボード番号の読み出しに失敗しました"},
    {0x20106, "同じボード番号が設定されています"},
    {0x20203, "DLLでエラーが発生しました"},
    // Codes outside the table, 0x20101 among them, name the driver.
    {0x20101, "ドライバでエラーが発生しました"},
    {0x2010C, "ドライバでエラーが発生しました"},
    {0, "ドライバでエラーが発生しました"},
    {-1, "ドライバでエラーが発生しました"},
};

const Reason kOpenReasons[] = {
    {0x20101, "パラメータエラーが発生しました"},
    {0x20102, "ドライバがインストールされていないか動作していません"},
    {0x20103, "オープンコマンドがドライバ内で異常終了しました"},
    {0x20104, "ボード枚数の読み出しに失敗しました"},
    {0x20105, "ボード番号の読み出しに失敗しました"},
    {0x20106, "同じボード番号が設定されています"},
    {0x20107, "ドライバを動作させるリソースが不足しています"},
    {0x20108, "ドライバでエラーが発生しました"},
    {0x20109, "コマンドポートのオープンに失敗しました"},
    {0x2010A, "ファイルオープンエラーが発生しました"},
    {0x2010B, "ファイルアクセスに失敗しました"},
    {0x2010C, "ファイルタイプエラーが発生しました\n( ファイルサイズ < 256B ）"},
    {0x2010D, "メモリ確保に失敗しました"},
    {0x2010E, "オンボードシステムを起動できませんでした"},
    {0x2010F, "ファイルがボードに対応していません"},
    {0x20203, "DLLでエラーが発生しました"},
    {0x20110, "ドライバでエラーが発生しました"},
    {0x20202, "ドライバでエラーが発生しました"},
};

// Puts theApp back into its constructed state.
void ResetApp() {
    if (theApp.m_hBoard != 0)
        CloseIPDev(theApp.m_hBoard);
    theApp.m_hBoard = 0;
    theApp.m_nBoardNo = -1;
    theApp.m_pScript = nullptr;
    theApp.m_pFlashChanger = nullptr;
    theApp.m_bBoardUpdated = FALSE;
    theApp.m_bBoardInUse = FALSE;
    theApp.m_boardLock.Release(); // a started Tarnel2.exe must find its board free
}

std::wstring AppCaption() {
    return AfxSjisToWide(theApp.m_pszAppName);
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { ResetApp(); }
    void TearDown() override { ResetApp(); }
};

} // namespace

TEST(ReasonTexts, EveryEnumerationCodeAndTheFallback) {
    for (const Reason& r : kEnumReasons) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(AfxSjisToWide(EnumErrorReason(r.code)), Wide(r.text));
    }
}

TEST(ReasonTexts, EveryOpenCodeAndTheFallback) {
    for (const Reason& r : kOpenReasons) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(AfxSjisToWide(OpenErrorReason(r.code)), Wide(r.text));
    }
}

TEST(ReasonTexts, LiteralsAreShiftJisBytes) {
    // "ＲＺ" in code page 932 is 82 71 82 79.
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(EnumErrorReason(0x20102));
    EXPECT_EQ(bytes[0], 0x82);
    EXPECT_EQ(bytes[1], 0x71);
    EXPECT_EQ(bytes[2], 0x82);
    EXPECT_EQ(bytes[3], 0x79);
}

TEST_F(StartupTest, EnumerationFailureShowsTheReasonForEachCode) {
    TempBoard board;
    for (const Reason& r : kEnumReasons) {
        if (r.code == 0)
            continue; // 0 means "no error" to the simulator
        SCOPED_TRACE(r.code);
        auto config = board.Config();
        config.enumError = r.code;
        board.SetConfig(config);

        MessageBoxResponder responder(MessageBoxResponder::AlwaysOk);
        EXPECT_FALSE(theApp.OpenBoard());
        responder.Stop();

        auto seen = responder.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].text, Wide("[ EnumAttachIPDev ]\n") + Wide(r.text));
        EXPECT_EQ(seen[0].caption, AppCaption());
        EXPECT_EQ(seen[0].icon, MB_ICONHAND);
        EXPECT_TRUE(seen[0].hasOk);
        EXPECT_FALSE(seen[0].hasCancel);
        EXPECT_EQ(theApp.m_nBoardNo, -1);
        EXPECT_EQ(theApp.m_hBoard, 0);
    }
}

TEST_F(StartupTest, OpenFailureShowsTheReasonForEachCode) {
    TempBoard board;
    for (const Reason& r : kOpenReasons) {
        SCOPED_TRACE(r.code);
        auto config = board.Config();
        config.openError = r.code;
        config.boardNo = 3;
        board.SetConfig(config);

        MessageBoxResponder responder(MessageBoxResponder::AlwaysOk);
        EXPECT_FALSE(theApp.OpenBoard());
        responder.Stop();

        auto seen = responder.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].text, Wide("[ OpenIPDev ]\n") + Wide(r.text));
        EXPECT_EQ(seen[0].icon, MB_ICONHAND);
        // The enumerated number stays; no handle.
        EXPECT_EQ(theApp.m_nBoardNo, 3);
        EXPECT_EQ(theApp.m_hBoard, 0);
    }
}

TEST_F(StartupTest, OpensTheBoardNamedFirstByTheEnumerationSilently) {
    TempBoard board;
    auto config = board.Config();
    config.boardNo = 5;
    board.SetConfig(config);
    simboard::ClearTrace(board.Dir());

    MessageBoxResponder responder(MessageBoxResponder::AlwaysOk);
    EXPECT_TRUE(theApp.OpenBoard());
    responder.Stop();
    EXPECT_TRUE(responder.Seen().empty());
    EXPECT_EQ(theApp.m_nBoardNo, 5);
    EXPECT_NE(theApp.m_hBoard, 0);

    auto trace = simboard::ReadTrace(board.Dir());
    ASSERT_EQ(trace.size(), 4u);
    EXPECT_EQ(trace[0].function, "DisableIPErrorMessage");
    EXPECT_EQ(trace[1].function, "DisableIPErrorSkip");
    EXPECT_EQ(trace[2].function, "EnumAttachIPDev");
    EXPECT_EQ(trace[3].function, "OpenIPDev");
    ASSERT_EQ(trace[3].args.size(), 2u);
    EXPECT_EQ(trace[3].args[0], "5");
    EXPECT_EQ(trace[3].args[1], "0");
}

TEST_F(StartupTest, NoBoardShowsTwoMessagesAndCreatesNothing) {
    TempBoard board;
    auto config = board.Config();
    config.enumError = 0x20102;
    board.SetConfig(config);

    MessageBoxResponder responder(MessageBoxResponder::AlwaysOk);
    EXPECT_FALSE(theApp.InitInstance());
    responder.Stop();

    auto seen = responder.Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, Wide("[ EnumAttachIPDev ]\nＲＺユニットを認識できませんでした"));
    EXPECT_EQ(seen[1].text, Wide(kEnvNotReady));
    for (const MessageBoxInfo& box : seen) {
        EXPECT_EQ(box.icon, MB_ICONHAND);
        EXPECT_EQ(box.caption, AppCaption());
    }
    EXPECT_EQ(theApp.m_pScript, nullptr);
    EXPECT_EQ(theApp.m_pFlashChanger, nullptr);
    EXPECT_EQ(theApp.ExitInstance(), 0);
    EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), "CloseIPDev"), 0);
}

TEST(AppTitle, IsTheExecutablesBaseName) {
    EXPECT_EQ(std::string(theApp.m_pszAppName), "app_startup_tests");
}

// The real program, as its own process.
namespace {

// Waits for the main dialog (the top-level dialog with the Write button, not a
// message box the firmware check may show first) and closes it as a user
// would. False when it never came.
bool CloseMainDialog(const testboard::Child& child) {
    HWND main = nullptr;
    uitest::WaitUntil(
        [&] {
            main = uitest::FindTopWindow(L"Tarnel2", L"#32770", child.pi.dwProcessId);
            return main != nullptr && !uitest::IsMessageBox(main) &&
                   uitest::FindDescendant(main, IDC_BUTTON_WRITE, L"Button") != nullptr;
        },
        20000);
    if (main == nullptr || uitest::IsMessageBox(main))
        return false;
    uitest::SystemCommand(main, SC_CLOSE);
    return true;
}

} // namespace

TEST(Tarnel2Exe, NoBoardShowsBothBoxesCaptionedTarnel2AndEnds) {
    TempBoard board;
    auto config = board.Config();
    config.enumError = 0x20102;
    board.SetConfig(config);

    testboard::Child child;
    ASSERT_TRUE(testboard::StartChild("Tarnel2.exe", child));
    MessageBoxResponder responder(MessageBoxResponder::AlwaysOk, child.Pid());
    EXPECT_EQ(child.Wait(30000), 0u);
    responder.Stop();

    auto seen = responder.Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].caption, L"Tarnel2");
    EXPECT_EQ(seen[0].text, Wide("[ EnumAttachIPDev ]\nＲＺユニットを認識できませんでした"));
    EXPECT_EQ(seen[1].caption, L"Tarnel2");
    EXPECT_EQ(seen[1].text, Wide(kEnvNotReady));
    EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), "CloseIPDev"), 0);
}

TEST(Tarnel2Exe, OpenFailureShowsTheThreeLineFileTypeReason) {
    TempBoard board;
    auto config = board.Config();
    config.openError = 0x2010C;
    board.SetConfig(config);

    testboard::Child child;
    ASSERT_TRUE(testboard::StartChild("Tarnel2.exe", child));
    MessageBoxResponder responder(MessageBoxResponder::AlwaysOk, child.Pid());
    EXPECT_EQ(child.Wait(30000), 0u);
    responder.Stop();

    auto seen = responder.Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(
        seen[0].text,
        Wide("[ OpenIPDev ]\nファイルタイプエラーが発生しました\n( ファイルサイズ < 256B ）"));
    EXPECT_EQ(seen[1].text, Wide(kEnvNotReady));
    EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), "CloseIPDev"), 0);
}

TEST(Tarnel2Exe, StartsOnTheSimulatedBoardAndClosesItOnce) {
    simboard::CreateOptions options;
    TempBoard board(options);

    testboard::Child child;
    ASSERT_TRUE(testboard::StartChild("Tarnel2.exe", child));
    MessageBoxResponder responder(MessageBoxResponder::AlwaysOk, child.Pid());
    EXPECT_TRUE(CloseMainDialog(child));
    EXPECT_EQ(child.Wait(30000), 0u);
    responder.Stop();

    EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), "OpenIPDev"), 1);
    EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), "CloseIPDev"), 1);
    auto trace = simboard::ReadTrace(board.Dir());
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back().function, "CloseIPDev");
}
