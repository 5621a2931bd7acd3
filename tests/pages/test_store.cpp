// What the pages store when they are left: fallbacks for unusable input,
// flags from the check boxes and the IP page's presence rules, and the TCP
// limit on TCPACT plus TCPCON.
#include "uisession.h"

#include "app/tarnelapp.h"
#include "pages/tarnelsheet.h"
#include "res/resource.h"

#include <cstring>
#include <string>

using namespace uisession;
using namespace uitest;

namespace {

class StoreTest : public MainDialogTest {};

struct Entry {
    int tab;    // page of the row
    int editId; // its edit box
    const wchar_t* typed;
    int32_t NetworkSettings::*value;
    int32_t expected;
};

// One row: type into the edit box, leave the page, read the record.
void CheckStored(HWND dialog, const Entry& e, int firstControlOfTab) {
    ASSERT_TRUE(ShowTab(dialog, e.tab, firstControlOfTab));
    Type(dialog, e.editId, e.typed);
    ASSERT_TRUE(ShowTab(dialog, 0, IDC_IPADDRESS_IP));
    EXPECT_EQ(theApp.m_settings.*(e.value), e.expected)
        << "typed \"" << Utf8(e.typed) << "\" into " << e.editId;
}

int FirstControl(int tab) {
    return tab == 1 ? IDC_EDIT_PORT : tab == 2 ? IDC_EDIT_TCPACT : IDC_EDIT_UDPDGM;
}

} // namespace

TEST_F(StoreTest, UnusableValuesStoreTheFallbackAndRangeEndsAreKept) {
    const Entry entries[] = {
        {1, IDC_EDIT_PORT, L"0", &NetworkSettings::nPort, 30000},
        {1, IDC_EDIT_PORT, L"65536", &NetworkSettings::nPort, 30000},
        {1, IDC_EDIT_PORT, L"65535", &NetworkSettings::nPort, 65535},
        {1, IDC_EDIT_PORTSTR, L"0", &NetworkSettings::nPortStr, 15000},
        {1, IDC_EDIT_PORTSTR, L"1", &NetworkSettings::nPortStr, 1},
        {1, IDC_EDIT_PORTCNT, L"65536", &NetworkSettings::nPortCnt, 16},
        {1, IDC_EDIT_PORTCNT, L"", &NetworkSettings::nPortCnt, 16},
        {2, IDC_EDIT_RCVWB, L"2919", &NetworkSettings::nRcvWb, 8760},
        {2, IDC_EDIT_RCVWB, L"2920", &NetworkSettings::nRcvWb, 2920},
        {2, IDC_EDIT_SNDWB, L"17520", &NetworkSettings::nSndWb, 17520},
        {2, IDC_EDIT_SNDWB, L"17521", &NetworkSettings::nSndWb, 8760},
        {2, IDC_EDIT_TCPLST, L"3", &NetworkSettings::nTcpLst, 8},
        {2, IDC_EDIT_TCPLST, L"33", &NetworkSettings::nTcpLst, 8},
        {2, IDC_EDIT_TCPLST, L"32", &NetworkSettings::nTcpLst, 32},
        {2, IDC_EDIT_TCPACT, L"12a", &NetworkSettings::nTcpAct, 8},
        {2, IDC_EDIT_RCVWB, L"12a", &NetworkSettings::nRcvWb, 8760},
        {3, IDC_EDIT_UDPDGM, L"1473", &NetworkSettings::nUdpDgm, 1472},
        {3, IDC_EDIT_UDPDGM, L"0", &NetworkSettings::nUdpDgm, 0},
        {3, IDC_EDIT_UDPQUE, L"256", &NetworkSettings::nUdpQue, 9},
        {3, IDC_EDIT_UDPQUE, L"0", &NetworkSettings::nUdpQue, 0},
        {3, IDC_EDIT_UDPCNT, L"33", &NetworkSettings::nUdpCnt, 8},
        {3, IDC_EDIT_UDPCNT, L"0", &NetworkSettings::nUdpCnt, 0},
        {3, IDC_EDIT_UDPCNT, L"-1", &NetworkSettings::nUdpCnt, 8},
    };
    RunDialog([&](HWND dialog) {
        for (const Entry& e : entries)
            CheckStored(dialog, e, FirstControl(e.tab));
    });
}

