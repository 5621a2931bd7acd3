// The console's NAME=VALUE settings: the pages' rules at their boundaries,
// and the clock text.
#include "console/commands.h"
#include "console/settingsfields.h"
#include "afx/afxwin.h"
#include "uidriver.h"

#include <gtest/gtest.h>

TEST(ConsoleSettings, ValuesAreTakenOrRefusedByThePagesRules) {
    const struct {
        const char* assignment;
        bool accepted;
        int section;
        const char* stored; // the value text stored, "" when the section is absent
    } rows[] = {
        {"PORT=1", true, 4, "1"},
        {"port=65535", true, 4, "65535"},
        {"PORT=0", false, 4, nullptr},
        {"PORT=65536", false, 4, nullptr},
        {"PORT=12a", false, 4, nullptr},
        {"SNDWB=2919", false, 11, nullptr},
        {"UDPQUE=0", true, 14, "0"},
        {"UDPDGM=1473", false, 13, nullptr},
        {"Print=-7", true, 0, "-7"},
        {"IPADR=10.0.0.5", true, 1, "10.0.0.5"},
        {"IPADR=0.0.0.0", true, 1, ""},
        {"IPMSK=255.255.255.0", true, 2, ""},
        {"GWADR=1.2.3", false, 3, nullptr},
        {"GWADR=1.2.3.-4", false, 3, nullptr},
        {"IPADR=1..2.3", false, 1, nullptr},
        {"TCPLST=", true, 8, ""},
        {"NOSUCH=1", false, -1, nullptr},
        {"PORT", false, 4, nullptr},
        {"PORT=000000000005", true, 4, "5"},
        {"PORT=99999999999999999999", false, 4, nullptr},
        {"Print=2147483648", false, 0, nullptr},
    };
    for (const auto& row : rows) {
        NetworkSettings settings = {};
        settings.bTcpLst = 1;
        const std::string broken = ApplySetting(settings, row.assignment);
        EXPECT_EQ(broken.empty(), row.accepted) << row.assignment;
        if (!row.accepted || row.section < 0)
            continue;
        const std::string shown = SettingsText(settings);
        const std::string line = SectionName(row.section) + "=" + row.stored;
        const size_t at = shown.find(line);
        ASSERT_NE(at, std::string::npos) << row.assignment << "\n" << shown;
        EXPECT_EQ(shown[at + line.size()], '\n') << row.assignment;
    }
}

TEST(ConsoleSettings, AnAddressStoredAsAbsentIsSaid) {
    NetworkSettings settings = {};
    std::string note;
    EXPECT_EQ(ApplySetting(settings, "IPADR=10.0.0.5", &note), "");
    EXPECT_EQ(note, "");
    EXPECT_EQ(ApplySetting(settings, "IPADR=0.0.0.0", &note), "");
    EXPECT_EQ(settings.bIpAdr, 0);
    EXPECT_EQ(
        uitest::Utf8(AfxSjisToWide(note.c_str())),
        "IPADR=0.0.0.0: このアドレスは設定なしとして扱われるため、IPADR の設定を削除します。");
}

TEST(ConsoleSettings, TheConnectionLimitCountsAnAbsentSettingAsEight) {
    NetworkSettings settings = {};
    EXPECT_EQ(ApplySetting(settings, "TCPACT=24"), "");
    EXPECT_EQ(CheckConnectionLimit(settings), "");
    EXPECT_EQ(ApplySetting(settings, "TCPACT=25"), "");
    EXPECT_NE(CheckConnectionLimit(settings), "");
}

TEST(ConsoleClock, OnlyRealDatesInTheOneFormat) {
    SYSTEMTIME time = {};
    ASSERT_EQ(ParseClockText("2024-02-29 23:59:59", time), ClockText::Valid);
    EXPECT_EQ(time.wDayOfWeek, 4); // a Thursday
    const struct {
        const char* text;
        ClockText parsed;
    } rows[] = {
        {"2023-02-29 10:00:00", ClockText::NoSuchTime},
        {"2024-01-01 24:00:00", ClockText::NoSuchTime},
        {"2024-01-01 10:60:00", ClockText::NoSuchTime},
        {"2024-1-01 10:00:00", ClockText::BadFormat},
        {"2024-01-01 10:00:00x", ClockText::BadFormat},
        {"2023-+1-01 10:00:00", ClockText::BadFormat},
        {"2023- 1-01 10:00:00", ClockText::BadFormat},
        {"2023-01-01T10:00:00", ClockText::BadFormat},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ParseClockText(row.text, time), row.parsed) << row.text;
}

TEST(ConsoleImport, ARefusalNamesTheLineAndItsCause) {
    const struct {
        std::string file;
        const char* refusal; // "" when the file goes to the board as it is
    } rows[] = {
        {"[IPADR]\r\n192.168.0.10\r\n[PORT]\r\n30001\r\n", ""},
        {"", "ファイルが空です。"},
        {std::string("[PORT]\r\n300\0"
                     "01\r\n",
                     16),
         "2 行目: NUL 文字があります。"},
        {"[PORT]\r\n30001\n", "2 行目「30001」: 行末が CR LF ではありません。"},
        {"[PORT]\r\n30001", "2 行目「30001」: 最後の行に行末 (CR LF) がありません。"},
        {"[PORT]\r\n0030001\r\n", "2 行目「0030001」: 書き込むと「30001」になります。"},
        {"; note\r\n[PORT]\r\n30001\r\n", "1 行目「; note」: この行は読み込まれません。"},
        {"[PORT]\r\n30001\r\n[NOSUCH]\r\n1\r\n", "3 行目「[NOSUCH]」: この行は読み込まれません。"},
        {std::string(2048, ' '), "ファイルが大きすぎます。"},
    };
    for (const auto& row : rows) {
        const std::string refusal = ImportRefusal(row.file);
        if (row.refusal[0] == '\0')
            EXPECT_EQ(refusal, "") << row.file;
        else
            EXPECT_EQ(AfxSjisToWide(refusal.c_str()).rfind(uitest::Wide(row.refusal), 0), 0u)
                << row.file << " -> " << uitest::Utf8(AfxSjisToWide(refusal.c_str()));
    }
}
