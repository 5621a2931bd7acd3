// rzstring.h - the 8-bit string operations beneath the settings file reader
// and writer. Shift-JIS text: a lead byte and its follower are one character.
#pragma once

#include "settings/rzwinfile.h"

#include <cstdint>

// The pieces that CRZString::Split cuts from a text. The caller sets the
// first three fields; Split clears and fills the rest.
//
// The item array sits at the start of the pool with one 4-byte slot per item,
// and each piece follows with its NUL. A slot holds the piece's offset from
// the pool's start, so the array takes exactly the 4 bytes per item that the
// pool accounting charges, whatever the width of a pointer.
struct TokenList {
    int32_t poolSize;  // bytes in the pool
    int32_t itemLimit; // the most pieces kept
    char* pool;        // supplied by the caller, poolSize bytes
    char* items;       // the item slots, at the start of the pool once placed
    int32_t capacity;  // 0 until the item array is placed, then itemLimit
    int32_t count;     // pieces kept

    // The NUL-terminated piece at index (0 to count - 1).
    const char* Item(int index) const;
};

class CRZString : public CRZWinFile {
public:
    // 1 for a Shift-JIS lead byte (0x81 to 0x9F, 0xE0 to 0xFC), else 0.
    int IsLeadByte(unsigned char c);
    // Cuts the first length bytes of text at any byte of the NUL-terminated
    // delimiter set; empty pieces and pieces that do not fit are dropped.
    // Always 0.
    int Split(const char* text, int length, TokenList& list, const char* delimiters);
    // Copies src with its NUL to dst; returns the characters copied, NUL not
    // counted. The caller guarantees the room.
    int CopyString(char* dst, const char* src);
    // 0 when the strings are equal ignoring the case of ASCII letters, else -1.
    int CompareNoCase(const char* a, const char* b);

private:
    void AddPiece(TokenList& list, int64_t& fill, const char* piece, int length);
};
