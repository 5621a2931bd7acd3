// What the pages store when they are left: fallbacks for unusable input,
// flags from the check boxes and the IP page's presence rules, and the TCP
// limit on TCPACT plus TCPCON.
#include "uisession.h"

#include "app/tarnelapp.h"

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
    ASSERT_TRUE(ShowTab(dialog, 0, 1003));
    EXPECT_EQ(theApp.m_settings.*(e.value), e.expected)
        << "typed \"" << Utf8(e.typed) << "\" into " << e.editId;
}

int FirstControl(int tab) {
    return tab == 1 ? 1004 : tab == 2 ? 1025 : 1035;
}

} // namespace

TEST_F(StoreTest, UnusableValuesStoreTheFallbackAndRangeEndsAreKept) {
    const Entry entries[] = {
        {1, 1004, L"0", &NetworkSettings::nPort, 30000},
        {1, 1004, L"65536", &NetworkSettings::nPort, 30000},
        {1, 1004, L"65535", &NetworkSettings::nPort, 65535},
        {1, 1005, L"0", &NetworkSettings::nPortStr, 15000},
        {1, 1005, L"1", &NetworkSettings::nPortStr, 1},
        {1, 1006, L"65536", &NetworkSettings::nPortCnt, 16},
        {1, 1006, L"", &NetworkSettings::nPortCnt, 16},
        {2, 1031, L"2919", &NetworkSettings::nRcvWb, 8760},
        {2, 1031, L"2920", &NetworkSettings::nRcvWb, 2920},
        {2, 1033, L"17520", &NetworkSettings::nSndWb, 17520},
        {2, 1033, L"17521", &NetworkSettings::nSndWb, 8760},
        {2, 1027, L"3", &NetworkSettings::nTcpLst, 8},
        {2, 1027, L"33", &NetworkSettings::nTcpLst, 8},
        {2, 1027, L"32", &NetworkSettings::nTcpLst, 32},
        {2, 1025, L"12a", &NetworkSettings::nTcpAct, 8},
        {2, 1031, L"12a", &NetworkSettings::nRcvWb, 8760},
        {3, 1035, L"1473", &NetworkSettings::nUdpDgm, 1472},
        {3, 1035, L"0", &NetworkSettings::nUdpDgm, 0},
        {3, 1033, L"256", &NetworkSettings::nUdpQue, 9},
        {3, 1033, L"0", &NetworkSettings::nUdpQue, 0},
        {3, 1006, L"33", &NetworkSettings::nUdpCnt, 8},
        {3, 1006, L"0", &NetworkSettings::nUdpCnt, 0},
        {3, 1006, L"-1", &NetworkSettings::nUdpCnt, 8},
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
        {1, 1004, longDigits.c_str(), &NetworkSettings::nPort, 30000},
        {1, 1005, longJunk.c_str(), &NetworkSettings::nPortStr, 15000},
        {1, 1006, L" 12", &NetworkSettings::nPortCnt, 12},
        {2, 1025, longDigits.c_str(), &NetworkSettings::nTcpAct, 8},
        {2, 1033, longJunk.c_str(), &NetworkSettings::nSndWb, 8760},
        {3, 1035, longDigits.c_str(), &NetworkSettings::nUdpDgm, 1472},
        {3, 1033, longJunk.c_str(), &NetworkSettings::nUdpQue, 9},
    };
    RunDialog([&](HWND dialog) {
        for (const Entry& e : entries)
            CheckStored(dialog, e, FirstControl(e.tab));
        // The IP address fields take at most three digits each.
        TypeIp(dialog, 1003, L"1234.56789.0.999");
        ASSERT_TRUE(ShowTab(dialog, 1, 1004));
    });
    const NetworkSettings& s = theApp.m_settings;
    EXPECT_LT(std::string(s.szIpAdr).size(), 16u);
    EXPECT_EQ(s.bIpAdr, 1);
}

TEST_F(StoreTest, FlagsComeFromTheCheckBoxes) {
    RemoveBootIni();
    ReadSettingsAsStartup();
    RunDialog([&](HWND dialog) {
        ASSERT_TRUE(ShowTab(dialog, 1, 1004));
        SetCheck(GetParent(Control(dialog, 1004)), 1010, true);
        SetCheck(GetParent(Control(dialog, 1004)), 1012, true);
        Type(dialog, 1005, L"15001");
        ASSERT_TRUE(ShowTab(dialog, 3, 1035));
        SetCheck(GetParent(Control(dialog, 1035)), 1031, true);
        ASSERT_TRUE(ShowTab(dialog, 0, 1003));
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
        TypeIp(dialog, 1003, L"10.0.0.1");
        SetIp(dialog, 1004, 255, 255, 0, 0);
        SetIp(dialog, 1005, 192, 168, 0, 1);
        ASSERT_TRUE(ShowTab(dialog, 1, 1004));
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
        for (int id : {1003, 1004, 1005})
            SendMessageW(Control(dialog, id), IPM_CLEARADDRESS, 0, 0);
        ASSERT_TRUE(ShowTab(dialog, 1, 1004));
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
            ASSERT_TRUE(ShowTab(dialog, 0, 1003));
            SetIp(dialog, 1004, c.a, c.b, c.c, c.d);
            ASSERT_TRUE(ShowTab(dialog, 1, 1004));
            EXPECT_EQ(theApp.m_settings.bIpMsk, c.flag) << c.text;
            EXPECT_STREQ(theApp.m_settings.szIpMsk, c.text);
        }
    });
}

TEST_F(StoreTest, TcpLimitOf32PassesWithoutAMessage) {
    RemoveBootIni();
    ReadSettingsAsStartup();
    RunDialog([&](HWND dialog) {
        ASSERT_TRUE(ShowTab(dialog, 2, 1025));
        HWND page = GetParent(Control(dialog, 1025));
        SetCheck(page, 1020, true); // TCPACT 24 + the clear TCPCON's 8
        Type(dialog, 1025, L"24");
        Type(dialog, 1029, L"30");
        ASSERT_TRUE(ShowTab(dialog, 3, 1035));
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
        ASSERT_TRUE(ShowTab(dialog, 2, 1025));
        HWND page = GetParent(Control(dialog, 1025));
        SetCheck(page, 1020, true);
        Type(dialog, 1025, L"25");
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
        EXPECT_TRUE(WaitUntil([&] { return Control(dialog, 1035) != nullptr; }, 5000));
        EXPECT_EQ(SelectedTab(dialog), 3);
        // The TCP page loads the corrected values when shown again.
        ASSERT_TRUE(ShowTab(dialog, 2, 1025));
        EXPECT_EQ(ControlText(dialog, 1025), L"8");
        EXPECT_EQ(ControlText(dialog, 1029), L"8");
        EXPECT_TRUE(IsChecked(dialog, 1020));
        EXPECT_FALSE(IsChecked(dialog, 1022));
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
            ASSERT_TRUE(ShowTab(dialog, 2, 1025));
            HWND page = GetParent(Control(dialog, 1025));
            SetCheck(page, 1020, c.act);
            SetCheck(page, 1022, c.con);
            Type(dialog, 1025, c.actText);
            Type(dialog, 1029, c.conText);
            ClickTab(TabControl(dialog), 0);
            MessageBoxInfo box;
            bool warned = WaitForMessageBox(box, c.warns ? 5000 : 400);
            EXPECT_EQ(warned, c.warns) << Utf8(c.actText) << " + " << Utf8(c.conText);
            if (warned)
                AnswerMessageBox(box, IDOK);
            EXPECT_TRUE(WaitUntil([&] { return Control(dialog, 1003) != nullptr; }, 5000));
        }
    });
}
