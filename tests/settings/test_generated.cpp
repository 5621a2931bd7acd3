// test_generated.cpp - generated inputs: the reader on any bytes, and write
// then read of generated valid records.
#include "guardedmemory.h"
#include "settingstestutil.h"

#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kInputs = 100000;

class InputGenerator {
public:
    explicit InputGenerator(uint32_t seed) : m_random(seed) {}

    std::string Next(int index) {
        std::string text;
        switch (index % 5) {
            case 0:
                text = RandomBytes();
                break;
            case 1:
                text = KeywordSoup();
                break;
            case 2:
                text = MutatedValidFile();
                break;
            case 3:
                text = LongWords();
                break;
            default:
                text = NulsAndLeadBytes();
                break;
        }
        if (text.size() > CRZScript::kTextBufferSize)
            text.resize(CRZScript::kTextBufferSize);
        return text;
    }

    int Below(int n) { return static_cast<int>(m_random() % static_cast<uint32_t>(n)); }
    bool OneIn(int n) { return Below(n) == 0; }
    uint32_t Raw() { return m_random(); }

private:
    char InterestingByte() {
        static const char kBytes[] = "[].;#\r\n \t0123456789-+PORTIDCUMSKWBGAQENprotx{}\x81\x9F\xE0"
                                     "\xFC\x7B\x7F\xFF\xA0";
        if (OneIn(60))
            return '\0';
        if (OneIn(4))
            return static_cast<char>(Below(256));
        return kBytes[Below(sizeof(kBytes) - 1)];
    }

    std::string RandomBytes() {
        std::string text(static_cast<size_t>(Below(2100)), ' ');
        for (char& c : text)
            c = InterestingByte();
        return text;
    }

    std::string Keyword() {
        std::string word = SectionKeywords[Below(kSectionCount)];
        if (OneIn(3)) {
            for (char& c : word)
                if (c >= 'A' && c <= 'Z' && OneIn(2))
                    c = static_cast<char>(c - 'A' + 'a');
        }
        if (OneIn(10))
            word += InterestingByte();
        return word;
    }

    std::string Number() {
        std::string s = OneIn(3) ? "-" : (OneIn(5) ? "+" : "");
        const int digits = 1 + Below(OneIn(8) ? 40 : 10);
        for (int i = 0; i < digits; ++i)
            s += static_cast<char>('0' + Below(10));
        if (OneIn(6))
            s += InterestingByte();
        return s;
    }

    std::string Address() {
        std::string s;
        const int pieces = 2 + Below(5);
        for (int i = 0; i < pieces; ++i) {
            if (i > 0)
                s += OneIn(10) ? ".." : ".";
            s += OneIn(10) ? std::string(static_cast<size_t>(1 + Below(60)), '1') : Number();
        }
        return s;
    }

    std::string Separator() {
        static const char* const kSeparators[] = {"\r\n",     "\n",    "\r",  " ",       "\t",
                                                  "\r\n\r\n", " ; c ", "#x ", "\x82\xA0"};
        return kSeparators[Below(sizeof(kSeparators) / sizeof(kSeparators[0]))];
    }

    std::string KeywordSoup() {
        std::string text;
        while (text.size() < static_cast<size_t>(Below(2200))) {
            const int pick = Below(10);
            if (pick < 4)
                text += Keyword();
            else if (pick < 7)
                text += Number();
            else if (pick < 9)
                text += Address();
            else
                text += InterestingByte();
            text += Separator();
        }
        return text;
    }

    NetworkSettings RandomRecord() {
        NetworkSettings settings = DefaultRecord();
        for (int k = 0; k < kSectionCount; ++k) {
            const std::string value = kSectionFields[k].IsAddress() ? Address() : Number();
            SetSection(settings, k, Below(2), value);
        }
        return settings;
    }

    std::string MutatedValidFile() {
        std::string text = FormatText(RandomRecord());
        const int mutations = 1 + Below(8);
        for (int m = 0; m < mutations && !text.empty(); ++m) {
            const size_t at = static_cast<size_t>(Below(static_cast<int>(text.size())));
            switch (Below(5)) {
                case 0:
                    text[at] = InterestingByte();
                    break;
                case 1:
                    text.insert(at, 1, InterestingByte());
                    break;
                case 2:
                    text.erase(at, static_cast<size_t>(1 + Below(8)));
                    break;
                case 3:
                    text.insert(at, text.substr(at, static_cast<size_t>(Below(40))));
                    break;
                default:
                    text.resize(at);
                    break;
            }
        }
        return text;
    }

    std::string LongWords() {
        std::string text;
        while (text.size() < 2048) {
            text += Keyword() + Separator();
            const size_t length = static_cast<size_t>(100 + Below(400));
            std::string word;
            switch (Below(3)) {
                case 0:
                    word = std::string(length, static_cast<char>('0' + Below(10)));
                    break;
                case 1:
                    word = "1.2.3.4.";
                    word += std::string(length, '5');
                    break;
                default:
                    for (size_t i = 0; i < length; ++i)
                        word += static_cast<char>(0x21 + Below(0x5A));
                    break;
            }
            text += word + Separator();
        }
        return text;
    }

