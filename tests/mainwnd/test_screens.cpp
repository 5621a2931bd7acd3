// Screenshots of the main dialog with each page and of the About box, made on
// the test display, and the look of the templates: the Japanese texts whole.
#include "uisession.h"

#include "res/resource.h"

using namespace uisession;
using namespace uitest;

namespace {

class ScreensTest : public MainDialogTest {};

// A static or button text fits its control when the text's extent in the
// control's font is no wider than the control.
// True when the text, in the control's font, fits the control's width.
bool TextFitsAs(HWND control, const std::wstring& text) {
    HDC dc = GetDC(control);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    RECT client;
    GetClientRect(control, &client);
    return extent.cx <= client.right - client.left;
}

bool TextFits(HWND control) {
    return TextFitsAs(control, GetText(control));
}

} // namespace

TEST_F(ScreensTest, MainDialogWithEachPageAndTheAboutBox) {
    RunDialog([&](HWND dialog) {
        struct Page {
            int tab;
            int control;
            const char* name;
        } const pages[] = {{0, IDC_IPADDRESS_IP, "main_ip"},
                           {1, IDC_EDIT_PORT, "main_port"},
                           {2, IDC_EDIT_TCPACT, "main_tcp"},
                           {3, IDC_EDIT_UDPDGM, "main_udp"}};
        SetForegroundWindow(dialog);
        for (const Page& page : pages) {
            ASSERT_TRUE(ShowTab(dialog, page.tab, page.control));
            EXPECT_FALSE(SaveScreenshot(dialog, page.name).empty()) << page.name;
        }
        SystemCommand(dialog, IDM_ABOUTBOX);
        HWND about = WaitForTopWindow(Wide("Tarnel2のﾊﾞｰｼﾞｮﾝ情報").c_str(), L"#32770", 5000);
        ASSERT_NE(about, nullptr);
        EXPECT_FALSE(SaveScreenshot(about, "about").empty());
        PostMessageW(about, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitForWindowGone(about, 5000));
    });
}

TEST_F(ScreensTest, JapaneseTextsFitTheirControls) {
    RunDialog([&](HWND dialog) {
        // The board time at its widest must be readable whole, not cut to
        // an ellipsis.
        EXPECT_TRUE(TextFitsAs(GetDlgItem(dialog, IDC_STATIC_RTC_TIME), L"23:59:59"));
        EXPECT_TRUE(TextFitsAs(GetDlgItem(dialog, IDC_STATIC_RTC_TIME), L"20:48:08"));
        for (int id : {IDC_BUTTON_WRITE, IDC_BUTTON_EXIT, IDC_BUTTON_READ, IDC_BUTTON_SET_RTC})
            EXPECT_TRUE(TextFits(GetDlgItem(dialog, id))) << Utf8(GetText(GetDlgItem(dialog, id)));
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            if (GetClassNameOf(child) == L"Static" && IsWindowVisible(child)) {
                EXPECT_TRUE(TextFits(child)) << Utf8(GetText(child));
            }
        }
        struct Page {
            int tab;
            int control;
        } const pages[] = {
            {0, IDC_IPADDRESS_IP}, {1, IDC_EDIT_PORT}, {2, IDC_EDIT_TCPACT}, {3, IDC_EDIT_UDPDGM}};
        MessageBoxResponder responder(MessageBoxResponder::AlwaysOk);
        for (const Page& page : pages) {
            ASSERT_TRUE(ShowTab(dialog, page.tab, page.control));
            HWND pageWnd = GetParent(Control(dialog, page.control));
            for (HWND child = GetWindow(pageWnd, GW_CHILD); child != nullptr;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                std::wstring cls = GetClassNameOf(child);
                if (cls == L"Static" || cls == L"Button") {
                    EXPECT_TRUE(TextFits(child)) << Utf8(GetText(child));
                }
            }
        }
    });
}
