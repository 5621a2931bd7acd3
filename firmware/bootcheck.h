// bootcheck.h - whether the board, as it now reads, would boot: the check
// made before any reset is offered or made. The PC's records only say which
// regions to look at; the board's bytes decide.
#pragma once

#include <string>

// "" when the board reads as one that boots: a valid copy of its identity,
// a boot ROM head that is not blank (an SPI boot image head on type 0x201),
// no main-flash write of its identity left to complete, and every write left
// unverified reading back whole (the new image or the one it replaced).
// Otherwise the first thing that is not so, as a line of the user's message.
// `address`, when given, gets the identity's hardware address ("" without one).
std::string UnfinishedOnBoard(int hBoard, std::string* address = nullptr);
