// firmwarecheck.cpp - the start-up firmware check and upgrade.
#include "firmware/firmwarecheck.h"

#include "boardlib/lm800mul.h"
#include "engine/boardui.h"
#include "firmware/firmwaremessages.h"
#include "firmware/firmwarepause.h"
#include "firmware/firmwarehistory.h"
#include "firmware/flashwrite.h"
#include "firmware/pendingrecovery.h"
#include "firmware/productdata.h"
#include "firmware/recoveryrecord.h"
#include "firmware/spibootimage.h"
#include "res/resource.h"

#include <cstring>

namespace {

constexpr DWORD kShortPause = 500;
constexpr DWORD kLongPause = 1000;

const char kVersionFailed[] = "バージョン情報の取得に失敗しました。";
const char kCompleted[] = "アップグレードが完了しました！";
const char kIplQuestion[] = "ＩＰＬのアップグレードを行います。\nボード内で実行しているアプリケー"
                            "ションはすべて終了して下さい。\n準備はよろしいですか？";
const char kBlankRomQuestion[] =
    "ボードのＩＰＬが消去されています。\nインストールされているＩＰＬを書き込みます。\nボード内"
    "で実行しているアプリケーションはすべて終了して下さい。\n準備はよろしいですか？";
const char kBlankRomNoFileFormat[] =
    "ボードのＩＰＬが消去されています。\n%s ファイルがないため書き込めません。\nボードのリセット"
    "や電源の切断はしないで下さい。";
const char kRecoveryLeft[] =
    "前回中断したフラッシュメモリの書き込みが完了していないため、\nボードのフラッシュメモリは変更"
    "しません。";

DWORD WordAt(const BYTE* bytes, size_t offset) {
    DWORD word = 0;
    std::memcpy(&word, bytes + offset, sizeof(word));
    return word;
}

} // namespace

DWORD FirmwareVersionInfo::BoardWord() const {
    return WordAt(bytes, 4);
}

DWORD FirmwareVersionInfo::CommandVersion() const {
    return WordAt(bytes, 8);
}

DWORD FirmwareVersionInfo::RomVersion() const {
    return WordAt(bytes, 16);
}

// --- ProgressWindow ---

void ProgressWindow::Open() {
    if (m_bCreateTried)
        return;
    m_bCreateTried = true;
    CurrentBoardUi().ProgressOpen();
}

void ProgressWindow::SetText(const char* text) {
    CurrentBoardUi().ProgressText(text);
}

void ProgressWindow::Step(int count) {
    CurrentBoardUi().ProgressStep(count);
}

void ProgressWindow::UpdateBar() {
    CurrentBoardUi().ProgressRefresh();
}

void ProgressWindow::Destroy() {
    CurrentBoardUi().ProgressClose();
}

// --- FirmwareCheck ---

FirmwareCheck::FirmwareCheck(int hBoard, BOOL& bBoardUpdated)
    : m_hBoard(hBoard), m_bBoardUpdated(bBoardUpdated) {}

bool FirmwareCheck::IsKnownBoardType() const {
    return m_boardType == kBoardType200 || m_boardType == kBoardType201 ||
           m_boardType == kBoardType300;
}

bool FirmwareCheck::HasBootRomCheck() const {
    return m_boardType == kBoardType200 || m_boardType == kBoardType300;
}

void FirmwareCheck::Run() {
    RunSteps();
    for (const ProductData& identity : m_identities)
        m_bFlashUnfinished = m_bFlashUnfinished || RecoveryRecordExists(identity);
}

void FirmwareCheck::RunSteps() {
    m_bBoardUpdated = FALSE;
    if (GetIPVersionInfo(m_hBoard, m_version.bytes) != 0) {
        ShowFirmwareError(kVersionFailed);
        return;
    }
    m_boardType = m_version.BoardType();
    if (!IsKnownBoardType()) {
        ShowFirmwareError("ボード品種情報の取得に失敗しました。");
        return;
    }

    ReconcileProductData productData(m_hBoard, m_boardType);
    productData.ReadCopies();
    NoteIdentity(productData.m_main);
    NoteIdentity(productData.m_spi);
    // A write cut short at an earlier start is completed first; the copies
    // are then read again as that left them.
    const PendingRecovery recovery = CompletePendingRecovery(m_hBoard, m_boardType, productData);
    if (recovery.written)
        productData.ReadCopies();
    if (recovery.pending) {
        // Anything written now could replace or bypass the record.
        m_bFlashUnfinished = true;
        ShowFirmwareError(kRecoveryLeft);
        return;
    }
    NoteHardwareAddress(productData);
    if (HasBootRomCheck() && !CheckInstalledFiles())
        return;
    if (recovery.bootRomBlank) {
        m_blankRecordPath = recovery.recordPath;
        if (!OfferBlankBootRom(recovery.identity))
            return;
    } else {
        const ProductDataRepairNote repairNote(productData, m_bRomNewer);
        productData.Repair(m_bRomNewer);
        repairNote.Record();
        if (productData.m_bBootRomBlank && !OfferBlankBootRom(productData.m_spi))
            return;
    }

    if (m_bRomNewer || m_bCommandNewer)
        m_progress.Open();
    if (RewriteBootRom(productData) == Next::End)
        return;
    FirmwarePause(kLongPause);
    if (RewriteCommandFile() == Next::End)
        return;
    if (HasSpiProductData(m_boardType))
        UpdateSpiBootImages();
    m_progress.Destroy();
}

