// consoleui.cpp - messages, questions and progress as console text.
#include "console/consoleui.h"

#include "console/consoletext.h"

#include <cstdio>
#include <string>

namespace {

constexpr int kBarStep = 25; // the progress window's step, in percent

} // namespace

int ConsoleBoardUi::Message(BoardMessage kind, const char* text) {
    if (kind == BoardMessage::Error) {
        ++m_errors;
        PrintText(ConsoleStream::Err, std::string("エラー: ") + text + "\n");
        return kBoardAnswerOk;
    }
    PrintText(ConsoleStream::Err, std::string(text) + "\n");
    if (kind != BoardMessage::Question)
        return kBoardAnswerOk;
    const int answer = Answer();
    if (answer != kBoardAnswerOk)
        m_declined = true;
    PrintText(ConsoleStream::Err, answer == kBoardAnswerOk ? "-> OK\n" : "-> キャンセル\n");
    return answer;
}

int ConsoleBoardUi::Answer() {
    if (m_answer == ConsoleAnswer::Yes)
        return kBoardAnswerOk;
    if (m_answer == ConsoleAnswer::No || !StdinIsConsole())
        return kBoardAnswerCancel;
    PrintText(ConsoleStream::Err, "OK で続ける場合は y を入力してください [y/N]: ");
    const std::string line = ReadConsoleLine();
    return (line == "y" || line == "Y" || line == "yes") ? kBoardAnswerOk : kBoardAnswerCancel;
}

void ConsoleBoardUi::ProgressOpen() {
    m_percent = 0;
}

void ConsoleBoardUi::ProgressText(const char* text) {
    char percent[16];
    std::snprintf(percent, sizeof(percent), "[%3d%%] ", m_percent);
    PrintText(ConsoleStream::Err, std::string(percent) + text + "\n");
}

void ConsoleBoardUi::ProgressStep(int count) {
    m_percent += kBarStep * count;
    if (m_percent > 100)
        m_percent = 100;
}
