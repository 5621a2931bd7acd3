// The framework core: the run flow, message boxes, message maps and dialogs,
// driven on real windows.
#include "afxwin.h"
#include "afxcmn.h"
#include "test_resource.h"
#include "uidriver.h"

#include <gtest/gtest.h>

using namespace uitest;

namespace {

// The test program's application object.
class TestApp : public CWinApp {
public:
    BOOL InitInstance() override {
        ++initCalls;
        return initResult;
    }
    int ExitInstance() override {
        ++exitCalls;
        return exitCode;
    }
    int Run() override {
        ++runCalls;
        return CWinApp::ExitInstance();
    }
    BOOL initResult = FALSE;
    int exitCode = 0;
    int initCalls = 0, exitCalls = 0, runCalls = 0;
};

TestApp testApp;

// Shift-JIS bytes of a UTF-8 literal, as the program's strings are.
std::string Sjis(const char* utf8) {
    return AfxWideToSjis(Wide(utf8).c_str());
}

class CountingDlg : public CDialog {
public:
    CountingDlg() : CDialog(IDD_TEST_DIALOG) {}
    int clicks = 0;
    int timerTicks = 0;
    int cancels = 0;
    BOOL initRan = FALSE;
    CWnd m_edit;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_TEST_EDIT, m_edit); }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        initRan = m_edit.m_hWnd != nullptr;
        SetTimer(1, 20);
        return TRUE;
    }
    void OnCancel() override {
        ++cancels;
        KillTimer(1);
        CDialog::OnCancel();
    }
    void OnCount() { ++clicks; }
    void OnFinish() { EndDialog(42); }
    void OnTimer(UINT_PTR id) {
        if (id == 1)
            ++timerTicks;
        CWnd::OnTimer(id);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CountingDlg, CDialog)
ON_BN_CLICKED(IDC_TEST_COUNT, OnCount)
ON_BN_CLICKED(IDC_TEST_FINISH, OnFinish)
ON_WM_TIMER()
END_MESSAGE_MAP()

HWND WaitForTestDialog() {
    return WaitForTopWindow(Wide("フレームワーク試験").c_str(), L"#32770", 10000);
}

} // namespace

TEST(RunFlow, InitInstanceFalseEndsWithExitInstancesResult) {
    testApp.initResult = FALSE;
    testApp.exitCode = 7;
    testApp.initCalls = testApp.exitCalls = testApp.runCalls = 0;
    EXPECT_EQ(AfxWinMain(GetModuleHandleW(nullptr)), 7);
    EXPECT_EQ(testApp.initCalls, 1);
    EXPECT_EQ(testApp.exitCalls, 1);
    EXPECT_EQ(testApp.runCalls, 0);
}

TEST(RunFlow, InitInstanceTrueRunsTheLoop) {
    testApp.initResult = TRUE;
    testApp.initCalls = testApp.exitCalls = testApp.runCalls = 0;
    AfxWinMain(GetModuleHandleW(nullptr));
    EXPECT_EQ(testApp.runCalls, 1);
    testApp.initResult = FALSE;
}

TEST(AppTitle, IsTheExecutablesBaseName) {
    EXPECT_STREQ(AfxGetAppName(), "afx_framework_tests");
}

TEST(Text, ShiftJisRoundTrip) {
    const char* samples[] = {"ＲＺユニット", "IPｱﾄﾞﾚｽ", "(TCPACT+TCPCON)が32を超えています。", ""};
    for (const char* sample : samples) {
        std::string sjis = Sjis(sample);
        EXPECT_EQ(AfxSjisToWide(sjis.c_str()), Wide(sample));
    }
    // Half-width katakana are single bytes in code page 932.
    EXPECT_EQ(Sjis("ｱ"), "\xB1");
    EXPECT_EQ(AfxSjisToWide(nullptr), L"");
}

TEST(CStringTest, FormatAndLoad) {
    CString s;
    s.Format("%s%s", "C:\\drv\\", "lm8boot2.bin");
    EXPECT_STREQ(s, "C:\\drv\\lm8boot2.bin");
    std::string longText(5000, 'x');
    s.Format("%s!", longText.c_str());
    EXPECT_EQ(s.GetLength(), 5001);
    CString loaded;
    EXPECT_TRUE(loaded.LoadString(IDS_TEST_STRING));
    EXPECT_EQ(std::string(loaded), Sjis("ﾃｽﾄ文字列"));
    EXPECT_FALSE(loaded.LoadString(12345));
    EXPECT_TRUE(loaded.IsEmpty());
}

