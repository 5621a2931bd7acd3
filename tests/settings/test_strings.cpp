// test_strings.cpp - the string operations beneath the reader and writer.
#include "settings/rzstring.h"

#include "guardedmemory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct SplitResult {
    int count;
    std::vector<std::string> pieces;
};

SplitResult SplitText(const std::string& text, int poolSize = 128, int itemLimit = 4,
                      const char* delimiters = ".") {
    CRZString strings;
    std::vector<char> pool(static_cast<size_t>(poolSize > 0 ? poolSize : 1), '\x55');
    TokenList list{poolSize, itemLimit, pool.data(), nullptr, -1, -1};
    EXPECT_EQ(strings.Split(text.data(), static_cast<int>(text.size()), list, delimiters), 0);
    SplitResult result{list.count, {}};
    for (int i = 0; i < list.count; ++i)
        result.pieces.push_back(list.Item(i));
    return result;
}

} // namespace

TEST(IsLeadByte, BoundariesOfTheTwoLeadRanges) {
    CRZString strings;
    const struct {
        unsigned char byte;
        int lead;
    } cases[] = {{0x00, 0}, {0x2E, 0}, {0x7F, 0}, {0x80, 0}, {0x81, 1}, {0x9F, 1}, {0xA0, 0},
                 {0xB1, 0}, {0xDF, 0}, {0xE0, 1}, {0xFC, 1}, {0xFD, 0}, {0xFF, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(strings.IsLeadByte(c.byte), c.lead) << "byte " << int(c.byte);
}

TEST(Split, PiecesOfTable) {
    const std::string piece26(26, '1'), piece27(27, '2');
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> pieces;
    } cases[] = {
        {"address", "192.168.0.205", {"192", "168", "0", "205"}},
        {"empty piece between dots not kept", "1..2.3", {"1", "2", "3"}},
        {"leading dot", ".1.2.3.4", {"1", "2", "3", "4"}},
        {"fifth piece dropped", "1.2.3.4.5", {"1", "2", "3", "4"}},
        {"trailing dots", "1.2.3.4..", {"1", "2", "3", "4"}},
        {"only delimiters", "...", {}},
        {"empty text", "", {}},
        {"no delimiter", "abc", {"abc"}},
        {"four pieces of 107 bytes fit",
         piece26 + "." + piece27 + "." + piece27 + "." + piece27,
         {piece26, piece27, piece27, piece27}},
        {"four pieces of 108 bytes: the fourth does not fit",
         piece27 + "." + piece27 + "." + piece27 + "." + piece27,
         {piece27, piece27, piece27}},
        {"a piece that does not fit keeps later small ones out",
         std::string(111, '9') + ".1.2.3",
         {}},
        {"one piece of 110 bytes fits", std::string(110, '9'), {std::string(110, '9')}},
        {"lead byte keeps the dot after it", "1\x81.2.3.4", {"1\x81.2", "3", "4"}},
        {"lead byte before the last dot", "1.2.3\x81.", {"1", "2", "3\x81."}},
        {"lead byte as the last byte", "1.2.3.4\x81", {"1", "2", "3", "4\x81"}},
        {"lead byte as the only byte", "\xE0", {"\xE0"}},
        {"non-lead high byte is a plain byte", "\xA0.\xA1", {"\xA0", "\xA1"}},
    };
    for (const auto& c : cases) {
        SplitResult result = SplitText(c.text);
        EXPECT_EQ(result.count, static_cast<int>(c.pieces.size())) << c.name;
        EXPECT_EQ(result.pieces, c.pieces) << c.name;
    }
}

TEST(Split, LeadByteAtTheEndDoesNotTakeTheByteAfterTheText) {
    // The length ends the text inside a Shift-JIS pair: the follower stays out.
    CRZString strings;
    const char text[] = "1.2\x81X";
    char pool[128];
    TokenList list{128, 4, pool, nullptr, 0, 0};
    strings.Split(text, 4, list, ".");
    ASSERT_EQ(list.count, 2);
    EXPECT_STREQ(list.Item(1), "2\x81");
}

TEST(Split, ItemSlotsTakeFourBytesEachAtTheStartOfThePool) {
    CRZString strings;
    char pool[128];
    std::memset(pool, 0x55, sizeof(pool));
    TokenList list{128, 4, pool, nullptr, 0, 0};
    strings.Split("ab.c", 4, list, ".");
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.capacity, 4);
    EXPECT_EQ(list.items, pool);
    EXPECT_EQ(list.Item(0), pool + 16);
    EXPECT_EQ(list.Item(1), pool + 19);
    EXPECT_EQ(std::memcmp(pool + 16, "ab\0c\0", 5), 0);
    EXPECT_EQ(pool[21], '\x55') << "nothing written after the last piece";
}

