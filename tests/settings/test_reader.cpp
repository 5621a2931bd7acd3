// test_reader.cpp - parsing boot settings texts into the record.
#include "settingstestutil.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

enum Section {
    kPrint,
    kIpAdr,
    kIpMsk,
    kGwAdr,
    kPort,
    kPortStr,
    kPortCnt,
    kTcpAct,
    kTcpLst,
    kTcpCon,
    kRcvWb,
    kSndWb,
    kUdpCnt,
    kUdpDgm,
    kUdpQue
};

// One section that a read is expected to leave different from the defaults.
struct Expect {
    int section;
    int32_t flag;
    std::string value;
};

struct ReadCase {
    const char* name;
    std::string text;
    std::vector<Expect> expect; // every other section: flag 0, default value
};

NetworkSettings Expected(const std::vector<Expect>& expect) {
    NetworkSettings settings = DefaultRecord();
    for (const Expect& e : expect)
        SetSection(settings, e.section, e.flag, e.value);
    return settings;
}

// A literal with its embedded NULs.
template <size_t N> std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

const std::vector<ReadCase>& ReadCases() {
    static const std::vector<ReadCase> cases = {
        {"empty text", "", {}},
        {"only [PORT] 30001", "[PORT]\r\n30001\r\n", {{kPort, 1, "30001"}}},
        {"lower-case header", "[ipadr]\r\n10.0.0.2\r\n", {{kIpAdr, 1, "10.0.0.2"}}},
        {"mixed-case header", "[UdpQue]\r\n3\r\n", {{kUdpQue, 1, "3"}}},
        {"address of three pieces rejected", "[IPADR]\r\n10.0.0\r\n", {}},
        {"address with an empty piece rejected", "[IPMSK]\r\n1..2.3\r\n", {}},
        {"five pieces accepted unchanged", "[IPADR]\r\n1.2.3.4.5\r\n", {{kIpAdr, 1, "1.2.3.4.5"}}},
        {"leading dot accepted unchanged", "[GWADR]\r\n.1.2.3.4\r\n", {{kGwAdr, 1, ".1.2.3.4"}}},
        {"letters accepted unchanged", "[IPMSK]\r\na.b.c.d\r\n", {{kIpMsk, 1, "a.b.c.d"}}},
        {"rejected address keeps the earlier accepted one",
         "[IPADR]\r\n10.0.0.1\r\n[IPADR]\r\n10.0\r\n",
         {{kIpAdr, 1, "10.0.0.1"}}},
        {"unterminated last line is not a value", "[PORT]\r\n30001", {}},
        {"LF-only endings", "[PORT]\n30001\n", {{kPort, 1, "30001"}}},
        {"CR-only endings", "[PORT]\r30001\r", {{kPort, 1, "30001"}}},
        {"CR-only file of several sections",
         "[PORT]\r5\r[TCPACT]\r6\r[IPADR]\r1.2.3.4\r",
         {{kPort, 1, "5"}, {kTcpAct, 1, "6"}, {kIpAdr, 1, "1.2.3.4"}}},
        {"value on the header's own line", "[PORT] 30001\r\n", {{kPort, 1, "30001"}}},
        {"spaces before the line end", "[PORT]\r\n30001   \r\n", {{kPort, 1, "30001"}}},
        {"two value lines: the last stays", "[PORT]\r\n1\r\n2\r\n", {{kPort, 1, "2"}}},
        {"two sections: the last stays", "[PORT]\r\n5\r\n[PORT]\r\n6\r\n", {{kPort, 1, "6"}}},
        {"word that is no number gives 0", "[PORT]\r\nabc\r\n", {{kPort, 1, "0"}}},
        {"lone minus gives 0", "[PORT]\r\n-\r\n", {{kPort, 1, "0"}}},
        {"x5 gives 0", "[UDPCNT]\r\nx5\r\n", {{kUdpCnt, 1, "0"}}},
        {"number then letters", "[Print]\r\n+7x\r\n", {{kPrint, 1, "7"}}},
        {"0x10 gives 0", "[Print]\r\n0x10\r\n", {{kPrint, 1, "0"}}},
        {"negative value", "[TCPACT]\r\n-42\r\n", {{kTcpAct, 1, "-42"}}},
        {"sections 5 to 14 share one conversion variable",
         "[TCPACT]\r\n5\r\n[UDPQUE]\r\nzz\r\n",
         {{kTcpAct, 1, "5"}, {kUdpQue, 1, "5"}}},
        {"shared variable: the last converted value of the read",
         "[PORTSTR]\r\n-3\r\n[RCVWB]\r\n9\r\n[UDPDGM]\r\n-\r\n[PORTCNT]\r\nq\r\n",
         {{kPortStr, 1, "-3"}, {kRcvWb, 1, "9"}, {kUdpDgm, 1, "9"}, {kPortCnt, 1, "9"}}},
        {"[PORT] has its own variable",
         "[TCPACT]\r\n5\r\n[PORT]\r\nq\r\n",
         {{kTcpAct, 1, "5"}, {kPort, 1, "0"}}},
        {"[Print] has its own variable",
         "[PORT]\r\n7\r\n[Print]\r\nq\r\n",
         {{kPort, 1, "7"}, {kPrint, 1, "0"}}},
        {"the shared variable is not [PORT]'s",
         "[PORT]\r\n7\r\n[TCPACT]\r\nq\r\n",
         {{kPort, 1, "7"}, {kTcpAct, 1, "0"}}},
        {"comment word then a stray word", "; note\r\n[PORT]\r\n7\r\n", {{kPort, 1, "7"}}},
        {"a comment covers only its own word", "[PORT]\r\n#x 5\r\n", {{kPort, 1, "5"}}},
        {"header after a comment word on its line", "; [PORT]\r\n7\r\n", {{kPort, 1, "7"}}},
        {"comment word glued to a header hides it", ";[PORT]\r\n7\r\n", {}},
        {"'[' inside a value line", "[PORT]\r\n5[\r\n", {}},
        {"'[' on a later value line stops the count",
         "[PORT]\r\n5\r\n6[7\r\n8\r\n",
         {{kPort, 1, "5"}}},
        {"header with more characters is no header", "[PORT]x\r\n5\r\n", {}},
        {"header cut short is no header", "[POR\r\n5\r\n", {}},
        {"Japanese line is blank",
         "[PORT]\r\n\x82\xA0\x82\xA2\x82\xA4\r\n6\r\n",
         {{kPort, 1, "6"}}},
        {"braces are blanks", "[PORT]\r\n{5}\r\n", {{kPort, 1, "5"}}},
        {"value out of a page's range is taken", "[UDPQUE]\r\n1000\r\n", {{kUdpQue, 1, "1000"}}},
        {"empty address line: section absent", "[IPADR]\r\n\r\n[PORT]\r\n3\r\n", {{kPort, 1, "3"}}},
        {"header at the end", "[PORT]", {}},
        {"header then a header", "[PORT]\r\n[TCPACT]\r\n4\r\n", {{kTcpAct, 1, "4"}}},
        {"NUL ends the text", Bytes("[PORT]\r\n5\r\n\0[TCPACT]\r\n3\r\n"), {{kPort, 1, "5"}}},
        {"NUL inside a value line", Bytes("[PORT]\r\n5\0\r\n"), {}},
        {"stray words are ignored",
         "hello world\r\n[PORT]\r\n5\r\nmore words\r\n",
         {{kPort, 1, "5"}}},
        {"values under an unknown header are ignored unless keywords",
         "[OTHER]\r\n5\r\n[PORT]\r\n6\r\n",
         {{kPort, 1, "6"}}},
        {"comment line right after the header is skipped before counting",
         "[PORT]\r\n;c\r\n7\r\n[TCPACT]\r\n2\r\n",
         {{kPort, 1, "7"}, {kTcpAct, 1, "2"}}},
        // A later comment-only line is a value line; its turn finds the next
        // section's header, which ends the values and opens its section.
        {"comment-only value line leaves the next header alone",
         "[PORT]\r\n7\r\n;c\r\n[TCPACT]\r\n2\r\n",
         {{kPort, 1, "7"}, {kTcpAct, 1, "2"}}},
        {"comment-only line between two sections",
         "[PORT]\r\n30007\r\n#end\r\n[UDPCNT]\r\n6\r\n",
         {{kPort, 1, "30007"}, {kUdpCnt, 1, "6"}}},
        {"a word that begins with '[' is never a value",
         "[IPADR]\r\n1.2.3.4\r\n#c\r\n[5.6.7.8\r\n",
         {{kIpAdr, 1, "1.2.3.4"}}},
        {"[Print] is read and kept", "[Print]\r\n-5\r\n", {{kPrint, 1, "-5"}}},
        {"range limits of the integers",
         "[PORT]\r\n2147483647\r\n[Print]\r\n-2147483648\r\n",
         {{kPort, 1, "2147483647"}, {kPrint, 1, "-2147483648"}}},
        // Left to this implementation: integers beyond 32 bits saturate.
        {"integer above the range saturates",
         "[PORT]\r\n4294967297\r\n",
         {{kPort, 1, "2147483647"}}},
        {"integer below the range saturates",
         "[SNDWB]\r\n-99999999999\r\n",
         {{kSndWb, 1, "-2147483648"}}},
        // Left to this implementation: an accepted address word of 32 or more
        // characters is stored whole.
        {"long accepted address stored whole",
         "[IPADR]\r\n000000000000000000000000000010.000000000000000.0.2\r\n",
         {{kIpAdr, 1, "000000000000000000000000000010.000000000000000.0.2"}}},
        {"address word whose first piece overflows the split pool",
         "[GWADR]\r\n" + std::string(120, '1') + ".2.3.4\r\n",
         {}}, // its first piece is too long for the split pool: rejected
        {"127-character accepted address word",
         "[GWADR]\r\n1.2.3.4." + std::string(119, '5') + "\r\n",
         {{kGwAdr, 1, "1.2.3.4." + std::string(119, '5')}}},
        // Left to this implementation: a word over 127 characters is skipped whole.
        {"address word over 127 characters is skipped",
         "[GWADR]\r\n1.2.3.4." + std::string(120, '5') + "\r\n",
         {}},
        {"integer word over 127 characters is skipped",
         "[PORT]\r\n" + std::string(128, '7') + "\r\n",
         {}},
        {"skipped long value still takes its line's turn",
         "[PORT]\r\n" + std::string(300, '7') + "\r\n[TCPACT]\r\n4\r\n",
         {{kTcpAct, 1, "4"}}},
        {"tail of a long word is no header", std::string(127, 'A') + "[PORT]\r\n5\r\n", {}},
        {"long word before a header",
         std::string(500, 'A') + " [PORT]\r\n5\r\n",
         {{kPort, 1, "5"}}},
    };
    return cases;
}

} // namespace

