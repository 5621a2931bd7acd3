// bootfilemessages.cpp - the messages about the boot settings file.
#include "engine/bootfilemessages.h"

#include "engine/boardui.h"
#include "engine/bootfilerecovery.h"
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

void ShowSettingsJournalNotSaved(const std::string& folder) {
    const std::string text = "書き込み前のｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙをPCに保存できませんでした。\n"
                             "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙには書き込みませんでした。\n保存先: " +
                             folder;
    ShowBoardMessage(BoardMessage::Error, text.c_str());
}

void ShowSettingsJournalNoIdentity() {
    ShowBoardMessage(BoardMessage::Error,
                     "ボードの製品固有データが読み出せないか正しくないため、"
                     "書き込み前のｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙを"
                     "このボードのものとしてPCに保存できません。\n"
                     "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙには書き込みませんでした。\n"
                     "ファームウェアの確認で製品固有データを修復してから書き込んで下さい。");
}

void ShowSettingsJournalPending(const std::string& path) {
    const std::string text = "中断したｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みがまだ元に戻っていません。\n"
                             "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙには書き込みませんでした。\n"
                             "ボードをリセットせずに、Tarnel2を再起動して下さい。\n記録: " +
                             path;
    ShowBoardMessage(BoardMessage::Error, text.c_str());
}

void ShowBootFileRecovery(BootFileRecovery recovery, const std::string& path) {
    const char* const kCut = "前回のｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みは途中で中断されていました。\n";
    std::string text = kCut;
    BoardMessage kind = BoardMessage::Warning;
    switch (recovery) {
        case BootFileRecovery::None:
            return;
        case BootFileRecovery::FoundNew:
            text += "ボードには新しい設定がすべて書き込まれていたため、そのままにしました。";
            kind = BoardMessage::Information;
            break;
        case BootFileRecovery::FoundPrevious:
            text += "ボードのｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙは書き込み前のままでした。\n"
                    "設定を確かめて、書き込みをやり直して下さい。";
            break;
        case BootFileRecovery::PutPreviousBack:
            text += "書き込み途中のｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙを、PCに保存しておいた書き込み前の内容に"
                    "戻しました。\n設定を確かめて、書き込みをやり直して下さい。";
            break;
        case BootFileRecovery::WroteNew:
            text += "書き込み前の内容は読み出せていなかったため、"
                    "PCに保存しておいた新しい設定を書き込みました。";
            break;
        case BootFileRecovery::Failed:
            text += "PCに保存しておいた内容でｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙを元に戻せませんでした。\n"
                    "ボードをリセットせずに、Tarnel2を再起動して下さい。\n記録: " +
                    path;
            kind = BoardMessage::Error;
            break;
        case BootFileRecovery::SetAside:
            text = "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みの記録が壊れているため使いません。\n"
                   "ボードのｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙを確かめて下さい。記録は次の名前で残しました: " +
                   path;
            break;
    }
    ShowBoardMessage(kind, text.c_str());
}

void ShowSettingsJournalsUnmatched(const std::vector<std::string>& paths) {
    std::string text = "ボードの製品固有データが読み出せないか正しくないため、PCに残っている"
                       "ｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙの書き込みの記録がこのボードのものか分かりません。\n"
                       "記録はそのまま残します:";
    for (const std::string& path : paths)
        text += "\n" + path;
    ShowBoardMessage(BoardMessage::Warning, text.c_str());
}