    std::string NulsAndLeadBytes() {
        std::string text = OneIn(2) ? FormatText(RandomRecord()) : KeywordSoup();
        const int nuls = Below(3);
        for (int i = 0; i < nuls && !text.empty(); ++i)
            text[static_cast<size_t>(Below(static_cast<int>(text.size())))] = '\0';
        const int leads = 1 + Below(3);
        for (int i = 0; i < leads; ++i)
            text += static_cast<char>(OneIn(2) ? 0x81 + Below(0x1F) : 0xE0 + Below(0x1D));
        if (text.size() > 2048)
            text.erase(0, text.size() - 2048); // keep the lead bytes at the very end
        return text;
    }

    std::mt19937 m_random;
};

bool IsWordCharacter(unsigned char c) {
    return c >= 0x21 && c <= 0x7A;
}

// The properties every read leaves, whatever the input.
::testing::AssertionResult WellFormed(const NetworkSettings& settings) {
    const NetworkSettings defaults = DefaultRecord();
    CRZScript script;
    for (int k = 0; k < kSectionCount; ++k) {
        const SectionFields& fields = kSectionFields[k];
        const int32_t flag = settings.*fields.flag;
        if (flag != 0 && flag != 1)
            return ::testing::AssertionFailure() << SectionKeywords[k] << " flag " << flag;
        if (!fields.IsAddress()) {
            if (flag == 0 && settings.*fields.number != defaults.*fields.number)
                return ::testing::AssertionFailure() << SectionKeywords[k] << " changed, flag 0";
            continue;
        }
        const char* text = settings.*fields.text;
        if (std::memchr(text, '\0', 256) == nullptr)
            return ::testing::AssertionFailure() << SectionKeywords[k] << " text not terminated";
        if (flag == 0) {
            if (std::strcmp(text, defaults.*fields.text) != 0)
                return ::testing::AssertionFailure() << SectionKeywords[k] << " changed, flag 0";
            continue;
        }
        // A stored address is one accepted word that fits the word buffer.
        const size_t length = std::strlen(text);
        unsigned char bytes[4];
        if (length == 0 || length > 127 || script.ParseAddress(text, bytes) != 0)
            return ::testing::AssertionFailure() << SectionKeywords[k] << " stored " << text;
        for (size_t i = 0; i < length; ++i) {
            if (!IsWordCharacter(static_cast<unsigned char>(text[i])))
                return ::testing::AssertionFailure() << SectionKeywords[k] << " holds a blank";
        }
    }
    return ::testing::AssertionSuccess();
}

// Walks a text with the tokenizer as the reader does, with the word buffer and
// a split pool at the end of accessible memory.
int WalkWords(CRZScript& script, const char* text, int n, char* word, char* pool) {
    int words = 0;
    int pos = 0;
    while (pos < n) {
        int advance = 0;
        if (script.SkipBlank(text + pos, n - pos, advance) == 0)
            break;
        pos += advance;
        int consumed = 0;
        const int result = script.GetToken(text + pos, n - pos, word, consumed);
        if (result == 0 || consumed <= 0 || pos + consumed > n)
            break;
        pos += consumed;
        ++words;
        TokenList list{CRZScript::kSplitPoolSize, 4, pool, nullptr, 0, 0};
        script.Split(word, static_cast<int>(std::strlen(word)), list, ".");
        script.CountValueLines(text + pos, n - pos, '[');
    }
    return words;
}

} // namespace

