// bootfilewrite.cpp - the guarded write of the board's boot settings file.
#include "settings/bootfilewrite.h"

#include "boardlib/lm800mul.h"

namespace {

const char* BoardPath(int kind) {
    return kind == 1 ? "sys:\\safe.ini" : "sys:\\boot.ini";
}

} // namespace

bool ReadWholeBoardFile(int handle, const char* path, BootFileImage& image) {
    image = BootFileImage();
    image.exists = fmFindFile(handle, path) != 0;
    if (!image.exists) {
        image.known = true;
        return true;
    }
    const int file = fmOpen(handle, path, FM_MODE_READ);
    if (file == 0)
        return false;
    const int size = fmGetFileSize(handle, file);
    // A file too large to keep could not be put back as it was.
    bool ok = size >= 0 && size <= kBootFileKeptSize;
    std::string bytes(ok ? static_cast<size_t>(size) : 0, '\0');
    if (ok && size > 0)
        ok = fmRead(handle, file, &bytes[0], size) == 0;
    ok = fmClose(handle, file) == 0 && ok;
    if (ok) {
        image.bytes = std::move(bytes);
        image.known = true;
    }
    return ok;
}

BootFileWrite::BootFileWrite(CRZScript& script, int handle, int kind)
    : m_script(script), m_handle(handle), m_path(BoardPath(kind)) {}

bool BootFileWrite::Holds(const BootFileImage& image) {
    BootFileImage now;
    return ReadWholeBoardFile(m_handle, m_path, now) && now.exists == image.exists &&
           (!image.exists || now.bytes == image.bytes);
}

int BootFileWrite::WriteBoardFile(const std::string& text) {
    const int file = fmOpen(m_handle, m_path, FM_MODE_WRITE);
    if (file == 0)
        return -1;
    const int written = fmWrite(m_handle, file, text.data(), static_cast<int>(text.size()));
    const int closed = fmClose(m_handle, file);
    if (written != 0)
        return written;
    if (closed != 0)
        return closed;
    BootFileImage wanted;
    wanted.exists = true;
    wanted.bytes = text;
    return Holds(wanted) ? 0 : -1;
}

int BootFileWrite::Write(const NetworkSettings& settings, BootFileJournal* journal) {
    BootFileImage previous;
    ReadWholeBoardFile(m_handle, m_path, previous);
    char buffer[CRZScript::kTextBufferSize];
    const std::string text(buffer, static_cast<size_t>(m_script.FormatSettings(settings, buffer)));
    if (journal != nullptr && !journal->Save(previous, text)) {
        m_holds = BootFileHolds::Previous;
        return kJournalNotSaved;
    }
    const int result = WriteBoardFile(text);
    if (result == 0) {
        m_holds = BootFileHolds::NewSettings;
        if (journal != nullptr)
            journal->Remove();
        return 0;
    }
    // Tried once: a board that fails again is reported as it then is.
    if (previous.known)
        Restore(previous);
    m_holds = Settle(previous, text);
    // Only a file left whole lets the journal go; the next start mends the rest.
    if (journal != nullptr &&
        (m_holds == BootFileHolds::Previous || m_holds == BootFileHolds::NewSettings))
        journal->Remove();
    return result;
}

bool BootFileWrite::Restore(const BootFileImage& image) {
    if (image.exists)
        return WriteBoardFile(image.bytes) == 0;
    if (fmFindFile(m_handle, m_path) != 0 && fmDelete(m_handle, m_path) != 0)
        return false;
    return fmFindFile(m_handle, m_path) == 0;
}

BootFileHolds BootFileWrite::Settle(const BootFileImage& previous, const std::string& text) {
    BootFileImage now;
    if (!ReadWholeBoardFile(m_handle, m_path, now))
        return BootFileHolds::Unknown;
    if (previous.known && now.exists == previous.exists && now.bytes == previous.bytes)
        return BootFileHolds::Previous;
    if (now.exists && now.bytes == text)
        return BootFileHolds::NewSettings;
    if (now.bytes.empty())
        return BootFileHolds::Empty;
    return BootFileHolds::Unknown;
}
