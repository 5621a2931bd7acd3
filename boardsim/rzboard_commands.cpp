// rzboard_commands.cpp - the companion's commands on a board folder.
#include "rzboard_commands.h"

#include "boardclock.h"
#include "boardconfig.h"
#include "flashimage.h"
#include "simboard.h"
#include "winfile.h"

#include <cstdio>
#include <cstring>

using namespace simboard;

namespace rzboard {

namespace {

bool ParseMac(const std::string& text, uint8_t mac[6]) {
    unsigned bytes[6];
    char tail = 0;
    if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &bytes[0], &bytes[1], &bytes[2],
                    &bytes[3], &bytes[4], &bytes[5], &tail) != 6 ||
        text.size() != 17)
        return false;
    for (int i = 0; i < 6; ++i)
        mac[i] = static_cast<uint8_t>(bytes[i]);
    return true;
}

std::string FormatMac(const uint8_t* mac) {
    char text[24];
    std::snprintf(text, sizeof(text), "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

// Printable form of a fixed-size text field.
std::string FieldText(const uint8_t* bytes, size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text += (bytes[i] >= 0x20 && bytes[i] < 0x7F) ? static_cast<char>(bytes[i]) : '.';
    return text;
}

bool ParseWord(const std::string& text, uint32_t& value) {
    long long number = 0;
    if (!ParseNumber(text, number) || number < 0 || number > 0xFFFFFFFFLL)
        return false;
    value = static_cast<uint32_t>(number);
    return true;
}

// "boot.ini" or "sys:\boot.ini" as a board path.
std::string BoardPathOf(const std::string& name) {
    if (_strnicmp(name.c_str(), "sys:\\", 5) == 0)
        return name;
    return "sys:\\" + name;
}

bool LoadBoard(const std::string& dir, BoardConfig& config) {
    if (!DirectoryExists(dir)) {
        Error("no board folder " + dir);
        return false;
    }
    if (!LoadConfig(dir, config)) {
        Error("no board in " + dir + " (board.ini missing or unreadable)");
        return false;
    }
    return true;
}

int SaveBoard(const std::string& dir, const BoardConfig& config) {
    return SaveConfig(dir, config) ? kOk : Error("cannot write board.ini in " + dir);
}

bool HasSpiCopy(uint32_t type) {
    return type == 0x200 || type == 0x201;
}

void ShowProductCopy(const char* label, uint32_t type, uint32_t address, bool read,
                     const uint8_t* block) {
    std::printf("%-30s", (std::string(label) + " " + Hex(address) + ":").c_str());
    if (!read) {
        std::printf("unreadable\n");
        return;
    }
    std::printf("%s  MAC %s  serial \"%s\"  model \"%s\"\n",
                ProductDataLooksValid(type, block) ? "valid  " : "INVALID",
                FormatMac(block + 32).c_str(), FieldText(block, 9).c_str(),
                FieldText(block + 16, 6).c_str());
}

} // namespace

int Error(const std::string& message, int code) {
    std::fprintf(stderr, "rzboard: %s\n", message.c_str());
    return code;
}

int Create(const std::string& dir, const Args& args) {
    CreateOptions options;
    bool force = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        bool hasValue = i + 1 < args.size();
        if (option == "--force") {
            force = true;
        } else if (option == "--no-boot-ini") {
            options.withBootIni = false;
        } else if (option == "--type" && hasValue) {
            if (!ParseWord(args[++i], options.boardType) || options.boardType > 0xFFF)
                return Error("bad board type: " + args[i], kUsage);
        } else if (option == "--mac" && hasValue) {
            if (!ParseMac(args[++i], options.mac))
                return Error("bad MAC address (expected XX:XX:XX:XX:XX:XX): " + args[i], kUsage);
        } else if (option == "--rom-version" && hasValue) {
            if (!ParseWord(args[++i], options.romVersion))
                return Error("bad ROM version: " + args[i], kUsage);
        } else if (option == "--command-version" && hasValue) {
            if (!ParseWord(args[++i], options.commandVersion))
                return Error("bad command version: " + args[i], kUsage);
        } else {
            return Error("create: unknown or incomplete option " + option, kUsage);
        }
    }
    if (!force && FileExists(JoinPath(dir, "board.ini")))
        return Error("a board already exists in " + dir + " (use --force to replace it)");
    if (!CreateBoard(dir, options))
        return Error("cannot create a board in " + dir);
    std::printf("created board type %s in %s\n", Hex(options.boardType).c_str(), dir.c_str());
    return kOk;
}

