// The main dialog's commands on real windows over a simulated board: Write,
// Read, Exit with the board reset, the About box, system commands, and Enter
// in an edit box (which must not close the tool).
#include "uisession.h"

#include "app/tarnelapp.h"
#include "res/resource.h"

using namespace uisession;
using namespace uitest;

namespace {

class CommandsTest : public MainDialogTest {};

const char kWriteOk[] = "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みに成功しました！";
const char kWriteFailed[] = "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みに失敗しました！";
const char kReadFailed[] = "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの読み出しに失敗しました。";
const char kWriteUnreadQuestion[] =
    "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙが読み出せていません。\nボードの設定を上書きします。よろしいですか？";
const char kResetQuestion[] = "システムのリセットを行います。よろしいですか？";
const char kResetFailed[] = "リセットに失敗しました";
const char kFileAsBefore[] = "ボードのｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙは書き込み前のままです。";
const char kFlashUnfinished[] = "ﾌﾗｯｼｭﾒﾓﾘの書き込みが完了していません。\nボードのリセットや電源の"
                                "切断はしないで下さい。\nTarnel2を再起動して書き込みを完了して下"
                                "さい。";

int ResetCount(const testboard::TempBoard& board) {
    return board.Config().resetCount;
}

HWND FocusOf(HWND dialog) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
}

// Puts the keyboard focus on a control, as a click into it would.
void FocusOn(HWND dialog, HWND control) {
    SetForegroundWindow(dialog);
    WaitUntil([&] { return GetForegroundWindow() == dialog; }, 2000);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    WaitUntil([&] { return FocusOf(dialog) == control; }, 2000);
}

// A box with only OK, its text and icon as given.
void ExpectOkBox(const MessageBoxInfo& box, const char* text, int icon) {
    EXPECT_EQ(box.text, Wide(text));
    EXPECT_EQ(box.icon, icon);
    EXPECT_TRUE(box.hasOk);
    EXPECT_FALSE(box.hasCancel);
}

// A question with OK and Cancel.
void ExpectQuestion(const MessageBoxInfo& box, const char* text) {
    EXPECT_EQ(box.text, Wide(text));
    EXPECT_EQ(box.icon, MB_ICONQUESTION);
    EXPECT_TRUE(box.hasOk && box.hasCancel);
}

} // namespace

TEST_F(CommandsTest, WriteStoresTheActivePageAndWritesTheRecordsBytes) {
    RemoveBootIni();
    ReadSettingsAsStartup();
    INT_PTR result = RunDialog([&](HWND dialog) {
        TypeIp(dialog, IDC_IPADDRESS_IP, L"10.0.0.1");
        ASSERT_TRUE(ShowTab(dialog, 1, IDC_EDIT_PORT));
        SetCheck(GetParent(Control(dialog, IDC_EDIT_PORT)), IDC_CHECK_PORT, true);
        Type(dialog, IDC_EDIT_PORT, L"30001");
        SetCheck(GetParent(Control(dialog, IDC_EDIT_PORT)), IDC_CHECK_PORTCNT, true);
        Type(dialog, IDC_EDIT_PORTCNT, L"0"); // falls back to 16
        MessageBoxInfo box;
        ASSERT_TRUE(ClickForMessageBox(dialog, IDC_BUTTON_WRITE, box));
        ExpectOkBox(box, kWriteOk, MB_ICONASTERISK);
        EXPECT_EQ(box.caption, AppTitle());
        AnswerMessageBox(box, IDOK);
        // The page shows what was read back.
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_PORTCNT), L"16");
        EXPECT_TRUE(IsChecked(dialog, IDC_CHECK_PORTCNT));
        EXPECT_TRUE(theApp.m_bBoardUpdated);
        // Exit now offers the reset; Cancel keeps the board running.
        ASSERT_TRUE(ClickForMessageBox(dialog, IDC_BUTTON_EXIT, box));
        ExpectQuestion(box, kResetQuestion);
        AnswerMessageBox(box, IDCANCEL);
        EXPECT_TRUE(WaitForWindowGone(dialog, 5000));
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(BootIni(), "[IPADR]\r\n10.0.0.1\r\n[PORT]\r\n30001\r\n[PORTCNT]\r\n16\r\n");
    EXPECT_EQ(ResetCount(*board), 0);
    EXPECT_EQ(CallCount("ResetIP"), 0);
}