TEST(GeneratedInput, EveryReadEndsInAWellFormedRecordWithinItsBytes) {
    GuardedMemory textMemory(CRZScript::kTextBufferSize);
    GuardedMemory recordMemory(sizeof(NetworkSettings) + 64);
    GuardedMemory wordMemory(CRZScript::kWordBufferSize);
    GuardedMemory poolMemory(CRZScript::kSplitPoolSize);
    for (const GuardedMemory* memory : {&textMemory, &recordMemory, &wordMemory, &poolMemory}) {
        ASSERT_TRUE(memory->Ok());
        ASSERT_TRUE(memory->GuardIsInaccessible());
    }
    // The record ends at the guard page; the 64 bytes before it are a canary.
    auto* settings = reinterpret_cast<NetworkSettings*>(recordMemory.Tail(sizeof(NetworkSettings)));
    char* canary = recordMemory.Tail(sizeof(NetworkSettings) + 64);
    char* word = wordMemory.Tail(CRZScript::kWordBufferSize);
    char* pool = poolMemory.Tail(CRZScript::kSplitPoolSize);

    CRZScript script;
    InputGenerator generator(20240611);
    int withFlags = 0, withAddress = 0, saturated = 0, fullLength = 0, longWords = 0;
    for (int i = 0; i < kInputs; ++i) {
        const std::string input = generator.Next(i);
        const int n = static_cast<int>(input.size());
        char* text = textMemory.Tail(static_cast<size_t>(n));
        std::memcpy(text, input.data(), input.size());
        std::memset(canary, 0xA5, 64);
        ApplyDefaultSettings(*settings);

        script.ParseSettings(text, n, *settings);

        ASSERT_TRUE(WellFormed(*settings)) << "input " << i << ": " << Escaped(input);
        for (int b = 0; b < 64; ++b)
            ASSERT_EQ(static_cast<unsigned char>(canary[b]), 0xA5) << "input " << i;
        ASSERT_EQ(std::memcmp(text, input.data(), input.size()), 0) << "text left unchanged";
        WalkWords(script, text, n, word, pool);

        bool anyFlag = false;
        for (int k = 0; k < kSectionCount; ++k)
            anyFlag = anyFlag || SectionFlag(*settings, k) == 1;
        withFlags += anyFlag ? 1 : 0;
        withAddress += (settings->bIpAdr | settings->bIpMsk | settings->bGwAdr) ? 1 : 0;
        saturated +=
            (settings->bPort && (settings->nPort == INT32_MAX || settings->nPort == INT32_MIN)) ? 1
                                                                                                : 0;
        fullLength += n == CRZScript::kTextBufferSize ? 1 : 0;
        longWords += input.find(std::string(128, '5')) != std::string::npos ? 1 : 0;
    }
    // The inputs reach the parser's interesting paths, not only its exits.
    EXPECT_GT(withFlags, kInputs / 4);
    EXPECT_GT(withAddress, kInputs / 20);
    EXPECT_GT(saturated, 100);
    EXPECT_GT(fullLength, kInputs / 10);
    EXPECT_GT(longWords, 1000);
}

TEST(GeneratedInput, WriteThenReadGivesBackEveryIntegerAndAcceptedAddress) {
    InputGenerator generator(7);
    const char kPieceCharacters[] = "0123456789012345678901234567890123456789"
                                    "!\"$%&'()*+,-/:<=>?@ABCDEFZ]^_`abcdefz;#";
    auto piece = [&](int length) {
        std::string s;
        for (int i = 0; i < length; ++i)
            s += kPieceCharacters[generator.Below(sizeof(kPieceCharacters) - 1)];
        return s;
    };
    const int32_t kEdgeValues[] = {INT32_MIN, INT32_MIN + 1, -1, 0, 1, 9, 10, 65535, INT32_MAX};
    int accepted = 0, rejected = 0;
    for (int i = 0; i < 20000; ++i) {
        NetworkSettings record = DefaultRecord();
        bool expectPresent[kSectionCount];
        for (int k = 0; k < kSectionCount; ++k) {
            const SectionFields& fields = kSectionFields[k];
            const int32_t flag = generator.OneIn(3) ? 0 : (generator.OneIn(10) ? -5 : 1);
            record.*fields.flag = flag;
            expectPresent[k] = flag != 0;
            if (!fields.IsAddress()) {
                record.*fields.number = generator.OneIn(4) ? kEdgeValues[generator.Below(9)]
                                                           : static_cast<int32_t>(generator.Raw());
                continue;
            }
            std::string text;
            if (generator.OneIn(5)) {
                // Texts that the address check rejects come back absent.
                static const char* const kRejected[] = {"",    "1.2.3", "10.0.0", "1..2.3",
                                                        "a.b", "...",   "7"};
                text = kRejected[generator.Below(7)];
                expectPresent[k] = false;
            } else {
                // One word of four or more pieces; the first four fit the
                // split pool and the whole word fits the word buffer.
                const int pieces = 4 + generator.Below(3);
                int budget = 107;
                for (int p = 0; p < pieces; ++p) {
                    const int most = p < 4 ? (budget - (3 - p) < 30 ? budget - (3 - p) : 30) : 8;
                    const int length = 1 + generator.Below(most);
                    if (p < 4)
                        budget -= length;
                    text += (p > 0 ? (generator.OneIn(12) ? ".." : ".")
                                   : (generator.OneIn(12) ? "." : ""));
                    std::string part = piece(length);
                    if (p == 0 && (part[0] == ';' || part[0] == '#'))
                        part[0] = '1'; // a word that begins so is a comment
                    text += part;
                }
                if (text.size() > 127)
                    text.resize(127);
            }
            std::memset(record.*fields.text, 0, 256);
            std::memcpy(record.*fields.text, text.data(), text.size());
            if (flag != 0)
                (expectPresent[k] ? accepted : rejected) += 1;
        }

        const NetworkSettings back = ParseText(FormatText(record));
        const NetworkSettings defaults = DefaultRecord();
        for (int k = 0; k < kSectionCount; ++k) {
            const NetworkSettings& expected = expectPresent[k] ? record : defaults;
            ASSERT_EQ(SectionFlag(back, k), expectPresent[k] ? 1 : 0)
                << "record " << i << " " << SectionKeywords[k] << ": " << SectionValue(record, k);
            ASSERT_EQ(SectionValue(back, k), SectionValue(expected, k))
                << "record " << i << " " << SectionKeywords[k];
        }
    }
    EXPECT_GT(accepted, 20000);
    EXPECT_GT(rejected, 5000);
}
