// The settings sheet inside the real main dialog: its tabs, its place over
// the frame, keyboard navigation, and what each page shows of a boot file.
#include "uisession.h"

#include "app/tarnelapp.h"
#include "res/resource.h"

#include <cstring>

using namespace uisession;
using namespace uitest;

namespace {

class SheetTest : public MainDialogTest {};

RECT ClientRectOf(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HWND FocusOf(HWND dialog) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
}

void BringToFront(HWND dialog) {
    SetForegroundWindow(dialog);
    WaitUntil([&] { return GetForegroundWindow() == dialog; }, 2000);
}

} // namespace

TEST_F(SheetTest, TabsReadInOrderAndTheIpPageShowsFirst) {
    RunDialog([&](HWND dialog) {
        std::vector<std::wstring> tabs = TabTexts(dialog);
        ASSERT_EQ(tabs.size(), 4u);
        EXPECT_EQ(tabs[0], Wide("IPｱﾄﾞﾚｽ"));
        EXPECT_EQ(tabs[1], Wide("ﾎﾟｰﾄ"));
        EXPECT_EQ(tabs[2], L"TCP");
        EXPECT_EQ(tabs[3], L"UDP");
        EXPECT_EQ(SelectedTab(dialog), 0);
        EXPECT_NE(Control(dialog, IDC_IPADDRESS_IP), nullptr);
        EXPECT_NE(Control(dialog, IDC_IPADDRESS_GATEWAY), nullptr);
    });
}

TEST_F(SheetTest, SheetFillsTheFrameExactlyWithNoSheetButtons) {
    RunDialog([&](HWND dialog) {
        HWND frame = GetDlgItem(dialog, IDC_SHEET_FRAME);
        ASSERT_NE(frame, nullptr);
        EXPECT_FALSE(IsWindowVisible(frame));
        HWND tab = TabControl(dialog);
        ASSERT_NE(tab, nullptr);
        HWND sheet = GetParent(tab);
        EXPECT_EQ(GetParent(sheet), dialog);
        RECT f = ClientRectOf(dialog, frame);
        RECT s = ClientRectOf(dialog, sheet);
        EXPECT_EQ(s.left, f.left);
        EXPECT_EQ(s.top, f.top);
        EXPECT_EQ(s.right, f.right);
        EXPECT_EQ(s.bottom, f.bottom);
        // The tab control lies inside the frame with its margins kept.
        RECT t = ClientRectOf(dialog, tab);
        EXPECT_GE(t.left, f.left);
        EXPECT_GE(t.top, f.top);
        EXPECT_LE(t.right, f.right);
        EXPECT_LE(t.bottom, f.bottom);
        EXPECT_GT(t.bottom - t.top, (f.bottom - f.top) * 3 / 4);
        for (int id : {IDOK, IDCANCEL, IDHELP, 0x3021}) {
            HWND button = GetDlgItem(sheet, id);
            if (button != nullptr) {
                EXPECT_FALSE(IsWindowVisible(button)) << "sheet button " << id;
                EXPECT_FALSE(IsWindowEnabled(button)) << "sheet button " << id;
            }
        }
        LONG style = GetWindowLongW(sheet, GWL_STYLE);
        EXPECT_TRUE(style & WS_CHILD);
        EXPECT_TRUE(style & WS_TABSTOP);
        EXPECT_FALSE(style & WS_CAPTION);
        EXPECT_TRUE(GetWindowLongW(sheet, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
        EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    });
}

TEST_F(SheetTest, TabKeyMovesFromTheButtonsIntoThePageAndBackOut) {
    RunDialog([&](HWND dialog) {
        ASSERT_TRUE(ShowTab(dialog, 1, IDC_EDIT_PORT));
        BringToFront(dialog);
        SendMessageW(dialog, WM_NEXTDLGCTL,
                     reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_BUTTON_SET_RTC)), TRUE);
        ASSERT_EQ(FocusOf(dialog), GetDlgItem(dialog, IDC_BUTTON_SET_RTC));
        HWND page = GetParent(Control(dialog, IDC_EDIT_PORT));
        bool enteredPage = false;
        bool backOnWrite = false;
        for (int i = 0; i < 12 && !backOnWrite; ++i) {
            PressKey(VK_TAB);
            Sync(dialog);
            HWND focus = FocusOf(dialog);
            if (IsChild(page, focus))
                enteredPage = true;
            if (enteredPage && focus == GetDlgItem(dialog, IDC_BUTTON_WRITE))
                backOnWrite = true;
        }
        EXPECT_TRUE(enteredPage) << "Tab never reached the page's controls";
        EXPECT_TRUE(backOnWrite) << "Tab never came back out to Write";
        // And Shift+Tab from Write goes back into the sheet.
        PressKey(VK_TAB, true);
        Sync(dialog);
        EXPECT_TRUE(IsChild(GetParent(TabControl(dialog)), FocusOf(dialog)));
    });
}

