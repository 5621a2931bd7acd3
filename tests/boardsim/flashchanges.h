// flashchanges.h - one call of each kind that changes the flash or a board
// file, with fixed arguments, so that the tests and the child process run
// exactly the same change (the child for a power cut inside it).
#pragma once

#include <string>

namespace flashchanges {

// Files the changes take from the PC folder.
constexpr const char kBootRomName[] = "boot.rom";      // fmWriteProgram
constexpr const char kCommandFileName[] = "RZSYS.BIN"; // fmFileCopy

// Runs the change of `function` on the open board `h`, with the SPI flash
// opened around the SPI calls and the board file opened around fmWrite.
// Returns the result of `function` (or -1000 for an unknown name).
int Run(const std::string& function, int h, const std::string& pcDir);

} // namespace flashchanges