TEST_F(StoreTest, AnyTextAtAnyLengthStoresADefinedValue) {
    std::wstring longDigits(300, L'7');
    std::wstring longJunk;
    for (int i = 0; i < 200; ++i)
        longJunk += L"ｱ%s%n\\x";
    const Entry entries[] = {
        {1, IDC_EDIT_PORT, longDigits.c_str(), &NetworkSettings::nPort, 30000},
        {1, IDC_EDIT_PORTSTR, longJunk.c_str(), &NetworkSettings::nPortStr, 15000},
        {1, IDC_EDIT_PORTCNT, L" 12", &NetworkSettings::nPortCnt, 12},
        {2, IDC_EDIT_TCPACT, longDigits.c_str(), &NetworkSettings::nTcpAct, 8},
        {2, IDC_EDIT_SNDWB, longJunk.c_str(), &NetworkSettings::nSndWb, 8760},
        {3, IDC_EDIT_UDPDGM, longDigits.c_str(), &NetworkSettings::nUdpDgm, 1472},
        {3, IDC_EDIT_UDPQUE, longJunk.c_str(), &NetworkSettings::nUdpQue, 9},
    };
    RunDialog([&](HWND dialog) {
        for (const Entry& e : entries)
            CheckStored(dialog, e, FirstControl(e.tab));
        // The IP address fields take at most three digits each.
        TypeIp(dialog, IDC_IPADDRESS_IP, L"1234.56789.0.999");
        ASSERT_TRUE(ShowTab(dialog, 1, IDC_EDIT_PORT));
    });
    const NetworkSettings& s = theApp.m_settings;
    EXPECT_LT(std::string(s.szIpAdr).size(), 16u);
    EXPECT_EQ(s.bIpAdr, 1);
}

TEST_F(StoreTest, FlagsComeFromTheCheckBoxes) {
    RemoveBootIni();
    ReadSettingsAsStartup();
    RunDialog([&](HWND dialog) {
        ASSERT_TRUE(ShowTab(dialog, 1, IDC_EDIT_PORT));
        SetCheck(GetParent(Control(dialog, IDC_EDIT_PORT)), IDC_CHECK_PORT, true);
        SetCheck(GetParent(Control(dialog, IDC_EDIT_PORT)), IDC_CHECK_PORTCNT, true);
        Type(dialog, IDC_EDIT_PORTSTR, L"15001");
        ASSERT_TRUE(ShowTab(dialog, 3, IDC_EDIT_UDPDGM));
        SetCheck(GetParent(Control(dialog, IDC_EDIT_UDPDGM)), IDC_CHECK_UDPDGM, true);
        ASSERT_TRUE(ShowTab(dialog, 0, IDC_IPADDRESS_IP));
    });
    const NetworkSettings& s = theApp.m_settings;
    EXPECT_EQ(s.bPort, 1);
    EXPECT_EQ(s.nPort, 30000);
    EXPECT_EQ(s.bPortStr, 0); // a clear box keeps the value without presence
    EXPECT_EQ(s.nPortStr, 15001);
    EXPECT_EQ(s.bPortCnt, 1);
    EXPECT_EQ(s.bUdpDgm, 1);
    EXPECT_EQ(s.bUdpCnt, 0);
    EXPECT_EQ(s.bUdpQue, 0);
}

TEST_F(StoreTest, IpPageStoresTheAddressesWithTheirPresence) {
    RunDialog([&](HWND dialog) {
        TypeIp(dialog, IDC_IPADDRESS_IP, L"10.0.0.1");
        SetIp(dialog, IDC_IPADDRESS_SUBNET_MASK, 255, 255, 0, 0);
        SetIp(dialog, IDC_IPADDRESS_GATEWAY, 192, 168, 0, 1);
        ASSERT_TRUE(ShowTab(dialog, 1, IDC_EDIT_PORT));
    });
    const NetworkSettings& s = theApp.m_settings;
    EXPECT_STREQ(s.szIpAdr, "10.0.0.1");
    EXPECT_EQ(s.bIpAdr, 1);
    EXPECT_STREQ(s.szIpMsk, "255.255.0.0");
    EXPECT_EQ(s.bIpMsk, 1);
    EXPECT_STREQ(s.szGwAdr, "192.168.0.1");
    EXPECT_EQ(s.bGwAdr, 0);
}