TEST_F(SheetTest, DefaultsShowWhenNoSettingIsStated) {
    RemoveBootIni();
    ReadSettingsAsStartup();
    RunDialog([&](HWND dialog) {
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_IP), L"192.168.0.205");
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_SUBNET_MASK), L"255.255.255.0");
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_GATEWAY), L"192.168.0.1");
        ASSERT_TRUE(ShowTab(dialog, 1, IDC_EDIT_PORT));
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_PORT), L"30000");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_PORTSTR), L"15000");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_PORTCNT), L"16");
        for (int id : {IDC_CHECK_PORT, IDC_CHECK_PORTSTR, IDC_CHECK_PORTCNT})
            EXPECT_FALSE(IsChecked(dialog, id)) << id;
        ASSERT_TRUE(ShowTab(dialog, 2, IDC_EDIT_TCPACT));
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_TCPACT), L"8");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_TCPLST), L"8");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_TCPCON), L"8");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_RCVWB), L"8760");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_SNDWB), L"8760");
        for (int id : {IDC_CHECK_TCPACT, IDC_CHECK_TCPLST, IDC_CHECK_TCPCON, IDC_CHECK_RCVWB,
                       IDC_CHECK_SNDWB})
            EXPECT_FALSE(IsChecked(dialog, id)) << id;
        ASSERT_TRUE(ShowTab(dialog, 3, IDC_EDIT_UDPDGM));
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_UDPCNT), L"8");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_UDPDGM), L"1472");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_UDPQUE), L"9");
        for (int id : {IDC_CHECK_UDPCNT, IDC_CHECK_UDPDGM, IDC_CHECK_UDPQUE})
            EXPECT_FALSE(IsChecked(dialog, id)) << id;
    });
    // Leaving the pages unedited stores the defaults without presence.
    const NetworkSettings& s = theApp.m_settings;
    EXPECT_EQ(s.bIpAdr, 0);
    EXPECT_EQ(s.bIpMsk, 0);
    EXPECT_EQ(s.bGwAdr, 0);
    EXPECT_STREQ(s.szIpAdr, "192.168.0.205");
    EXPECT_STREQ(s.szIpMsk, "255.255.255.0");
    EXPECT_STREQ(s.szGwAdr, "192.168.0.1");
}

TEST_F(SheetTest, StatedValuesShowWithTheirCheckBoxes) {
    SetBootIni("[IPADR]\r\n10.1.2.3\r\n[IPMSK]\r\n255.255.0.0\r\n[GWADR]\r\n10.1.0.254\r\n"
               "[PORT]\r\n30001\r\n[PORTCNT]\r\n4\r\n[TCPACT]\r\n12\r\n[RCVWB]\r\n4096\r\n"
               "[UDPDGM]\r\n512\r\n[UDPQUE]\r\n0\r\n");
    ReadSettingsAsStartup();
    RunDialog([&](HWND dialog) {
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_IP), L"10.1.2.3");
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_SUBNET_MASK), L"255.255.0.0");
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_GATEWAY), L"10.1.0.254");
        ASSERT_TRUE(ShowTab(dialog, 1, IDC_EDIT_PORT));
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_PORT), L"30001");
        EXPECT_TRUE(IsChecked(dialog, IDC_CHECK_PORT));
        EXPECT_FALSE(IsChecked(dialog, IDC_CHECK_PORTSTR));
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_PORTCNT), L"4");
        EXPECT_TRUE(IsChecked(dialog, IDC_CHECK_PORTCNT));
        ASSERT_TRUE(ShowTab(dialog, 2, IDC_EDIT_TCPACT));
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_TCPACT), L"12");
        EXPECT_TRUE(IsChecked(dialog, IDC_CHECK_TCPACT));
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_RCVWB), L"4096");
        EXPECT_TRUE(IsChecked(dialog, IDC_CHECK_RCVWB));
        EXPECT_FALSE(IsChecked(dialog, IDC_CHECK_SNDWB));
        ASSERT_TRUE(ShowTab(dialog, 3, IDC_EDIT_UDPDGM));
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_UDPDGM), L"512");
        EXPECT_TRUE(IsChecked(dialog, IDC_CHECK_UDPDGM));
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_UDPQUE), L"0");
        EXPECT_TRUE(IsChecked(dialog, IDC_CHECK_UDPQUE));
        EXPECT_FALSE(IsChecked(dialog, IDC_CHECK_UDPCNT));
    });
}

