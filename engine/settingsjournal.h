// settingsjournal.h - the journal of a boot settings write, kept on the PC
// from before the board's file is opened for writing (which empties it)
// until the file reads back right. A start after a lost connection, a killed
// process or a power cut finds it and makes the file whole again.
//
// One file per board, named by its hardware address, beside the firmware's
// recovery records: <local application data>\Tarnel2\Recovery\<MAC>.ini.journal.
// It is written to a temporary name, flushed and renamed, and carries its
// lengths and a checksum over all of it, so a file under its own name that
// loads is whole.
#pragma once

#include "settings/bootfilewrite.h"

#include <string>
#include <vector>

struct SettingsJournal {
    BootFileImage previous; // the file before the write (known false: unread)
    std::string text;       // what the write puts in its place
};

// The journal's file for a hardware address ("00-80-4C-12-34-56"); "" when
// the address is empty or the folder is unknown.
std::string SettingsJournalPath(const std::string& address);
// Saves the journal, replacing any of the same board; false when it could
// not be written whole.
bool SaveSettingsJournal(const std::string& address, const SettingsJournal& journal);
// Reads a journal file; false when there is none or it is not whole.
bool LoadSettingsJournal(const std::string& path, SettingsJournal& journal);
void RemoveSettingsJournal(const std::string& address);
// The journal files on this PC, of any board.
std::vector<std::string> FindSettingsJournals();
// Renames a journal that does not load so it is no longer taken up but kept
// for support; the new path, or "" when it could not be renamed.
std::string SetSettingsJournalAside(const std::string& path);