TEST(MessageBoxes, TextCaptionAndFlagsAsGiven) {
    struct Case {
        UINT flags;
        int icon;
        bool cancel;
        int answer;
    } cases[] = {
        {MB_OK | MB_ICONHAND, MB_ICONHAND, false, IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION, MB_ICONQUESTION, true, IDCANCEL},
        {MB_OKCANCEL | MB_ICONQUESTION, MB_ICONQUESTION, true, IDOK},
        {MB_OK | MB_ICONASTERISK, MB_ICONASTERISK, false, IDOK},
        {MB_OK | MB_ICONQUESTION, MB_ICONQUESTION, false, IDOK},
        {0, 0, false, IDOK},
    };
    const std::string text = Sjis("システムのリセットを行います。\n二行目");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        MessageBoxResponder responder([&](const MessageBoxInfo&) { return c.answer; });
        EXPECT_EQ(AfxMessageBox(text.c_str(), c.flags), c.answer);
        responder.Stop();
        auto seen = responder.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].text, Wide("システムのリセットを行います。\n二行目"));
        EXPECT_EQ(seen[0].caption, L"afx_framework_tests");
        EXPECT_EQ(seen[0].icon, c.icon);
        EXPECT_TRUE(seen[0].hasOk);
        EXPECT_EQ(seen[0].hasCancel, c.cancel);
    }
}

TEST(Dialog, MessageMapHandlersAndEndDialogResult) {
    AfxInitCommonControls();
    CountingDlg dlg;
    std::thread driver([&] {
        HWND hwnd = WaitForTestDialog();
        ASSERT_NE(hwnd, nullptr);
        ClickDlgButton(hwnd, IDC_TEST_COUNT);
        ClickDlgButton(hwnd, IDC_TEST_COUNT);
        WaitUntil([&] { return dlg.timerTicks >= 2; }, 5000);
        ClickDlgButton(hwnd, IDC_TEST_FINISH);
    });
    EXPECT_EQ(dlg.DoModal(), 42);
    driver.join();
    EXPECT_TRUE(dlg.initRan);
    EXPECT_EQ(dlg.clicks, 2);
    EXPECT_GE(dlg.timerTicks, 2);
    EXPECT_EQ(dlg.cancels, 0);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST(Dialog, CloseBoxAndEscapeGoThroughOnCancel) {
    for (bool escape : {false, true}) {
        CountingDlg dlg;
        std::thread driver([&] {
            HWND hwnd = WaitForTestDialog();
            ASSERT_NE(hwnd, nullptr);
            if (escape) {
                SetForegroundWindow(hwnd);
                WaitUntil([&] { return GetForegroundWindow() == hwnd; }, 3000);
                PressKey(VK_ESCAPE);
            } else {
                SystemCommand(hwnd, SC_CLOSE);
            }
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        driver.join();
        EXPECT_EQ(dlg.cancels, 1) << (escape ? "Escape" : "close box");
    }
}

TEST(Dialog, ModelessCreateAndDestroy) {
    CountingDlg dlg;
    EXPECT_FALSE(dlg.DestroyWindow()); // no window yet: nothing to do
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    EXPECT_TRUE(IsWindow(dlg.m_hWnd));
    EXPECT_TRUE(dlg.IsWindowVisible());
    dlg.SetDlgItemText(IDC_TEST_EDIT, Sjis("ＲＺ").c_str());
    EXPECT_EQ(GetText(dlg.GetDlgItem(IDC_TEST_EDIT)), Wide("ＲＺ"));
    EXPECT_EQ(std::string(dlg.GetDlgItemText(IDC_TEST_EDIT)), Sjis("ＲＺ"));
    HWND hwnd = dlg.m_hWnd;
    EXPECT_TRUE(dlg.DestroyWindow());
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_FALSE(dlg.DestroyWindow());
}

TEST(Dialog, MissingTemplateFailsCleanly) {
    CDialog dlg(4242);
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_FALSE(dlg.Create(4242));
}

TEST(WaitCursor, NestsAndRestores) {
    HCURSOR arrow = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    SetCursor(arrow);
    {
        CWaitCursor outer;
        EXPECT_TRUE(testApp.IsWaitCursorShown());
        {
            CWaitCursor inner;
            EXPECT_TRUE(testApp.IsWaitCursorShown());
        }
        EXPECT_TRUE(testApp.IsWaitCursorShown());
    }
    EXPECT_FALSE(testApp.IsWaitCursorShown());
    EXPECT_EQ(GetCursor(), arrow);
}
