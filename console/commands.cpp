// commands.cpp - the console program's commands over the board engine.
#include "console/commands.h"

#include "console/bootfilefindings.h"
#include "console/consoleboard.h"
#include "console/consoletext.h"
#include "console/consoleui.h"
#include "console/settingsfields.h"
#include "engine/boardhistory.h"
#include "engine/boardoperations.h"
#include "settings/rzscript.h"
#include "settings/settingssections.h"

#include <windows.h>

#include <cstdio>

namespace {

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

std::string ClockString(const SYSTEMTIME& t) {
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return text;
}

// Opens the board (for a change when `change`) and reads its boot settings,
// and the file whole into `file`: kExitDone, or the exit code of what failed
// (its reason told).
int OpenAndReadSettings(ConsoleBoard& board, int boardNo, bool change, CRZScript& script,
                        NetworkSettings& settings, BootFileImage& file) {
    const int opened = change ? board.OpenForChange(boardNo) : board.Open(boardNo);
    if (opened != kExitDone)
        return opened;
    // A file that exists but cannot be read is never overwritten unseen.
    return ReadBoardSettingsFile(script, board.Handle(), settings, file) == 0 ? kExitDone
                                                                              : kExitFailed;
}

// Writes the record as the dialog's Write does and tells the result.
int WriteSettings(const ConsoleBoard& board, CRZScript& script, const NetworkSettings& settings) {
    NetworkSettings readBack;
    const SettingsWrite write =
        WriteBoardSettings(script, board.Handle(), board.HardwareAddress(), settings, readBack);
    TellSettingsWrite(write);
    return write.result == 0 ? kExitDone : kExitFailed;
}

// What of the board's file a rewrite would lose that the command did not
// name (every section, when `named` is null).
std::vector<BootFileFinding> UnnamedLosses(const BootFileImage& file,
                                           const NetworkSettings& settings, const bool* named) {
    std::vector<BootFileFinding> losses;
    for (const BootFileFinding& finding : FindUncarriedContent(file.bytes, settings)) {
        if (named == nullptr || finding.section < 0 || !named[finding.section])
            losses.push_back(finding);
    }
    return losses;
}

void PrintLosses(const std::vector<BootFileFinding>& losses) {
    for (const BootFileFinding& loss : losses)
        PrintText(ConsoleStream::Err, "注意: " + loss.text + "\n");
}

// The sections on the board, not named by the command, that take part in
// the TCP connection limit: "TCPACT=20".
std::string LimitValuesOnBoard(const NetworkSettings& board, const bool* named) {
    std::string values;
    for (const int section : {7, 9}) {
        const SectionFields& fields = kSectionFields[section];
        if (named[section] || board.*(fields.flag) == 0)
            continue;
        values += (values.empty() ? "" : " ") + SectionName(section) + "=" +
                  std::to_string(board.*(fields.number));
    }
    return values;
}

// File names are typed in code page 932 and reach the file functions in
// UTF-16, so that no name is mapped to a look-alike.
std::wstring WidePath(const std::string& cp932) {
    const int size = static_cast<int>(cp932.size());
    const int wide = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, cp932.data(), size, nullptr, 0);
    std::wstring path(static_cast<size_t>(wide > 0 ? wide : 0), L'\0');
    if (wide > 0)
        MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, cp932.data(), size, &path[0], wide);
    return path;
}

enum class LocalRead { Done, Failed, NotAFile };

LocalRead ReadLocalFile(const std::string& path, std::string& bytes) {
    HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return LocalRead::Failed;
    // A device (NUL, CON, a port) is no settings file.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return LocalRead::NotAFile;
    }
    bytes.clear();
    char buffer[4096];
    DWORD read = 0;
    BOOL ok = TRUE;
    while ((ok = ReadFile(file, buffer, sizeof(buffer), &read, nullptr)) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return ok ? LocalRead::Done : LocalRead::Failed;
}

