// The console's NAME=VALUE settings: the pages' rules at their boundaries,
// and the clock text.
#include "console/commands.h"
#include "console/settingsfields.h"

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
        const char after = shown[at + line.size()];
        EXPECT_TRUE(after == '\n' || after == '\t') << row.assignment;
    }
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
    ASSERT_TRUE(ParseClockText("2024-02-29 23:59:59", time));
    EXPECT_EQ(time.wDayOfWeek, 4); // a Thursday
    EXPECT_FALSE(ParseClockText("2023-02-29 10:00:00", time));
    EXPECT_FALSE(ParseClockText("2024-01-01 24:00:00", time));
    EXPECT_FALSE(ParseClockText("2024-1-01 10:00:00", time));
    EXPECT_FALSE(ParseClockText("2024-01-01 10:00:00x", time));
}
