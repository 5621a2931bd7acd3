// boardsession.cpp - the library's in-memory state of one process.
#include "boardsession.h"

namespace simboard {

int BoardSession::Open(const std::string& dir) {
    Close();
    m_open = true;
    m_dir = dir;
    m_calls.clear();
    m_flashChanges = 0;
    return kBoardHandle;
}

void BoardSession::Close() {
    m_open = false;
    m_dir.clear();
    m_files.clear();
    m_nextFile = 1;
    m_spiOpen = false;
}

int BoardSession::AddFile(const OpenBoardFile& file) {
    if (m_files.size() >= kMaxOpenFiles)
        return 0;
    int handle = m_nextFile++;
    m_files[handle] = file;
    return handle;
}

OpenBoardFile* BoardSession::File(int hFile) {
    auto it = m_files.find(hFile);
    return it == m_files.end() ? nullptr : &it->second;
}

bool BoardSession::RemoveFile(int hFile) {
    return m_files.erase(hFile) != 0;
}

} // namespace simboard
