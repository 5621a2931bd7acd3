// boardlock.h - one tool at a time per board: a named mutex for the board
// number, held from the moment a tool knows which board it opens until it
// has closed it. The holder also leaves its process id where a second tool
// finds it, so that a second dialog can bring the first one to the front.
#pragma once

#include <windows.h>

class BoardLock {
public:
    BoardLock() = default;
    ~BoardLock();
    BoardLock(const BoardLock&) = delete;
    BoardLock& operator=(const BoardLock&) = delete;

    // Takes the lock of the board; false when another process holds it. A
    // lock whose holder ended without letting go is taken over.
    bool Acquire(int boardNo);
    void Release();
    bool Held() const { return m_mutex != nullptr; }

    // The process that holds the board's lock, 0 when unknown.
    static DWORD HolderProcessId(int boardNo);
    // Brings the holder's window to the front: the message box it waits at,
    // or its main window. False when it has none.
    static bool ActivateHolder(int boardNo);

private:
    HANDLE m_mutex = nullptr;
    HANDLE m_owner = nullptr; // the mapping that names the holder
};
