// installedfiles.h - finding the firmware files that the maker's system
// software and board driver installed on the PC, and reading their version
// headers. Read only; no messages: the firmware check decides what a failure
// means.
#pragma once

#include <vector>

#include <windows.h>

constexpr int kLocalPathSize = 260;      // every joined local path, with its terminator
constexpr int kCommandFileNameSize = 32; // "Sys" keeps at most 31 characters
constexpr int kSysValueSize = 256;       // buffer of the raw "Sys" value
constexpr int kFileHeaderSize = 256;

extern const char kBootRomFileName[];  // "lm8boot.rom"
extern const char kSpiBootFileName[];  // "lm8spiboot.bin", SPI address 0
extern const char kSpiBoot2FileName[]; // "lm8boot2.bin", SPI address 0x10000
extern const char kDriverKey[];        // the board driver's key under HKLM

// The first 256 bytes of an installed boot ROM image or command file.
struct FirmwareFileHeader {
    BYTE bytes[kFileHeaderSize];

    DWORD Version() const;   // 32-bit word at offset 4
    DWORD BoardType() const; // 32-bit word at offset 8
};

// Reads a value under HKEY_LOCAL_MACHINE\key into buffer (*size bytes); on
// success *size is the value's length and the buffer holds it with a
// terminator. A value that does not fit with its terminator, a missing key or
// value give -1 and leave the buffer and *size as they were. The value's type
// is not examined.
int QueryRegistryValue(const char* key, const char* valueName, char* buffer, DWORD* size);

// The Config "Path" folder into a 260-byte buffer; 0 or -1.
int GetSystemPath(char* buffer);
// The Config "Sys" command file name, at most 31 characters, into a 32-byte
// buffer; 0 or -1.
int GetCommandFileName(char* buffer);

// Reads up to `size` bytes from the start of a local file into buffer (which
// the caller has zero-filled). 0 when the file could be opened and read, -1
// when it could not be opened, kFileHeaderShortRead when fewer bytes came
// than the file holds.
constexpr int kFileHeaderShortRead = -2;
int ReadFileHeader(const char* path, void* buffer, UINT size);
// The whole of an installed file; false when it cannot be opened or read to
// its end (a read cut short counts as no file), or is larger than maxSize.
bool ReadWholeInstalledFile(const char* path, std::vector<BYTE>& bytes, DWORD maxSize);

// Is a local path usable at all: not empty and shorter than 260 bytes. A path
// that is not counts as a missing file.
bool IsUsableLocalPath(const char* path);

// Appends "\" to folder unless its last character (Shift-JIS aware) already
// is one; an empty folder gets one too. False, and folder unchanged, when the
// result would not fit in `size` bytes.
bool AppendFolderSeparator(char* folder, size_t size);

// out = folder, "\" if needed, name. False, and out empty, when the result
// does not fit in kLocalPathSize bytes: such a file counts as missing.
bool JoinFolderAndName(const char* folder, const char* name, char (&out)[kLocalPathSize]);

// A command file name that can stand after "sys:\" and after a folder: not
// empty, and no "\", "/" or ":" (Shift-JIS trail bytes are not separators).
bool IsPlainFileName(const char* name);

// An installed file is newer when the board's version word is lower, compared
// unsigned.
inline bool IsInstalledFileNewer(DWORD boardVersion, DWORD fileVersion) {
    return boardVersion < fileVersion;
}
