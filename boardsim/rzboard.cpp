// rzboard.cpp - command-line companion of the board simulator: creates,
// inspects and changes a simulated board folder.
#include "rzboard_commands.h"

#include "simboard.h"

#include <cstdio>
#include <cstring>

namespace {

const char kUsageText[] =
    "usage: rzboard <command> <board-folder> [arguments]\n"
    "\n"
    "  create <dir> [--type 0x200|0x201|0x300] [--mac 00:80:4C:12:34:56]\n"
    "               [--rom-version N] [--command-version N] [--no-boot-ini] [--force]\n"
    "  show <dir>                          type, versions, clock, flash sizes, product data,\n"
    "                                      files, faults, illegal NOR operations\n"
    "  set <dir> key=value [key=value...]  change board.ini (fail=... adds a fault)\n"
    "  product <dir> main|spi --mac XX:XX:XX:XX:XX:XX | --erase\n"
    "  file <dir> put <pc-file> <name> | get <name> <pc-file> | delete <name>\n"
    "  trace <dir> [--clear]\n"
    "  fault <dir> add <Function>:<n>:<result>[:partial] | clear\n"
    "  illegal <dir> [--clear]             list (or clear) the illegal NOR operations\n"
    "  clock <dir> set \"YYYY-MM-DD hh:mm:ss\"\n"
    "\n"
    "Faults and power cuts (calls and flash changes are counted from OpenIPDev):\n"
    "  fault add F:n:r          the n-th call of F returns r and changes nothing\n"
    "  fault add F:n:r:partial  a flash-changing call first does the first half of its\n"
    "                           change (half the sector, block, units, bytes or file),\n"
    "                           then returns r; fmWriteProgram erases every sector the\n"
    "                           image covers and programs half of it; fmDelete leaves\n"
    "                           the file cut to half its length\n"
    "  set power_cut_after=N    the process ends (exit code 0xDEAD) right after the\n"
    "                           N-th flash change\n"
    "  set power_cut_inside=N   the process ends part-way through the N-th flash change,\n"
    "                           leaving it half done as a partial fault does\n"
    "  set illegal_nor_ops=N    the count of operations that broke a NOR rule: a program\n"
    "                           that needs a bit to go from 0 to 1, a misaligned erase,\n"
    "                           an SPI page program across its page\n"
    "\n"
    "The main flash is 24 MiB on type 0x201 and 4 MiB on the other types.\n"
    "Board folders and PC files may be given as Windows paths or as Unix paths\n"
    "(taken as Z:\\...). Numbers may be decimal or 0x hex.\n";

struct Command {
    const char* name;
    int (*run)(const std::string&, const rzboard::Args&);
};

const Command kCommands[] = {
    {"create", rzboard::Create},   {"show", rzboard::Show},       {"set", rzboard::Set},
    {"product", rzboard::Product}, {"file", rzboard::File},       {"trace", rzboard::Trace},
    {"fault", rzboard::Fault},     {"illegal", rzboard::Illegal}, {"clock", rzboard::Clock},
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsageText, argc < 2 ? stderr : stdout);
        return argc < 2 ? rzboard::kUsage : rzboard::kOk;
    }
    for (const Command& command : kCommands) {
        if (std::strcmp(argv[1], command.name) != 0)
            continue;
        if (argc < 3) {
            std::fputs(kUsageText, stderr);
            return rzboard::Error(std::string(command.name) + ": board folder missing",
                                  rzboard::kUsage);
        }
        rzboard::Args args(argv + 3, argv + argc);
        return command.run(simboard::ToWindowsPath(argv[2]), args);
    }
    std::fputs(kUsageText, stderr);
    return rzboard::Error(std::string("unknown command: ") + argv[1], rzboard::kUsage);
}
