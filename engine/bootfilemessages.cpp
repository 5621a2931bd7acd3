// bootfilemessages.cpp - the messages about the boot settings file.
#include "engine/bootfilemessages.h"

#include "engine/boardui.h"
#include "settings/bootfilewrite.h"

#include <string>

void ShowBootFileWritten() {
    ShowBoardMessage(BoardMessage::Information, "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みに成功しました！");
}

void ShowBootFileWriteFailed() {
    ShowBoardMessage(BoardMessage::Error, "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みに失敗しました！");
}

void ShowBootFileHoldsAfterFailure(BootFileHolds holds) {
    const char* text = "ボードのｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの内容を確認できません。\n書き込みをやり直して下さい。";
    BoardMessage kind = BoardMessage::Error;
    switch (holds) {
        case BootFileHolds::Previous:
            text = "ボードのｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙは書き込み前のままです。";
            kind = BoardMessage::Information;
            break;
        case BootFileHolds::NewSettings:
            text = "ボードのｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙには今回の設定が書き込まれています。";
            kind = BoardMessage::Information;
            break;
        case BootFileHolds::Empty:
            text = "ボードのｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙは空になっています。\n"
                   "書き込みをやり直すまでボードをリセットしないで下さい。";
            break;
        case BootFileHolds::Unknown:
            break;
    }
    ShowBoardMessage(kind, text);
}

void ShowBootFileReadFailed() {
    ShowBoardMessage(BoardMessage::Error, "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの読み出しに失敗しました。");
}

bool AskWriteOverUnreadBootFile() {
    return AskBoardQuestion("ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙが読み出せていません。\n"
                            "ボードの設定を上書きします。よろしいですか？");
}

const char kBootFileUnfinished[] = "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みが完了していません。";

void ShowResetHeldBack(const char* what) {
    const std::string text = std::string(what) +
                             "\nボードのリセットや電源の切断はしないで下さい。\n"
                             "Tarnel2を再起動して書き込みを完了して下さい。";
    ShowBoardMessage(BoardMessage::Warning, text.c_str());
}

void ShowFlashWriteUnfinishedOnExit() {
    ShowBoardMessage(BoardMessage::Warning, "ﾌﾗｯｼｭﾒﾓﾘの書き込みが完了していません。\n"
                                            "ボードのリセットや電源の切断はしないで下さい。\n"
                                            "Tarnel2を再起動して書き込みを完了して下さい。");
}
