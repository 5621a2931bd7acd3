// boardthread.cpp - the board thread and the window thread's wait for it.
#include "engine/boardthread.h"

namespace {

bool IsDialog(HWND hwnd) {
    wchar_t className[16] = {};
    GetClassNameW(hwnd, className, 16);
    return lstrcmpW(className, L"#32770") == 0;
}

} // namespace

CBoardThread::~CBoardThread() {
    Stop();
}

BOOL CBoardThread::Start() {
    if (m_hThread != nullptr)
        return TRUE;
    m_hWorkReady = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_hWorkDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_hWindowWork = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_hWindowDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (m_hWorkReady != nullptr && m_hWorkDone != nullptr && m_hWindowWork != nullptr &&
        m_hWindowDone != nullptr)
        m_hThread = CreateThread(nullptr, 0, ThreadProc, this, 0, &m_threadId);
    if (m_hThread == nullptr) {
        Stop();
        return FALSE;
    }
    return TRUE;
}

void CBoardThread::Stop() {
    if (m_hThread != nullptr) {
        m_pWork = nullptr;
        SetEvent(m_hWorkReady);
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = nullptr;
        m_threadId = 0;
    }
    for (HANDLE* handle : {&m_hWorkReady, &m_hWorkDone, &m_hWindowWork, &m_hWindowDone}) {
        if (*handle != nullptr)
            CloseHandle(*handle);
        *handle = nullptr;
    }
}

BOOL CBoardThread::IsBoardThread() const {
    return m_hThread != nullptr && GetCurrentThreadId() == m_threadId;
}

DWORD WINAPI CBoardThread::ThreadProc(LPVOID param) {
    CBoardThread* self = static_cast<CBoardThread*>(param);
    for (;;) {
        WaitForSingleObject(self->m_hWorkReady, INFINITE);
        if (self->m_pWork == nullptr)
            return 0;
        (*self->m_pWork)();
        SetEvent(self->m_hWorkDone);
    }
}

BOOL CBoardThread::Run(const Work& work) {
    if (m_bBusy)
        return FALSE;
    m_bBusy = TRUE;
    if (m_hThread == nullptr || IsBoardThread()) {
        work();
    } else {
        m_pWork = &work;
        SetEvent(m_hWorkReady);
        WaitHandlingMessages(m_hWorkDone);
    }
    m_bBusy = FALSE;
    return TRUE;
}

void CBoardThread::CallOnWindowThread(const Work& work) {
    if (!IsBoardThread()) {
        work();
        return;
    }
    m_pWindowWork = &work;
    SetEvent(m_hWindowWork);
    WaitForSingleObject(m_hWindowDone, INFINITE);
}

void CBoardThread::WaitHandlingMessages(HANDLE done) {
    const HANDLE handles[] = {done, m_hWindowWork};
    bool quit = false;
    int exitCode = 0;
    for (;;) {
        const DWORD woken =
            MsgWaitForMultipleObjectsEx(2, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0)
            break;
        if (woken == WAIT_OBJECT_0 + 1) {
            (*m_pWindowWork)();
            SetEvent(m_hWindowDone);
            continue;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Kept for the loop that waits for it, once the work is done.
                quit = true;
                exitCode = static_cast<int>(msg.wParam);
                continue;
            }
            // Keyboard navigation in dialogs, as their own loop gives it.
            HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
            if (root != nullptr && IsDialog(root) && IsDialogMessageW(root, &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (quit)
        PostQuitMessage(exitCode);
}