bool FirmwareCheck::CheckInstalledFiles() {
    char systemPath[kLocalPathSize] = {};
    GetSystemPath(systemPath); // a missing value leaves the folder empty
    lstrcpyA(m_romName, kBootRomFileName);
    JoinFolderAndName(systemPath, m_romName, m_romPath);
    GetCommandFileName(m_commandName);
    // A name that would lead out of the folder or of "sys:\" counts as missing.
    if (IsPlainFileName(m_commandName))
        JoinFolderAndName(systemPath, m_commandName, m_localCommandPath);

    if (GetIPVersionInfo(m_hBoard, m_version.bytes) != 0) {
        ShowFirmwareError(kVersionFailed);
        return false;
    }
    if (!CheckHeader(m_romPath, m_version.RomVersion(), "%s ファイルがボードと一致しません！",
                     m_romName, m_bRomNewer))
        return false;
    return CheckHeader(m_localCommandPath, m_version.CommandVersion(),
                       "%s ファイルがボードと一致しません", m_commandName, m_bCommandNewer);
}

bool FirmwareCheck::CheckHeader(const char* path, DWORD boardVersion, const char* mismatchFormat,
                                const char* shownName, BOOL& bNewer) {
    bNewer = FALSE;
    FirmwareFileHeader header = {};
    const int read = ReadFileHeader(path, header.bytes, sizeof(header.bytes));
    if (read == kFileHeaderShortRead) {
        // Its version cannot be trusted: not newer, and the user is told.
        ShowFirmwareErrorWith("%s のオープンに失敗しました。", path);
        return true;
    }
    if (read != 0) {
        // A missing file is not newer.
        m_missingFiles.push_back(path[0] != '\0' ? path : shownName);
        return true;
    }
    if (header.BoardType() != m_boardType) {
        ShowFirmwareErrorWith(mismatchFormat, shownName);
        return false;
    }
    bNewer = IsInstalledFileNewer(boardVersion, header.Version());
    return true;
}

bool FirmwareCheck::OfferBlankBootRom(const ProductData& identity) {
    FirmwareFileHeader header = {};
    if (ReadFileHeader(m_romPath, header.bytes, sizeof(header.bytes)) != 0) {
        m_bFlashUnfinished = true;
        ShowFirmwareErrorWith(kBlankRomNoFileFormat, kBootRomFileName);
        return false;
    }
    m_bBlankRom = true;
    m_blankIdentity = identity;
    m_bRomNewer = TRUE;
    return true;
}

FirmwareCheck::Next FirmwareCheck::RewriteBootRom(const ReconcileProductData& productData) {
    // Without a product data block to put back, rewriting the boot ROM would
    // lose the board's identity: then it is not offered at all.
    const ProductData* source = m_bBlankRom ? &m_blankIdentity : productData.RestoreSource();
    if (!m_bRomNewer || source == nullptr)
        return Next::Go;
    if (!AskFirmwareQuestion(m_bBlankRom ? kBlankRomQuestion : kIplQuestion)) {
        if (m_bBlankRom) {
            // The board stays without boot code: nothing else is done to it.
            m_bFlashUnfinished = true;
            m_progress.Destroy();
            return Next::End;
        }
        m_progress.Step(2);
        return Next::Go;
    }
    m_progress.UpdateBar();
    m_progress.SetText("ROMをアップグレードしています。");
    FirmwarePause(kShortPause);
    m_progress.Step(1);
    // The library erases the boot sector, product data and all: the block to
    // put back is kept on the PC until it is back in place.
    RecoveryRecord record;
    record.boardType = m_boardType;
    record.productAddress = productData.MainAddress();
    record.sector = record.productAddress & kMainSectorMask;
    record.identity = *source;
    if (productData.m_bMainRead)
        record.before = RegionChecksums(productData.m_main.bytes, kProductDataSize);
    NoteIdentity(*source);
    if (!SaveRecoveryRecord(record)) {
        ShowFirmwareError(kRecordSaveFailed);
        m_progress.Destroy();
        return Next::End;
    }
    if (fmWriteProgram(m_hBoard, m_romPath) != 0) {
        ShowFirmwareError("プログラムの書き込みに失敗しました。");
        // A write that failed may still have erased the boot sector.
        WriteBackProductData(*source, productData.MainAddress());
        m_progress.Destroy();
        return Next::End;
    }
    m_progress.Step(1);
    // The board counts as updated only once the boot sector reads back right.
    if (!WriteBackProductData(*source, productData.MainAddress())) {
        m_progress.Destroy();
        return Next::End;
    }
    RecordFirmwareUpgrade("boot ROM", m_romPath, m_version.RomVersion());
    m_bBoardUpdated = TRUE;
    if (!m_blankRecordPath.empty())
        DeleteFileA(m_blankRecordPath.c_str());
    return Next::Go;
}