TEST_F(CommandsTest, WriteWithTheTcpLimitExceededWarnsFirstThenWritesEightAndEight) {
    RemoveBootIni();
    ReadSettingsAsStartup();
    RunDialog([&](HWND dialog) {
        ASSERT_TRUE(ShowTab(dialog, 2, IDC_EDIT_TCPACT));
        HWND page = GetParent(Control(dialog, IDC_EDIT_TCPACT));
        SetCheck(page, IDC_CHECK_TCPACT, true);
        SetCheck(page, IDC_CHECK_TCPCON, true);
        Type(dialog, IDC_EDIT_TCPACT, L"20");
        Type(dialog, IDC_EDIT_TCPCON, L"20");
        MessageBoxInfo box;
        ASSERT_TRUE(ClickForMessageBox(dialog, IDC_BUTTON_WRITE, box));
        EXPECT_EQ(box.text, Wide("(TCPACT+TCPCON)が32を超えています。"));
        EXPECT_EQ(box.icon, MB_ICONHAND);
        // Nothing is written before the warning is closed.
        EXPECT_EQ(CallCount("fmWrite"), 0);
        AnswerMessageBox(box, IDOK);
        ASSERT_TRUE(WaitForMessageBox(box, 5000));
        EXPECT_EQ(box.text, Wide(kWriteOk));
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_TCPACT), L"8");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_TCPCON), L"8");
        AnswerMessageBox(box, IDOK);
    });
    EXPECT_EQ(BootIni(), "[TCPACT]\r\n8\r\n[TCPCON]\r\n8\r\n");
}

TEST_F(CommandsTest, FailedWriteKeepsTheEditsThePreviousFileAndTheResetOwed) {
    SetBootIni("[Print]\r\n2\r\n[PORT]\r\n30002\r\n");
    ReadSettingsAsStartup();
    theApp.m_bBoardUpdated = TRUE; // as after a firmware upgrade at start-up
    InjectFault("fmWrite", 1, -5);
    INT_PTR result = RunDialog([&](HWND dialog) {
        ASSERT_TRUE(ShowTab(dialog, 1, IDC_EDIT_PORT));
        Type(dialog, IDC_EDIT_PORT, L"40000");
        MessageBoxInfo box;
        ASSERT_TRUE(ClickForMessageBox(dialog, IDC_BUTTON_WRITE, box));
        EXPECT_EQ(box.text, Wide(kWriteFailed));
        EXPECT_EQ(box.icon, MB_ICONHAND);
        EXPECT_FALSE(box.hasCancel);
        // The previous file is back; the page still shows the edit.
        EXPECT_EQ(BootIni(), "[Print]\r\n2\r\n[PORT]\r\n30002\r\n");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_PORT), L"40000");
        AnswerMessageBox(box, IDOK);
        ASSERT_TRUE(WaitForMessageBox(box, 5000));
        ExpectOkBox(box, kFileAsBefore, MB_ICONASTERISK);
        AnswerMessageBox(box, IDOK);
        // The reset owed for the start-up upgrade is still offered.
        EXPECT_TRUE(theApp.m_bBoardUpdated);
        ASSERT_TRUE(ClickForMessageBox(dialog, IDC_BUTTON_EXIT, box));
        EXPECT_EQ(box.text, Wide(kResetQuestion));
        AnswerMessageBox(box, IDCANCEL);
        EXPECT_TRUE(WaitForWindowGone(dialog, 5000));
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(CallCount("ResetIP"), 0);
    // The record still holds the section no page shows, for the next Write.
    EXPECT_EQ(theApp.m_settings.bPrint, 1);
    EXPECT_EQ(theApp.m_settings.nPrint, 2);
    EXPECT_EQ(theApp.m_settings.nPort, 40000);
}