TEST_F(StoreTest, BlankIpControlsStoreZeroWithTheirFlags) {
    RunDialog([&](HWND dialog) {
        for (int id : {IDC_IPADDRESS_IP, IDC_IPADDRESS_SUBNET_MASK, IDC_IPADDRESS_GATEWAY})
            SendMessageW(Control(dialog, id), IPM_CLEARADDRESS, 0, 0);
        ASSERT_TRUE(ShowTab(dialog, 1, IDC_EDIT_PORT));
    });
    const NetworkSettings& s = theApp.m_settings;
    EXPECT_STREQ(s.szIpAdr, "0.0.0.0");
    EXPECT_EQ(s.bIpAdr, 0);
    EXPECT_STREQ(s.szIpMsk, "0.0.0.0");
    EXPECT_EQ(s.bIpMsk, 1);
    EXPECT_STREQ(s.szGwAdr, "0.0.0.0");
    EXPECT_EQ(s.bGwAdr, 1);
}

TEST_F(StoreTest, SubnetMasksOfTheDefaultFamilyAreStoredAsAbsent) {
    struct Case {
        BYTE a, b, c, d;
        const char* text;
        int32_t flag;
    } const cases[] = {
        {255, 255, 255, 0, "255.255.255.0", 0},     {255, 255, 255, 254, "255.255.255.254", 0},
        {255, 255, 255, 255, "255.255.255.255", 0}, {255, 255, 255, 128, "255.255.255.128", 1},
        {255, 255, 0, 0, "255.255.0.0", 1},         {255, 0, 255, 0, "255.0.255.0", 1}};
    RunDialog([&](HWND dialog) {
        for (const Case& c : cases) {
            ASSERT_TRUE(ShowTab(dialog, 0, IDC_IPADDRESS_IP));
            SetIp(dialog, IDC_IPADDRESS_SUBNET_MASK, c.a, c.b, c.c, c.d);
            ASSERT_TRUE(ShowTab(dialog, 1, IDC_EDIT_PORT));
            EXPECT_EQ(theApp.m_settings.bIpMsk, c.flag) << c.text;
            EXPECT_STREQ(theApp.m_settings.szIpMsk, c.text);
        }
    });
}

TEST_F(StoreTest, TcpLimitOf32PassesWithoutAMessage) {
    RemoveBootIni();
    ReadSettingsAsStartup();
    RunDialog([&](HWND dialog) {
        ASSERT_TRUE(ShowTab(dialog, 2, IDC_EDIT_TCPACT));
        HWND page = GetParent(Control(dialog, IDC_EDIT_TCPACT));
        SetCheck(page, IDC_CHECK_TCPACT, true); // TCPACT 24 + the clear TCPCON's 8
        Type(dialog, IDC_EDIT_TCPACT, L"24");
        Type(dialog, IDC_EDIT_TCPCON, L"30");
        ASSERT_TRUE(ShowTab(dialog, 3, IDC_EDIT_UDPDGM));
        MessageBoxInfo box;
        EXPECT_FALSE(WaitForMessageBox(box, 300)) << Utf8(box.text);
    });
    EXPECT_EQ(theApp.m_settings.nTcpAct, 24);
    EXPECT_EQ(theApp.m_settings.nTcpCon, 30);
    EXPECT_EQ(theApp.m_settings.bTcpCon, 0);
}

