// commands.cpp - the console program's commands over the board engine.
#include "console/commands.h"

#include "app/boardhistory.h"
#include "boardlib/lm800mul.h"
#include "console/consoleboard.h"
#include "console/consoletext.h"
#include "console/consoleui.h"
#include "console/settingsfields.h"
#include "firmware/firmwarecheck.h"
#include "firmware/firmwarehistory.h"
#include "firmware/recoveryrecord.h"
#include "firmware/installedfiles.h"
#include "firmware/productdata.h"
#include "mainwnd/bootfilemessages.h"
#include "settings/bootfilewrite.h"
#include "settings/rzscript.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr int kBootFile = 0; // "sys:\boot.ini"
constexpr int kOnBoard = 0;

void Out(const std::string& text) {
    PrintText(ConsoleStream::Out, text);
}

int UsageError(const std::string& text) {
    PrintText(ConsoleStream::Err, text + "\n");
    return kExitUsage;
}

int Failure(const std::string& text) {
    PrintText(ConsoleStream::Err, "エラー: " + text + "\n");
    return kExitFailed;
}

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

std::string ClockText(const SYSTEMTIME& t) {
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return text;
}

// Reads the board's boot settings; false (with the dialog's message) when the
// file exists but cannot be read, so that nothing overwrites it unseen.
bool ReadBoardSettings(const ConsoleBoard& board, CRZScript& script, NetworkSettings& settings) {
    if (script.ReadSettings(board.Handle(), settings, kBootFile, kOnBoard) == 0)
        return true;
    ShowBootFileReadFailed();
    return false;
}

// Writes the record as Write does, notes it in the history and tells the
// result.
int WriteBoardSettings(const ConsoleBoard& board, CRZScript& script,
                       const NetworkSettings& settings) {
    BootFileWrite write(script, board.Handle(), kBootFile);
    const int result = write.Write(settings);
    RecordBoardChange(kSettingsWrittenChange, result == 0 ? kHistoryDone : kHistoryFailed);
    if (result != 0) {
        ShowBootFileWriteFailed();
        ShowBootFileHoldsAfterFailure(write.Holds());
        return kExitFailed;
    }
    ShowBootFileWritten();
    return kExitDone;
}

// Opens the board for a command that changes it: the history must know the
// board's hardware address first.
int OpenForChange(ConsoleBoard& board, int boardNo) {
    const int opened = board.Open(boardNo);
    if (opened == kExitDone)
        board.LearnHardwareAddress();
    return opened;
}

// Opens the board (for a change when `change`) and reads its boot settings:
// kExitDone, or the exit code of what failed.
int OpenAndReadSettings(ConsoleBoard& board, int boardNo, bool change, CRZScript& script,
                        NetworkSettings& settings) {
    const int opened = change ? OpenForChange(board, boardNo) : board.Open(boardNo);
    if (opened != kExitDone)
        return opened;
    return ReadBoardSettings(board, script, settings) ? kExitDone : kExitFailed;
}