TEST_F(CommandsTest, FailedReadIsReportedAndWriteAsksUntilAGoodWriteOrRead) {
    SetBootIni("[PORT]\r\n30008\r\n");
    InjectFault("fmRead", CallCount("fmRead") + 1, -1); // the Read below
    RunDialog([&](HWND dialog) {
        MessageBoxInfo box;
        ASSERT_TRUE(ClickForMessageBox(dialog, IDC_BUTTON_READ, box));
        ExpectOkBox(box, kReadFailed, MB_ICONHAND);
        EXPECT_EQ(box.caption, AppTitle());
        AnswerMessageBox(box, IDOK);
        // OK writes; after that good write, Write no longer asks.
        ASSERT_TRUE(ClickForMessageBox(dialog, IDC_BUTTON_WRITE, box));
        ExpectQuestion(box, kWriteUnreadQuestion);
        AnswerMessageBox(box, IDOK);
        ASSERT_TRUE(WaitForMessageBox(box, 5000));
        EXPECT_EQ(box.text, Wide(kWriteOk));
        AnswerMessageBox(box, IDOK);
        ASSERT_TRUE(ClickForMessageBox(dialog, IDC_BUTTON_WRITE, box));
        EXPECT_EQ(box.text, Wide(kWriteOk));
        AnswerMessageBox(box, IDOK);
        // A good Read after a failed one ends the question too.
        InjectFault("fmRead", CallCount("fmRead") + 1, -1);
        ASSERT_TRUE(ClickForMessageBox(dialog, IDC_BUTTON_READ, box));
        EXPECT_EQ(box.text, Wide(kReadFailed));
        AnswerMessageBox(box, IDOK);
        ClickAndWait(dialog, IDC_BUTTON_READ);
        ASSERT_TRUE(ClickForMessageBox(dialog, IDC_BUTTON_WRITE, box));
        EXPECT_EQ(box.text, Wide(kWriteOk));
        AnswerMessageBox(box, IDOK);
    });
    EXPECT_EQ(CallCount("fmWrite"), 3);
}

TEST_F(CommandsTest, ReadShowsTheFileAndDropsUnwrittenEdits) {
    SetBootIni("[PORT]\r\n30003\r\n[PORTSTR]\r\n15003\r\n");
    ReadSettingsAsStartup();
    RunDialog([&](HWND dialog) {
        ASSERT_TRUE(ShowTab(dialog, 1, IDC_EDIT_PORT));
        Type(dialog, IDC_EDIT_PORT, L"12345");
        SetCheck(GetParent(Control(dialog, IDC_EDIT_PORT)), IDC_CHECK_PORT, false);
        // The board's file changes behind the tool's back.
        SetBootIni("[PORT]\r\n30004\r\n[UDPQUE]\r\n20\r\n");
        ClickAndWait(dialog, IDC_BUTTON_READ);
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_PORT), L"30004");
        EXPECT_TRUE(IsChecked(dialog, IDC_CHECK_PORT));
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_PORTSTR), L"15000");
        EXPECT_FALSE(IsChecked(dialog, IDC_CHECK_PORTSTR));
        MessageBoxInfo box;
        EXPECT_FALSE(WaitForMessageBox(box, 300));
        // Another page loads the new values when it is shown.
        ASSERT_TRUE(ShowTab(dialog, 3, IDC_EDIT_UDPDGM));
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_UDPQUE), L"20");
        EXPECT_TRUE(IsChecked(dialog, IDC_CHECK_UDPQUE));
    });
    EXPECT_EQ(CallCount("fmWrite"), 0);
    EXPECT_EQ(BootIni(), "[PORT]\r\n30004\r\n[UDPQUE]\r\n20\r\n");
}