TEST(Split, ClearsTheListBeforeItStarts) {
    CRZString strings;
    char pool[128];
    TokenList list{128, 4, pool, pool, 99, 99};
    strings.Split("", 0, list, ".");
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.capacity, 0);
    EXPECT_EQ(list.items, nullptr);
}

TEST(Split, NoSlotsOrNoRoomKeepsNothing) {
    EXPECT_EQ(SplitText("1.2", 128, 0).count, 0);
    EXPECT_EQ(SplitText("1.2", 128, -3).count, 0);
    EXPECT_EQ(SplitText("1.2", 16, 4).count, 0);
    EXPECT_EQ(SplitText("1.2", 0, 4).count, 0);
    // 4 slots + "1" + NUL = 18 bytes: below 19, not below 18.
    EXPECT_EQ(SplitText("1", 19, 4).count, 1);
    EXPECT_EQ(SplitText("1", 18, 4).count, 0);
}

TEST(Split, SeveralDelimitersAndNulIsNoDelimiter) {
    EXPECT_EQ(SplitText("a,b.c", 128, 4, ".,").pieces, (std::vector<std::string>{"a", "b", "c"}));
    const std::string withNul("a\0b.c", 5);
    SplitResult result = SplitText(withNul);
    ASSERT_EQ(result.count, 2);
    EXPECT_EQ(result.pieces[1], "c");
}

TEST(Split, NeverWritesPastAPoolAtTheEndOfAccessibleMemory) {
    GuardedMemory memory(4096);
    ASSERT_TRUE(memory.Ok());
    ASSERT_TRUE(memory.GuardIsInaccessible());
    CRZString strings;
    for (int poolSize = 0; poolSize <= 128; ++poolSize) {
        for (const std::string& text : {std::string(200, '7'), std::string("1.2.3.4.5.6.7.8"),
                                        std::string(40, '1') + "." + std::string(80, '2')}) {
            TokenList list{poolSize, 4, memory.Tail(static_cast<size_t>(poolSize)), nullptr, 0, 0};
            strings.Split(text.data(), static_cast<int>(text.size()), list, ".");
            EXPECT_LE(list.count, 4);
        }
    }
}

TEST(CopyString, CopiesWithTheNulAndCountsWithoutIt) {
    CRZString strings;
    char out[8];
    std::memset(out, 'x', sizeof(out));
    EXPECT_EQ(strings.CopyString(out, ""), 0);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(out[1], 'x');
    std::memset(out, 'x', sizeof(out));
    EXPECT_EQ(strings.CopyString(out, "[PORT]"), 6);
    EXPECT_EQ(std::memcmp(out, "[PORT]\0x", 8), 0);
}

TEST(CompareNoCase, Table) {
    CRZString strings;
    const struct {
        const char* a;
        const char* b;
        int result;
    } cases[] = {
        {"[port]", "[PORT]", 0},
        {"[Print]", "[PRINT]", 0},
        {"[PORT]", "[PORTSTR]", -1},
        {"[PORTSTR]", "[PORT]", -1},
        {"", "", 0},
        {"a", "", -1},
        {"[PORT]", "[PORX]", -1},
        // Only ASCII letters are folded: '[' and '{', '@' and '`' differ by 0x20 too.
        {"[", "{", -1},
        {"@", "`", -1},
        {"]", "}", -1},
        {"\x82\xA0", "\x82\xA0", 0},
        // The follower of a lead byte is compared exactly, even when it is a letter.
        {"\x82\x61", "\x82\x41", -1},
        {"x\x82\x61", "X\x82\x61", 0},
        {"\x82\x61", "\x83\x61", -1},
        // A lead byte against a plain byte differs.
        {"\x82\x61", "a\x61", -1},
        // A lead byte in the last position pairs with the NUL.
        {"a\x82", "A\x82", 0},
        // High bytes that are not lead bytes are compared unchanged.
        {"\xA0", "\xA0", 0},
        {"\xC1", "\xA1", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(strings.CompareNoCase(c.a, c.b), c.result) << c.a << " / " << c.b;
}
