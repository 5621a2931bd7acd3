// main.cpp - Tarnel2Cmd: the console face of the board engine, for set-up
// from scripts. Tarnel2Cmd COMMAND [options]; --help for each command.
#include "console/commands.h"
#include "console/consoleboard.h"
#include "console/consoletext.h"

#include <cstring>
#include <shellapi.h>

namespace {

struct Command {
    const char* name;
    int (*run)(int boardNo, const Arguments& args);
    const char* help;
};

const Command kCommands[] = {
    {"info", RunInfo,
     "Tarnel2Cmd info [--board N]\n"
     "  ボード番号と品種、ボードと PC のファームウェアのバージョン、製品固有データの\n"
     "  2 つのコピーの状態、MAC アドレス、ボードの時計を表示します。\n"},
    {"show", RunShow,
     "Tarnel2Cmd show [--json] [--board N]\n"
     "  ボードのブート設定 (15 の設定) を NAME=VALUE で表示します。設定がない項目は\n"
     "  NAME= です。--json では UTF-8 の JSON で表示します (ない項目は null)。\n"},
    {"set", RunSet,
     "Tarnel2Cmd set NAME=VALUE... [--board N]\n"
     "  ブート設定を変更して書き込みます。例: set IPADR=192.168.0.5 PORT=30001\n"
     "  値はページと同じ規則 (アドレス、範囲、(TCPACT+TCPCON) <= 32) で確認し、\n"
     "  1 つでも外れた場合は何も書き込みません。NAME= でその設定を削除します。\n"},
    {"export", RunExport,
     "Tarnel2Cmd export FILE [--board N]\n"
     "  ボードのブート設定を、書き込み時と同じ形でファイルに保存します。\n"},
    {"import", RunImport,
     "Tarnel2Cmd import FILE [--board N]\n"
     "  ファイルのブート設定をボードに書き込みます。書き込むとおりに読み戻せない\n"
     "  ファイルや、規則に外れた値を含むファイルは書き込みません。\n"},
    {"upgrade", RunUpgrade,
     "Tarnel2Cmd upgrade [--yes | --no] [--board N]\n"
     "  起動時と同じファームウェアの確認とアップグレードを行います。\n"
     "  --yes はすべての確認に OK、--no はキャンセルで答えます (製品固有データの\n"
     "  修復は行います)。指定がなくコンソールから答えられない場合はキャンセルです。\n"},
    {"clock", RunClock,
     "Tarnel2Cmd clock [--sync | --set \"YYYY-MM-DD hh:mm:ss\"] [--board N]\n"
     "  ボードの時計を表示します。--sync は PC の時刻に、--set は指定の日時に合わせます。\n"},
    {"reset", RunReset,
     "Tarnel2Cmd reset [--board N]\n"
     "  ボードのシステムをリセットします。\n"},
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

// The arguments as code page 932 bytes, like every other text here.
Arguments CommandLineArguments() {
    Arguments args;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide != nullptr && i < count; ++i) {
        const int size = WideCharToMultiByte(932, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(static_cast<size_t>(size > 0 ? size : 1), '\0');
        WideCharToMultiByte(932, 0, wide[i], -1, &arg[0], size, nullptr, nullptr);
        arg.resize(std::strlen(arg.c_str()));
        args.push_back(arg);
    }
    LocalFree(wide);
    return args;
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

} // namespace

int main() {
    Arguments args = CommandLineArguments();
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
            if (arg == "--help" || arg == "-h") {
                PrintText(ConsoleStream::Out, command.help);
                return kExitDone;
            }
        }
        int boardNo = -1;
        if (!TakeBoardOption(args, boardNo))
            return kExitUsage;
        return command.run(boardNo, args);
    }
    PrintText(ConsoleStream::Err, name + ": そのようなコマンドはありません。\n" + kUsage);
    return kExitUsage;
}
