// boardthread.h - the one thread that makes every board library call, for
// the program's life.
//
// The library is not known to be thread-safe, and one thread keeps the order
// of its calls exactly as the program makes them. The window thread hands
// work over with Run() and waits in a message loop, so its windows keep
// painting and answering while a call or a pause runs. Work that must show
// something (a question, a message, the progress window) hands that part
// back with CallOnWindowThread(), and the board thread waits for it.
#pragma once

#include <windows.h>

#include <functional>

class CBoardThread {
public:
    using Work = std::function<void()>;

    CBoardThread() = default;
    ~CBoardThread();
    CBoardThread(const CBoardThread&) = delete;
    CBoardThread& operator=(const CBoardThread&) = delete;

    // Starts the thread; the calling thread becomes the window thread. False
    // when the thread cannot be made (then Run() does the work itself).
    BOOL Start();
    // Ends the thread once its work is done, and waits for it.
    void Stop();

    // From the window thread: runs `work` on the board thread and waits,
    // handling the window thread's messages meanwhile. FALSE, with nothing
    // run, when work is already running (a click handled during the wait
    // must not start a second board operation).
    BOOL Run(const Work& work);
    // From the board thread: runs `work` on the window thread, which is
    // waiting in Run(), and waits for it. Anywhere else it runs at once.
    void CallOnWindowThread(const Work& work);

    // Work is running on the board thread.
    BOOL IsBusy() const { return m_bBusy; }
    BOOL IsBoardThread() const;

private:
    static DWORD WINAPI ThreadProc(LPVOID param);
    // Waits for `done`, running window-thread work and dispatching messages.
    void WaitHandlingMessages(HANDLE done);

    HANDLE m_hThread = nullptr;
    DWORD m_threadId = 0;
    HANDLE m_hWorkReady = nullptr;  // auto-reset: m_pWork is set (null: stop)
    HANDLE m_hWorkDone = nullptr;   // auto-reset: the board thread finished m_pWork
    HANDLE m_hWindowWork = nullptr; // auto-reset: m_pWindowWork waits for the window thread
    HANDLE m_hWindowDone = nullptr; // auto-reset: the window thread finished it
    const Work* m_pWork = nullptr;
    const Work* m_pWindowWork = nullptr;
    volatile BOOL m_bBusy = FALSE;
};
