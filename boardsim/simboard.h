// simboard.h - the simulated board's state on disk, for the simulated
// LM800MUL.dll, its command-line companion and the tests.
//
// One folder is one board:
//   board.ini      text, one "key=value" a line (see BoardConfig)
//   sys\           the board file system ("sys:\name" is sys\name)
//   mainflash.bin  main flash, MainFlashSizeFor(board type) bytes (sparse;
//                  erased = 0xFF) stored with every byte inverted, so that
//                  erased flash is a hole of zeros in the file; read it
//                  through ReadMainFlash. A larger file (a board made when
//                  every image was 32 MiB, or one whose type was changed) is
//                  kept as it is and only its first bytes are the flash.
//   spiflash.bin   SPI flash, BoardConfig::spiSize bytes (erased = 0xFF)
//   trace.log      one line per library call: Name(arg, arg, ...) = result
//   illegal_nor.log one line per operation that broke a NOR flash rule
//
// The DLL reads the folder named by the environment variable LM800SIM_DIR
// (a Windows path, or a Unix path that is taken as Z:\...). Every call reads
// what it needs from the folder and writes its changes back before it
// returns, so a second process always sees the current board.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace simboard {

constexpr uint32_t kMainSectorSize = 0x10000;  // fmSectorErase unit
constexpr uint32_t kSpiDefaultSize = 0x100000; // 1 MiB
constexpr uint32_t kSpiSectorSize = 0x1000;
constexpr uint32_t kSpiBlockSize = 0x10000;
constexpr uint32_t kSpiPageSize = 0x100;
constexpr uint32_t kProductDataSpiAddress = 0xFC00;
constexpr int kPowerCutExitCode = 0xDEAD; // process exit code of a power cut

// The main flash of a board type: the smallest part that holds every address
// the firmware of that type uses (see MainFlashSizeFor).
constexpr uint32_t kMainFlashSize201 = 0x1800000;  // 24 MiB
constexpr uint32_t kMainFlashSizeSmall = 0x400000; // 4 MiB
uint32_t MainFlashSizeFor(uint32_t boardType);

// One injected failure: the n-th call (1-based, counted from OpenIPDev) of
// `function` returns `result`. A plain fault changes nothing. A partial one
// on a call that changes the flash or a board file first does part of its
// change, as a NOR part that fails or loses power part-way does (see
// PartialExtent in boardcall.h); on any other call it is a plain fault.
struct Fault {
    std::string function;
    int nthCall = 1;
    int result = -1;
    bool partial = false;
};

// A slow call: the n-th call of `function` waits `ms` milliseconds before it
// does anything, as a board that answers slowly.
struct Delay {
    std::string function;
    int nthCall = 1;
    int ms = 0;
};

struct BoardConfig {
    uint32_t boardWord = 0x20000000; // version record word at offset 4; type = word >> 20
    uint32_t commandVersion = 0x100; // word at offset 8
    uint32_t romVersion = 0x100;     // word at offset 16
    int boardNo = 0;                 // first value of the enumeration buffer
    int64_t clockOffsetMs = 0;       // board clock = host local time + offset
    int resetCount = 0;
    std::string commandFile = "RZSYS.BIN"; // board file whose copy updates commandVersion
    uint32_t spiSize = kSpiDefaultSize;
    int enumError = 0; // nonzero: EnumAttachIPDev fails, GetIPLastError = this
    int openError = 0; // nonzero: OpenIPDev fails, GetIPLastError = this
    std::vector<Fault> faults;
    std::vector<Delay> delays;
    int powerCutAfter = 0;  // nonzero: the process ends after this many flash changes
    int powerCutInside = 0; // nonzero: the process ends part-way through this flash change
    int illegalNorOps = 0;  // operations so far that broke a NOR rule (see illegal_nor.log)

    uint32_t BoardType() const { return boardWord >> 20; }
};

struct TraceEntry {
    std::string function;
    std::vector<std::string> args; // as written: numbers in decimal or 0x hex, strings quoted
    long long result = 0;
    std::string line; // the whole line
};

// Options for a new board.
struct CreateOptions {
    uint32_t boardType = 0x200;
    uint8_t mac[6] = {0x00, 0x80, 0x4C, 0x12, 0x34, 0x56};
    uint32_t commandVersion = 0x100;
    uint32_t romVersion = 0x100;
    bool withBootIni = true; // a boot settings file with a few sections
};

// Folder handling. All return false on failure (and never throw).
bool CreateBoard(const std::string& dir, const CreateOptions& options = {});
bool LoadConfig(const std::string& dir, BoardConfig& config);
bool SaveConfig(const std::string& dir, const BoardConfig& config);

// The 256-byte product data block laid out for a board type and MAC address.
std::vector<uint8_t> MakeProductData(uint32_t boardType, const uint8_t mac[6]);
// Main-flash address of the product data copy of a board type (0xC00 or 0x17FFC00).
uint32_t ProductDataMainAddress(uint32_t boardType);

// Raw image access, for tests and the companion (no NOR rules applied). The
// main flash is as large as the board type's (MainFlashSize).
uint32_t MainFlashSize(const std::string& dir);
bool ReadMainFlash(const std::string& dir, uint32_t address, void* buffer, uint32_t length);
bool WriteMainFlash(const std::string& dir, uint32_t address, const void* buffer, uint32_t length);
bool ReadSpiFlash(const std::string& dir, uint32_t address, void* buffer, uint32_t length);
bool WriteSpiFlash(const std::string& dir, uint32_t address, const void* buffer, uint32_t length);

// Board files by board path ("sys:\boot.ini").
bool ReadBoardFile(const std::string& dir, const std::string& boardPath, std::string& content);
bool WriteBoardFile(const std::string& dir, const std::string& boardPath,
                    const std::string& content);
bool DeleteBoardFile(const std::string& dir, const std::string& boardPath);

// The call trace.
std::vector<TraceEntry> ReadTrace(const std::string& dir);
void ClearTrace(const std::string& dir);
// How many calls of the function the trace holds.
int CountTraceCalls(const std::string& dir, const std::string& function);
// True for the calls that may change the board's flash or its file system
// (erase, program, write, copy, delete).
bool IsFlashChangingCall(const std::string& function);

// Windows form of a board folder path (Unix paths become Z:\...).
std::string ToWindowsPath(const std::string& dir);

// --- Additions ---

constexpr uint32_t kProductDataSize = 256;

// The boot settings file of a new board ("sys:\boot.ini" when withBootIni).
extern const char kDefaultBootIni[];

// The validity rules of a product data block (leading field not blank, the
// model marker of the board type, a usable unicast MAC address).
bool ProductDataLooksValid(uint32_t boardType, const uint8_t* block256);

// The recognisable old SPI boot image that a new board holds at SPI address
// 0 or 0x10000 (types 0x200 and 0x201).
std::vector<uint8_t> MakeOldBootImage(uint32_t spiAddress);
// The boot code a new board of type 0x200 or 0x300 holds at main-flash
// address 0, below its product data.
std::vector<uint8_t> MakeOldBootRom();

// Names of the files in the board file system.
std::vector<std::string> ListBoardFiles(const std::string& dir);

// Operations that broke a NOR flash rule: programming that needed a bit to go
// from 0 to 1, an erase at a misaligned address, an SPI page program that
// crossed its page. The count is board.ini's illegal_nor_ops (-1 when
// board.ini cannot be read); the log names each one.
int CountIllegalNorOps(const std::string& dir);
std::vector<std::string> ReadIllegalNorLog(const std::string& dir);
bool ClearIllegalNorOps(const std::string& dir);

} // namespace simboard
