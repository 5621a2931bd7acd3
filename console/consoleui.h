// consoleui.h - the console program's face of the board engine: messages and
// progress as lines on stderr, questions answered from the command line
// (--yes, --no), from the person at the console, or with Cancel when nobody
// can answer.
#pragma once

#include "app/boardui.h"

enum class ConsoleAnswer { Yes, No, Ask };

class ConsoleBoardUi : public BoardUi {
public:
    explicit ConsoleBoardUi(ConsoleAnswer answer) : m_answer(answer) {}

    int Message(BoardMessage kind, const char* text) override;
    void ProgressOpen() override;
    void ProgressText(const char* text) override;
    void ProgressStep(int count) override;
    void ProgressRefresh() override {}
    void ProgressClose() override {}

    int Errors() const { return m_errors; }
    bool Declined() const { return m_declined; }

private:
    int Answer();

    ConsoleAnswer m_answer;
    int m_errors = 0;
    bool m_declined = false;
    int m_percent = 0;
};