bool WriteLocalFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
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

std::string InstalledVersion(const InstalledFirmwareFile& file) {
    if (!file.found)
        return "なし";
    return Hex(file.version) + " (" + file.path + ")";
}

// The lines of a text, each with its line end.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

// Takes a flag that may stand anywhere among the arguments.
bool TakeFlag(Arguments& args, const char* flag) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == flag) {
            args.erase(args.begin() + static_cast<long>(i));
            return true;
        }
    }
    return false;
}

} // namespace

std::string ImportRefusal(const std::string& bytes) {
    if (bytes.empty())
        return "ファイルが空です。";
    if (bytes.size() >= static_cast<size_t>(CRZScript::kTextBufferSize))
        return "ファイルが大きすぎます。ボードのファイルは " +
               std::to_string(CRZScript::kTextBufferSize - 1) + " バイトまでしか読み込まれません。";
    const std::vector<std::string> given = Lines(bytes);
    for (size_t i = 0; i < given.size(); ++i) {
        if (given[i].find('\0') != std::string::npos)
            return std::to_string(i + 1) + " 行目: NUL 文字があります。";
    }
    // The reader takes no line without its end.
    if (bytes.back() != '\n')
        return std::to_string(given.size()) + " 行目" + QuotedLine(given.back()) +
               ": 最後の行に行末 (CR LF) がありません。";
    CRZScript script;
    NetworkSettings settings = {};
    script.ParseSettings(bytes.c_str(), static_cast<int>(bytes.size()), settings);
    char text[CRZScript::kTextBufferSize];
    const int length = script.FormatSettings(settings, text);
    if (length < 0)
        return "設定を書き込む形にできません。";
    const std::vector<std::string> written = Lines(std::string(text, static_cast<size_t>(length)));
    for (size_t i = 0; i < given.size(); ++i) {
        const std::string line = std::to_string(i + 1) + " 行目" + QuotedLine(given[i]) + ": ";
        if (i < written.size() && given[i] == written[i])
            continue;
        // Dropped: what follows it is written in its place.
        if (i >= written.size() || (i + 1 < given.size() && given[i + 1] == written[i]))
            return line + "この行は読み込まれません。";
        if (QuotedLine(given[i]) == QuotedLine(written[i]))
            return line + "行末が CR LF ではありません。";
        return line + "書き込むと" + QuotedLine(written[i]) + "になります。";
    }
    return "";
}

int RunInfo(int boardNo, const Arguments& args, ConsoleBoardUi&) {
    if (!args.empty())
        return UsageError("info に指定できるオプションはありません。");
    ConsoleBoard board;
    if (const int opened = board.Open(boardNo); opened != kExitDone)
        return opened;
    BoardInfo info;
    if (!ReadBoardInfo(board.Handle(), info))
        return kExitFailed;
    Out("ボード番号: " + std::to_string(board.Number()) + "\n");
    char type[16];
    std::snprintf(type, sizeof(type), "0x%03lX", static_cast<unsigned long>(info.boardType));
    Out("ボード品種: " + std::string(type) + "\n");
    Out("IPL (ボード): " + Hex(info.romVersion) + "\n");
    Out("IPL (PC): " + InstalledVersion(info.rom) + "\n");
    Out("コマンドファイル (ボード): " + Hex(info.commandVersion) + "\n");
    Out("コマンドファイル (PC): " + InstalledVersion(info.command) + "\n");
    Out("製品固有データ (メイン): " + CopyState(info.mainRead, info.mainValid) + "\n");
    if (info.hasSpiCopy)
        Out("製品固有データ (SPI): " + CopyState(info.spiRead, info.spiValid) + "\n");
    Out("MACアドレス: " +
        (info.hardwareAddress.empty() ? std::string("不明") : info.hardwareAddress) + "\n");
    SYSTEMTIME now = {};
    if (!ReadBoardClock(board.Handle(), now))
        return Failure("ボードの時計を読み出せませんでした。");
    Out("ボードの時計: " + ClockString(now) + "\n");
    return kExitDone;
}

