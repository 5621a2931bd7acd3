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
#include "firmware/unfinishedwrites.h"
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
const char kWriteUnfinishedFormat[] =
    "前回中断した%sの書き込みが完了していません。\nもう一度書き込みます。";
const char kBadRomImageFormat[] =
    "%s ファイルの製品固有データの領域が消去されていないため、書き込みません。";
const char kBlankRomNoIdentity[] =
    "ボードのＩＰＬが消去されています。\n有効な製品固有データがないため、ＩＰＬを書き込めません。\n"
    "ボードのリセットや電源の切断はしないで下さい。";
const char kRomNotWhole[] = "ＩＰＬの書き込みを確認できませんでした。";
const char kWritesSaveFailed[] = "復旧データの保存に失敗しました。";
// The most of an installed image the tool reads into memory.
constexpr DWORD kLargestImage = 0x1000000;
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
        m_bFlashUnfinished = m_bFlashUnfinished || RecoveryRecordExists(identity) ||
                             !LoadUnfinishedWrites(identity).empty();
}

const ProductData* FirmwareCheck::Identity(const ReconcileProductData& copies) const {
    if (copies.m_bMainValid)
        return &copies.m_main;
    if (HasSpiProductData(m_boardType) && copies.m_bSpiValid)
        return &copies.m_spi;
    return nullptr;
}

