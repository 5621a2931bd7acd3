// test_tokenizer.cpp - the reader's tokenizer, the address check and the
// decimal conversions.
#include "settings/decimaltext.h"
#include "settings/rzscript.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

TEST(SkipBlank, Table) {
    CRZScript script;
    const struct {
        std::string text;
        int result;
        int advance;
    } cases[] = {
        {"", 0, 0},
        {" \t\r\n", 0, 4},
        {"  a", 1, 2},
        {"[PORT]", 1, 0},
        {"\x82\xA0\x7B\x7F 5", 1, 5}, // Japanese text, '{' and DEL are blanks
        {"; note", 1, 1},             // the comment word only; the blank after it
        {";abc", 0, 4},
        {"  #x 5", 1, 4},
        {";[PORT]\r\n", 1, 7},
        {"#", 0, 1},
        {"a;b", 1, 0}, // ';' inside a word is no comment
        {std::string("  \0 5", 5), 0, 2},
    };
    for (const auto& c : cases) {
        int advance = -1;
        EXPECT_EQ(script.SkipBlank(c.text.data(), static_cast<int>(c.text.size()), advance),
                  c.result)
            << c.text;
        EXPECT_EQ(advance, c.advance) << c.text;
    }
}

TEST(SkipBlank, TheEndOfTheLengthReadsAsNul) {
    CRZScript script;
    int advance = -1;
    EXPECT_EQ(script.SkipBlank("   abc", 2, advance), 0);
    EXPECT_EQ(advance, 2);
    EXPECT_EQ(script.SkipBlank(";abc def", 3, advance), 0);
    EXPECT_EQ(advance, 3);
    EXPECT_EQ(script.SkipBlank(";abc def", 5, advance), 1);
    EXPECT_EQ(advance, 4);
}

TEST(GetToken, Table) {
    CRZScript script;
    const struct {
        std::string text;
        int result;
        int consumed;
        const char* word;
    } cases[] = {
        {" abc def", 4, 4, "abc"},
        {"[PORT]x\r\n", 8, 7, "[PORT]x"},
        {"{5}", 2, 2, "5"},
        {"\r\n30001 \r\n", 6, 7, "30001"},
        {"5[\r\n", 3, 2, "5["},
        {"!z", 3, 2, "!z"},
        {"a\x81"
         "b",
         2, 1, "a"},
        {std::string("ab\0cd", 5), 3, 2, "ab"},
    };
    for (const auto& c : cases) {
        char word[CRZScript::kWordBufferSize];
        int consumed = -1;
        EXPECT_EQ(script.GetToken(c.text.data(), static_cast<int>(c.text.size()), word, consumed),
                  c.result)
            << c.text;
        EXPECT_EQ(consumed, c.consumed) << c.text;
        EXPECT_STREQ(word, c.word) << c.text;
    }
}

TEST(GetToken, NoWordLeavesTheBufferAlone) {
    CRZScript script;
    char word[CRZScript::kWordBufferSize] = "unchanged";
    int consumed = -1;
    EXPECT_EQ(script.GetToken("", 0, word, consumed), 0);
    EXPECT_EQ(script.GetToken(" \r\n\x82\xA0", 5, word, consumed), 0);
    EXPECT_EQ(script.GetToken("   abc", 3, word, consumed), 0);
    EXPECT_STREQ(word, "unchanged");
}

TEST(GetToken, StopsAtTheLength) {
    CRZScript script;
    char word[CRZScript::kWordBufferSize];
    int consumed = -1;
    EXPECT_EQ(script.GetToken("abcdef", 3, word, consumed), 4);
    EXPECT_EQ(consumed, 3);
    EXPECT_STREQ(word, "abc");
}

TEST(GetToken, WordOf127CharactersFitsAndALongerOneIsCutButConsumedWhole) {
    CRZScript script;
    char word[CRZScript::kWordBufferSize + 1];
    int consumed = -1;
    std::string fits(127, 'a');
    word[CRZScript::kWordBufferSize] = '#';
    EXPECT_EQ(script.GetToken(fits.data(), 127, word, consumed), 128);
    EXPECT_EQ(consumed, 127);
    EXPECT_EQ(std::string(word), fits);

    std::string longer = std::string(200, 'b') + " next";
    EXPECT_EQ(script.GetToken(longer.data(), static_cast<int>(longer.size()), word, consumed), 201);
    EXPECT_EQ(consumed, 200);
    EXPECT_EQ(std::string(word), std::string(127, 'b'));
    EXPECT_EQ(word[CRZScript::kWordBufferSize], '#') << "nothing written past 128 bytes";
}