int RunShow(int boardNo, const Arguments& args, ConsoleBoardUi&) {
    Arguments rest = args;
    const bool json = TakeFlag(rest, "--json");
    const bool verbose = TakeFlag(rest, "--verbose");
    if (!rest.empty())
        return UsageError("show に指定できるのは --json と --verbose です。");
    ConsoleBoard board;
    CRZScript script;
    NetworkSettings settings = {};
    BootFileImage file;
    if (const int read = OpenAndReadSettings(board, boardNo, false, script, settings, file);
        read != kExitDone)
        return read;
    // What the values shown do not carry is said beside them, not among them.
    PrintLosses(UnnamedLosses(file, settings, nullptr));
    if (verbose)
        PrintText(ConsoleStream::Err, SettingsNotes());
    if (json)
        PrintBytes(ConsoleStream::Out, SettingsJson(settings));
    else
        Out(SettingsText(settings));
    return kExitDone;
}

int RunSet(int boardNo, const Arguments& args, ConsoleBoardUi&) {
    Arguments assignments = args;
    const bool force = TakeFlag(assignments, "--force");
    if (assignments.empty())
        return UsageError("set には NAME=VALUE を 1 つ以上指定してください。");
    // Every value is checked before the board is touched.
    NetworkSettings syntax = {};
    bool named[kSectionCount] = {};
    std::vector<std::string> notes;
    for (const std::string& assignment : assignments) {
        std::string note;
        const std::string broken = ApplySetting(syntax, assignment, &note);
        if (!broken.empty())
            return UsageError(broken);
        const int section = FindSectionByName(assignment.substr(0, assignment.find('=')));
        if (named[section])
            return UsageError(SectionName(section) + " が 2 回以上指定されています。");
        named[section] = true;
        if (!note.empty())
            notes.push_back(note);
    }
    ConsoleBoard board;
    CRZScript script;
    NetworkSettings settings = {};
    BootFileImage file;
    if (const int read = OpenAndReadSettings(board, boardNo, true, script, settings, file);
        read != kExitDone)
        return read;
    // Only what is named changes: anything else the rewrite would change or
    // drop is named, and nothing is written unless that is wanted.
    const std::vector<BootFileFinding> losses = UnnamedLosses(file, settings, named);
    if (!losses.empty() && !force) {
        PrintText(ConsoleStream::Err, "ボードのｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙには、書き込むと変わるか失われる"
                                      "内容があります。\n");
        PrintLosses(losses);
        return UsageError("指定していない設定は変えないため、書き込みません。このまま書き込む"
                          "ときは --force を指定してください。");
    }
    const NetworkSettings onBoard = settings;
    for (const std::string& assignment : assignments)
        ApplySetting(settings, assignment);
    const std::string limit = CheckConnectionLimit(settings);
    if (!limit.empty()) {
        const std::string values = LimitValuesOnBoard(onBoard, named);
        return UsageError(values.empty() ? limit : limit + " (ボードの設定: " + values + ")");
    }
    if (!losses.empty()) {
        PrintText(ConsoleStream::Err, "--force: 次の内容は書き込むと変わるか失われます。\n");
        PrintLosses(losses);
    }
    for (const std::string& note : notes)
        PrintText(ConsoleStream::Err, note + "\n");
    return WriteSettings(board, script, settings);
}

