// rzscript.cpp - reading and writing the boot settings file.
#include "settings/rzscript.h"

#include "boardlib/lm800mul.h"
#include "settings/decimaltext.h"

#include <cstring>

namespace {

// Byte classes of the file: word characters '!' to 'z', NUL, and blanks
// (everything else, so Japanese text is blank to the reader).
bool IsWordChar(unsigned char c) {
    return c >= 0x21 && c <= 0x7A;
}
bool IsBlank(unsigned char c) {
    return c != 0 && !IsWordChar(c);
}

// Byte i of a text of length bytes; the end reads as NUL.
unsigned char ByteAt(const char* text, int length, int i) {
    return i < length ? static_cast<unsigned char>(text[i]) : 0;
}

// Whether the next word begins with '[', as a section header does.
bool NextWordIsHeader(const char* text, int length) {
    int i = 0;
    while (IsBlank(ByteAt(text, length, i)))
        ++i;
    return ByteAt(text, length, i) == '[';
}

const char* SettingsPath(int kind, int local) {
    if (local == 0)
        return kind == 1 ? "sys:\\safe.ini" : "sys:\\boot.ini";
    return kind == 1 ? "safe.ini" : "boot.ini";
}

constexpr int kTextFieldSize = 256;

// Copies src into a text field of the record, cut to 255 characters.
void StoreText(char* field, const char* src) {
    int i = 0;
    for (; i < kTextFieldSize - 1 && src[i] != '\0'; ++i)
        field[i] = src[i];
    field[i] = '\0';
}

} // namespace

int CRZScript::SkipBlank(const char* text, int length, int& advance) {
    int i = 0;
    while (IsBlank(ByteAt(text, length, i)))
        ++i;
    const unsigned char c = ByteAt(text, length, i);
    if (c == 0) {
        advance = i;
        return 0;
    }
    if (c != ';' && c != '#') {
        advance = i;
        return 1;
    }
    // A comment covers its own word only.
    while (IsWordChar(ByteAt(text, length, i)))
        ++i;
    advance = i;
    return ByteAt(text, length, i) == 0 ? 0 : 1;
}

int CRZScript::GetToken(const char* text, int length, char* word, int& consumed) {
    int j = 0;
    while (IsBlank(ByteAt(text, length, j)))
        ++j;
    if (ByteAt(text, length, j) == 0) {
        consumed = j;
        return 0;
    }
    // A word too long for the buffer keeps its first 127 characters but is
    // consumed and measured whole, so its tail is never taken for a word of
    // its own and the caller can tell that it was cut.
    const int start = j;
    int kept = 0;
    while (IsWordChar(ByteAt(text, length, j))) {
        if (kept < kWordBufferSize - 1)
            word[kept++] = text[j];
        ++j;
    }
    word[kept] = '\0';
    consumed = j;
    return j - start + 1;
}

int CRZScript::CountValueLines(const char* text, int length, char stop) {
    const unsigned char stopByte = static_cast<unsigned char>(stop);
    bool lineHasWord = false;
    int crLines = 0;
    int lfLines = 0;
    for (int i = 0;; ++i) {
        const unsigned char c = ByteAt(text, length, i);
        if (c == stopByte || c == 0)
            break;
        if (IsWordChar(c)) {
            lineHasWord = true;
        } else if (c == '\r' && lineHasWord) {
            ++crLines;
            lineHasWord = false;
        } else if (c == '\n' && lineHasWord) {
            ++lfLines;
            lineHasWord = false;
        }
    }
    return crLines > lfLines ? crLines : lfLines;
}

int CRZScript::ParseAddress(const char* text, unsigned char* bytes) {
    char pool[kSplitPoolSize];
    TokenList list{kSplitPoolSize, 4, pool, nullptr, 0, 0};
    const size_t length = std::strlen(text);
    Split(text, length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(length), list, ".");
    if (list.count != 4)
        return -1;
    int32_t value = 0; // a piece that does not convert keeps the previous value
    for (int i = 0; i < 4; ++i) {
        ScanDecimal(list.Item(i), value);
        bytes[i] = static_cast<unsigned char>(static_cast<uint32_t>(value) & 0xFF);
    }
    return 0;
}

int CRZScript::FindSection(const char* word) {
    for (int k = 0; k < kSectionCount; ++k) {
        if (CompareNoCase(word, SectionKeywords[k]) == 0)
            return k;
    }
    return -1;
}

void CRZScript::StoreValue(int section, const char* word, int32_t* conversions,
                           NetworkSettings& settings) {
    const SectionFields& fields = kSectionFields[section];
    if (fields.IsAddress()) {
        // A rejected address leaves the section as it was. An accepted one is
        // stored whole, as the file holds it.
        unsigned char bytes[4] = {0, 0, 0, 0};
        if (ParseAddress(word, bytes) != 0)
            return;
        StoreText(settings.*fields.text, word);
        settings.*fields.flag = 1;
        return;
    }
    // A word that is no number keeps its conversion variable, which the
    // section then receives.
    int32_t& conversion = conversions[static_cast<int>(ConversionGroupOf(section))];
    ScanDecimal(word, conversion);
    settings.*fields.number = conversion;
    settings.*fields.flag = 1;
}

