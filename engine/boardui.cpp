// boardui.cpp - the face the engine talks to.
#include "engine/boardui.h"

namespace {

// Nobody to show anything to, nobody to answer.
class SilentBoardUi : public BoardUi {
public:
    int Message(BoardMessage, const char*) override { return kBoardAnswerCancel; }
    void ProgressOpen() override {}
    void ProgressText(const char*) override {}
    void ProgressStep(int) override {}
    void ProgressRefresh() override {}
    void ProgressClose() override {}
};

SilentBoardUi s_silent;
BoardUi* s_current = &s_silent;

} // namespace

BoardUi& CurrentBoardUi() {
    return *s_current;
}

void SetBoardUi(BoardUi* ui) {
    s_current = ui != nullptr ? ui : &s_silent;
}
