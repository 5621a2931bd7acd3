// boardoperations.cpp - the board operations both faces call.
#include "engine/boardoperations.h"

#include "boardlib/lm800mul.h"
#include "engine/boardhistory.h"
#include "engine/boardui.h"
#include "engine/bootfilemessages.h"
#include "engine/bootfilerecovery.h"
#include "firmware/bootcheck.h"
#include "firmware/firmwarecheck.h"
#include "firmware/firmwarehistory.h"
#include "firmware/installedfiles.h"
#include "firmware/productdata.h"
#include "firmware/recoveryrecord.h"
#include "settings/rzscript.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kBootFile = 0; // "sys:\boot.ini", not the safe file
constexpr int kOnBoard = 0;  // the board's file system, not the PC's
constexpr int kParameterError = 0x20101;

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

void TellError(const std::string& text) {
    ShowBoardMessage(BoardMessage::Error, text.c_str());
}

InstalledFirmwareFile InstalledFile(const char* path) {
    InstalledFirmwareFile file;
    file.path = path;
    FirmwareFileHeader header = {};
    if (path[0] != '\0' && ReadFileHeader(path, header.bytes, sizeof(header.bytes)) == 0) {
        file.found = true;
        file.version = header.Version();
    }
    return file;
}

} // namespace

const char* EnumErrorReason(int code) {
    return FindReason(kEnumReasons, code);
}

const char* OpenErrorReason(int code) {
    return FindReason(kOpenReasons, code);
}

BoardOpenResult OpenBoardLocked(int wantedNo, BoardLock& lock, int& boardNo, int& hBoard) {
    unsigned char enumBuffer[1024];
    std::memset(enumBuffer, 0, sizeof(enumBuffer));
    DisableIPErrorMessage();
    DisableIPErrorSkip();
    if (EnumAttachIPDev(enumBuffer) == 0) {
        TellError(std::string("[ EnumAttachIPDev ]\n") + EnumErrorReason(GetIPLastError()));
        return BoardOpenResult::Failed;
    }
    int firstNo = 0;
    std::memcpy(&firstNo, enumBuffer, sizeof(firstNo));
    boardNo = wantedNo < 0 ? firstNo : wantedNo;
    SetHistoryBoard(boardNo);
    // One tool at a time on a board.
    if (!lock.Acquire(boardNo))
        return BoardOpenResult::InUse;
    hBoard = OpenIPDev(boardNo, 0);
    if (hBoard != 0)
        return BoardOpenResult::Opened;
    const int code = GetIPLastError();
    std::string message = std::string("[ OpenIPDev ]\n") + OpenErrorReason(code);
    // A number typed by hand that names no attached board is the likely
    // cause: say so rather than leave a bare parameter error.
    if (code == kParameterError && boardNo != firstNo) {
        char hint[160];
        std::snprintf(hint, sizeof(hint),
                      "\nボード %d は接続されていないか、番号が違います。"
                      "最初に見つかったボードは %d です。",
                      boardNo, firstNo);
        message += hint;
    }
    TellError(message);
    return BoardOpenResult::Failed;
}

void CloseBoardLocked(int& hBoard, BoardLock& lock) {
    if (hBoard != 0)
        CloseIPDev(hBoard);
    hBoard = 0;
    lock.Release();
}

std::string LearnHardwareAddress(int hBoard) {
    FirmwareVersionInfo version = {};
    if (GetIPVersionInfo(hBoard, version.bytes) != 0)
        return "";
    ReconcileProductData copies(hBoard, version.BoardType());
    copies.ReadCopies();
    NoteHardwareAddress(copies);
    return HardwareAddressOf(copies);
}

bool ReadBoardInfo(int hBoard, BoardInfo& info) {
    FirmwareVersionInfo version = {};
    if (GetIPVersionInfo(hBoard, version.bytes) != 0) {
        TellError("バージョン情報の取得に失敗しました。");
        return false;
    }
    info.boardType = version.BoardType();
    info.romVersion = version.RomVersion();
    info.commandVersion = version.CommandVersion();
    info.hasSpiCopy = HasSpiProductData(info.boardType);
    ReconcileProductData copies(hBoard, info.boardType);
    copies.ReadCopies();
    info.mainRead = copies.m_bMainRead;
    info.mainValid = copies.m_bMainValid;
    info.spiRead = copies.m_bSpiRead;
    info.spiValid = copies.m_bSpiValid;
    info.hardwareAddress = HardwareAddressOf(copies);

    char systemPath[kLocalPathSize] = {};
    GetSystemPath(systemPath);
    char romPath[kLocalPathSize] = {};
    JoinFolderAndName(systemPath, kBootRomFileName, romPath);
    char commandName[kCommandFileNameSize] = {};
    GetCommandFileName(commandName);
    char commandPath[kLocalPathSize] = {};
    if (IsPlainFileName(commandName))
        JoinFolderAndName(systemPath, commandName, commandPath);
    info.rom = InstalledFile(romPath);
    info.command = InstalledFile(commandPath);
    return true;
}

