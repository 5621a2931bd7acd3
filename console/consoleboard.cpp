// consoleboard.cpp - opening and closing the board for one command.
#include "console/consoleboard.h"

#include "app/boardhistory.h"
#include "app/tarnelapp.h"
#include "boardlib/lm800mul.h"
#include "console/consoletext.h"
#include "firmware/firmwarecheck.h"
#include "firmware/firmwarehistory.h"
#include "firmware/productdata.h"

#include <cstring>

ConsoleBoard::~ConsoleBoard() {
    if (m_hBoard != 0)
        CloseIPDev(m_hBoard);
    m_lock.Release();
}

int ConsoleBoard::Open(int boardNo) {
    unsigned char enumBuffer[1024];
    std::memset(enumBuffer, 0, sizeof(enumBuffer));
    DisableIPErrorMessage();
    DisableIPErrorSkip();
    if (EnumAttachIPDev(enumBuffer) == 0) {
        PrintText(ConsoleStream::Err,
                  std::string("[ EnumAttachIPDev ]\n") + EnumErrorReason(GetIPLastError()) + "\n");
        return kExitFailed;
    }
    m_nBoardNo = boardNo;
    if (boardNo < 0)
        std::memcpy(&m_nBoardNo, enumBuffer, sizeof(m_nBoardNo));
    SetHistoryBoard(m_nBoardNo);
    if (!m_lock.Acquire(m_nBoardNo)) {
        PrintText(ConsoleStream::Err,
                  "ボード " + std::to_string(m_nBoardNo) + " は他のツールが使用中です。\n");
        return kExitInUse;
    }
    m_hBoard = OpenIPDev(m_nBoardNo, 0);
    if (m_hBoard == 0) {
        PrintText(ConsoleStream::Err,
                  std::string("[ OpenIPDev ]\n") + OpenErrorReason(GetIPLastError()) + "\n");
        return kExitFailed;
    }
    return kExitDone;
}

std::string ConsoleBoard::LearnHardwareAddress() {
    FirmwareVersionInfo version = {};
    if (GetIPVersionInfo(m_hBoard, version.bytes) != 0)
        return "";
    ReconcileProductData copies(m_hBoard, version.BoardType());
    copies.ReadCopies();
    NoteHardwareAddress(copies);
    return HardwareAddressOf(copies);
}
