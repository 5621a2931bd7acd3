// consoleboard.cpp - opening and closing the board for one command.
#include "console/consoleboard.h"

#include "console/consoletext.h"
#include "engine/boardoperations.h"

ConsoleBoard::~ConsoleBoard() {
    CloseBoardLocked(m_hBoard, m_lock);
}

int ConsoleBoard::Open(int boardNo) {
    switch (OpenBoardLocked(boardNo, m_lock, m_nBoardNo, m_hBoard)) {
        case BoardOpenResult::Opened:
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
    if (opened == kExitDone)
        m_address = LearnHardwareAddress(m_hBoard);
    return opened;
}
