// consoleboard.cpp - opening and closing the board for one command.
#include "console/consoleboard.h"

#include "console/consoletext.h"
#include "engine/boardoperations.h"
#include "engine/bootfilerecovery.h"
#include "engine/settingsjournal.h"

ConsoleBoard::~ConsoleBoard() {
    CloseBoardLocked(m_hBoard, m_lock);
}

int ConsoleBoard::Open(int boardNo) {
    switch (OpenBoardLocked(boardNo, m_lock, m_nBoardNo, m_hBoard)) {
        case BoardOpenResult::Opened:
            TakeUpSettingsJournal();
            return kExitDone;
        case BoardOpenResult::InUse:
            PrintText(ConsoleStream::Err,
                      "ボード " + std::to_string(m_nBoardNo) + " は他のツールが使用中です。\n");
            return kExitInUse;
        case BoardOpenResult::Failed:
            break;
    }
    return kExitFailed;
}

int ConsoleBoard::OpenForChange(int boardNo) {
    const int opened = Open(boardNo);
    if (opened == kExitDone && !m_addressLearnt)
        LearnAddress();
    return opened;
}

void ConsoleBoard::LearnAddress() {
    m_address = LearnHardwareAddress(m_hBoard);
    m_addressLearnt = true;
}

void ConsoleBoard::TakeUpSettingsJournal() {
    // Every command starts by making whole a settings write an earlier run
    // left cut short; the board is only asked for its identity when there is
    // a journal on the PC at all.
    if (FindSettingsJournals().empty())
        return;
    LearnAddress();
    RecoverBootFile(m_hBoard, m_address);
}
