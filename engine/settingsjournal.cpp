// settingsjournal.cpp - the settings journal's file: layout, checksum,
// atomic save, load and removal.
#include "engine/settingsjournal.h"

#include "firmware/recoveryrecord.h"

#include <windows.h>

#include <cstring>

namespace {

// File layout, little-endian: the header, the previous file's bytes, then
// the new text.
constexpr char kMagic[8] = {'T', 'R', 'N', 'L', 'I', 'N', 'I', '1'};
constexpr DWORD kPreviousKnown = 1;
constexpr DWORD kPreviousExisted = 2;
struct JournalHeader {
    char magic[8];
    DWORD flags;
    DWORD previousSize;
    DWORD textSize;
    DWORD checksum; // CRC-32 of the whole file with this field 0
};
static_assert(sizeof(JournalHeader) == 24, "journal header layout");

const char kJournalExtension[] = ".ini.journal";

DWORD JournalChecksum(const JournalHeader& header, const SettingsJournal& journal) {
    JournalHeader unsummed = header;
    unsummed.checksum = 0;
    DWORD crc = Crc32(&unsummed, sizeof(unsummed), 0);
    crc = Crc32(journal.previous.bytes.data(), journal.previous.bytes.size(), crc);
    return Crc32(journal.text.data(), journal.text.size(), crc);
}

bool ReadAll(HANDLE file, std::string& bytes, DWORD size) {
    bytes.assign(size, '\0');
    DWORD read = 0;
    return size == 0 || (ReadFile(file, &bytes[0], size, &read, nullptr) && read == size);
}

} // namespace

std::string SettingsJournalPath(const std::string& address) {
    const std::string folder = RecoveryFolder();
    if (address.empty() || folder.empty())
        return "";
    std::string name;
    for (char c : address) {
        if (c != '-')
            name += c;
    }
    return folder + "\\" + name + kJournalExtension;
}

bool SaveSettingsJournal(const std::string& address, const SettingsJournal& journal) {
    const std::string path = SettingsJournalPath(address);
    if (path.empty() || !EnsureFolder(RecoveryFolder()))
        return false;
    JournalHeader header = {};
    std::memcpy(header.magic, kMagic, sizeof(kMagic));
    header.flags = (journal.previous.known ? kPreviousKnown : 0) |
                   (journal.previous.exists ? kPreviousExisted : 0);
    header.previousSize = static_cast<DWORD>(journal.previous.bytes.size());
    header.textSize = static_cast<DWORD>(journal.text.size());
    header.checksum = JournalChecksum(header, journal);

    // Whole under a temporary name first, so that a cut leaves no journal
    // or a whole one.
    return ReplaceFileWhole(
        path, {{&header, sizeof(header)},
               {journal.previous.bytes.data(), static_cast<DWORD>(journal.previous.bytes.size())},
               {journal.text.data(), static_cast<DWORD>(journal.text.size())}});
}

bool LoadSettingsJournal(const std::string& path, SettingsJournal& journal) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    JournalHeader header = {};
    DWORD read = 0;
    bool ok = ReadFile(file, &header, sizeof(header), &read, nullptr) && read == sizeof(header) &&
              std::memcmp(header.magic, kMagic, sizeof(kMagic)) == 0 &&
              header.previousSize <= static_cast<DWORD>(kBootFileKeptSize) &&
              header.textSize <= static_cast<DWORD>(kBootFileKeptSize) &&
              GetFileSize(file, nullptr) == sizeof(header) + header.previousSize + header.textSize;
    ok = ok && ReadAll(file, journal.previous.bytes, header.previousSize) &&
         ReadAll(file, journal.text, header.textSize);
    CloseHandle(file);
    journal.previous.known = (header.flags & kPreviousKnown) != 0;
    journal.previous.exists = (header.flags & kPreviousExisted) != 0;
    return ok && header.checksum == JournalChecksum(header, journal);
}

void RemoveSettingsJournal(const std::string& address) {
    const std::string path = SettingsJournalPath(address);
    if (!path.empty())
        DeleteFileA(path.c_str());
}

std::vector<std::string> FindSettingsJournals() {
    return FindRecoveryFiles(kJournalExtension);
}

std::string SetSettingsJournalAside(const std::string& path) {
    return SetFileAside(path);
}