void FirmwareCheck::TakePendingWrites(const ReconcileProductData& copies) {
    const ProductData* identity = Identity(copies);
    if (identity == nullptr)
        return;
    m_ledgerIdentity = *identity;
    m_bHaveLedger = true;
    NoteIdentity(*identity);
    for (const UnfinishedWrite& write : LoadUnfinishedWrites(*identity)) {
        const RegionState state = ReadRegionState(m_hBoard, m_boardType, write);
        if (state == RegionState::New || state == RegionState::Old) {
            // Whole: written, or never begun (then it is due as before).
            RemoveUnfinishedWrite(*identity, write.region, write.address);
            continue;
        }
        ShowFirmwareWarningWith(kWriteUnfinishedFormat, RegionName(write).c_str());
        if (write.region == WriteRegion::BootRom)
            m_bRomUnfinished = true;
        else if (write.region == WriteRegion::CommandFile)
            m_bCommandUnfinished = true;
        // An SPI boot image that differs from its file is written again anyway.
    }
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
    TakePendingWrites(productData);
    if (HasBootRomCheck() && !CheckInstalledFiles()) {
        // A record that waits for the boot ROM leaves the board without one.
        if (recovery.bootRomBlank)
            m_bFlashUnfinished = true;
        return;
    }
    // A write an earlier start left torn is offered again.
    m_bRomNewer = m_bRomNewer || m_bRomUnfinished;
    m_bCommandNewer = m_bCommandNewer || m_bCommandUnfinished;
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
    // Completed only once every part of the upgrade, the SPI images
    // included, is written.
    if (m_bCompletionDue && !m_bSpiImageFailed)
        ShowCompletion();
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
    if (IsProductDataValid(identity, m_boardType) != 0) {
        m_bFlashUnfinished = true;
        ShowFirmwareError(kBlankRomNoIdentity);
        return false;
    }
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

FirmwareCheck::Next FirmwareCheck::RewriteBootRom(ReconcileProductData& productData) {
    // Without a product data block to put back, rewriting the boot ROM would
    // lose the board's identity: then it is not offered at all.
    const ProductData* source = m_bBlankRom ? &m_blankIdentity : productData.RestoreSource();
    if (!m_bRomNewer || source == nullptr)
        return Next::Go;
    // The image is read whole first: it is verified against the board after
    // the write, and one that would cover the product data is refused
    // before anything is erased, since a cut right after the library's
    // write would leave the identity in no state the record can complete.
    std::vector<BYTE> image;
    const bool imageRead = ReadWholeInstalledFile(m_romPath, image, kLargestImage);
    const DWORD productOffset = productData.MainAddress();
    bool coversIdentity = false;
    for (DWORD i = productOffset;
         imageRead && i < productOffset + kProductDataSize && i < image.size(); ++i)
        coversIdentity = coversIdentity || image[i] != 0xFF;
    if (!imageRead || image.empty() || coversIdentity) {
        if (!imageRead || image.empty())
            ShowFirmwareErrorWith("%s のオープンに失敗しました。", m_romPath);
        else
            ShowFirmwareErrorWith(kBadRomImageFormat, m_romName);
        return SkipBootRom(productData);
    }
    if (!AskFirmwareQuestion(m_bBlankRom ? kBlankRomQuestion : kIplQuestion))
        return SkipBootRom(productData);
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
    // The boot region is remembered as unfinished until it reads back as the
    // new image; what it held is what a reset may still boot from.
    UnfinishedWrite write;
    write.region = WriteRegion::BootRom;
    write.newSize = static_cast<DWORD>(image.size());
    write.newSum = BootRegionChecksum(image.data(), write.newSize, m_boardType);
    std::vector<BYTE> before(image.size() + 1);
    if (fmReadDataBuffer(m_hBoard, before.data(), 0, static_cast<int>((image.size() + 1) / 2)) !=
        0) {
        ShowFirmwareError("製品固有データライト時　FLASHリードに失敗しました。");
        m_progress.Destroy();
        return Next::End;
    }
    write.oldSize = static_cast<long>(write.newSize);
    write.oldSum = BootRegionChecksum(before.data(), write.newSize, m_boardType);
    if (!AddUnfinishedWrite(*source, write) || !SaveRecoveryRecord(record)) {
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
    if (ReadRegionState(m_hBoard, m_boardType, write) != RegionState::New) {
        ShowFirmwareError(kRomNotWhole);
        m_progress.Destroy();
        return Next::End;
    }
    RemoveUnfinishedWrite(*source, WriteRegion::BootRom, 0);
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
            m_bCompletionDue = true;
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
    lstrcpyA(m_boardCommandPath, "sys:\\");
    lstrcatA(m_boardCommandPath, m_commandName);
    // The copy is read back against the installed file, and remembered as
    // unfinished until it is.
    UnfinishedWrite write;
    if (!PrepareCommandFileWrite(write)) {
        m_progress.Destroy();
        return Next::End;
    }

    CString text;
    text.Format("%s を削除しています", m_commandName);
    m_progress.SetText(text);
    FirmwarePause(kShortPause);
    m_progress.Step(1);
    if (!DeleteBoardCommandFile(m_boardCommandPath)) {
        ShowFirmwareErrorWith("%s の削除に失敗しました", m_commandName);
        m_progress.Destroy();
        return Next::End;
    }
    text.Format("%s をコピーしています", m_commandName);
    m_progress.SetText(text);
    m_progress.Step(1);
    if (fmFileCopy(m_hBoard, 0, m_localCommandPath, m_boardCommandPath) != 0 ||
        ReadRegionState(m_hBoard, m_boardType, write) != RegionState::New) {
        ShowFirmwareErrorWith("%s のコピーに失敗しました", m_commandName);
        m_progress.Destroy();
        return Next::End;
    }
    if (m_bHaveLedger)
        RemoveUnfinishedWrite(m_ledgerIdentity, WriteRegion::CommandFile, 0);
    m_bBoardUpdated = TRUE;
    RecordFirmwareUpgrade(m_commandName, m_localCommandPath, m_version.CommandVersion());
    if (!m_bRomNewer)
        m_progress.Step(2);
    m_bCompletionDue = true;
    return Next::Go;
}

bool FirmwareCheck::PrepareCommandFileWrite(UnfinishedWrite& write) {
    std::vector<BYTE> file;
    if (!ReadWholeInstalledFile(m_localCommandPath, file, kLargestImage)) {
        ShowFirmwareErrorWith("%s のオープンに失敗しました。", m_localCommandPath);
        return false;
    }
    std::vector<BYTE> old;
    bool exists = false;
    if (!ReadWholeBoardFile(m_hBoard, m_boardCommandPath, old, exists)) {
        ShowFirmwareErrorWith("%s の削除に失敗しました", m_commandName);
        return false;
    }
    write.region = WriteRegion::CommandFile;
    write.boardPath = m_boardCommandPath;
    write.newSize = static_cast<DWORD>(file.size());
    write.newSum = WriteChecksum(file.data(), write.newSize);
    write.oldSize = exists ? static_cast<long>(old.size()) : -1;
    write.oldSum = WriteChecksum(old.data(), static_cast<DWORD>(old.size()));
    if (m_bHaveLedger && !AddUnfinishedWrite(m_ledgerIdentity, write)) {
        ShowFirmwareError(kWritesSaveFailed);
        return false;
    }
    return true;
}

FirmwareCheck::Next FirmwareCheck::SkipBootRom(ReconcileProductData& productData) {
    if (m_bBlankRom || m_bRomUnfinished) {
        // The board stays without whole boot code: nothing else is done to it.
        m_bFlashUnfinished = true;
        m_progress.Destroy();
        return Next::End;
    }
    m_progress.Step(2);
    // The main copy that waited for the boot ROM write is put back now.
    RestoreDeferredMainCopy(productData);
    return Next::Go;
}

void FirmwareCheck::RestoreDeferredMainCopy(ReconcileProductData& productData) {
    if (productData.m_bRestoreFromSpi && !m_bBlankRom)
        productData.RestoreMainFromSpi();
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
    const ProductData* identity = m_bHaveLedger ? &m_ledgerIdentity : nullptr;
    for (DWORD address : {kSpiBootImageAddress, kSpiBoot2ImageAddress}) {
        path.Format(format, driverFolder,
                    address == kSpiBootImageAddress ? kSpiBootFileName : kSpiBoot2FileName);
        switch (UpdateSpiBootImage(m_hBoard, path, address, identity)) {
            case SpiImageUpdate::Written:
                ++m_spiImagesWritten;
                break;
            case SpiImageUpdate::Failed:
                m_bSpiImageFailed = true;
                break;
            case SpiImageUpdate::Unchanged:
                break;
        }
    }
}
