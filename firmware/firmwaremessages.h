// firmwaremessages.h - the messages of firmware maintenance: errors with the
// stop icon, questions where only OK goes ahead, and the two notices. They
// reach the person through the current face (engine/boardui.h); each error is
// also a line of the board history.
#pragma once

// Shows an error, OK with the stop icon.
void ShowFirmwareError(const char* text);
// Shows an error made from a "%s" format and one name or path.
void ShowFirmwareErrorWith(const char* format, const char* name);
// Asks an OK/Cancel question; true only when the user chose OK.
bool AskFirmwareQuestion(const char* question);
// The upgrade's completion notice, OK with the question icon.
void ShowFirmwareCompletion(const char* text);
// Tells that a recovery record was completed (information icon) and notes it
// in the board history.
void ShowRecoveryCompleted(const char* text);
// Warns, OK with the exclamation icon; the text made from a "%s" format and
// one name or path.
void ShowFirmwareWarningWith(const char* format, const char* name);
