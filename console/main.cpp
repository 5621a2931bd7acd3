// main.cpp - Tarnel2Cmd: the console face of the board engine, for set-up
// from scripts. Tarnel2Cmd COMMAND [options]; --help for each command.
#include "console/commands.h"
#include "console/consoleboard.h"
#include "console/consoletext.h"
#include "console/consoleui.h"

#include <cstring>
#include <shellapi.h>

namespace {

struct Command {
    const char* name;
    int (*run)(int boardNo, const Arguments& args, ConsoleBoardUi& ui);
    const char* help;
};

const Command kCommands[] = {
    {"info", RunInfo,
     "Tarnel2Cmd info [--board N]\n"
     "  ボード番号と品種、ボードと PC のファームウェアのバージョン、製品固有データの\n"
     "  2 つのコピーの状態、MAC アドレス、ボードの時計を表示します。\n"},
    {"show", RunShow,
     "Tarnel2Cmd show [--json] [--verbose] [--board N]\n"
     "  ボードのブート設定 (15 の設定) を、set にそのまま渡せる NAME=VALUE の行で\n"
     "  表示します。設定がない項目は NAME= です。--json では UTF-8 の JSON で表示します\n"
     "  (ない項目は null)。--verbose は設定についての注記を標準エラーに出します。\n"},
    {"set", RunSet,
     "Tarnel2Cmd set NAME=VALUE... [--force] [--board N]\n"
     "  ブート設定を変更して書き込みます。例: set IPADR=192.168.0.5 PORT=30001\n"
     "  値はページと同じ規則 (アドレス、範囲、(TCPACT+TCPCON) <= 32) で確認し、\n"
     "  1 つでも外れた場合は何も書き込みません。NAME= でその設定を削除します。\n"
     "  同じ NAME は 1 回だけ指定できます。指定していない内容のうち書き込むと変わるか\n"
     "  失われるもの (範囲外や数でない値、読み込まれない位置のセクション、知らない\n"
     "  セクション、コメント) があれば、それを示して何も書き込みません。--force を\n"
     "  指定すると、それを示したうえで書き込みます。\n"},
    {"export", RunExport,
     "Tarnel2Cmd export FILE [--board N]\n"
     "  ボードのブート設定を、書き込み時と同じ形でファイルに保存します。\n"
     "  ボードにシステムブートファイルがない場合は、ファイルを作らずに 1 で終了します。\n"},
    {"import", RunImport,
     "Tarnel2Cmd import FILE [--board N]\n"
     "  ファイルのブート設定をボードに書き込みます。書き込むとおりに読み戻せない\n"
     "  ファイルや、規則に外れた値を含むファイルは書き込みません。\n"},
    {"upgrade", RunUpgrade,
     "Tarnel2Cmd upgrade [--yes | --no] [--apply-record MACアドレス] [--board N]\n"
     "  起動時と同じファームウェアの確認とアップグレードを行います。\n"
     "  --yes はアップグレードの確認に OK、--no はキャンセルで答えます。指定がなく\n"
     "  コンソールから答えられない場合はキャンセルです。製品固有データの修復と\n"
     "  SPIブートイメージの更新は、確認なしに (--no でも) 行います。\n"
     "  有効な製品固有データのないボードに復旧データを書き込むのは、その MAC アドレスを\n"
     "  --apply-record 00-80-4C-12-34-56 のように指定したときだけです。\n"
     "  インストールされたファームウェアファイルがない場合は 1 で終了します。\n"},
    {"clock", RunClock,
     "Tarnel2Cmd clock [--sync | --set \"YYYY-MM-DD hh:mm:ss\"] [--board N]\n"
     "  ボードの時計を表示します。--sync は PC の時刻に、--set は指定の日時に合わせます。\n"},
    {"reset", RunReset,
     "Tarnel2Cmd reset [--board N]\n"
     "  ボードのシステムをリセットします。フラッシュメモリの書き込みが完了していない\n"
     "  間は、リセットせずに 1 で終了します。\n"},
    {"history", RunHistory,
     "Tarnel2Cmd history [--board N]\n"
     "  ボードへの変更の履歴を表示します。\n"},
};

const char kUsage[] =
    "使い方: Tarnel2Cmd COMMAND [options] [--board N]\n"
    "COMMAND: info, show, set, export, import, upgrade, clock, reset, history\n"
    "各コマンドの説明: Tarnel2Cmd COMMAND --help\n"
    "--board N: ボード番号 (省略時は最初のボード)\n"
    "終了コード: 0 完了 / 1 ボードまたはライブラリの失敗 / 2 使い方または値の誤り /\n"
    "            3 ユーザーが拒否 / 4 他のツールがボードを使用中\n";

// The arguments as code page 932 bytes, like every other text here, exactly
// as typed: an argument with a character that code page 932 cannot hold (it
// would be mapped to a look-alike) is refused, and `refused` names it.
bool CommandLineArguments(Arguments& args, std::string& refused) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    bool exact = true;
    for (int i = 1; wide != nullptr && i < count && exact; ++i) {
        const int length = lstrlenW(wide[i]);
        std::string arg;
        if (length > 0) {
            BOOL defaulted = FALSE;
            const int size = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide[i], length,
                                                 nullptr, 0, nullptr, &defaulted);
            arg.assign(static_cast<size_t>(size > 0 ? size : 0), '\0');
            if (size > 0)
                WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide[i], length, &arg[0], size,
                                    nullptr, &defaulted);
            // The round trip must give back what was typed.
            std::wstring back(static_cast<size_t>(length), L'\0');
            const int backSize = MultiByteToWideChar(
                932, 0, arg.data(), static_cast<int>(arg.size()), &back[0], length);
            exact = size > 0 && !defaulted && backSize == length &&
                    back == std::wstring(wide[i], static_cast<size_t>(length));
            if (!exact) {
                const int utf8 =
                    WideCharToMultiByte(CP_UTF8, 0, wide[i], length, nullptr, 0, nullptr, nullptr);
                refused.assign(static_cast<size_t>(utf8 > 0 ? utf8 : 0), '\0');
                if (utf8 > 0)
                    WideCharToMultiByte(CP_UTF8, 0, wide[i], length, &refused[0], utf8, nullptr,
                                        nullptr);
            }
        }
        args.push_back(arg);
    }
    LocalFree(wide);
    return exact;
}

