// bootfilerecovery.h - the boot settings write made safe against a cut: the
// journal on the PC that a write keeps while the board's file is open, and
// the start-up step that makes the file whole from a journal left behind.
#pragma once

#include "settings/bootfilewrite.h"

#include <string>

// The journal of one board (by its hardware address) as the guarded write
// keeps it.
class PcSettingsJournal : public BootFileJournal {
public:
    explicit PcSettingsJournal(std::string address) : m_address(std::move(address)) {}
    bool Save(const BootFileImage& previous, const std::string& text) override;
    void Remove() override;

private:
    std::string m_address;
};

// What a start did with a journal of the board.
enum class BootFileRecovery {
    None,            // no journal of this board
    FoundNew,        // the file held the new text whole: kept
    FoundPrevious,   // the file was as before the write: kept
    PutPreviousBack, // the file was cut short: the previous file put back
    WroteNew,        // cut short, the previous file unknown: the new text written
    Failed,          // the board would not take it: the journal stays
    SetAside,        // the journal was not whole: renamed, the board untouched
};

// Looks for a journal of the board with this hardware address, makes the
// board's file whole from it (the file it already holds whole, else the
// previous one: the last file that was read back right), removes the journal
// once the file reads back as chosen, and tells the user. A board without a
// valid identity ("") matches no journal: any journals on the PC are named
// and left alone.
BootFileRecovery RecoverBootFile(int hBoard, const std::string& address);

// The path of a journal of this board that still has to be taken up, ""
// when there is none. While there is one, no write may change the file.
std::string PendingSettingsJournal(const std::string& address);
