// consoleui.cpp - messages, questions and progress as console text.
#include "console/consoleui.h"

#include "console/consoletext.h"

#include <cctype>
#include <cstdio>

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

int ConsoleBoardUi::ConfirmIdentity(const char* question, const char* recordAddress,
                                    const char* boardAddress) {
    PrintText(ConsoleStream::Err, std::string(question) + "\n");
    (void)boardAddress;
    if (!m_recordToApply.empty() && m_recordToApply == recordAddress) {
        PrintText(ConsoleStream::Err, "-> OK (--apply-record)\n");
        return kBoardAnswerOk;
    }
    // An answer to the upgrade's questions is no answer to this one.
    std::string why = "-> キャンセル: ";
    if (m_recordToApply.empty())
        why += "この復旧データを書き込むには --apply-record ";
    else
        why += "--apply-record の " + m_recordToApply + " は復旧データの " + recordAddress +
               " と一致しません。書き込むには --apply-record ";
    PrintText(ConsoleStream::Err, why + recordAddress + " を指定してください。\n");
    m_declined = true;
    return kBoardAnswerCancel;
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

std::string NormalizeHardwareAddress(const std::string& text) {
    if (text.size() != 17)
        return "";
    std::string address;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (i % 3 == 2) {
            if (c != '-' && c != ':')
                return "";
            address += '-';
        } else {
            if (!std::isxdigit(c))
                return "";
            address += static_cast<char>(std::toupper(c));
        }
    }
    return address;
}
