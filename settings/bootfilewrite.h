// bootfilewrite.h - writing the board's boot settings file so that a failure
// loses nothing: the file as it was is read first, the new text is read back
// and compared, and after a failure the previous file is put back once.
#pragma once

#include "settings/rzscript.h"

// What the board's file holds once a Write is over.
enum class BootFileHolds {
    NewSettings, // the text of the record just written, read back
    Previous,    // exactly what it held before (no file, when there was none)
    Empty,       // no file, or an empty one, where there was a file before
    Unknown      // something else, or it cannot be read
};

class BootFileWrite {
public:
    BootFileWrite(CRZScript& script, int handle, int kind);

    // 0 when the file holds the record's text, else the failing result
    // (-1 when the file did not open or did not read back right).
    int Write(const NetworkSettings& settings);
    BootFileHolds Holds() const { return m_holds; }

private:
    // The file's bytes into text (kTextBufferSize bytes); false when it
    // cannot be read whole. exists tells whether there is a file at all.
    bool ReadBoardFile(char* text, int& length, bool& exists);
    // Does the file hold exactly these bytes?
    bool FileHolds(const char* text, int length);
    // Writes raw bytes as the whole file; 0 or the failing result.
    int WriteBoardFile(const char* text, int length);
    bool PutBack(const char* previous, int length, bool existed);
    BootFileHolds Settle(const char* previous, int length, bool existed, const char* text,
                         int textLength);

    CRZScript& m_script;
    int m_handle;
    const char* m_path;
    BootFileHolds m_holds = BootFileHolds::Unknown;
};
