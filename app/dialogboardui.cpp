// dialogboardui.cpp - message boxes and the upgrade progress window.
#include "app/dialogboardui.h"

#include "app/tarnelapp.h"
#include "firmware/flashchanger.h"
#include "res/resource.h"

namespace {

constexpr int kBarStep = 25;

UINT BoxStyle(BoardMessage kind) {
    switch (kind) {
        case BoardMessage::Error:
            return MB_OK | MB_ICONHAND;
        case BoardMessage::Information:
            return MB_OK | MB_ICONINFORMATION;
        case BoardMessage::Warning:
            return MB_OK | MB_ICONEXCLAMATION;
        case BoardMessage::Completion:
            return MB_OK | MB_ICONQUESTION;
        case BoardMessage::Question:
            return MB_OKCANCEL | MB_ICONQUESTION;
        case BoardMessage::Plain:
            break;
    }
    return MB_OK;
}

CProgressCtrl* Bar() {
    CFlashChanger* window = theApp.m_pFlashChanger;
    if (window == nullptr || window->m_progress.GetSafeHwnd() == nullptr)
        return nullptr;
    return &window->m_progress;
}

} // namespace

// The engine runs on the board thread; its windows belong to the window
// thread, which shows them while the board thread waits.
int DialogBoardUi::Message(BoardMessage kind, const char* text) {
    int answer = 0;
    theApp.m_boardThread.CallOnWindowThread([&] { answer = AfxMessageBox(text, BoxStyle(kind)); });
    return answer;
}

void DialogBoardUi::ProgressOpen() {
    theApp.m_boardThread.CallOnWindowThread([] {
        CFlashChanger* window = theApp.m_pFlashChanger;
        if (window == nullptr || !window->Create(IDD_FLASH_CHANGER, theApp.m_pMainWnd))
            return;
        window->ShowWindow(SW_SHOW);
        window->UpdateWindow();
        window->m_progress.SetStep(kBarStep);
    });
}

void DialogBoardUi::ProgressText(const char* text) {
    theApp.m_boardThread.CallOnWindowThread([text] {
        CFlashChanger* window = theApp.m_pFlashChanger;
        if (window != nullptr && window->GetSafeHwnd() != nullptr)
            window->SetDlgItemText(IDC_STATIC_FLASH_MESSAGE, text);
    });
}

void DialogBoardUi::ProgressStep(int count) {
    theApp.m_boardThread.CallOnWindowThread([count] {
        CProgressCtrl* bar = Bar();
        for (int i = 0; bar != nullptr && i < count; ++i)
            bar->StepIt();
    });
}

void DialogBoardUi::ProgressRefresh() {
    theApp.m_boardThread.CallOnWindowThread([] {
        if (CProgressCtrl* bar = Bar())
            bar->UpdateWindow();
    });
}

void DialogBoardUi::ProgressClose() {
    theApp.m_boardThread.CallOnWindowThread([] {
        CFlashChanger* window = theApp.m_pFlashChanger;
        if (window == nullptr)
            return;
        window->DestroyWindow();
        // The bar went with the dialog: forget its handle.
        window->m_progress.Detach();
    });
}
