// demo_prepare.cpp - prepares what the demo runs on: a simulated board whose
// firmware is older than the installed files, the installed files, and the
// registry keys of the maker's system software.
//
//   demo_prepare <board-folder> <pc-folder>
#include "../e2e/installation.h"
#include "simboard.h"

#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: demo_prepare <board-folder> <pc-folder>\n");
        return 2;
    }
    const std::string boardDir = argv[1];
    const std::string pcDir = argv[2];

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
    std::printf("board (firmware 0x100):      %s\n", boardDir.c_str());
    std::printf("installed files (0x200):     %s, %s\n", installation.SystemDir().c_str(),
                installation.DriverDir().c_str());
    return 0;
}