TEST(Reader, WorkedExampleGivesEveryFlagAndEveryDefault) {
    ASSERT_EQ(kWorkedExample.size(), 241u);
    EXPECT_TRUE(SameRecord(AllFlagsRecord(), ParseText(kWorkedExample)));
}

TEST(Reader, EdgeCases) {
    for (const ReadCase& c : ReadCases())
        EXPECT_TRUE(SameRecord(Expected(c.expect), ParseText(c.text))) << c.name;
}

TEST(Reader, EveryReadStartsFromTheDefaults) {
    // Values a page stored and that were not written are dropped by a read.
    CRZScript script;
    NetworkSettings settings = AllFlagsRecord();
    settings.nPort = 1;
    std::strcpy(settings.szIpAdr, "9.9.9.9");
    ApplyDefaultSettings(settings);
    const std::string text = "[TCPACT]\r\n3\r\n";
    script.ParseSettings(text.data(), static_cast<int>(text.size()), settings);
    NetworkSettings expected = DefaultRecord();
    expected.bTcpAct = 1;
    expected.nTcpAct = 3;
    EXPECT_TRUE(SameRecord(expected, settings));
    EXPECT_EQ(std::memcmp(&settings, &expected, sizeof(settings)), 0)
        << "every byte of the record, text tails included";
}

