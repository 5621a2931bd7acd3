// bootfilewrite.h - writing the board's boot settings file so that a failure
// loses nothing: the file as it was is read first and kept by a journal that
// outlives the process, the new text is read back and compared, and after a
// failure the previous file is put back once.
#pragma once

#include "settings/rzscript.h"

#include <string>

// What the board's file holds once a Write is over.
enum class BootFileHolds {
    NewSettings, // the text of the record just written, read back
    Previous,    // exactly what it held before (no file, when there was none)
    Empty,       // no file, or an empty one, where there was a file before
    Unknown      // something else, or it cannot be read
};

// The board's file as read whole: whether there was one, and its bytes.
struct BootFileImage {
    bool known = false;  // read whole; false when it could not be read
    bool exists = false; // there was a file at all
    std::string bytes;
};

// The most of a board file that is read whole to be kept or put back.
constexpr int kBootFileKeptSize = 1 << 20;

// Reads the board file at `path` whole into image; false (image.known false)
// when it cannot be read whole.
bool ReadWholeBoardFile(int handle, const char* path, BootFileImage& image);

// Keeps, outside the board and the process, what a write is about to change,
// so that a cut while the file is open for writing loses nothing.
class BootFileJournal {
public:
    virtual ~BootFileJournal() = default;
    // Before the file is opened for writing: the file as it is and the text
    // about to replace it. False when it could not be kept whole; then
    // nothing is written.
    virtual bool Save(const BootFileImage& previous, const std::string& text) = 0;
    // The file settled whole (the new text or the previous file).
    virtual void Remove() = 0;
};

class BootFileWrite {
public:
    // The result of Write when the journal could not be saved.
    static constexpr int kJournalNotSaved = -2;

    BootFileWrite(CRZScript& script, int handle, int kind);

    // 0 when the file holds the record's text, else the failing result
    // (-1 when the file did not open or did not read back right). With a
    // journal, the file is opened for writing only once the journal is saved.
    int Write(const NetworkSettings& settings, BootFileJournal* journal = nullptr);
    BootFileHolds Holds() const { return m_holds; }

    // Makes the file exactly `image` (removes it when there was none) and
    // reads it back; true when it holds that.
    bool Restore(const BootFileImage& image);
    // Does the file hold exactly `image` (no file when it did not exist)?
    bool Holds(const BootFileImage& image);

private:
    // Writes raw bytes as the whole file; 0 or the failing result.
    int WriteBoardFile(const std::string& text);
    BootFileHolds Settle(const BootFileImage& previous, const std::string& text);

    CRZScript& m_script;
    int m_handle;
    const char* m_path;
    BootFileHolds m_holds = BootFileHolds::Unknown;
};