// An option given twice, "" when none is.
std::string RepeatedOption(const Arguments& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i].rfind("--", 0) != 0)
            continue;
        for (size_t j = i + 1; j < args.size(); ++j) {
            if (args[j] == args[i])
                return args[i];
        }
    }
    return "";
}

// Takes "--board N" out of args; false (after the message) when N is not a
// board number.
bool TakeBoardOption(Arguments& args, int& boardNo) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--board")
            continue;
        const std::string value = i + 1 < args.size() ? args[i + 1] : "";
        if (value.empty() || value.size() > 6 ||
            value.find_first_not_of("0123456789") != std::string::npos) {
            PrintText(ConsoleStream::Err,
                      "--board にはボード番号 (0 以上の整数) を指定してください。\n");
            return false;
        }
        boardNo = std::stoi(value);
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
        return true;
    }
    return true;
}

int UsageFailure(const std::string& text) {
    PrintText(ConsoleStream::Err, text);
    return kExitUsage;
}

} // namespace

int main() {
    Arguments args;
    std::string refused;
    if (!CommandLineArguments(args, refused)) {
        PrintUtf8Text(ConsoleStream::Err, refused);
        PrintText(ConsoleStream::Err, ": Shift-JIS (コードページ 932) で表せない文字があります。"
                                      "入力したとおりに扱えないため、何もしません。\n");
        return kExitUsage;
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "/?") {
        PrintText(args.empty() ? ConsoleStream::Err : ConsoleStream::Out, kUsage);
        return args.empty() ? kExitUsage : kExitDone;
    }
    const std::string name = args[0];
    args.erase(args.begin());
    for (const Command& command : kCommands) {
        if (name != command.name)
            continue;
        for (const std::string& arg : args) {
            if (arg != "--help" && arg != "-h")
                continue;
            // Help alone; beside anything else it would hide that nothing was done.
            if (args.size() != 1)
                return UsageFailure(arg + " は単独で指定してください: Tarnel2Cmd " + name + " " +
                                    arg + "\n");
            PrintText(ConsoleStream::Out, command.help);
            return kExitDone;
        }
        const std::string repeated = RepeatedOption(args);
        if (!repeated.empty())
            return UsageFailure(repeated + " が 2 回以上指定されています。\n");
        int boardNo = -1;
        if (!TakeBoardOption(args, boardNo))
            return kExitUsage;
        // One face for every command: whatever the engine tells reaches stderr.
        ConsoleBoardUi ui;
        SetBoardUi(&ui);
        int result = command.run(boardNo, args, ui);
        SetBoardUi(nullptr);
        // A failure the engine told is never an exit code of success.
        if (result == kExitDone && ui.Errors() > 0)
            result = kExitFailed;
        return result;
    }
    PrintText(ConsoleStream::Err, name + ": そのようなコマンドはありません。\n" + kUsage);
    return kExitUsage;
}
