// dialogboardui.h - the dialog program's face of the board engine: message
// boxes with the executable's name as caption, and the upgrade progress
// window of the application object.
#pragma once

#include "engine/boardui.h"

class DialogBoardUi : public BoardUi {
public:
    int Message(BoardMessage kind, const char* text) override;
    // The progress window is made from theApp.m_pFlashChanger; every call is
    // harmless when there is no such object or no window.
    void ProgressOpen() override;
    void ProgressText(const char* text) override;
    void ProgressStep(int count) override;
    void ProgressRefresh() override;
    void ProgressClose() override;
};