void CRZScript::ParseSettings(const char* text, int n, NetworkSettings& settings) {
    int32_t conversions[3] = {0, 0, 0}; // [Print], [PORT], sections 5 to 14
    char word[kWordBufferSize];
    int pos = 0;
    while (pos < n) {
        int advance = 0;
        const int more = SkipBlank(text + pos, n - pos, advance);
        pos += advance;
        if (pos >= n || more == 0)
            return;
        int consumed = 0;
        const int header = GetToken(text + pos, n - pos, word, consumed);
        if (header == 0)
            return;
        pos += consumed;
        const int section = header > kWordBufferSize ? -1 : FindSection(word);
        if (section < 0)
            continue;
        SkipBlank(text + pos, n - pos, advance);
        pos += advance;
        const int count = CountValueLines(text + pos, n - pos, '[');
        for (int line = 0; line < count; ++line) {
            SkipBlank(text + pos, n - pos, advance);
            pos += advance;
            // A line that held only a comment word still counted; its turn
            // must not take the next section's header as a value.
            if (NextWordIsHeader(text + pos, n - pos))
                break;
            const int value = GetToken(text + pos, n - pos, word, consumed);
            if (value == 0)
                return;
            pos += consumed;
            // A word over 127 characters is no value the writer makes: it
            // takes its line's turn and stores nothing.
            if (value <= kWordBufferSize)
                StoreValue(section, word, conversions, settings);
        }
    }
}

int CRZScript::ReadBoardText(int handle, const char* path, char* text, int& n) {
    n = 0;
    if (fmFindFile(handle, path) == 0)
        return 0;
    std::memset(text, 0, kTextBufferSize);
    const int file = fmOpen(handle, path, FM_MODE_READ);
    if (file == 0)
        return -1;
    // Taken unsigned: a size reported as negative reads the whole buffer.
    const uint32_t size = static_cast<uint32_t>(fmGetFileSize(handle, file));
    n = size < static_cast<uint32_t>(kTextBufferSize) ? static_cast<int>(size) : kTextBufferSize;
    const int read = fmRead(handle, file, text, n);
    fmClose(handle, file);
    return read == 0 ? 0 : -1;
}

int CRZScript::ReadLocalText(const char* path, char* text, int& n) {
    n = 0;
    if (FileExists(path) == 0)
        return 0;
    std::memset(text, 0, kTextBufferSize);
    HANDLE file = FileOpen(path, 1);
    if (file == nullptr)
        return -1;
    const DWORD size = FileSize(file);
    n = size < static_cast<DWORD>(kTextBufferSize) ? static_cast<int>(size) : kTextBufferSize;
    const int read = FileRead(file, text, static_cast<DWORD>(n));
    FileClose(file);
    return read == 0 ? 0 : -1;
}

int CRZScript::ReadSettings(int handle, NetworkSettings& settings, int kind, int local) {
    ApplyDefaultSettings(settings);
    const char* path = SettingsPath(kind, local);
    char text[kTextBufferSize];
    int n = 0;
    // A failed read still parses what did arrive; the zeros after it end the text.
    const int result =
        local == 0 ? ReadBoardText(handle, path, text, n) : ReadLocalText(path, text, n);
    if (n > 0)
        ParseSettings(text, n, settings);
    m_lastReadResult = result;
    return result;
}

int CRZScript::FormatSettings(const NetworkSettings& settings, char* buffer) {
    std::memset(buffer, 0, kTextBufferSize);
    int length = 0;
    // One value line: an integer of at most 11 characters, or a text of at
    // most 255, and CR LF.
    char line[kTextFieldSize + 2];
    for (int k = 0; k < kSectionCount; ++k) {
        const SectionFields& fields = kSectionFields[k];
        if (settings.*fields.flag == 0)
            continue;
        length += CopyString(buffer + length, SectionKeywords[k]);
        length += CopyString(buffer + length, "\r\n");
        if (fields.IsAddress()) {
            // Bounded, so a text that lost its NUL cannot run the copy past the field.
            const char* text = settings.*fields.text;
            int i = 0;
            for (; i < kTextFieldSize - 1 && text[i] != '\0'; ++i)
                line[i] = text[i];
            line[i] = '\0';
            length += CopyString(buffer + length, line);
        } else {
            FormatDecimal(settings.*fields.number, line);
            length += CopyString(buffer + length, line);
        }
        length += CopyString(buffer + length, "\r\n");
    }
    return length;
}

int CRZScript::WriteSettings(int handle, const NetworkSettings& settings, int kind, int local) {
    const char* path = SettingsPath(kind, local);
    char text[kTextBufferSize];
    const int length = FormatSettings(settings, text);
    if (local == 0) {
        const int file = fmOpen(handle, path, FM_MODE_WRITE);
        if (file == 0)
            return -1;
        const int result = fmWrite(handle, file, text, length);
        const int closed = fmClose(handle, file);
        // A file that did not close may not hold what was written.
        return result != 0 ? result : closed;
    }
    HANDLE file = FileOpen(path, 0);
    if (file == nullptr)
        return -1;
    const int result = FileWrite(file, text, static_cast<DWORD>(length));
    FileClose(file);
    return result;
}
