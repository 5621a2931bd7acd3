// demo_prepare.cpp - prepares what the demo runs on: a simulated board whose
// firmware is older than the installed files, the installed files, and the
// registry keys of the maker's system software. The package carries it for
// trying the tool on a PC without a board.
//
//   demo_prepare <board-folder> <pc-folder>
#include "../e2e/installation.h"
#include "simboard.h"

#include <windows.h>

#include <cstdio>

namespace {

const char kConfigKey[] = "SOFTWARE\\KORVANE\\RZ400SYS\\Config";

std::string FullPath(const char* path) {
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full, length) : std::string(path);
}

// The system folder the registry names now, or "" when there is none.
std::string RegisteredSystemDir() {
    char value[MAX_PATH] = {};
    DWORD size = sizeof(value) - 1;
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kConfigKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return std::string();
    LONG result =
        RegQueryValueExA(hKey, "Path", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(hKey);
    return result == ERROR_SUCCESS ? std::string(value) : std::string();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: demo_prepare <board-folder> <pc-folder>\n");
        return 2;
    }
    const std::string boardDir = FullPath(argv[1]);
    const std::string pcDir = FullPath(argv[2]);
    const std::string systemDir = pcDir + "\\RZ400SYS";

    // The keys may be a real installation's: never point them elsewhere.
    const std::string registered = RegisteredSystemDir();
    if (!registered.empty() && lstrcmpiA(registered.c_str(), systemDir.c_str()) != 0) {
        std::fprintf(
            stderr,
            "demo_prepare: the registry already names the maker's system software in\n"
            "  %s\nA demo would replace that; nothing was changed. The keys of an earlier demo\n"
            "are removed with: reg delete HKLM\\SOFTWARE\\KORVANE\\RZ400SYS /reg:32 /f\n",
            registered.c_str());
        return 1;
    }

    simboard::CreateOptions options;
    options.boardType = 0x200;
    options.romVersion = 0x100;
    options.commandVersion = 0x100;
    if (!simboard::CreateBoard(boardDir, options)) {
        std::fprintf(stderr, "demo_prepare: cannot create the board in %s\n", boardDir.c_str());
        return 1;
    }
    CreateDirectoryA(pcDir.c_str(), nullptr);
    e2e::FirmwareImages images;
    images.bootRom = e2e::MakeHeaderedFile(0x200, 0x200, 0x6000, 0x31);
    images.commandFile = e2e::MakeHeaderedFile(0x200, 0x200, 0x3000, 0x52);
    images.spiBoot = e2e::MakeSpiImage(0x2345, 0x17);
    images.boot2 = e2e::MakeSpiImage(0x5000, 0x29);
    e2e::Installation installation(pcDir, images);
    installation.KeepRegistered();
    // Without administrator rights the keys under HKEY_LOCAL_MACHINE are not
    // written, and the tool would find no installed files.
    if (lstrcmpiA(RegisteredSystemDir().c_str(), installation.SystemDir().c_str()) != 0) {
        std::fprintf(stderr,
                     "demo_prepare: cannot write the registry keys under "
                     "HKEY_LOCAL_MACHINE\\%s;\nrun it from a command prompt started "
                     "as administrator.\n",
                     kConfigKey);
        return 1;
    }
    std::printf("board (firmware 0x100):      %s\n", boardDir.c_str());
    std::printf("installed files (0x200):     %s, %s\n", installation.SystemDir().c_str(),
                installation.DriverDir().c_str());
    return 0;
}
