// bootfilemessages.h - the message boxes about the board's boot settings
// file: the result of Write, a read that failed, and the question before a
// Write replaces a file that could not be read.
#pragma once

// Write succeeded (information icon) or failed (stop icon).
void ShowBootFileWritten();
void ShowBootFileWriteFailed();
// After a failed Write: what the board's file now holds.
enum class BootFileHolds;
void ShowBootFileHoldsAfterFailure(BootFileHolds holds);
// Shown on Exit instead of the reset question while a main-flash write of
// the start-up firmware check is not verified.
void ShowFlashWriteUnfinishedOnExit();
// The file exists but could not be opened or read (stop icon).
void ShowBootFileReadFailed();
// Asks before a Write replaces a file that could not be read; true only when
// the user chose OK.
bool AskWriteOverUnreadBootFile();
