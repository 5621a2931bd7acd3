// consoleui.h - the console program's face of the board engine: messages and
// progress as lines on stderr, questions answered from the command line
// (--yes, --no), from the person at the console, or with Cancel when nobody
// can answer. An identity from a recovery record is given to a board only
// when the command line names the hardware address it expects.
#pragma once

#include "engine/boardui.h"

#include <string>

enum class ConsoleAnswer { Yes, No, Ask };

class ConsoleBoardUi : public BoardUi {
public:
    ConsoleBoardUi() = default;

    void SetAnswer(ConsoleAnswer answer) { m_answer = answer; }
    // "00-80-4C-12-34-56": the one record identity that may be applied.
    void SetRecordToApply(const std::string& address) { m_recordToApply = address; }

    int Message(BoardMessage kind, const char* text) override;
    int ConfirmIdentity(const char* question, const char* recordAddress,
                        const char* boardAddress) override;
    void ProgressOpen() override;
    void ProgressText(const char* text) override;
    void ProgressStep(int count) override;
    void ProgressRefresh() override {}
    void ProgressClose() override {}

    int Errors() const { return m_errors; }
    bool Declined() const { return m_declined; }

private:
    int Answer();

    ConsoleAnswer m_answer = ConsoleAnswer::Ask;
    std::string m_recordToApply;
    int m_errors = 0;
    bool m_declined = false;
    int m_percent = 0;
};

// "00-80-4c-12-34-56" or "00:80:4C:12:34:56" as "00-80-4C-12-34-56"; "" when
// the text is no hardware address.
std::string NormalizeHardwareAddress(const std::string& text);