TEST_F(CommandsTest, ExitAfterAnUpdateResetsTheBoardOnOk) {
    theApp.m_bBoardUpdated = TRUE;
    RunDialog([&](HWND dialog) {
        MessageBoxInfo box;
        ASSERT_TRUE(ClickForMessageBox(dialog, IDC_BUTTON_EXIT, box));
        EXPECT_EQ(box.text, Wide(kResetQuestion));
        EXPECT_EQ(box.caption, AppTitle());
        AnswerMessageBox(box, IDOK);
        EXPECT_TRUE(WaitForWindowGone(dialog, 5000));
    });
    EXPECT_EQ(ResetCount(*board), 1);
    std::vector<simboard::TraceEntry> resets = Calls("ResetIP");
    ASSERT_EQ(resets.size(), 1u);
    ASSERT_EQ(resets[0].args.size(), 2u);
    EXPECT_EQ(resets[0].args[0], std::to_string(theApp.m_nBoardNo));
    EXPECT_EQ(resets[0].args[1], "1");
}

TEST_F(CommandsTest, ExitWhileAFlashWriteIsUnfinishedWarnsAndDoesNotReset) {
    theApp.m_bBoardUpdated = TRUE;
    theApp.m_bFlashWriteUnfinished = TRUE;
    RunDialog([&](HWND dialog) {
        MessageBoxInfo box;
        ASSERT_TRUE(ClickForMessageBox(dialog, IDC_BUTTON_EXIT, box));
        ExpectOkBox(box, kFlashUnfinished, MB_ICONEXCLAMATION);
        AnswerMessageBox(box, IDOK);
        EXPECT_TRUE(WaitForWindowGone(dialog, 5000));
    });
    theApp.m_bFlashWriteUnfinished = FALSE;
    EXPECT_EQ(CallCount("ResetIP"), 0);
}

TEST_F(CommandsTest, FailedResetIsReportedAndTheDialogStillCloses) {
    theApp.m_bBoardUpdated = TRUE;
    InjectFault("ResetIP", 1, -1);
    INT_PTR result = RunDialog([&](HWND dialog) {
        MessageBoxInfo box;
        ASSERT_TRUE(ClickForMessageBox(dialog, IDC_BUTTON_EXIT, box));
        AnswerMessageBox(box, IDOK);
        ASSERT_TRUE(WaitForMessageBox(box, 5000));
        ExpectOkBox(box, kResetFailed, 0);
        AnswerMessageBox(box, IDOK);
        EXPECT_TRUE(WaitForWindowGone(dialog, 5000));
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(ResetCount(*board), 0);
}

TEST_F(CommandsTest, ExitWithoutAnUpdateAsksNothing) {
    INT_PTR result = RunDialog([&](HWND dialog) {
        ClickDlgButton(dialog, IDC_BUTTON_EXIT);
        EXPECT_TRUE(WaitForWindowGone(dialog, 5000));
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(CallCount("ResetIP"), 0);
}

TEST_F(CommandsTest, CloseBoxAndEscapeTakeTheExitPath) {
    theApp.m_bBoardUpdated = TRUE;
    RunDialog([&](HWND dialog) {
        SystemCommand(dialog, SC_CLOSE);
        MessageBoxInfo box;
        ASSERT_TRUE(WaitForMessageBox(box, 5000));
        EXPECT_EQ(box.text, Wide(kResetQuestion));
        AnswerMessageBox(box, IDOK);
        EXPECT_TRUE(WaitForWindowGone(dialog, 5000));
    });
    EXPECT_EQ(ResetCount(*board), 1);
    RunDialog([&](HWND dialog) {
        ASSERT_TRUE(ShowTab(dialog, 1, IDC_EDIT_PORT));
        FocusOn(dialog, Control(dialog, IDC_EDIT_PORT));
        PressKey(VK_ESCAPE);
        MessageBoxInfo box;
        ASSERT_TRUE(WaitForMessageBox(box, 5000));
        EXPECT_EQ(box.text, Wide(kResetQuestion));
        AnswerMessageBox(box, IDCANCEL);
        EXPECT_TRUE(WaitForWindowGone(dialog, 5000));
    });
    EXPECT_EQ(ResetCount(*board), 1);
}

TEST_F(CommandsTest, EnterInAnEditBoxDoesNotCloseTheTool) {
    theApp.m_bBoardUpdated = TRUE; // the reset question must not be skipped
    RunDialog([&](HWND dialog) {
        ASSERT_TRUE(ShowTab(dialog, 1, IDC_EDIT_PORT));
        Type(dialog, IDC_EDIT_PORT, L"30005");
        FocusOn(dialog, Control(dialog, IDC_EDIT_PORT));
        ASSERT_EQ(FocusOf(dialog), Control(dialog, IDC_EDIT_PORT));
        PressKey(VK_RETURN);
        Sync(dialog);
        MessageBoxInfo box;
        EXPECT_FALSE(WaitForMessageBox(box, 500)) << Utf8(box.text);
        EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog));
        // The edit is kept, and the clock still runs.
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_PORT), L"30005");
        std::wstring before = GetText(GetDlgItem(dialog, IDC_STATIC_RTC_TIME));
        EXPECT_TRUE(WaitUntil(
            [&] { return GetText(GetDlgItem(dialog, IDC_STATIC_RTC_TIME)) != before; }, 2500));
        // Enter on the IP page too.
        ASSERT_TRUE(ShowTab(dialog, 0, IDC_IPADDRESS_IP));
        HWND ipField = GetWindow(Control(dialog, IDC_IPADDRESS_IP), GW_CHILD);
        FocusOn(dialog, ipField);
        PressKey(VK_RETURN);
        Sync(dialog);
        EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog));
        // Exit still asks.
        ASSERT_TRUE(ClickForMessageBox(dialog, IDC_BUTTON_EXIT, box));
        EXPECT_EQ(box.text, Wide(kResetQuestion));
        AnswerMessageBox(box, IDCANCEL);
        EXPECT_TRUE(WaitForWindowGone(dialog, 5000));
    });
}