bool ReadBoardClock(int hBoard, SYSTEMTIME& time) {
    return GetIPTime(hBoard, &time) == 0;
}

bool SetBoardClock(int hBoard, const SYSTEMTIME& wanted) {
    SYSTEMTIME record = wanted;
    const bool set = SetIPTime(hBoard, &record) == 0;
    RecordBoardChange(ClockSetChange(wanted), set ? kHistoryDone : kHistoryFailed);
    return set;
}

bool MayResetBoard(int hBoard, bool unfinished) {
    // A reset or power cut now could leave the board without boot code.
    if (unfinished) {
        ShowFlashWriteUnfinishedOnExit();
        return false;
    }
    std::string address;
    const std::string reason = UnfinishedOnBoard(hBoard, &address);
    if (!reason.empty()) {
        ShowResetHeldBack(reason.c_str());
        return false;
    }
    // A settings write that no start has made whole yet may have left the
    // file empty.
    if (!PendingSettingsJournal(address).empty()) {
        ShowResetHeldBack(kBootFileUnfinished);
        return false;
    }
    return true;
}

bool ResetBoard(int boardNo) {
    const bool reset = ResetIP(boardNo, 1) == 0;
    RecordBoardChange(kBoardResetChange, reset ? kHistoryDone : kHistoryFailed);
    if (!reset)
        ShowBoardMessage(BoardMessage::Plain, "リセットに失敗しました");
    return reset;
}

int ReadBoardSettings(CRZScript& script, int hBoard, NetworkSettings& settings) {
    const int result = script.ReadSettings(hBoard, settings, kBootFile, kOnBoard);
    if (result != 0)
        ShowBootFileReadFailed();
    return result;
}

int ReadBoardSettingsFile(CRZScript& script, int hBoard, NetworkSettings& settings,
                          BootFileImage& file) {
    ApplyDefaultSettings(settings);
    if (!ReadWholeBoardFile(hBoard, "sys:\\boot.ini", file)) {
        ShowBootFileReadFailed();
        return -1;
    }
    // The reader takes no more than its buffer holds, as at every read.
    const size_t read =
        std::min(file.bytes.size(), static_cast<size_t>(CRZScript::kTextBufferSize));
    if (read > 0)
        script.ParseSettings(file.bytes.data(), static_cast<int>(read), settings);
    return 0;
}

SettingsWrite WriteBoardSettings(CRZScript& script, int hBoard, const std::string& address,
                                 const NetworkSettings& settings, NetworkSettings& readBack) {
    SettingsWrite done;
    done.holds = BootFileHolds::Previous;
    done.journal = PendingSettingsJournal(address);
    if (address.empty())
        done.refusal = SettingsWriteRefusal::NoIdentity;
    else if (!done.journal.empty())
        done.refusal = SettingsWriteRefusal::JournalPending;
    if (done.refusal == SettingsWriteRefusal::None) {
        BootFileWrite write(script, hBoard, kBootFile);
        PcSettingsJournal journal(address);
        done.result = write.Write(settings, &journal);
        done.holds = write.Holds();
        if (done.result == BootFileWrite::kJournalNotSaved) {
            done.refusal = SettingsWriteRefusal::JournalNotSaved;
            done.journal = RecoveryFolder();
        }
    }
    if (done.result == 0)
        done.readBackResult = script.ReadSettings(hBoard, readBack, kBootFile, kOnBoard);
    RecordBoardChange(kSettingsWrittenChange, done.result == 0 ? kHistoryDone : kHistoryFailed);
    return done;
}

void TellSettingsWrite(const SettingsWrite& write) {
    switch (write.refusal) {
        case SettingsWriteRefusal::None:
            break;
        case SettingsWriteRefusal::NoIdentity:
            ShowSettingsJournalNoIdentity();
            return;
        case SettingsWriteRefusal::JournalNotSaved:
            ShowSettingsJournalNotSaved(write.journal);
            return;
        case SettingsWriteRefusal::JournalPending:
            ShowSettingsJournalPending(write.journal);
            return;
    }
    if (write.result == 0) {
        ShowBootFileWritten();
        return;
    }
    ShowBootFileWriteFailed();
    ShowBootFileHoldsAfterFailure(write.holds);
}

FirmwareOutcome CheckBoardFirmware(int hBoard, BOOL& bBoardUpdated) {
    FirmwareCheck check(hBoard, bBoardUpdated);
    check.Run();
    FirmwareOutcome outcome;
    outcome.unfinished = check.LeftFlashUnfinished();
    outcome.spiImagesWritten = check.SpiImagesWritten();
    outcome.missingFiles = check.MissingInstalledFiles();
    return outcome;
}
