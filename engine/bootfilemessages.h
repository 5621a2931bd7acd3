// bootfilemessages.h - the message boxes about the board's boot settings
// file: the result of Write, a read that failed, and the question before a
// Write replaces a file that could not be read.
#pragma once

#include <string>
#include <vector>

// Write succeeded (information icon) or failed (stop icon).
void ShowBootFileWritten();
void ShowBootFileWriteFailed();
// After a failed Write: what the board's file now holds.
enum class BootFileHolds;
void ShowBootFileHoldsAfterFailure(BootFileHolds holds);
// Shown on Exit instead of the reset question while a main-flash write of
// the start-up firmware check is not verified.
void ShowFlashWriteUnfinishedOnExit();
// Shown instead of a reset when the board would not boot: `what` says what is
// unfinished, then not to reset or power off and to start the tool again.
void ShowResetHeldBack(const char* what);
// What a reset is held back for after a Write left the file empty or unknown.
extern const char kBootFileUnfinished[];
// The file exists but could not be opened or read (stop icon).
void ShowBootFileReadFailed();
// Asks before a Write replaces a file that could not be read; true only when
// the user chose OK.
bool AskWriteOverUnreadBootFile();

// --- The settings journal ---

// Why a Write wrote nothing: the journal could not be saved (`folder` is
// where it was to go), the board has no identity to name it by, or a journal
// of an earlier write is still pending (`path`).
void ShowSettingsJournalNotSaved(const std::string& folder);
void ShowSettingsJournalNoIdentity();
void ShowSettingsJournalPending(const std::string& path);
// What a start did with a journal it found for this board.
enum class BootFileRecovery;
void ShowBootFileRecovery(BootFileRecovery recovery, const std::string& path);
// Journals on this PC that cannot be matched with a board that has no
// valid identity; they are left where they are.
void ShowSettingsJournalsUnmatched(const std::vector<std::string>& paths);