TEST(CountValueLines, Table) {
    CRZScript script;
    const struct {
        const char* name;
        std::string text;
        int lines;
    } cases[] = {
        {"CR LF", "5\r\n", 1},
        {"LF only", "5\n6\n", 2},
        {"CR only", "5\r6\r", 2},
        {"unterminated last line", "5\r\n6", 1},
        {"only an unterminated line", "30001", 0},
        {"blank lines are not counted", "\r\n \r\n\t\r\n5\r\n\r\n", 1},
        {"spaces before the line end", "5   \r\n", 1},
        {"several words on a line count once", "#x 5\r\n", 1},
        {"'[' stops before the line ends", "5[\r\n", 0},
        {"'[' on a later line", "5\r\n6[7\r\n8\r\n", 1},
        {"'[' first", "[PORT]\r\n5\r\n", 0},
        {"Japanese line is blank", "\x82\xA0\x82\xA2\r\n6\r\n", 1},
        {"mixed endings count by the larger counter", "5\r6\n", 1},
        {"LF CR pairs", "5\n\r6\n\r", 2},
        {"NUL ends the text",
         std::string("5\r\n\0"
                     "6\r\n",
                     7),
         1},
        {"empty", "", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(script.CountValueLines(c.text.data(), static_cast<int>(c.text.size()), '['),
                  c.lines)
            << c.name;
}

TEST(CountValueLines, TheEndOfTheLengthCutsALine) {
    CRZScript script;
    EXPECT_EQ(script.CountValueLines("5\r\n6\r\n", 3, '['), 1);
    EXPECT_EQ(script.CountValueLines("5\r\n6\r\n", 4, '['), 1);
    EXPECT_EQ(script.CountValueLines("5\r\n6\r\n", 5, '['), 2);
}

TEST(ParseAddress, Table) {
    CRZScript script;
    const std::string p26(26, '1'), p27(27, '2');
    const struct {
        std::string text;
        int result;
        unsigned char bytes[4];
    } cases[] = {
        {"192.168.0.205", 0, {192, 168, 0, 205}},
        {"10.0.0.2", 0, {10, 0, 0, 2}},
        {"1.2.3.4.5", 0, {1, 2, 3, 4}},
        {".1.2.3.4", 0, {1, 2, 3, 4}},
        {"a.b.c.d", 0, {0, 0, 0, 0}},
        {"300.1.2.3", 0, {44, 1, 2, 3}},
        {"1.x.3.4", 0, {1, 1, 3, 4}}, // a piece that does not convert keeps the last value
        {"-1.2.3.4", 0, {255, 2, 3, 4}},
        {"+7x.08.0x10.4", 0, {7, 8, 0, 4}},
        {"99999999999.0.0.0", 0, {255, 0, 0, 0}},
        {"\x81.1.2.3.4", 0, {0, 2, 3, 4}}, // the dot after the lead byte is no delimiter
        {p26 + "." + p27 + "." + p27 + "." + p27, 0, {255, 255, 255, 255}},
        {p27 + "." + p27 + "." + p27 + "." + p27, -1, {0xAA, 0xAA, 0xAA, 0xAA}},
        {"10.0.0", -1, {0xAA, 0xAA, 0xAA, 0xAA}},
        {"1.2.3", -1, {0xAA, 0xAA, 0xAA, 0xAA}},
        {"1..2.3", -1, {0xAA, 0xAA, 0xAA, 0xAA}},
        {"1.2\x81.3.4", -1, {0xAA, 0xAA, 0xAA, 0xAA}},
        {"", -1, {0xAA, 0xAA, 0xAA, 0xAA}},
        {"...", -1, {0xAA, 0xAA, 0xAA, 0xAA}},
    };
    for (const auto& c : cases) {
        unsigned char bytes[5] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
        EXPECT_EQ(script.ParseAddress(c.text.c_str(), bytes), c.result) << c.text;
        EXPECT_EQ(std::memcmp(bytes, c.bytes, 4), 0)
            << c.text << ": " << int(bytes[0]) << "." << int(bytes[1]) << "." << int(bytes[2])
            << "." << int(bytes[3]);
        EXPECT_EQ(bytes[4], 0xAA) << c.text;
    }
}

TEST(ScanDecimal, ReadsAsAPercentDConversionWithSaturation) {
    const struct {
        const char* text;
        bool converts;
        int32_t value;
    } cases[] = {
        {"30001", true, 30001},
        {"0", true, 0},
        {"-5", true, -5},
        {"+7x", true, 7},
        {"0x10", true, 0},
        {"  12", true, 12},
        {"\t\r\n-3", true, -3},
        {"007", true, 7},
        {"0000000000000000000000000012", true, 12},
        {"2147483647", true, INT32_MAX},
        {"2147483648", true, INT32_MAX},
        {"4294967297", true, INT32_MAX}, // no wrap to 1
        {"-2147483648", true, INT32_MIN},
        {"-2147483649", true, INT32_MIN},
        {"99999999999999999999999999999999999999", true, INT32_MAX},
        {"-99999999999999999999999999999999999999", true, INT32_MIN},
        {"abc", false, 0},
        {"-", false, 0},
        {"+", false, 0},
        {"x5", false, 0},
        {"--5", false, 0},
        {"+-5", false, 0},
        {"", false, 0},
        {"- 5", false, 0},
    };
    for (const auto& c : cases) {
        int32_t value = 424242;
        EXPECT_EQ(ScanDecimal(c.text, value), c.converts) << c.text;
        EXPECT_EQ(value, c.converts ? c.value : 424242) << c.text;
    }
}

TEST(FormatDecimal, PlainDecimalForm) {
    const struct {
        int32_t value;
        const char* text;
    } cases[] = {{0, "0"},
                 {8, "8"},
                 {30000, "30000"},
                 {-1, "-1"},
                 {-42, "-42"},
                 {INT32_MAX, "2147483647"},
                 {INT32_MIN, "-2147483648"},
                 {1000000000, "1000000000"}};
    for (const auto& c : cases) {
        char out[16];
        std::memset(out, 'x', sizeof(out));
        EXPECT_EQ(FormatDecimal(c.value, out), static_cast<int>(std::strlen(c.text)));
        EXPECT_STREQ(out, c.text);
    }
}
