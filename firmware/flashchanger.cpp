// flashchanger.cpp - the upgrade progress window.
#include "firmware/flashchanger.h"

#include "res/resource.h"

CFlashChanger::CFlashChanger(CWnd* pParent) : CDialog(IDD_FLASH_CHANGER, pParent) {}

CFlashChanger::~CFlashChanger() = default;

void CFlashChanger::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_PROGRESS_FLASH, m_progress);
}

BEGIN_MESSAGE_MAP(CFlashChanger, CDialog)
END_MESSAGE_MAP()
