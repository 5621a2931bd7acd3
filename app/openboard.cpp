// openboard.cpp - finding and opening the board at start-up.
#include "app/tarnelapp.h"

#include "engine/boardoperations.h"
#include "engine/bootfilerecovery.h"
#include "engine/settingsjournal.h"

BOOL CTarnelApp::OpenBoard() {
    switch (OpenBoardLocked(-1, m_boardLock, m_nBoardNo, m_hBoard)) {
        case BoardOpenResult::Opened:
            return TRUE;
        case BoardOpenResult::InUse: {
            // One tool at a time on a board: the one that has it comes forward.
            m_bBoardInUse = TRUE;
            const int boardNo = m_nBoardNo;
            m_boardThread.CallOnWindowThread([boardNo] { BoardLock::ActivateHolder(boardNo); });
            return FALSE;
        }
        case BoardOpenResult::Failed:
            break;
    }
    return FALSE;
}

void CTarnelApp::CheckAndUpgradeFirmware() {
    m_bFlashWriteUnfinished = CheckBoardFirmware(m_hBoard, m_bBoardUpdated).unfinished;
}

void CTarnelApp::TakeUpSettingsJournal() {
    if (FindSettingsJournals().empty())
        return;
    m_hardwareAddress = LearnHardwareAddress(m_hBoard);
    RecoverBootFile(m_hBoard, m_hardwareAddress);
}
