// bootfilerecovery.cpp - the settings journal of a write, and taking it up
// at the next start.
#include "engine/bootfilerecovery.h"

#include "engine/boardhistory.h"
#include "engine/bootfilemessages.h"
#include "engine/settingsjournal.h"
#include "settings/rzscript.h"

#include <windows.h>

namespace {

constexpr int kBootFile = 0;

const char* RecoveryChange(BootFileRecovery recovery) {
    switch (recovery) {
        case BootFileRecovery::PutPreviousBack:
            return "boot settings put back from the journal";
        case BootFileRecovery::WroteNew:
            return "boot settings written from the journal";
        default:
            return "boot settings journal taken up";
    }
}

BootFileRecovery TakeUp(int hBoard, const SettingsJournal& journal) {
    CRZScript script;
    BootFileWrite file(script, hBoard, kBootFile);
    BootFileImage wanted;
    wanted.known = wanted.exists = true;
    wanted.bytes = journal.text;
    if (file.Holds(wanted))
        return BootFileRecovery::FoundNew;
    if (journal.previous.known && file.Holds(journal.previous))
        return BootFileRecovery::FoundPrevious;
    // Cut short: the previous file, as it was last read back, unless it was
    // never read; then the only whole file there is, the new one.
    if (journal.previous.known)
        return file.Restore(journal.previous) ? BootFileRecovery::PutPreviousBack
                                              : BootFileRecovery::Failed;
    return file.Restore(wanted) ? BootFileRecovery::WroteNew : BootFileRecovery::Failed;
}

} // namespace

bool PcSettingsJournal::Save(const BootFileImage& previous, const std::string& text) {
    SettingsJournal journal;
    journal.previous = previous;
    journal.text = text;
    return SaveSettingsJournal(m_address, journal);
}

void PcSettingsJournal::Remove() {
    RemoveSettingsJournal(m_address);
}

std::string PendingSettingsJournal(const std::string& address) {
    const std::string path = SettingsJournalPath(address);
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES ? path : "";
}

BootFileRecovery RecoverBootFile(int hBoard, const std::string& address) {
    if (address.empty()) {
        const std::vector<std::string> journals = FindSettingsJournals();
        if (!journals.empty())
            ShowSettingsJournalsUnmatched(journals);
        return BootFileRecovery::None;
    }
    const std::string path = PendingSettingsJournal(address);
    if (path.empty())
        return BootFileRecovery::None;
    SettingsJournal journal;
    if (!LoadSettingsJournal(path, journal)) {
        ShowBootFileRecovery(BootFileRecovery::SetAside, SetSettingsJournalAside(path));
        return BootFileRecovery::SetAside;
    }
    const BootFileRecovery recovery = TakeUp(hBoard, journal);
    const bool whole = recovery != BootFileRecovery::Failed;
    if (whole)
        RemoveSettingsJournal(address);
    RecordBoardChange(RecoveryChange(recovery), whole ? kHistoryDone : kHistoryFailed);
    ShowBootFileRecovery(recovery, path);
    return recovery;
}
