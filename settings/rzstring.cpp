// rzstring.cpp - the 8-bit string operations.
#include "settings/rzstring.h"

#include <cstring>

namespace {

constexpr int64_t kSlotBytes = 4; // pool bytes charged per item slot

bool IsDelimiter(unsigned char c, const char* delimiters) {
    for (const char* d = delimiters; *d != '\0'; ++d) {
        if (static_cast<unsigned char>(*d) == c)
            return true;
    }
    return false;
}

unsigned char UpperAscii(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

} // namespace

const char* TokenList::Item(int index) const {
    int32_t offset = 0;
    std::memcpy(&offset, items + kSlotBytes * index, sizeof(offset));
    return pool + offset;
}

int CRZString::IsLeadByte(unsigned char c) {
    return ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 1 : 0;
}

void CRZString::AddPiece(TokenList& list, int64_t& fill, const char* piece, int length) {
    if (list.items == nullptr) {
        list.items = list.pool;
        list.capacity = list.itemLimit > 0 ? list.itemLimit : 0;
        fill += kSlotBytes * list.capacity;
    }
    // Checked on every add, the first included, so that a list with no
    // slots keeps nothing.
    if (list.count >= list.capacity)
        return;
    const int64_t start = fill;
    fill += static_cast<int64_t>(length) + 1;
    // The fill stays advanced past a piece that does not fit, so no later
    // piece fits either. Below poolSize, the slots and the piece lie inside
    // the pool.
    if (fill >= list.poolSize)
        return;
    std::memcpy(list.pool + start, piece, static_cast<size_t>(length));
    list.pool[start + length] = '\0';
    const int32_t offset = static_cast<int32_t>(start);
    std::memcpy(list.items + kSlotBytes * list.count, &offset, sizeof(offset));
    ++list.count;
}

int CRZString::Split(const char* text, int length, TokenList& list, const char* delimiters) {
    list.items = nullptr;
    list.capacity = 0;
    list.count = 0;
    if (list.pool == nullptr)
        return 0; // no room for any piece
    int64_t fill = 0;
    int start = 0;
    int i = 0;
    while (i < length) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c)) {
            // A lead byte and its follower are one character, never a delimiter.
            i += 2;
        } else if (IsDelimiter(c, delimiters)) {
            if (i > start)
                AddPiece(list, fill, text + start, i - start);
            start = i + 1;
            i += 1;
        } else {
            i += 1;
        }
    }
    // A lead byte in the last position ends the text; its follower is not part of it.
    const int end = i < length ? i : length;
    if (end > start)
        AddPiece(list, fill, text + start, end - start);
    return 0;
}

int CRZString::CopyString(char* dst, const char* src) {
    int copied = 0;
    while ((dst[copied] = src[copied]) != '\0')
        ++copied;
    return copied;
}

int CRZString::CompareNoCase(const char* a, const char* b) {
    const size_t length = std::strlen(a);
    if (std::strlen(b) != length)
        return -1;
    size_t i = 0;
    while (i < length) {
        const unsigned char ca = static_cast<unsigned char>(a[i]);
        const unsigned char cb = static_cast<unsigned char>(b[i]);
        if (IsLeadByte(ca) || IsLeadByte(cb)) {
            // A Shift-JIS pair is compared whole and exactly; the follower of
            // a lead byte in the last position is the NUL of both strings.
            if (ca != cb || a[i + 1] != b[i + 1])
                return -1;
            i += 2;
        } else {
            if (UpperAscii(ca) != UpperAscii(cb))
                return -1;
            i += 1;
        }
    }
    return 0;
}