int RunExport(int boardNo, const Arguments& args, ConsoleBoardUi&) {
    if (args.size() != 1 || args[0].empty())
        return UsageError("export には保存するファイルを 1 つ指定してください。");
    ConsoleBoard board;
    CRZScript script;
    NetworkSettings settings = {};
    BootFileImage file;
    if (const int read = OpenAndReadSettings(board, boardNo, false, script, settings, file);
        read != kExitDone)
        return read;
    // No file on the board makes no file on the PC: an empty one would be
    // imported as an empty settings file, which the board did not have.
    if (!file.exists)
        return Failure("ボードにｼｽﾃﾑﾌﾞｰﾄﾌｧｲﾙがありません。" + args[0] + " は作りません。");
    char text[CRZScript::kTextBufferSize];
    const int length = script.FormatSettings(settings, text);
    if (!WriteLocalFile(args[0], std::string(text, static_cast<size_t>(length))))
        return Failure(args[0] + " に書き込めませんでした。");
    return kExitDone;
}

int RunImport(int boardNo, const Arguments& args, ConsoleBoardUi&) {
    if (args.size() != 1 || args[0].empty())
        return UsageError("import には読み込むファイルを 1 つ指定してください。");
    std::string bytes;
    switch (ReadLocalFile(args[0], bytes)) {
        case LocalRead::Done:
            break;
        case LocalRead::NotAFile:
            return UsageError(args[0] + ": ファイルではありません (デバイス名です)。");
        case LocalRead::Failed:
            return UsageError(args[0] + " を読み込めませんでした。");
    }
    // Only a file that reads back exactly as it will be written goes to the
    // board: anything the reader would drop or change is refused.
    const std::string refusal = ImportRefusal(bytes);
    if (!refusal.empty())
        return UsageError(args[0] + ": " + refusal + "ボードには書き込みません。");
    CRZScript script;
    NetworkSettings settings = {};
    script.ParseSettings(bytes.c_str(), static_cast<int>(bytes.size()), settings);
    for (int section = 0; section < kSectionCount; ++section) {
        const std::string broken = CheckSection(settings, section);
        if (!broken.empty())
            return UsageError(broken);
    }
    const std::string limit = CheckConnectionLimit(settings);
    if (!limit.empty())
        return UsageError(limit);
    ConsoleBoard board;
    if (const int opened = board.OpenForChange(boardNo); opened != kExitDone)
        return opened;
    return WriteSettings(board, script, settings);
}

int RunUpgrade(int boardNo, const Arguments& args, ConsoleBoardUi& ui) {
    Arguments rest = args;
    const bool yes = TakeFlag(rest, "--yes");
    const bool no = TakeFlag(rest, "--no");
    std::string record;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != "--apply-record")
            continue;
        record = i + 1 < rest.size() ? NormalizeHardwareAddress(rest[i + 1]) : "";
        if (record.empty())
            return UsageError("--apply-record には復旧データの MAC アドレス "
                              "(例: 00-80-4C-12-34-56) を指定してください。");
        rest.erase(rest.begin() + static_cast<long>(i), rest.begin() + static_cast<long>(i) + 2);
        break;
    }
    if (!rest.empty() || (yes && no))
        return UsageError("upgrade に指定できるのは --yes か --no のどちらかと "
                          "--apply-record MACアドレス です。");
    ui.SetAnswer(yes ? ConsoleAnswer::Yes : no ? ConsoleAnswer::No : ConsoleAnswer::Ask);
    ui.SetRecordToApply(record);
    ConsoleBoard board;
    if (const int opened = board.Open(boardNo); opened != kExitDone)
        return opened;
    BOOL updated = FALSE;
    const FirmwareOutcome outcome = CheckBoardFirmware(board.Handle(), updated);
    if (outcome.spiImagesWritten > 0)
        PrintText(ConsoleStream::Err, "SPIブートイメージを " +
                                          std::to_string(outcome.spiImagesWritten) +
                                          " 個書き込みました。\n");
    for (const std::string& path : outcome.missingFiles)
        Failure("インストールされたファームウェアファイルがありません: " + path);
    if (ui.Errors() > 0 || !outcome.missingFiles.empty())
        return kExitFailed;
    return ui.Declined() ? kExitDeclined : kExitDone;
}

