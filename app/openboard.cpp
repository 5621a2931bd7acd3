// openboard.cpp - finding and opening the board, with the Japanese reason for
// each library error code.
#include "app/tarnelapp.h"

#include "app/boardhistory.h"
#include "boardlib/lm800mul.h"

#include <cstring>
#include <string>

namespace {

struct ErrorReason {
    int code;
    const char* text;
};

const char kDriverError[] = "ドライバでエラーが発生しました";

// After EnumAttachIPDev.
const ErrorReason kEnumReasons[] = {
    {0x20102, "ＲＺユニットを認識できませんでした"},
    {0x20103, "オープンコマンドがドライバ内で異常終了しました"},
    {0x20104, "ボード枚数の読み出しに失敗しました"},
    {0x20105, "ボード番号の読み出しに失敗しました"},
    {0x20106, "同じボード番号が設定されています"},
    {0x20203, "DLLでエラーが発生しました"},
};

// After OpenIPDev: the same code can mean something else here.
const ErrorReason kOpenReasons[] = {
    {0x20101, "パラメータエラーが発生しました"},
    {0x20102, "ドライバがインストールされていないか動作していません"},
    {0x20103, "オープンコマンドがドライバ内で異常終了しました"},
    {0x20104, "ボード枚数の読み出しに失敗しました"},
    {0x20105, "ボード番号の読み出しに失敗しました"},
    {0x20106, "同じボード番号が設定されています"},
    {0x20107, "ドライバを動作させるリソースが不足しています"},
    {0x20108, "ドライバでエラーが発生しました"},
    {0x20109, "コマンドポートのオープンに失敗しました"},
    {0x2010A, "ファイルオープンエラーが発生しました"},
    {0x2010B, "ファイルアクセスに失敗しました"},
    {0x2010C, "ファイルタイプエラーが発生しました\n( ファイルサイズ < 256B ）"},
    {0x2010D, "メモリ確保に失敗しました"},
    {0x2010E, "オンボードシステムを起動できませんでした"},
    {0x2010F, "ファイルがボードに対応していません"},
    {0x20203, "DLLでエラーが発生しました"},
};

template <size_t N> const char* FindReason(const ErrorReason (&table)[N], int code) {
    for (const ErrorReason& reason : table) {
        if (reason.code == code)
            return reason.text;
    }
    return kDriverError;
}

} // namespace

const char* EnumErrorReason(int code) {
    return FindReason(kEnumReasons, code);
}
const char* OpenErrorReason(int code) {
    return FindReason(kOpenReasons, code);
}

BOOL CTarnelApp::OpenBoard() {
    unsigned char enumBuffer[1024];
    std::memset(enumBuffer, 0, sizeof(enumBuffer));

    DisableIPErrorMessage();
    DisableIPErrorSkip();

    std::string message;
    if (EnumAttachIPDev(enumBuffer) != 0) {
        int boardNo = 0;
        std::memcpy(&boardNo, enumBuffer, sizeof(boardNo));
        m_nBoardNo = boardNo;
        SetHistoryBoard(m_nBoardNo);
        // One tool at a time on a board: the one that has it comes forward.
        if (!m_boardLock.Acquire(m_nBoardNo)) {
            m_bBoardInUse = TRUE;
            const int boardNo = m_nBoardNo;
            m_boardThread.CallOnWindowThread([boardNo] { BoardLock::ActivateHolder(boardNo); });
            return FALSE;
        }
        m_hBoard = OpenIPDev(m_nBoardNo, 0);
        if (m_hBoard != 0)
            return TRUE;
        message = "[ OpenIPDev ]\n";
        message += OpenErrorReason(GetIPLastError());
    } else {
        message = "[ EnumAttachIPDev ]\n";
        message += EnumErrorReason(GetIPLastError());
    }
    m_boardThread.CallOnWindowThread(
        [&message] { AfxMessageBox(message.c_str(), MB_OK | MB_ICONHAND); });
    return FALSE;
}
