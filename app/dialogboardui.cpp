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

int DialogBoardUi::Message(BoardMessage kind, const char* text) {
    return AfxMessageBox(text, BoxStyle(kind));
}

void DialogBoardUi::ProgressOpen() {
    CFlashChanger* window = theApp.m_pFlashChanger;
    if (window == nullptr || !window->Create(IDD_FLASH_CHANGER, theApp.m_pMainWnd))
        return;
    window->ShowWindow(SW_SHOW);
    window->UpdateWindow();
    window->m_progress.SetStep(kBarStep);
}

void DialogBoardUi::ProgressText(const char* text) {
    CFlashChanger* window = theApp.m_pFlashChanger;
    if (window != nullptr && window->GetSafeHwnd() != nullptr)
        window->SetDlgItemText(IDC_STATIC_FLASH_MESSAGE, text);
}

void DialogBoardUi::ProgressStep(int count) {
    CProgressCtrl* bar = Bar();
    for (int i = 0; bar != nullptr && i < count; ++i)
        bar->StepIt();
}

void DialogBoardUi::ProgressRefresh() {
    if (CProgressCtrl* bar = Bar())
        bar->UpdateWindow();
}

void DialogBoardUi::ProgressClose() {
    CFlashChanger* window = theApp.m_pFlashChanger;
    if (window == nullptr)
        return;
    window->DestroyWindow();
    // The bar went with the dialog: forget its handle.
    window->m_progress.Detach();
}
