// test_writer.cpp - the text the writer makes from a record.
#include "guardedmemory.h"
#include "settingstestutil.h"

#include <climits>
#include <cstring>
#include <string>

TEST(Writer, WorkedExampleByteForByte) {
    const std::string text = FormatText(AllFlagsRecord());
    ASSERT_EQ(text.size(), 241u);
    EXPECT_EQ(text, kWorkedExample) << Escaped(text);
}

TEST(Writer, RecordOfDefaultsWritesNothing) {
    CRZScript script;
    char buffer[CRZScript::kTextBufferSize];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(script.FormatSettings(DefaultRecord(), buffer), 0);
    for (char c : buffer)
        ASSERT_EQ(c, '\0') << "the buffer is zero-filled";
}

TEST(Writer, Table) {
    const struct {
        const char* name;
        int section;
        int32_t flag;
        std::string value;
        std::string text;
    } cases[] = {
        {"only [PORT] 30001", 4, 1, "30001", "[PORT]\r\n30001\r\n"},
        {"negative integer", 7, 1, "-42", "[TCPACT]\r\n-42\r\n"},
        {"smallest integer", 13, 1, "-2147483648", "[UDPDGM]\r\n-2147483648\r\n"},
        {"largest integer", 0, 1, "2147483647", "[Print]\r\n2147483647\r\n"},
        {"zero", 14, 1, "0", "[UDPQUE]\r\n0\r\n"},
        {"address", 2, 1, "255.255.0.0", "[IPMSK]\r\n255.255.0.0\r\n"},
        {"empty address text", 1, 1, "", "[IPADR]\r\n\r\n"},
        {"any nonzero flag writes", 5, -1, "15001", "[PORTSTR]\r\n15001\r\n"},
        {"flag 2 writes", 3, 2, "10.1.1.1", "[GWADR]\r\n10.1.1.1\r\n"},
        {"flag 0 leaves the section out", 4, 0, "1", ""},
    };
    for (const auto& c : cases) {
        NetworkSettings settings = DefaultRecord();
        SetSection(settings, c.section, c.flag, c.value);
        EXPECT_EQ(FormatText(settings), c.text) << c.name;
    }
}

TEST(Writer, SectionsComeInTableOrderWhateverTheFieldValues) {
    NetworkSettings settings = DefaultRecord();
    settings.bUdpQue = 1;
    settings.nUdpQue = 3;
    settings.bPrint = 1;
    settings.nPrint = -7;
    settings.bGwAdr = 1;
    EXPECT_EQ(FormatText(settings), "[Print]\r\n-7\r\n[GWADR]\r\n192.168.0.1\r\n[UDPQUE]\r\n3\r\n");
}

TEST(Writer, LargestRecordIs1071Bytes) {
    NetworkSettings settings = AllFlagsRecord();
    for (int k = 0; k < kSectionCount; ++k)
        SetSection(settings, k, 1,
                   kSectionFields[k].IsAddress() ? std::string(255, '9') : "-2147483648");
    const std::string text = FormatText(settings);
    EXPECT_EQ(text.size(), 1071u);
    EXPECT_EQ(text.find('\0'), std::string::npos);
}

TEST(Writer, TextFieldWithoutItsNulIsCutAt255Bytes) {
    // A record whose text lost its NUL must not run the copy into the next
    // fields or past the buffer.
    NetworkSettings settings = DefaultRecord();
    settings.bIpAdr = 1;
    std::memset(settings.szIpAdr, '7', sizeof(settings.szIpAdr));
    settings.bIpMsk = 0x37373737; // the bytes after the text are not NUL either
    std::memset(settings.szIpMsk, '8', sizeof(settings.szIpMsk));
    settings.bGwAdr = 0;
    const std::string text = FormatText(settings);
    const std::string expected =
        "[IPADR]\r\n" + std::string(255, '7') + "\r\n[IPMSK]\r\n" + std::string(255, '8') + "\r\n";
    EXPECT_EQ(text, expected);
}

TEST(Writer, NeverWritesPastItsBuffer) {
    GuardedMemory memory(CRZScript::kTextBufferSize);
    ASSERT_TRUE(memory.Ok());
    ASSERT_TRUE(memory.GuardIsInaccessible());
    NetworkSettings settings = AllFlagsRecord();
    for (int k = 0; k < kSectionCount; ++k)
        SetSection(settings, k, 1, kSectionFields[k].IsAddress() ? std::string(255, 'a') : "-1");
    CRZScript script;
    char* buffer = memory.Tail(CRZScript::kTextBufferSize);
    const int length = script.FormatSettings(settings, buffer);
    EXPECT_EQ(length, 144 + 12 * 4 + 3 * 257);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(length)), FormatText(settings));
}

TEST(Writer, NegativeValueReadsBackUnchanged) {
    NetworkSettings settings = DefaultRecord();
    settings.bRcvWb = 1;
    settings.nRcvWb = -8760;
    const NetworkSettings back = ParseText(FormatText(settings));
    EXPECT_TRUE(SameRecord(settings, back));
}

TEST(Writer, EmptyAddressTextReadsBackAbsent) {
    NetworkSettings settings = DefaultRecord();
    settings.bIpAdr = 1;
    settings.szIpAdr[0] = '\0';
    settings.bPort = 1;
    const NetworkSettings back = ParseText(FormatText(settings));
    EXPECT_EQ(back.bIpAdr, 0);
    EXPECT_STREQ(back.szIpAdr, "192.168.0.205");
    EXPECT_EQ(back.bPort, 1);
}

TEST(Writer, PrintSectionSurvivesWriteAndReadCycles) {
    NetworkSettings settings = ParseText("[Print]\r\n77\r\n[PORT]\r\n5\r\n");
    for (int cycle = 0; cycle < 3; ++cycle)
        settings = ParseText(FormatText(settings));
    EXPECT_EQ(settings.bPrint, 1);
    EXPECT_EQ(settings.nPrint, 77);
    EXPECT_EQ(ParseText(FormatText(DefaultRecord())).bPrint, 0) << "never created";
}
