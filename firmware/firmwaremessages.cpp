// firmwaremessages.cpp - the messages of firmware maintenance.
#include "firmware/firmwaremessages.h"

#include "afx/afxwin.h"
#include "engine/boardhistory.h"
#include "engine/boardui.h"

void ShowFirmwareError(const char* text) {
    RecordBoardFailure(text);
    ShowBoardMessage(BoardMessage::Error, text);
}

void ShowFirmwareErrorWith(const char* format, const char* name) {
    CString text;
    text.Format(format, name);
    ShowFirmwareError(text);
}

bool AskFirmwareQuestion(const char* question) {
    return AskBoardQuestion(question);
}

void ShowFirmwareCompletion(const char* text) {
    ShowBoardMessage(BoardMessage::Completion, text);
}

void ShowRecoveryCompleted(const char* text) {
    RecordBoardChange("recovery record completed", kHistoryDone);
    ShowBoardMessage(BoardMessage::Information, text);
}

void ShowFirmwareWarningWith(const char* format, const char* name) {
    CString text;
    text.Format(format, name);
    ShowBoardMessage(BoardMessage::Warning, text);
}
