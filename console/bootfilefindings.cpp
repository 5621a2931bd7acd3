// bootfilefindings.cpp - comparing the board's file with what the record
// would write back.
#include "console/bootfilefindings.h"

#include "console/consoletext.h"
#include "console/settingsfields.h"
#include "settings/rzscript.h"
#include "settings/settingssections.h"

#include <windows.h>

#include <algorithm>

namespace {

// The reader's byte classes: word characters '!' to 'z'; every other byte
// but NUL is blank to it.
bool IsWordChar(unsigned char c) {
    return c >= 0x21 && c <= 0x7A;
}
// Blanks that carry nothing: spaces and line ends. Any other blank byte
// (Japanese text, '{', control characters) is text the reader does not see.
bool IsPlainBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string LineLabel(int number, const std::string& line) {
    return std::to_string(number) + " 行目" + QuotedLine(line) + ": ";
}

int SectionOfHeader(const std::string& word) {
    for (int section = 0; section < kSectionCount; ++section) {
        if (lstrcmpiA(word.c_str(), SectionKeywords[section]) == 0)
            return section;
    }
    return -1;
}

// The value text the writer would put in the file for a present section.
std::string WrittenValue(const NetworkSettings& read, int section) {
    const SectionFields& fields = kSectionFields[section];
    if (fields.IsAddress())
        return read.*(fields.text);
    return std::to_string(read.*(fields.number));
}

// Does the word say the value the record holds? Numbers may differ in form
// (leading zeros) but not in value.
bool SaysValue(const std::string& word, const NetworkSettings& read, int section) {
    const SectionFields& fields = kSectionFields[section];
    if (read.*(fields.flag) == 0)
        return false;
    if (fields.IsAddress())
        return word == read.*(fields.text);
    size_t i = word[0] == '-' ? 1 : 0;
    if (i == word.size() || word.size() - i > 10)
        return false;
    long long value = 0;
    for (; i < word.size(); ++i) {
        if (word[i] < '0' || word[i] > '9')
            return false;
        value = value * 10 + (word[i] - '0');
    }
    return (word[0] == '-' ? -value : value) == read.*(fields.number);
}

class FileScan {
public:
    FileScan(const NetworkSettings& read, std::vector<BootFileFinding>& findings)
        : m_read(read), m_findings(findings) {}

    void Line(int number, const std::string& line) {
        const std::string label = LineLabel(number, line);
        bool unseen = false;
        size_t i = 0;
        while (i < line.size()) {
            const unsigned char c = static_cast<unsigned char>(line[i]);
            if (!IsWordChar(c)) {
                unseen = unseen || !IsPlainBlank(c);
                ++i;
                continue;
            }
            size_t end = i;
            while (end < line.size() && IsWordChar(static_cast<unsigned char>(line[end])))
                ++end;
            Word(label, line.substr(i, end - i));
            i = end;
        }
        if (unseen)
            Add(-1, label + "読み込まれない文字は書き込まれません。");
    }

private:
    void Word(const std::string& label, const std::string& word) {
        if (word[0] == ';' || word[0] == '#') {
            Add(-1, label + "コメントは書き込まれません。");
            return;
        }
        if (word[0] == '[') {
            m_section = SectionOfHeader(word);
            if (m_section < 0)
                Add(-1, label + "知らないセクションです。書き込まれません。");
            return;
        }
        if (m_section < 0) {
            Add(-1, label + "どのセクションにも属さないため書き込まれません。");
            return;
        }
        if (SaysValue(word, m_read, m_section))
            return;
        const std::string name = SectionName(m_section);
        if (m_read.*(kSectionFields[m_section].flag) != 0)
            Add(m_section, label + name + " の値 " + word + " は、書き込むと " + name + "=" +
                               WrittenValue(m_read, m_section) + " になります。");
        else
            Add(m_section, label + name + " の値 " + word + " は読み込まれず、書き込むと " + name +
                               " はなくなります。");
    }

    void Add(int section, const std::string& text) { m_findings.push_back({section, text}); }

    const NetworkSettings& m_read;
    std::vector<BootFileFinding>& m_findings;
    int m_section = -1;
};

bool HasFindingFor(const std::vector<BootFileFinding>& findings, int section) {
    for (const BootFileFinding& finding : findings) {
        if (finding.section == section)
            return true;
    }
    return false;
}

} // namespace

std::vector<BootFileFinding> FindUncarriedContent(const std::string& file,
                                                  const NetworkSettings& read) {
    std::vector<BootFileFinding> findings;
    CRZScript script;
    char written[CRZScript::kTextBufferSize];
    const int length = script.FormatSettings(read, written);
    const bool same = file == std::string(written, static_cast<size_t>(length));
    // The reader stops at its buffer's end or at a NUL.
    size_t seen = std::min(file.size(), static_cast<size_t>(CRZScript::kTextBufferSize));
    const size_t nul = file.find('\0');
    if (nul != std::string::npos && nul < seen)
        seen = nul;
    if (!same) {
        FileScan scan(read, findings);
        int number = 1;
        for (size_t start = 0; start < seen; ++number) {
            size_t end = file.find('\n', start);
            end = end == std::string::npos || end >= seen ? seen : end + 1;
            scan.Line(number, file.substr(start, end - start));
            start = end;
        }
    }
    if (seen < file.size())
        findings.push_back({-1, std::to_string(seen + 1) + " バイト目以降の " +
                                    std::to_string(file.size() - seen) +
                                    " バイトは読み込まれず、書き込まれません。"});
    // A value the record carries may still break its page's rule.
    for (int section = 0; section < kSectionCount; ++section) {
        if (HasFindingFor(findings, section))
            continue;
        const std::string broken = CheckSection(read, section);
        if (!broken.empty())
            findings.push_back({section, "ボードの値 " + broken});
    }
    return findings;
}
