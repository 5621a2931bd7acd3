// boardfolder.cpp - the board folder as the library finds it.
#include "boardfolder.h"

#include "boardconfig.h"
#include "flashimage.h"
#include "winfile.h"

#include <vector>

namespace simboard {

namespace {

constexpr int kNoBoardRecognised = 0x20102;

} // namespace

std::string BoardDirFromEnvironment() {
    DWORD needed = GetEnvironmentVariableA(kBoardDirVariable, nullptr, 0);
    if (needed == 0)
        return std::string();
    std::vector<char> value(needed + 1, '\0');
    DWORD length = GetEnvironmentVariableA(kBoardDirVariable, value.data(), needed + 1);
    if (length == 0 || length > needed)
        return std::string();
    return ToWindowsPath(std::string(value.data(), length));
}

int PrepareBoardFolder(const std::string& dir, BoardConfig& config) {
    if (dir.empty() || !DirectoryExists(dir))
        return kNoBoardRecognised;
    if (DirectoryIsEmpty(dir) && !CreateBoard(dir))
        return kNoBoardRecognised;
    if (!LoadConfig(dir, config))
        return kNoBoardRecognised;
    // A main image longer than the type's flash (an older board, or a changed
    // type) is kept; the SPI size is board.ini's own, so a longer one is damage.
    if (!MakeDirectories(JoinPath(dir, kSysFolderName)) ||
        !MainFlashOf(dir, config.BoardType()).Repair(true) ||
        !SpiFlashOf(dir, config.spiSize).Repair(false))
        return kNoBoardRecognised;
    return 0;
}

} // namespace simboard