ClockText ParseClockText(const std::string& text, SYSTEMTIME& time) {
    // Digits where "YYYY-MM-DD hh:mm:ss" has them, its separators elsewhere.
    const char pattern[] = "0000-00-00 00:00:00";
    if (text.size() != sizeof(pattern) - 1)
        return ClockText::BadFormat;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == '0' ? !digit : text[i] != pattern[i])
            return ClockText::BadFormat;
    }
    auto number = [&text](size_t at, size_t count) {
        return static_cast<WORD>(std::stoi(text.substr(at, count)));
    };
    SYSTEMTIME given = {};
    given.wYear = number(0, 4);
    given.wMonth = number(5, 2);
    given.wDay = number(8, 2);
    given.wHour = number(11, 2);
    given.wMinute = number(14, 2);
    given.wSecond = number(17, 2);
    // The round trip rejects impossible dates and fills in the day of week.
    FILETIME file;
    if (!SystemTimeToFileTime(&given, &file) || !FileTimeToSystemTime(&file, &time))
        return ClockText::NoSuchTime;
    const bool same = time.wYear == given.wYear && time.wMonth == given.wMonth &&
                      time.wDay == given.wDay && time.wHour == given.wHour &&
                      time.wMinute == given.wMinute && time.wSecond == given.wSecond;
    return same ? ClockText::Valid : ClockText::NoSuchTime;
}

int RunClock(int boardNo, const Arguments& args, ConsoleBoardUi&) {
    SYSTEMTIME wanted = {};
    bool change = false;
    if (args.size() == 1 && args[0] == "--sync") {
        GetLocalTime(&wanted);
        change = true;
    } else if (args.size() == 2 && args[0] == "--set") {
        switch (ParseClockText(args[1], wanted)) {
            case ClockText::Valid:
                break;
            case ClockText::BadFormat:
                return UsageError(args[1] +
                                  ": 日時は \"YYYY-MM-DD hh:mm:ss\" の形で指定してください。");
            case ClockText::NoSuchTime:
                return UsageError(args[1] + ": そのような日時はありません。");
        }
        change = true;
    } else if (!args.empty()) {
        return UsageError("clock に指定できるのは --sync か --set \"YYYY-MM-DD hh:mm:ss\" です。");
    }
    ConsoleBoard board;
    if (const int opened = change ? board.OpenForChange(boardNo) : board.Open(boardNo);
        opened != kExitDone)
        return opened;
    if (change) {
        wanted.wMilliseconds = 0;
        if (!SetBoardClock(board.Handle(), wanted))
            return Failure("ボードの時計を設定できませんでした。");
    }
    SYSTEMTIME now = {};
    if (!ReadBoardClock(board.Handle(), now)) {
        if (!change)
            return Failure("ボードの時計を読み出せませんでした。");
        // The clock was set: that is what was asked.
        PrintText(ConsoleStream::Err, "ボードの時計を設定しました。設定後の時計は読み出せません"
                                      "でした。\n");
        return kExitDone;
    }
    Out(ClockString(now) + "\n");
    return kExitDone;
}

int RunReset(int boardNo, const Arguments& args, ConsoleBoardUi&) {
    if (!args.empty())
        return UsageError("reset に指定できるオプションはありません。");
    ConsoleBoard board;
    if (const int opened = board.OpenForChange(boardNo); opened != kExitDone)
        return opened;
    if (!MayResetBoard(board.Handle(), false))
        return kExitFailed;
    return ResetBoard(board.Number()) ? kExitDone : kExitFailed;
}

int RunHistory(int boardNo, const Arguments& args, ConsoleBoardUi&) {
    if (!args.empty())
        return UsageError("history に指定できるのは --board N だけです。");
    for (const std::string& line : ReadBoardHistory(boardNo))
        PrintUtf8Text(ConsoleStream::Out, line + "\n");
    return kExitDone;
}