bool ReadLocalFile(const std::string& path, std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    char buffer[4096];
    size_t n = 0;
    bytes.clear();
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
        bytes.append(buffer, n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool WriteLocalFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                               &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string CopyState(BOOL read, BOOL valid) {
    if (!read)
        return "読み出し失敗";
    return valid ? "正常" : "不正";
}

std::string InstalledVersion(const char* path) {
    FirmwareFileHeader header = {};
    if (path[0] == '\0' || ReadFileHeader(path, header.bytes, sizeof(header.bytes)) != 0)
        return "なし";
    return Hex(header.Version()) + " (" + path + ")";
}

} // namespace

int RunInfo(int boardNo, const Arguments& args) {
    if (!args.empty())
        return UsageError("info に指定できるオプションはありません。");
    ConsoleBoard board;
    if (const int opened = board.Open(boardNo); opened != kExitDone)
        return opened;
    FirmwareVersionInfo version = {};
    if (GetIPVersionInfo(board.Handle(), version.bytes) != 0)
        return Failure("バージョン情報の取得に失敗しました。");
    ReconcileProductData copies(board.Handle(), version.BoardType());
    copies.ReadCopies();

    char systemPath[kLocalPathSize] = {};
    GetSystemPath(systemPath);
    char romPath[kLocalPathSize] = {};
    JoinFolderAndName(systemPath, kBootRomFileName, romPath);
    char commandName[kCommandFileNameSize] = {};
    GetCommandFileName(commandName);
    char commandPath[kLocalPathSize] = {};
    if (IsPlainFileName(commandName))
        JoinFolderAndName(systemPath, commandName, commandPath);

    Out("ボード番号: " + std::to_string(board.Number()) + "\n");
    char type[16];
    std::snprintf(type, sizeof(type), "0x%03lX", static_cast<unsigned long>(version.BoardType()));
    Out("ボード品種: " + std::string(type) + "\n");
    Out("IPL (ボード): " + Hex(version.RomVersion()) + "\n");
    Out("IPL (PC): " + InstalledVersion(romPath) + "\n");
    Out("コマンドファイル (ボード): " + Hex(version.CommandVersion()) + "\n");
    Out("コマンドファイル (PC): " + InstalledVersion(commandPath) + "\n");
    Out("製品固有データ (メイン): " + CopyState(copies.m_bMainRead, copies.m_bMainValid) + "\n");
    if (HasSpiProductData(version.BoardType()))
        Out("製品固有データ (SPI): " + CopyState(copies.m_bSpiRead, copies.m_bSpiValid) + "\n");
    const std::string address = HardwareAddressOf(copies);
    Out("MACアドレス: " + (address.empty() ? std::string("不明") : address) + "\n");
    SYSTEMTIME now = {};
    if (GetIPTime(board.Handle(), &now) != 0)
        return Failure("ボードの時計を読み出せませんでした。");
    Out("ボードの時計: " + ClockText(now) + "\n");
    return kExitDone;
}

int RunShow(int boardNo, const Arguments& args) {
    const bool json = args.size() == 1 && args[0] == "--json";
    if (!args.empty() && !json)
        return UsageError("show に指定できるのは --json だけです。");
    ConsoleBoard board;
    CRZScript script;
    NetworkSettings settings = {};
    if (const int read = OpenAndReadSettings(board, boardNo, false, script, settings);
        read != kExitDone)
        return read;
    if (json)
        PrintBytes(ConsoleStream::Out, SettingsJson(settings));
    else
        Out(SettingsText(settings));
    return kExitDone;
}

int RunSet(int boardNo, const Arguments& args) {
    if (args.empty())
        return UsageError("set には NAME=VALUE を 1 つ以上指定してください。");
    // Every value is checked before the board is touched.
    NetworkSettings syntax = {};
    for (const std::string& assignment : args) {
        const std::string broken = ApplySetting(syntax, assignment);
        if (!broken.empty())
            return UsageError(broken);
    }
    ConsoleBoard board;
    CRZScript script;
    NetworkSettings settings = {};
    if (const int read = OpenAndReadSettings(board, boardNo, true, script, settings);
        read != kExitDone)
        return read;
    for (const std::string& assignment : args)
        ApplySetting(settings, assignment);
    const std::string limit = CheckConnectionLimit(settings);
    if (!limit.empty())
        return UsageError(limit);
    return WriteBoardSettings(board, script, settings);
}

int RunExport(int boardNo, const Arguments& args) {
    if (args.size() != 1)
        return UsageError("export には保存するファイルを 1 つ指定してください。");
    ConsoleBoard board;
    CRZScript script;
    NetworkSettings settings = {};
    if (const int read = OpenAndReadSettings(board, boardNo, false, script, settings);
        read != kExitDone)
        return read;
    char text[CRZScript::kTextBufferSize];
    const int length = script.FormatSettings(settings, text);
    if (!WriteLocalFile(args[0], std::string(text, static_cast<size_t>(length))))
        return Failure(args[0] + " に書き込めませんでした。");
    return kExitDone;
}

int RunImport(int boardNo, const Arguments& args) {
    if (args.size() != 1)
        return UsageError("import には読み込むファイルを 1 つ指定してください。");
    std::string bytes;
    if (!ReadLocalFile(args[0], bytes))
        return UsageError(args[0] + " を読み込めませんでした。");
    // Only a file that reads back exactly as it will be written goes to the
    // board: anything the reader would drop or change is refused.
    CRZScript script;
    NetworkSettings settings = {};
    char text[CRZScript::kTextBufferSize];
    int length = -1;
    if (bytes.size() < sizeof(text) && bytes.find('\0') == std::string::npos) {
        script.ParseSettings(bytes.c_str(), static_cast<int>(bytes.size()), settings);
        length = script.FormatSettings(settings, text);
    }
    if (length < 0 || std::string(text, static_cast<size_t>(length)) != bytes)
        return UsageError(args[0] +
                          ": 書き込むとおりに読み戻せないファイルです。ボードには書き込みません。");
    for (int section = 0; section < kSectionCount; ++section) {
        const std::string broken = CheckSection(settings, section);
        if (!broken.empty())
            return UsageError(broken);
    }
    const std::string limit = CheckConnectionLimit(settings);
    if (!limit.empty())
        return UsageError(limit);
    ConsoleBoard board;
    if (const int opened = OpenForChange(board, boardNo); opened != kExitDone)
        return opened;
    return WriteBoardSettings(board, script, settings);
}

int RunUpgrade(int boardNo, const Arguments& args) {
    ConsoleAnswer answer = ConsoleAnswer::Ask;
    if (args.size() == 1 && args[0] == "--yes")
        answer = ConsoleAnswer::Yes;
    else if (args.size() == 1 && args[0] == "--no")
        answer = ConsoleAnswer::No;
    else if (!args.empty())
        return UsageError("upgrade に指定できるのは --yes か --no のどちらかです。");
    ConsoleBoard board;
    if (const int opened = board.Open(boardNo); opened != kExitDone)
        return opened;
    ConsoleBoardUi ui(answer);
    SetBoardUi(&ui);
    BOOL updated = FALSE;
    FirmwareCheck check(board.Handle(), updated);
    check.Run();
    SetBoardUi(nullptr);
    if (ui.Errors() > 0)
        return kExitFailed;
    return ui.Declined() ? kExitDeclined : kExitDone;
}

bool ParseClockText(const std::string& text, SYSTEMTIME& time) {
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    if (text.size() != 19 || std::sscanf(text.c_str(), "%4u-%2u-%2u %2u:%2u:%2u%c", &year, &month,
                                         &day, &hour, &minute, &second, &tail) != 6)
        return false;
    SYSTEMTIME given = {};
    given.wYear = static_cast<WORD>(year);
    given.wMonth = static_cast<WORD>(month);
    given.wDay = static_cast<WORD>(day);
    given.wHour = static_cast<WORD>(hour);
    given.wMinute = static_cast<WORD>(minute);
    given.wSecond = static_cast<WORD>(second);
    // The round trip rejects impossible dates and fills in the day of week.
    FILETIME file;
    if (!SystemTimeToFileTime(&given, &file) || !FileTimeToSystemTime(&file, &time))
        return false;
    return time.wYear == given.wYear && time.wMonth == given.wMonth && time.wDay == given.wDay;
}

int RunClock(int boardNo, const Arguments& args) {
    SYSTEMTIME wanted = {};
    bool change = false;
    if (args.size() == 1 && args[0] == "--sync") {
        GetLocalTime(&wanted);
        change = true;
    } else if (args.size() == 2 && args[0] == "--set") {
        if (!ParseClockText(args[1], wanted))
            return UsageError(args[1] +
                              ": 日時は \"YYYY-MM-DD hh:mm:ss\" の形で指定してください。");
        change = true;
    } else if (!args.empty()) {
        return UsageError("clock に指定できるのは --sync か --set \"YYYY-MM-DD hh:mm:ss\" です。");
    }
    ConsoleBoard board;
    if (const int opened = change ? OpenForChange(board, boardNo) : board.Open(boardNo);
        opened != kExitDone)
        return opened;
    if (change) {
        wanted.wMilliseconds = 0;
        const bool set = SetIPTime(board.Handle(), &wanted) == 0;
        RecordBoardChange(ClockSetChange(wanted), set ? kHistoryDone : kHistoryFailed);
        if (!set)
            return Failure("ボードの時計を設定できませんでした。");
    }
    SYSTEMTIME now = {};
    if (GetIPTime(board.Handle(), &now) != 0)
        return Failure("ボードの時計を読み出せませんでした。");
    Out(ClockText(now) + "\n");
    return kExitDone;
}

// A recovery record on this PC still has to complete a main-flash write on
// the board with this address ("" when the board has no valid identity: any
// record may be its cure): a reset now could leave it without boot code.
bool FlashWriteUnfinished(const std::string& address) {
    for (const std::string& path : FindRecoveryRecords()) {
        RecoveryRecord record;
        if (LoadRecoveryRecord(path, record) && (address.empty() || record.MacText() == address))
            return true;
    }
    return false;
}

int RunReset(int boardNo, const Arguments& args) {
    if (!args.empty())
        return UsageError("reset に指定できるオプションはありません。");
    ConsoleBoard board;
    if (const int opened = board.Open(boardNo); opened != kExitDone)
        return opened;
    if (FlashWriteUnfinished(board.LearnHardwareAddress())) {
        ShowFlashWriteUnfinishedOnExit();
        return kExitFailed;
    }
    const bool reset = ResetIP(board.Number(), 1) == 0;
    RecordBoardChange(kBoardResetChange, reset ? kHistoryDone : kHistoryFailed);
    if (!reset)
        return Failure("リセットに失敗しました");
    return kExitDone;
}

int RunHistory(int boardNo, const Arguments& args) {
    if (!args.empty())
        return UsageError("history に指定できるのは --board N だけです。");
    for (const std::string& line : ReadBoardHistory(boardNo))
        PrintUtf8Text(ConsoleStream::Out, line + "\n");
    return kExitDone;
}
