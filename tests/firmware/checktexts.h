// checktexts.h - the texts the firmware check shows, as the tests expect
// them (UTF-8).
#pragma once

namespace fwtest {

constexpr const char kIplQuestion[] =
    "ＩＰＬのアップグレードを行います。\nボード内で実行しているアプリケーションはすべて終了して"
    "下さい。\n準備はよろしいですか？";
constexpr const char kCommandQuestionShort[] =
    "コマンドファイルのアップグレードを行います。\n準備はよろしいですか？";
constexpr const char kCommandQuestionLong[] =
    "コマンドファイルのアップグレードを行います。\nボード内で実行しているアプリケーションはすべ"
    "て終了して下さい。\n準備はよろしいですか？";
constexpr const char kCompleted[] = "アップグレードが完了しました！";
constexpr const char kRomText[] = "ROMをアップグレードしています。";
constexpr const char kDeleting[] = "RZSYS.BIN を削除しています";
constexpr const char kCopying[] = "RZSYS.BIN をコピーしています";
constexpr const char kVersionFailed[] = "バージョン情報の取得に失敗しました。";
constexpr const char kBoardTypeFailed[] = "ボード品種情報の取得に失敗しました。";
constexpr const char kRomMismatch[] = "lm8boot.rom ファイルがボードと一致しません！";
constexpr const char kCommandMismatch[] = "RZSYS.BIN ファイルがボードと一致しません";
constexpr const char kProgramFailed[] = "プログラムの書き込みに失敗しました。";
constexpr const char kWriteBackFailed[] = "製品固有データ書き込み時　FLASHライトに失敗しました。";
constexpr const char kRepairFailed[] = "製品固有データライト時　FLASHライトに失敗しました。";
constexpr const char kRecordNotSaved[] = "製品固有データライト時　復旧データの保存に失敗しました。";
constexpr const char kRecoveryDone[] = "前回中断したフラッシュメモリの書き込みを完了しました。";
constexpr const char kRecoveryAskPrefix[] =
    "前回中断したフラッシュメモリの書き込みが残っています。\nMACアドレス ";
constexpr const char kRecoveryAskSuffix[] =
    " のボードのデータです。\nこのボードのMACアドレスは FF-FF-FF-FF-FF-FF です。\nこのボードに書き"
    "込みますか？";
constexpr const char kRecoveryOtherPrefix[] = "このボードと一致しない復旧データがあります。\n";
constexpr const char kRecoveryOtherSuffix[] = "\nに保存されています。";
constexpr const char kDeleteFailed[] = "RZSYS.BIN の削除に失敗しました";
constexpr const char kCopyFailed[] = "RZSYS.BIN のコピーに失敗しました";
constexpr const char kCommandUnfinished[] =
    "前回中断したRZSYS.BINの書き込みが完了していません。\nもう一度書き込みます。";

constexpr const char kPdReadOpen[] =
    "製品固有データリード時　SPIフラッシュオープンに失敗しました。";
constexpr const char kPdReadRead[] = "製品固有データリード時　SPIフラッシュリードに失敗しました。";
constexpr const char kPdReadClose[] =
    "製品固有データリード時　SPIフラッシュクローズに失敗しました。";
constexpr const char kPdWork[] = "製品固有データライト時　ワークメモリ確保に失敗しました。";
constexpr const char kPdFlashRead[] = "製品固有データライト時　FLASHリードに失敗しました。";
constexpr const char kPdFlashErase[] = "製品固有データライト時　FLASHセクタ消去に失敗しました。";
constexpr const char kPdFlashWrite[] = "製品固有データライト時　FLASHセクタライトに失敗しました。";
constexpr const char kPdSpiOpen[] = "製品固有データライト時　SPIフラッシュオープンに失敗しました。";
constexpr const char kPdSpiRead[] = "製品固有データライト時　SPIフラッシュリードに失敗しました。";
constexpr const char kPdSpiErase[] = "製品固有データライト時　SPIフラッシュ消去に失敗しました。";
constexpr const char kPdSpiWrite[] = "製品固有データライト時　SPIフラッシュライトに失敗しました。";
constexpr const char kPdSpiClose[] =
    "製品固有データライト時　SPIフラッシュクローズに失敗しました。";

constexpr const char kSpiOpen[] = "SPIブートファイル更新時　SPIフラッシュオープンに失敗しました。";
constexpr const char kSpiRead[] = "SPIブートファイル更新時　SPIフラッシュリードに失敗しました。";
constexpr const char kSpiErase[] = "SPIブートファイル更新時　SPIフラッシュ消去に失敗しました。";
constexpr const char kSpiWrite[] = "SPIブートファイル更新時　SPIフラッシュライトに失敗しました。";
constexpr const char kSpiWork[] = "SPIブートファイル更新時　ワークメモリ確保に失敗しました。";
// "%s のオープンに失敗しました。" and the size refusal, with a path.
constexpr const char kOpenFailedSuffix[] = " のオープンに失敗しました。";
constexpr const char kTooLargePrefix[] = "SPIブートファイル更新時　";
constexpr const char kTooLargeSuffix[] = " のサイズが書き込み領域を超えています。";

} // namespace fwtest
