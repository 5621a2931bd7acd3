// bootfilemessages.cpp - the messages about the boot settings file.
#include "mainwnd/bootfilemessages.h"

#include "app/boardui.h"

void ShowBootFileWritten() {
    ShowBoardMessage(BoardMessage::Information, "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みに成功しました！");
}

void ShowBootFileWriteFailed() {
    ShowBoardMessage(BoardMessage::Error, "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みに失敗しました！");
}

void ShowBootFileReadFailed() {
    ShowBoardMessage(BoardMessage::Error, "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの読み出しに失敗しました。");
}

bool AskWriteOverUnreadBootFile() {
    return AskBoardQuestion("ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙが読み出せていません。\n"
                            "ボードの設定を上書きします。よろしいですか？");
}
