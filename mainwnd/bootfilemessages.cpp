// bootfilemessages.cpp - the message boxes about the boot settings file.
#include "mainwnd/bootfilemessages.h"

#include "afx/afxwin.h"

void ShowBootFileWritten() {
    AfxMessageBox("ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みに成功しました！", MB_OK | MB_ICONINFORMATION);
}

void ShowBootFileWriteFailed() {
    AfxMessageBox("ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みに失敗しました！", MB_OK | MB_ICONHAND);
}

void ShowBootFileReadFailed() {
    AfxMessageBox("ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの読み出しに失敗しました。", MB_OK | MB_ICONHAND);
}

bool AskWriteOverUnreadBootFile() {
    return AfxMessageBox("ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙが読み出せていません。\n"
                         "ボードの設定を上書きします。よろしいですか？",
                         MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}