TEST_F(SheetTest, UnusableStatedAddressesShowAsTheDefaults) {
    SetBootIni(
        "[IPADR]\r\n0.0.0.0\r\n[IPMSK]\r\n255.255.255.254\r\n[GWADR]\r\n255.255.255.255\r\n");
    ReadSettingsAsStartup();
    RunDialog([&](HWND dialog) {
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_IP), L"192.168.0.205");
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_SUBNET_MASK), L"255.255.255.0");
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_GATEWAY), L"192.168.0.1");
    });
    // Stored back, all three are absent again.
    EXPECT_EQ(theApp.m_settings.bIpAdr, 0);
    EXPECT_EQ(theApp.m_settings.bIpMsk, 0);
    EXPECT_EQ(theApp.m_settings.bGwAdr, 0);
}

TEST_F(SheetTest, BroadcastIpAndMaskShowAsTheDefaults) {
    SetBootIni("[IPADR]\r\n255.255.255.255\r\n[IPMSK]\r\n255.255.255.255\r\n");
    ReadSettingsAsStartup();
    RunDialog([&](HWND dialog) {
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_IP), L"192.168.0.205");
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_SUBNET_MASK), L"255.255.255.0");
    });
}

TEST_F(SheetTest, AddressTextWithFewerThanFourFieldsInTheFileIsNotTaken) {
    SetBootIni("[IPADR]\r\n10.0.0\r\n[IPMSK]\r\n255.255.0\r\n[GWADR]\r\n10.0.0\r\n");
    ReadSettingsAsStartup();
    RunDialog([&](HWND dialog) {
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_IP), L"192.168.0.205");
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_SUBNET_MASK), L"255.255.255.0");
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_GATEWAY), L"192.168.0.1");
    });
}

TEST_F(SheetTest, AddressTextWithFewerThanFourFieldsInTheRecordReadsAsZero) {
    NetworkSettings& s = theApp.m_settings;
    s.bIpAdr = s.bIpMsk = s.bGwAdr = 1;
    std::strcpy(s.szIpAdr, "192.168.0");
    std::strcpy(s.szIpMsk, "192.168.0");
    std::strcpy(s.szGwAdr, "192.168.0");
    RunDialog([&](HWND dialog) {
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_IP), L"192.168.0.205");
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_SUBNET_MASK), L"0.0.0.0");
        EXPECT_EQ(IpText(dialog, IDC_IPADDRESS_GATEWAY), L"0.0.0.0");
    });
}

TEST_F(SheetTest, OutOfRangeFileValuesShowAsTheNearestEndOfTheRange) {
    SetBootIni("[PORT]\r\n70000\r\n[PORTSTR]\r\n0\r\n[PORTCNT]\r\n-3\r\n"
               "[TCPACT]\r\n50\r\n[TCPLST]\r\n1\r\n[TCPCON]\r\n33\r\n[RCVWB]\r\n70000\r\n"
               "[SNDWB]\r\n100\r\n[UDPCNT]\r\n-5\r\n[UDPDGM]\r\n65537\r\n[UDPQUE]\r\n1000\r\n");
    ReadSettingsAsStartup();
    RunDialog([&](HWND dialog) {
        ASSERT_TRUE(ShowTab(dialog, 1, IDC_EDIT_PORT));
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_PORT), L"65535");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_PORTSTR), L"1");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_PORTCNT), L"1");
        ASSERT_TRUE(ShowTab(dialog, 2, IDC_EDIT_TCPACT));
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_TCPACT), L"32");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_TCPLST), L"4");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_TCPCON), L"32");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_RCVWB), L"17520");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_SNDWB), L"2920");
        // 32 + 32 goes over the limit when the page is left.
        MessageBoxResponder responder(MessageBoxResponder::AlwaysOk);
        ASSERT_TRUE(ShowTab(dialog, 3, IDC_EDIT_UDPDGM));
        responder.Stop();
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_UDPCNT), L"0");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_UDPDGM), L"1472");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_UDPQUE), L"255");
    });
}