int Show(const std::string& dir, const Args& args) {
    if (!args.empty())
        return Error("show takes no arguments", kUsage);
    BoardConfig config;
    if (!LoadBoard(dir, config))
        return kFailed;
    const uint32_t type = config.BoardType();
    std::printf("board folder:         %s\n", dir.c_str());
    std::printf("board type:           %s (board word 0x%08X)\n", Hex(type).c_str(),
                config.boardWord);
    std::printf("ROM version:          %s\n", Hex(config.romVersion).c_str());
    std::printf("command version:      %s (command file %s)\n", Hex(config.commandVersion).c_str(),
                config.commandFile.c_str());
    std::printf("board number:         %d\n", config.boardNo);
    std::printf("reset count:          %d\n", config.resetCount);
    SYSTEMTIME now;
    if (BoardTimeNow(config.clockOffsetMs, now))
        std::printf("board clock:          %s (offset %lld ms)\n", FormatBoardTime(now).c_str(),
                    config.clockOffsetMs);
    else
        std::printf("board clock:          out of range (offset %lld ms)\n", config.clockOffsetMs);
    std::printf("main flash size:      %s\n", Hex(MainFlashSizeFor(type)).c_str());
    std::printf("SPI flash size:       %s\n", Hex(config.spiSize).c_str());
    std::printf("illegal NOR ops:      %d\n", config.illegalNorOps);

    uint8_t block[kProductDataSize];
    uint32_t mainAddress = ProductDataMainAddress(type);
    bool read = ReadMainFlash(dir, mainAddress, block, kProductDataSize);
    ShowProductCopy("product data main", type, mainAddress, read, block);
    read = ReadSpiFlash(dir, kProductDataSpiAddress, block, kProductDataSize);
    ShowProductCopy("product data SPI", type, kProductDataSpiAddress, read, block);
    if (!HasSpiCopy(type))
        std::printf("                      (this board type keeps no SPI copy)\n");

    std::printf("board files:\n");
    std::vector<std::string> names = ListBoardFiles(dir);
    if (names.empty())
        std::printf("  (none)\n");
    for (const std::string& name : names) {
        std::string content;
        ReadBoardFile(dir, "sys:\\" + name, content);
        std::printf("  sys:\\%-20s %zu bytes\n", name.c_str(), content.size());
    }

    std::printf("faults:\n");
    bool any = false;
    if (config.enumError != 0) {
        std::printf("  enum_error=%s\n", Hex(static_cast<uint32_t>(config.enumError)).c_str());
        any = true;
    }
    if (config.openError != 0) {
        std::printf("  open_error=%s\n", Hex(static_cast<uint32_t>(config.openError)).c_str());
        any = true;
    }
    for (const simboard::Fault& fault : config.faults) {
        std::printf("  fail=%s\n", FormatFault(fault).c_str());
        any = true;
    }
    for (const simboard::Delay& delay : config.delays) {
        std::printf("  delay=%s\n", FormatDelay(delay).c_str());
        any = true;
    }
    if (config.powerCutAfter != 0) {
        std::printf("  power_cut_after=%d\n", config.powerCutAfter);
        any = true;
    }
    if (config.powerCutInside != 0) {
        std::printf("  power_cut_inside=%d\n", config.powerCutInside);
        any = true;
    }
    if (!any)
        std::printf("  (none)\n");
    return kOk;
}

int Set(const std::string& dir, const Args& args) {
    if (args.empty())
        return Error("set needs key=value", kUsage);
    BoardConfig config;
    if (!LoadBoard(dir, config))
        return kFailed;
    for (const std::string& line : args) {
        std::string reason;
        if (!ApplyConfigLine(line, config, &reason))
            return Error(reason, kUsage);
    }
    int saved = SaveBoard(dir, config);
    // A new board type may have a larger main flash: extend the image now, so
    // that show and product see the whole of it before the library runs.
    if (saved == kOk && !MainFlashOf(dir, config.BoardType()).Repair(true))
        return Error("cannot resize mainflash.bin in " + dir);
    return saved;
}

int Product(const std::string& dir, const Args& args) {
    if (args.size() < 2 || (args[0] != "main" && args[0] != "spi"))
        return Error("product needs main|spi and --mac XX:XX:XX:XX:XX:XX or --erase", kUsage);
    BoardConfig config;
    if (!LoadBoard(dir, config))
        return kFailed;
    const bool main = args[0] == "main";
    const uint32_t type = config.BoardType();
    const uint32_t address = main ? ProductDataMainAddress(type) : kProductDataSpiAddress;
    auto read = [&](uint8_t* block) {
        return main ? ReadMainFlash(dir, address, block, kProductDataSize)
                    : ReadSpiFlash(dir, address, block, kProductDataSize);
    };
    auto write = [&](const uint8_t* block) {
        return main ? WriteMainFlash(dir, address, block, kProductDataSize)
                    : WriteSpiFlash(dir, address, block, kProductDataSize);
    };

    uint8_t block[kProductDataSize];
    if (args[1] == "--erase" && args.size() == 2) {
        std::memset(block, 0xFF, sizeof(block));
    } else if (args[1] == "--mac" && args.size() == 3) {
        uint8_t mac[6];
        if (!ParseMac(args[2], mac))
            return Error("bad MAC address (expected XX:XX:XX:XX:XX:XX): " + args[2], kUsage);
        if (!read(block))
            return Error("cannot read the product data at " + Hex(address));
        // A blank copy gets a whole new block; otherwise only the MAC changes.
        bool blank = true;
        for (int i = 0; i < 9; ++i)
            blank = blank && (block[i] == 0xFF || block[i] == 0x00);
        if (blank) {
            std::vector<uint8_t> fresh = MakeProductData(type, mac);
            std::memcpy(block, fresh.data(), kProductDataSize);
        } else {
            std::memcpy(block + 32, mac, 6);
        }
    } else {
        return Error("product needs --mac XX:XX:XX:XX:XX:XX or --erase", kUsage);
    }
    if (!write(block))
        return Error("cannot write the product data at " + Hex(address));
    return kOk;
}

