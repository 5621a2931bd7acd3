// flashchanger.cpp - the upgrade progress window.
#include "firmware/flashchanger.h"

#include "app/tarnelapp.h"
#include "res/resource.h"

CFlashChanger::CFlashChanger(CWnd* pParent) : CDialog(IDD_FLASH_CHANGER, pParent) {}

CFlashChanger::~CFlashChanger() = default;

void CFlashChanger::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_PROGRESS_FLASH, m_progress);
}

void CFlashChanger::OnCancel() {
    if (theApp.m_boardThread.IsBusy()) {
        m_bCloseAsked = TRUE;
        return;
    }
    CDialog::OnCancel();
}

void CFlashChanger::GoOnWithClose() {
    if (m_bCloseAsked && GetSafeHwnd() != nullptr)
        CDialog::OnCancel();
    m_bCloseAsked = FALSE;
}

BOOL CFlashChanger::OnQueryEndSession() {
    if (!theApp.m_boardThread.IsBusy())
        return TRUE;
    ShutdownBlockReasonCreate(m_hWnd, L"ＲＺユニットのフラッシュメモリを書き換えています。"
                                      L"終わるまでお待ちください。");
    return FALSE;
}

BEGIN_MESSAGE_MAP(CFlashChanger, CDialog)
ON_WM_QUERYENDSESSION()
END_MESSAGE_MAP()