TEST(Reader, OnlyTheFirstNBytesAreParsed) {
    std::string text = "[PORT]\r\n5\r\n[TCPACT]\r\n6\r\n";
    CRZScript script;
    for (int n = 0; n <= static_cast<int>(text.size()); ++n) {
        NetworkSettings settings = DefaultRecord();
        script.ParseSettings(text.data(), n, settings);
        EXPECT_EQ(settings.bPort, n >= 10 ? 1 : 0) << n;
        EXPECT_EQ(settings.bTcpAct, n >= 23 ? 1 : 0) << n;
    }
}

TEST(Reader, TextOf2048BytesWithAValueLineCutAtTheLimit) {
    // Padding of blanks, then a section whose value line ends exactly at byte
    // 2048, or one byte later.
    const std::string section = "[PORT]\r\n30001\r\n";
    const std::string fits = std::string(2048 - section.size(), ' ') + section;
    ASSERT_EQ(fits.size(), 2048u);
    EXPECT_EQ(ParseText(fits).nPort, 30001);
    EXPECT_EQ(ParseText(fits).bPort, 1);

    const std::string cut = std::string(2050 - section.size(), ' ') + section;
    CRZScript script;
    NetworkSettings settings = DefaultRecord();
    script.ParseSettings(cut.data(), 2048, settings);
    EXPECT_EQ(settings.bPort, 0) << "the CR past byte 2048 is not seen";
    EXPECT_EQ(settings.nPort, 30000);
}

TEST(Reader, ValueWordCutAtTheLimitIsTakenAsCut) {
    // The comment-only line is counted, so the loop takes one word: the
    // number, cut where the n bytes end.
    const std::string text = "[PORT]\r\n;\r\n;\r\n12345\r\n";
    CRZScript script;
    NetworkSettings settings = DefaultRecord();
    script.ParseSettings(text.data(), 17, settings);
    EXPECT_EQ(settings.bPort, 1);
    EXPECT_EQ(settings.nPort, 123);
}
