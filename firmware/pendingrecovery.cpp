// pendingrecovery.cpp - completing the recovery records left on this PC.
#include "firmware/pendingrecovery.h"

#include "afx/afxwin.h"
#include "boardlib/lm800mul.h"
#include "engine/boardui.h"
#include "firmware/firmwarememory.h"
#include "firmware/firmwaremessages.h"
#include "firmware/flashwrite.h"
#include "firmware/recoveryrecord.h"
#include "firmware/unfinishedwrites.h"

#include <cstring>

const char kRecoveryCompleted[] = "前回中断したフラッシュメモリの書き込みを完了しました。";
const char kRecoveryProductDataCompleted[] =
    "前回中断したフラッシュメモリの書き込みのうち、製品固有データの書き込みを完了しました。";
const char kRecoveryConfirmFormat[] =
    "前回中断したフラッシュメモリの書き込みが残っています。\nMACアドレス %s "
    "のボードのデータです。\nこのボードのMACアドレスは %s です。\nこのボードに書き込みますか？";
const char kRecoveryOtherBoardFormat[] =
    "このボードと一致しない復旧データがあります。\n%s\nに保存されています。";
const char kRecoveryUnreadableFormat[] = "復旧データ %s を読み込めませんでした。";
const char kRecoverySetAsideFormat[] =
    "前回中断したフラッシュメモリの書き込みは、その後ボードが変更されているため行いませんでした"
    "。\n復旧データは\n%s\nに保管しました。";

namespace {

enum class Applied { Nothing, Written, Failed, SetAside, BootRomBlank };

Applied SetAside(const RecoveryRecord& record) {
    const std::string aside = SetRecordAside(record);
    ShowFirmwareWarningWith(kRecoverySetAsideFormat,
                            aside.empty() ? record.path.c_str() : aside.c_str());
    return Applied::SetAside;
}

// Completes the record's write when the board is as that write can leave it.
Applied ApplyRecord(int hBoard, const RecoveryRecord& record) {
    BYTE* current = static_cast<BYTE*>(FirmwareAllocate(kMainSectorSize));
    if (current == nullptr) {
        ShowFirmwareError("製品固有データライト時　ワークメモリ確保に失敗しました。");
        return Applied::Failed;
    }
    Applied applied = Applied::Failed;
    if (fmReadDataBuffer(hBoard, current, record.TargetAddress(),
                         static_cast<int>(record.TargetSize() / 2)) == 0) {
        switch (CompareWithRecord(record, current)) {
            case RecordState::Done:
                RemoveLoadedRecord(record);
                applied = Applied::Nothing;
                break;
            case RecordState::Changed:
                applied = SetAside(record);
                break;
            case RecordState::Completable:
                if (record.HasImage()) {
                    if (WriteMainSectorSafely(hBoard, record, current) == 0)
                        applied = Applied::Written;
                } else {
                    const int result =
                        WriteFlashProductData(hBoard, record.identity.bytes, record.productAddress,
                                              kProductDataSize, record.boardType);
                    if (result == 0)
                        applied = Applied::Written;
                    else if (result == kBootRomHeadBlank)
                        applied = Applied::BootRomBlank;
                }
                break;
        }
    }
    FirmwareFree(current);
    if (applied == Applied::Written)
        RemoveLoadedRecord(record);
    if (applied == Applied::Failed)
        ShowFirmwareError("製品固有データ書き込み時　FLASHライトに失敗しました。");
    return applied;
}

bool BootRomTorn(int hBoard, DWORD boardType, const ProductData& identity) {
    for (const UnfinishedWrite& write : LoadUnfinishedWrites(identity)) {
        if (write.region != WriteRegion::BootRom)
            continue;
        const RegionState state = ReadRegionState(hBoard, boardType, write);
        if (state != RegionState::New && state != RegionState::Old)
            return true;
    }
    return false;
}

bool SameBlock(const ProductData& a, const ProductData& b) {
    return std::memcmp(a.bytes, b.bytes, kProductDataSize) == 0;
}

enum class Owner { ThisBoard, OtherBoard, Declined };

// Whose record is it? The board's valid copies decide; the user is asked
// only when the board has none.
Owner OwnerOf(const RecoveryRecord& record, DWORD boardType, const ReconcileProductData& copies) {
    if (record.boardType != boardType)
        return Owner::OtherBoard;
    const bool spiValid = HasSpiProductData(boardType) && copies.m_bSpiValid;
    if (spiValid || copies.m_bMainValid) {
        const bool matches = (spiValid && SameBlock(record.identity, copies.m_spi)) ||
                             (copies.m_bMainValid && SameBlock(record.identity, copies.m_main));
        return matches ? Owner::ThisBoard : Owner::OtherBoard;
    }
    RecoveryRecord shown; // the board's own address, as its main copy holds it
    shown.identity = copies.m_main;
    CString question;
    question.Format(kRecoveryConfirmFormat, record.MacText().c_str(), shown.MacText().c_str());
    const int answer = CurrentBoardUi().ConfirmIdentity(question, record.MacText().c_str(),
                                                        shown.MacText().c_str());
    return answer == kBoardAnswerOk ? Owner::ThisBoard : Owner::Declined;
}

} // namespace

PendingRecovery CompletePendingRecovery(int hBoard, DWORD boardType,
                                        const ReconcileProductData& copies) {
    PendingRecovery result;
    for (const std::string& path : FindRecoveryRecords()) {
        RecoveryRecord record;
        if (!LoadRecoveryRecord(path, record)) {
            ShowFirmwareErrorWith(kRecoveryUnreadableFormat, path.c_str());
            continue;
        }
        switch (OwnerOf(record, boardType, copies)) {
            case Owner::OtherBoard:
                // Told and left alone: it is no failure of this board's work.
                ShowFirmwareWarningWith(kRecoveryOtherBoardFormat, path.c_str());
                continue;
            case Owner::Declined:
                result.pending = true;
                continue;
            case Owner::ThisBoard:
                break;
        }
        switch (ApplyRecord(hBoard, record)) {
            case Applied::Written:
                result.written = true;
                // Only the product data went back while the boot ROM write it
                // belonged to is still torn: "completed" says no more than that.
                ShowRecoveryCompleted(BootRomTorn(hBoard, boardType, record.identity)
                                          ? kRecoveryProductDataCompleted
                                          : kRecoveryCompleted);
                break;
            case Applied::Failed:
                result.pending = true;
                break;
            case Applied::BootRomBlank:
                result.bootRomBlank = true;
                result.identity = record.identity;
                result.recordPath = record.path;
                break;
            case Applied::Nothing:
            case Applied::SetAside:
                break;
        }
    }
    return result;
}
