// pendingrecovery.cpp - completing the recovery records left on this PC.
#include "firmware/pendingrecovery.h"

#include "afx/afxwin.h"
#include "boardlib/lm800mul.h"
#include "firmware/firmwarememory.h"
#include "firmware/firmwaremessages.h"
#include "firmware/flashwrite.h"
#include "firmware/productdata.h"
#include "firmware/recoveryrecord.h"

#include <cstring>

const char kRecoveryCompleted[] = "前回中断したフラッシュメモリの書き込みを完了しました。";
const char kRecoveryConfirmFormat[] =
    "前回中断したフラッシュメモリの書き込みが残っています。\nMACアドレス %s "
    "のボードのデータです。\nこのボードに書き込みますか？";
const char kRecoveryOtherBoardFormat[] =
    "このボードと一致しない復旧データがあります。\n%s\nに保存されています。";
const char kRecoveryUnreadableFormat[] = "復旧データ %s を読み込めませんでした。";

namespace {

enum class Applied { Nothing, Written, Failed };

// Is the main flash already as the record wants it? Then only the record
// goes. Otherwise the write is done again, record first.
Applied ApplyRecord(int hBoard, const RecoveryRecord& record) {
    BYTE* current = static_cast<BYTE*>(FirmwareAllocate(kMainSectorSize));
    if (current == nullptr) {
        ShowFirmwareError("製品固有データライト時　ワークメモリ確保に失敗しました。");
        return Applied::Failed;
    }
    Applied applied = Applied::Failed;
    if (record.HasImage()) {
        if (fmReadDataBuffer(hBoard, current, record.sector, kMainSectorUnits) == 0 &&
            std::memcmp(current, record.image.data(), kMainSectorSize) == 0) {
            RemoveRecoveryRecord(record.identity);
            applied = Applied::Nothing;
        } else if (WriteMainSectorSafely(hBoard, record, current) == 0) {
            applied = Applied::Written;
        }
    } else {
        if (fmReadDataBuffer(hBoard, current, record.productAddress, kProductDataSize / 2) == 0 &&
            std::memcmp(current, record.identity.bytes, kProductDataSize) == 0) {
            RemoveRecoveryRecord(record.identity);
            applied = Applied::Nothing;
        } else if (WriteFlashProductData(hBoard, record.identity.bytes, record.productAddress,
                                         kProductDataSize, record.boardType) == 0) {
            applied = Applied::Written;
        }
    }
    FirmwareFree(current);
    if (applied == Applied::Failed)
        ShowFirmwareError("製品固有データ書き込み時　FLASHライトに失敗しました。");
    return applied;
}

// Is the record this board's? Asks the user when the board cannot tell.
bool BelongsToBoard(const RecoveryRecord& record, DWORD boardType,
                    const ReconcileProductData& copies) {
    if (record.boardType != boardType)
        return false;
    if (HasSpiProductData(boardType) && copies.m_bSpiValid)
        return std::memcmp(record.identity.bytes, copies.m_spi.bytes, kProductDataSize) == 0;
    CString question;
    question.Format(kRecoveryConfirmFormat, record.MacText().c_str());
    return AskFirmwareQuestion(question);
}

} // namespace

bool CompletePendingRecovery(int hBoard, DWORD boardType, const ReconcileProductData& copies) {
    bool written = false;
    for (const std::string& path : FindRecoveryRecords()) {
        RecoveryRecord record;
        if (!LoadRecoveryRecord(path, record)) {
            ShowFirmwareErrorWith(kRecoveryUnreadableFormat, path.c_str());
            continue;
        }
        const bool spiDecides = HasSpiProductData(boardType) && copies.m_bSpiValid;
        if (!BelongsToBoard(record, boardType, copies)) {
            // A record the user declined stays without a further word.
            if (spiDecides || record.boardType != boardType)
                ShowFirmwareErrorWith(kRecoveryOtherBoardFormat, path.c_str());
            continue;
        }
        const Applied applied = ApplyRecord(hBoard, record);
        if (applied == Applied::Failed)
            continue;
        written = written || applied == Applied::Written;
        ShowRecoveryCompleted(kRecoveryCompleted);
    }
    return written;
}