int File(const std::string& dir, const Args& args) {
    BoardConfig config;
    if (args.empty())
        return Error("file needs put, get or delete", kUsage);
    if (!LoadBoard(dir, config))
        return kFailed;
    const std::string& action = args[0];
    if (action == "put" && args.size() == 3) {
        std::string content;
        if (!ReadWholeFile(ToWindowsPath(args[1]), content))
            return Error("cannot read " + args[1]);
        if (!WriteBoardFile(dir, BoardPathOf(args[2]), content))
            return Error("cannot write board file " + BoardPathOf(args[2]));
        return kOk;
    }
    if (action == "get" && args.size() == 3) {
        std::string content;
        if (!ReadBoardFile(dir, BoardPathOf(args[1]), content))
            return Error("no board file " + BoardPathOf(args[1]));
        if (!WriteWholeFile(ToWindowsPath(args[2]), content))
            return Error("cannot write " + args[2]);
        return kOk;
    }
    if (action == "delete" && args.size() == 2) {
        if (!DeleteBoardFile(dir, BoardPathOf(args[1])))
            return Error("no board file " + BoardPathOf(args[1]));
        return kOk;
    }
    return Error("file needs put <pc-file> <name>, get <name> <pc-file> or delete <name>", kUsage);
}

int Trace(const std::string& dir, const Args& args) {
    BoardConfig config;
    if (!LoadBoard(dir, config))
        return kFailed;
    if (args.size() == 1 && args[0] == "--clear") {
        ClearTrace(dir);
        return kOk;
    }
    if (!args.empty())
        return Error("trace takes only --clear", kUsage);
    for (const TraceEntry& entry : ReadTrace(dir))
        std::printf("%s\n", entry.line.c_str());
    return kOk;
}

int Fault(const std::string& dir, const Args& args) {
    BoardConfig config;
    if (args.empty())
        return Error("fault needs add <Function>:<n>:<result>[:partial] or clear", kUsage);
    if (!LoadBoard(dir, config))
        return kFailed;
    if (args[0] == "add" && args.size() == 2) {
        simboard::Fault fault;
        if (!ParseFault(args[1], fault))
            return Error("bad fault (expected <Function>:<n>:<result>[:partial]): " + args[1],
                         kUsage);
        config.faults.push_back(fault);
        return SaveBoard(dir, config);
    }
    if (args[0] == "clear" && args.size() == 1) {
        config.faults.clear();
        config.enumError = 0;
        config.openError = 0;
        config.powerCutAfter = 0;
        config.powerCutInside = 0;
        return SaveBoard(dir, config);
    }
    return Error("fault needs add <Function>:<n>:<result>[:partial] or clear", kUsage);
}

int Illegal(const std::string& dir, const Args& args) {
    BoardConfig config;
    if (!LoadBoard(dir, config))
        return kFailed;
    if (args.size() == 1 && args[0] == "--clear")
        return ClearIllegalNorOps(dir) ? kOk : Error("cannot clear the illegal NOR operations");
    if (!args.empty())
        return Error("illegal takes only --clear", kUsage);
    for (const std::string& line : ReadIllegalNorLog(dir))
        std::printf("%s\n", line.c_str());
    return kOk;
}

int Clock(const std::string& dir, const Args& args) {
    BoardConfig config;
    if (args.size() != 2 || args[0] != "set")
        return Error("clock needs set \"YYYY-MM-DD hh:mm:ss\"", kUsage);
    if (!LoadBoard(dir, config))
        return kFailed;
    SYSTEMTIME time;
    if (!ParseBoardTime(args[1], time) || !OffsetForBoardTime(time, config.clockOffsetMs))
        return Error("bad time (expected YYYY-MM-DD hh:mm:ss): " + args[1], kUsage);
    return SaveBoard(dir, config);
}

} // namespace rzboard
