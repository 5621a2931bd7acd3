// firmwaremessages.cpp - the message boxes of firmware maintenance.
#include "firmware/firmwaremessages.h"

#include "afx/afxwin.h"

void ShowFirmwareError(const char* text) {
    AfxMessageBox(text, MB_OK | MB_ICONHAND);
}

void ShowFirmwareErrorWith(const char* format, const char* name) {
    CString text;
    text.Format(format, name);
    ShowFirmwareError(text);
}

bool AskFirmwareQuestion(const char* question) {
    return AfxMessageBox(question, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}
