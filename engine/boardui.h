// boardui.h - how the board engine (the firmware check, the settings read and
// write, the clock and the reset) reaches a person: every message, question
// and progress report goes through one small interface, and the value
// returned is the button pressed. The dialog program shows message boxes and
// the progress window; the console program prints and answers from its
// flags. Pauses stay in the engine.
#pragma once

// What a message is, which also tells a face how to show it.
enum class BoardMessage {
    Error,       // OK with the stop icon
    Information, // OK with the information icon
    Warning,     // OK with the exclamation icon
    Completion,  // OK with the question icon (the upgrade's completion notice)
    Plain,       // OK without an icon
    Question,    // OK and Cancel with the question icon; only OK goes ahead
};

// The answers a face gives: the dialog's IDOK and IDCANCEL.
constexpr int kBoardAnswerOk = 1;
constexpr int kBoardAnswerCancel = 2;

class BoardUi {
public:
    virtual ~BoardUi() = default;

    // Shows a message or asks a question (text in code page 932); returns
    // the button pressed.
    virtual int Message(BoardMessage kind, const char* text) = 0;
    // Asks whether a recovery record may give this board the identity it
    // holds, on a board that has no valid copy of its own; the question
    // names both hardware addresses ("00-80-4C-12-34-56"). An answer to the
    // upgrade's questions is no answer to this one, so a face may answer it
    // otherwise; by default it is asked like any question.
    virtual int ConfirmIdentity(const char* question, const char* recordAddress,
                                const char* boardAddress) {
        (void)recordAddress;
        (void)boardAddress;
        return Message(BoardMessage::Question, question);
    }
    // The progress of an upgrade: opened at most once per check, then a line
    // of text and steps of the bar, then closed.
    virtual void ProgressOpen() = 0;
    virtual void ProgressText(const char* text) = 0;
    virtual void ProgressStep(int count) = 0;
    virtual void ProgressRefresh() = 0;
    virtual void ProgressClose() = 0;
};

// The face the engine talks to now. Until a program installs its face, a
// silent one answers Cancel, since nobody can answer.
BoardUi& CurrentBoardUi();
// Installs a face (null: back to the silent one). The face outlives its use.
void SetBoardUi(BoardUi* ui);

// The engine's shorthand: a message, and a question that is true only for OK.
inline int ShowBoardMessage(BoardMessage kind, const char* text) {
    return CurrentBoardUi().Message(kind, text);
}
inline bool AskBoardQuestion(const char* text) {
    return CurrentBoardUi().Message(BoardMessage::Question, text) == kBoardAnswerOk;
}
