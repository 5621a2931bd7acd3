// boardfolder.h - finding the board folder named by LM800SIM_DIR and making
// it usable (a new board in an empty folder, missing images re-created).
#pragma once

#include "simboard.h"

#include <string>

namespace simboard {

constexpr const char kBoardDirVariable[] = "LM800SIM_DIR";

// The Windows path of the folder named by LM800SIM_DIR, or "" when unset.
std::string BoardDirFromEnvironment();

// Makes the folder a usable board and loads its configuration. Returns 0, or
// the enumeration error code when there is no usable board: no folder, an
// unreadable board.ini, or flash images that cannot be fixed.
int PrepareBoardFolder(const std::string& dir, BoardConfig& config);

} // namespace simboard
