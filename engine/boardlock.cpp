// boardlock.cpp - the per-board named mutex and its holder's process id.
#include "engine/boardlock.h"

#include <string>

namespace {

// Session-wide names: a board is attached to this PC, not to one session,
// but a process without the right to make global objects falls back to its
// own session.
std::string Name(const char* prefix, const char* kind, int boardNo) {
    return std::string(prefix) + "Tarnel2.Board" + std::to_string(boardNo) + "." + kind;
}

HANDLE CreateNamedMutex(int boardNo) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, Name("Global\\", "Lock", boardNo).c_str());
    if (mutex == nullptr)
        mutex = CreateMutexA(nullptr, FALSE, Name("Local\\", "Lock", boardNo).c_str());
    return mutex;
}

HANDLE OpenOwnerMapping(int boardNo, bool create) {
    const char* prefixes[] = {"Global\\", "Local\\"};
    for (const char* prefix : prefixes) {
        const std::string name = Name(prefix, "Owner", boardNo);
        HANDLE mapping = create ? CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                                     0, sizeof(DWORD), name.c_str())
                                : OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
        if (mapping != nullptr)
            return mapping;
    }
    return nullptr;
}

struct WindowSearch {
    DWORD pid;
    HWND found;
};

// A visible window of the process that takes input: the message box it
// waits at rather than the dialog that box disabled.
BOOL CALLBACK FindInputWindow(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->pid || !IsWindowVisible(hwnd))
        return TRUE;
    if (search->found == nullptr || IsWindowEnabled(hwnd))
        search->found = hwnd;
    return !IsWindowEnabled(hwnd);
}

} // namespace

BoardLock::~BoardLock() {
    Release();
}

bool BoardLock::Acquire(int boardNo) {
    Release();
    HANDLE mutex = CreateNamedMutex(boardNo);
    if (mutex == nullptr)
        return true; // no lock can be had: do not keep the tool from its board
    const DWORD wait = WaitForSingleObject(mutex, 0);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
        CloseHandle(mutex);
        return false;
    }
    m_mutex = mutex;
    m_owner = OpenOwnerMapping(boardNo, true);
    if (m_owner != nullptr) {
        if (void* view = MapViewOfFile(m_owner, FILE_MAP_WRITE, 0, 0, sizeof(DWORD))) {
            *static_cast<DWORD*>(view) = GetCurrentProcessId();
            UnmapViewOfFile(view);
        }
    }
    return true;
}

void BoardLock::Release() {
    if (m_owner != nullptr)
        CloseHandle(m_owner);
    if (m_mutex != nullptr) {
        ReleaseMutex(m_mutex);
        CloseHandle(m_mutex);
    }
    m_owner = nullptr;
    m_mutex = nullptr;
}

DWORD BoardLock::HolderProcessId(int boardNo) {
    HANDLE mapping = OpenOwnerMapping(boardNo, false);
    if (mapping == nullptr)
        return 0;
    DWORD pid = 0;
    if (const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(DWORD))) {
        pid = *static_cast<const DWORD*>(view);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return pid;
}

bool BoardLock::ActivateHolder(int boardNo) {
    WindowSearch search = {HolderProcessId(boardNo), nullptr};
    if (search.pid == 0)
        return false;
    EnumWindows(FindInputWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr)
        return false;
    if (IsIconic(search.found))
        ShowWindow(search.found, SW_RESTORE);
    SetForegroundWindow(search.found);
    return true;
}