bool FirmwareCheck::WriteBackProductData(const ProductData& block, DWORD address) {
    if (WriteFlashProductData(m_hBoard, block.bytes, address, kProductDataSize, m_boardType) == 0)
        return true;
    ShowFirmwareError("製品固有データ書き込み時　FLASHライトに失敗しました。");
    return false;
}

FirmwareCheck::Next FirmwareCheck::RewriteCommandFile() {
    const bool romRewritten = m_bRomNewer && m_bBoardUpdated;
    if (!m_bCommandNewer) {
        if (romRewritten) {
            m_progress.Step(2);
            ShowCompletion();
        } else {
            FirmwarePause(kLongPause);
        }
        return Next::Go;
    }
    const char* question =
        romRewritten ? "コマンドファイルのアップグレードを行います。\n準備はよろしいですか？"
                     : "コマンドファイルのアップグレードを行います。\nボード内で実行しているアプ"
                       "リケーションはすべて終了して下さい。\n準備はよろしいですか？";
    if (!AskFirmwareQuestion(question)) {
        m_progress.Step(2);
        if (!romRewritten)
            m_progress.Step(2);
        FirmwarePause(kLongPause);
        return Next::Go;
    }

    CString text;
    text.Format("%s を削除しています", m_commandName);
    m_progress.SetText(text);
    FirmwarePause(kShortPause);
    m_progress.Step(1);
    lstrcpyA(m_boardCommandPath, "sys:\\");
    lstrcatA(m_boardCommandPath, m_commandName);
    if (!DeleteBoardCommandFile(m_boardCommandPath)) {
        ShowFirmwareErrorWith("%s の削除に失敗しました", m_commandName);
        m_progress.Destroy();
        return Next::End;
    }
    text.Format("%s をコピーしています", m_commandName);
    m_progress.SetText(text);
    m_progress.Step(1);
    if (fmFileCopy(m_hBoard, 0, m_localCommandPath, m_boardCommandPath) != 0) {
        ShowFirmwareErrorWith("%s のコピーに失敗しました", m_commandName);
        m_progress.Destroy();
        return Next::End;
    }
    m_bBoardUpdated = TRUE;
    RecordFirmwareUpgrade(m_commandName, m_localCommandPath, m_version.CommandVersion());
    if (!m_bRomNewer)
        m_progress.Step(2);
    ShowCompletion();
    return Next::Go;
}

bool FirmwareCheck::DeleteBoardCommandFile(const char* boardPath) {
    if (fmDelete(m_hBoard, boardPath) == 0)
        return true;
    // A command file that is already gone (an earlier copy was cut short)
    // needs no deleting; refusing to copy would leave the board without one
    // at every later start.
    return fmFindFile(m_hBoard, boardPath) == 0;
}

void FirmwareCheck::ShowCompletion() {
    m_progress.SetText(kCompleted);
    FirmwarePause(kLongPause);
    ShowFirmwareCompletion(kCompleted);
}

void FirmwareCheck::UpdateSpiBootImages() {
    char driverFolder[kLocalPathSize + 1] = {};
    DWORD size = kLocalPathSize;
    QueryRegistryValue(kDriverKey, "Path", driverFolder, &size); // missing: empty folder
    AppendFolderSeparator(driverFolder, sizeof(driverFolder));
    CString format;
    if (!format.LoadString(IDS_JOIN_PATH))
        format = "%s%s";
    CString path;
    path.Format(format, driverFolder, kSpiBootFileName);
    m_spiImagesWritten += UpdateSpiBootImage(m_hBoard, path, kSpiBootImageAddress) ? 1 : 0;
    path.Format(format, driverFolder, kSpiBoot2FileName);
    m_spiImagesWritten += UpdateSpiBootImage(m_hBoard, path, kSpiBoot2ImageAddress) ? 1 : 0;
}