TEST_F(StoreTest, TcpLimitOver32WarnsAndStoresEightAndEight) {
    RemoveBootIni();
    ReadSettingsAsStartup();
    RunDialog([&](HWND dialog) {
        ASSERT_TRUE(ShowTab(dialog, 2, IDC_EDIT_TCPACT));
        HWND page = GetParent(Control(dialog, IDC_EDIT_TCPACT));
        SetCheck(page, IDC_CHECK_TCPACT, true);
        Type(dialog, IDC_EDIT_TCPACT, L"25");
        ClickTab(TabControl(dialog), 3);
        MessageBoxInfo box;
        ASSERT_TRUE(WaitForMessageBox(box, 5000));
        EXPECT_EQ(box.text, Wide("(TCPACT+TCPCON)が32を超えています。"));
        EXPECT_EQ(box.caption, AppTitle());
        EXPECT_EQ(box.icon, MB_ICONHAND);
        EXPECT_TRUE(box.hasOk);
        EXPECT_FALSE(box.hasCancel);
        AnswerMessageBox(box, IDOK);
        // The tab change goes through.
        EXPECT_TRUE(WaitUntil([&] { return Control(dialog, IDC_EDIT_UDPDGM) != nullptr; }, 5000));
        EXPECT_EQ(SelectedTab(dialog), 3);
        // The TCP page loads the corrected values when shown again.
        ASSERT_TRUE(ShowTab(dialog, 2, IDC_EDIT_TCPACT));
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_TCPACT), L"8");
        EXPECT_EQ(ControlText(dialog, IDC_EDIT_TCPCON), L"8");
        EXPECT_TRUE(IsChecked(dialog, IDC_CHECK_TCPACT));
        EXPECT_FALSE(IsChecked(dialog, IDC_CHECK_TCPCON));
    });
    EXPECT_EQ(theApp.m_settings.bTcpAct, 1);
    EXPECT_EQ(theApp.m_settings.bTcpCon, 0);
}

TEST_F(StoreTest, TcpLimitCountsOnlyPresentSettings) {
    struct Case {
        bool act, con;
        const wchar_t *actText, *conText;
        bool warns;
    } const cases[] = {
        {true, true, L"16", L"16", false}, {false, false, L"32", L"32", false},
        {false, true, L"4", L"25", true},  {true, true, L"12a", L"24", false},
        {true, true, L"12a", L"25", true},
    };
    RemoveBootIni();
    ReadSettingsAsStartup();
    RunDialog([&](HWND dialog) {
        for (const Case& c : cases) {
            ASSERT_TRUE(ShowTab(dialog, 2, IDC_EDIT_TCPACT));
            HWND page = GetParent(Control(dialog, IDC_EDIT_TCPACT));
            SetCheck(page, IDC_CHECK_TCPACT, c.act);
            SetCheck(page, IDC_CHECK_TCPCON, c.con);
            Type(dialog, IDC_EDIT_TCPACT, c.actText);
            Type(dialog, IDC_EDIT_TCPCON, c.conText);
            ClickTab(TabControl(dialog), 0);
            MessageBoxInfo box;
            bool warned = WaitForMessageBox(box, c.warns ? 5000 : 400);
            EXPECT_EQ(warned, c.warns) << Utf8(c.actText) << " + " << Utf8(c.conText);
            if (warned)
                AnswerMessageBox(box, IDOK);
            EXPECT_TRUE(
                WaitUntil([&] { return Control(dialog, IDC_IPADDRESS_IP) != nullptr; }, 5000));
        }
    });
}

// A sheet whose window was never made: no active page, and no page stores.
TEST_F(StoreTest, PagesWithoutAWindowStoreNothing) {
    SetBootIni("[IPMSK]\r\n255.255.0.0\r\n[PORT]\r\n30006\r\n[TCPACT]\r\n20\r\n");
    ReadSettingsAsStartup();
    const NetworkSettings before = theApp.m_settings;
    CTarnelSheet sheet;
    EXPECT_EQ(sheet.GetActivePage(), nullptr);
    CPropertyPage* pages[] = {&sheet.m_pageIP, &sheet.m_pagePort, &sheet.m_pageTCP,
                              &sheet.m_pageUDP};
    for (CPropertyPage* page : pages)
        EXPECT_FALSE(page->OnKillActive());
    EXPECT_EQ(std::memcmp(&before, &theApp.m_settings, sizeof(before)), 0);
}
