// firmwaremessages.h - the message boxes of firmware maintenance: errors with
// the stop icon, and questions where only OK goes ahead.
#pragma once

// Shows an error, OK with the stop icon.
void ShowFirmwareError(const char* text);
// Shows an error made from a "%s" format and one name or path.
void ShowFirmwareErrorWith(const char* format, const char* name);
// Asks an OK/Cancel question; true only when the user chose OK.
bool AskFirmwareQuestion(const char* question);
