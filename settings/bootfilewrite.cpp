// bootfilewrite.cpp - the guarded write of the board's boot settings file.
#include "settings/bootfilewrite.h"

#include "boardlib/lm800mul.h"

#include <cstring>

namespace {

constexpr int kSize = CRZScript::kTextBufferSize;

const char* BoardPath(int kind) {
    return kind == 1 ? "sys:\\safe.ini" : "sys:\\boot.ini";
}

} // namespace

BootFileWrite::BootFileWrite(CRZScript& script, int handle, int kind)
    : m_script(script), m_handle(handle), m_path(BoardPath(kind)) {}

bool BootFileWrite::ReadBoardFile(char* text, int& length, bool& exists) {
    length = 0;
    exists = fmFindFile(m_handle, m_path) != 0;
    if (!exists)
        return true;
    const int file = fmOpen(m_handle, m_path, FM_MODE_READ);
    if (file == 0)
        return false;
    const int size = fmGetFileSize(m_handle, file);
    // A file the buffer cannot hold whole could not be put back as it was.
    bool ok = size >= 0 && size < kSize;
    if (ok && size > 0)
        ok = fmRead(m_handle, file, text, size) == 0;
    ok = fmClose(m_handle, file) == 0 && ok;
    if (ok)
        length = size;
    return ok;
}

bool BootFileWrite::FileHolds(const char* text, int length) {
    char now[kSize];
    int nowLength = 0;
    bool exists = false;
    return ReadBoardFile(now, nowLength, exists) && exists && nowLength == length &&
           std::memcmp(now, text, static_cast<size_t>(length)) == 0;
}

int BootFileWrite::WriteBoardFile(const char* text, int length) {
    const int file = fmOpen(m_handle, m_path, FM_MODE_WRITE);
    if (file == 0)
        return -1;
    const int written = fmWrite(m_handle, file, text, length);
    const int closed = fmClose(m_handle, file);
    if (written != 0)
        return written;
    if (closed != 0)
        return closed;
    return FileHolds(text, length) ? 0 : -1;
}

int BootFileWrite::Write(const NetworkSettings& settings) {
    char previous[kSize];
    int previousLength = 0;
    bool existed = false;
    const bool previousKnown = ReadBoardFile(previous, previousLength, existed);
    char text[kSize];
    const int length = m_script.FormatSettings(settings, text);
    const int result = WriteBoardFile(text, length);
    if (result == 0) {
        m_holds = BootFileHolds::NewSettings;
        return 0;
    }
    // Tried once: a board that fails again is reported as it then is.
    if (previousKnown)
        PutBack(previous, previousLength, existed);
    m_holds = Settle(previous, previousKnown ? previousLength : -1, existed, text, length);
    return result;
}

bool BootFileWrite::PutBack(const char* previous, int length, bool existed) {
    if (existed)
        return WriteBoardFile(previous, length) == 0;
    return fmDelete(m_handle, m_path) == 0 || fmFindFile(m_handle, m_path) == 0;
}

BootFileHolds BootFileWrite::Settle(const char* previous, int length, bool existed,
                                    const char* text, int textLength) {
    char now[kSize];
    int nowLength = 0;
    bool exists = false;
    if (!ReadBoardFile(now, nowLength, exists))
        return BootFileHolds::Unknown;
    if (length >= 0 && exists == existed && nowLength == length &&
        std::memcmp(now, previous, static_cast<size_t>(length)) == 0)
        return BootFileHolds::Previous;
    if (exists && nowLength == textLength &&
        std::memcmp(now, text, static_cast<size_t>(textLength)) == 0)
        return BootFileHolds::NewSettings;
    if (nowLength == 0)
        return BootFileHolds::Empty;
    return BootFileHolds::Unknown;
}
