// boardoperations.h - what both faces do to a board, in one place: find it,
// lock it for this tool and open it; read what it is; read and set its
// clock; decide whether it may be reset and reset it; read and write its boot
// settings; run the start-up firmware check. Every message goes to the
// current face (boardui.h), every change to the history (boardhistory.h).
// The faces call these and never the board library.
#pragma once

#include "engine/boardlock.h"
#include "settings/bootfilewrite.h"

#include <windows.h>

#include <string>
#include <vector>

class CRZScript;
struct NetworkSettings;

// --- Opening ---

enum class BoardOpenResult {
    Opened,
    Failed, // the reason was told (a message with the failing call)
    InUse,  // another tool holds the board's lock; nothing was told
};

// Finds the board (wantedNo, or the first attached one when it is
// negative), takes its lock and opens it. boardNo is set as soon as it is
// known, hBoard once the board is open.
BoardOpenResult OpenBoardLocked(int wantedNo, BoardLock& lock, int& boardNo, int& hBoard);
// Closes the board when open and lets its lock go.
void CloseBoardLocked(int& hBoard, BoardLock& lock);

// The reason texts for a failed enumeration or open, by GetIPLastError code.
const char* EnumErrorReason(int code);
const char* OpenErrorReason(int code);

// Reads the product data copies to learn the board's hardware address,
// which the history lines carry from then on; "" when no copy is valid.
std::string LearnHardwareAddress(int hBoard);

// --- What the board is ---

struct InstalledFirmwareFile {
    std::string path; // "" when the installed software names none
    bool found = false;
    DWORD version = 0;
};

struct BoardInfo {
    DWORD boardType = 0;
    DWORD romVersion = 0;
    DWORD commandVersion = 0;
    bool hasSpiCopy = false;
    BOOL mainRead = FALSE, mainValid = FALSE;
    BOOL spiRead = FALSE, spiValid = FALSE;
    std::string hardwareAddress; // "" when no copy is valid
    InstalledFirmwareFile rom, command;
};

// False (with the message told) when the version record cannot be read.
bool ReadBoardInfo(int hBoard, BoardInfo& info);

// --- Clock ---

// The library's answer, with whatever it left in `time`.
bool ReadBoardClock(int hBoard, SYSTEMTIME& time);
// Sets the clock and notes it in the history; true when the board took it.
bool SetBoardClock(int hBoard, const SYSTEMTIME& wanted);

// --- Reset ---

// Whether the board may be reset now. Not while a flash write of this run is
// unverified (`unfinished`), and only when the board, read now, would boot
// (firmware/bootcheck.h). When not, the user is told what is unfinished and
// what to do instead.
bool MayResetBoard(int hBoard, bool unfinished);
// Resets the board's system and notes it; the failure is told.
bool ResetBoard(int boardNo);

// --- Boot settings ---

// Reads "sys:\boot.ini" into the record; 0, or the reader's failure (told).
int ReadBoardSettings(CRZScript& script, int hBoard, NetworkSettings& settings);
// Reads "sys:\boot.ini" whole into `file` as well, for a command that must
// know what a rewrite would lose; 0, or -1 (told).
int ReadBoardSettingsFile(CRZScript& script, int hBoard, NetworkSettings& settings,
                          BootFileImage& file);

// Why a settings write wrote nothing at all.
enum class SettingsWriteRefusal {
    None,
    NoIdentity,      // no valid hardware address to keep the journal by
    JournalNotSaved, // the journal could not be saved on the PC
    JournalPending,  // a journal of an earlier write is not taken up yet
};

// A settings write: the guarded write, then the file read back.
struct SettingsWrite {
    int result = -1; // 0 when the file holds the record's text
    BootFileHolds holds = BootFileHolds::Unknown;
    int readBackResult = -1;
    SettingsWriteRefusal refusal = SettingsWriteRefusal::None;
    std::string journal; // the journal's path or folder the refusal names
};
// Writes the record as the dialog's Write does and notes it in the history;
// `readBack` gets the file as read back afterwards. The previous file and the
// new text are kept in a journal on the PC, named by the board's hardware
// address, from before the file is opened for writing until it settles
// whole; without a journal nothing is written. Tells nothing: the dialog
// shows the result only after its page shows the record again.
SettingsWrite WriteBoardSettings(CRZScript& script, int hBoard, const std::string& address,
                                 const NetworkSettings& settings, NetworkSettings& readBack);
// Tells the result of a write: written, or failed and what the file now
// holds.
void TellSettingsWrite(const SettingsWrite& write);

// --- Firmware ---

struct FirmwareOutcome {
    // A main-flash write began and was not verified, or a record of this
    // board is left unapplied: no reset until a later start completes it.
    bool unfinished = false;
    int spiImagesWritten = 0;
    // Installed files the check looked for and did not find (their paths, or
    // what names them when there is no path).
    std::vector<std::string> missingFiles;
};

// The start-up firmware check on the open board (firmware/firmwarecheck.h).
FirmwareOutcome CheckBoardFirmware(int hBoard, BOOL& bBoardUpdated);
