// rzscript.h - the settings-file class: reads the board's boot settings file
// into a NetworkSettings record and writes the record back, on the board or
// in the PC's current directory.
#pragma once

#include "settings/networksettings.h"
#include "settings/rzstring.h"
#include "settings/settingssections.h"

// Holds no data but the outcome of its last read. Every read first applies
// the defaults; the reader and the writer work in fixed buffers and allocate
// nothing.
class CRZScript : public CRZString {
public:
    static constexpr int kTextBufferSize = 2048; // the most of a file that is read or written
    static constexpr int kWordBufferSize = 128;  // a word of at most 127 characters and its NUL
    static constexpr int kSplitPoolSize = 128;   // the address check's split pool

    // kind 1 selects the safe file, any other the boot file; local 0 uses the
    // board's file system, any other value the PC's current directory.
    // 0 when the file was read, or is missing or empty (a fresh board: the
    // defaults). -1 when it exists but would not open or the read call
    // failed: the record then holds the defaults and whatever did arrive.
    int ReadSettings(int handle, NetworkSettings& settings, int kind, int local);
    // The result of the last ReadSettings, 0 before the first. Lets the main
    // dialog learn how the read at start-up went.
    int LastReadResult() const { return m_lastReadResult; }
    // 0 when written; -1 when the file did not open; otherwise the failing
    // result of the write call, or of the close.
    int WriteSettings(int handle, const NetworkSettings& settings, int kind, int local);

    // The tokenizer. Each looks at no more than length bytes from text; the
    // end of those bytes reads as a NUL.
    //
    // Skips blanks and one comment word (';' or '#' first); advance receives
    // the bytes skipped. 1 when the text goes on, 0 at its end.
    int SkipBlank(const char* text, int length, int& advance);
    // Takes the next word into word (kWordBufferSize bytes); consumed
    // receives the bytes up to the end of the word. The word's length + 1,
    // or 0 when none remains. A word over 127 characters is consumed whole,
    // its first 127 characters are stored, and the result (above
    // kWordBufferSize) tells that it was cut.
    int GetToken(const char* text, int length, char* word, int& consumed);
    // The lines up to the stop byte or the end that hold a word character and
    // are ended by CR or LF.
    int CountValueLines(const char* text, int length, char stop);
    // 0 when the text has four non-empty pieces between dots that fit the
    // split pool, with their low bytes in bytes[0..3]; -1 (bytes untouched) else.
    int ParseAddress(const char* text, unsigned char* bytes);

    // The parse of a read: the sections of the first n bytes of text (a NUL
    // ends it earlier) stored over the record. No byte past n is looked at.
    // A word over 127 characters opens no section and stores no value; an
    // accepted address word is stored whole; an integer beyond the 32-bit
    // range reads as INT32_MAX or INT32_MIN.
    void ParseSettings(const char* text, int n, NetworkSettings& settings);
    // The file text of a record into buffer (kTextBufferSize bytes, filled
    // with zeros first); returns its length. A text field is taken up to its
    // NUL or its 255th byte.
    int FormatSettings(const NetworkSettings& settings, char* buffer);

private:
    int FindSection(const char* word);
    void StoreValue(int section, const char* word, int32_t* conversions, NetworkSettings& settings);
    // Reads the file into text (kTextBufferSize bytes, zeroed first when the
    // file exists); n receives the bytes to parse, 0 for a missing or empty
    // file. -1 when the open or the read call failed, else 0.
    int ReadBoardText(int handle, const char* path, char* text, int& n);
    int ReadLocalText(const char* path, char* text, int& n);

    int m_lastReadResult = 0;
};