TEST_F(CommandsTest, AboutBoxOpensFromTheSystemMenu) {
    RunDialog([&](HWND dialog) {
        HMENU menu = GetSystemMenu(dialog, FALSE);
        ASSERT_NE(menu, nullptr);
        int count = GetMenuItemCount(menu);
        ASSERT_GE(count, 2);
        wchar_t text[128] = {};
        GetMenuStringW(menu, IDM_ABOUTBOX, text, 128, MF_BYCOMMAND);
        EXPECT_EQ(std::wstring(text), Wide("Tarnel2 のﾊﾞｰｼﾞｮﾝ情報(&A)..."));
        EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
        MENUITEMINFOW separator = {};
        separator.cbSize = sizeof(separator);
        separator.fMask = MIIM_FTYPE;
        GetMenuItemInfoW(menu, count - 2, TRUE, &separator);
        EXPECT_TRUE(separator.fType & MFT_SEPARATOR);

        SystemCommand(dialog, IDM_ABOUTBOX);
        HWND about = WaitForTopWindow(Wide("Tarnel2のﾊﾞｰｼﾞｮﾝ情報").c_str(), L"#32770", 5000);
        ASSERT_NE(about, nullptr);
        bool found = false;
        for (HWND child = GetWindow(about, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT))
            found = found || GetText(child) == L"Tarnel2 Version 1.0.0";
        EXPECT_TRUE(found);
        EXPECT_EQ(GetWindow(about, GW_OWNER), dialog);
        ClickDlgButton(about, IDOK);
        EXPECT_TRUE(WaitForWindowGone(about, 5000));
        EXPECT_TRUE(IsWindowVisible(dialog));
        // The low four bits of the command do not matter.
        SystemCommand(dialog, IDM_ABOUTBOX | 0x3);
        about = WaitForTopWindow(Wide("Tarnel2のﾊﾞｰｼﾞｮﾝ情報").c_str(), L"#32770", 5000);
        ASSERT_NE(about, nullptr);
        PostMessageW(about, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(WaitForWindowGone(about, 5000));
    });
}

TEST_F(CommandsTest, OtherSystemCommandsStillWork) {
    RunDialog([&](HWND dialog) {
        // Dragged while minimised, the window shows the program's icon.
        HICON dragIcon = reinterpret_cast<HICON>(SendMessageW(dialog, WM_QUERYDRAGICON, 0, 0));
        EXPECT_NE(dragIcon, nullptr);
        EXPECT_EQ(dragIcon, reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0)));
        SystemCommand(dialog, SC_CLOSE);
        EXPECT_TRUE(WaitForWindowGone(dialog, 5000));
    });
}
