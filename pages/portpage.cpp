// portpage.cpp - the port page.
#include "pages/portpage.h"

#include "app/tarnelapp.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CPortPage, CPropertyPage)
END_MESSAGE_MAP()

CPortPage::CPortPage()
    : CPropertyPage(IDD_PAGE_PORT), m_rows{{m_spinPortStr, m_checkPortStr, kPortStrRule},
                                           {m_spinPortCnt, m_checkPortCnt, kPortCntRule},
                                           {m_spinPort, m_checkPort, kPortRule}} {}

CPortPage::~CPortPage() = default;

void CPortPage::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SPIN_PORTSTR, m_spinPortStr);
    DDX_Control(pDX, IDC_SPIN_PORTCNT, m_spinPortCnt);
    DDX_Control(pDX, IDC_SPIN_PORT, m_spinPort);
    DDX_Control(pDX, IDC_CHECK_PORTSTR, m_checkPortStr);
    DDX_Control(pDX, IDC_CHECK_PORTCNT, m_checkPortCnt);
    DDX_Control(pDX, IDC_CHECK_PORT, m_checkPort);
}

BOOL CPortPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    for (const NumericRow& row : m_rows)
        SetRowRange(row, RangeMessage::Range32);
    return TRUE;
}

BOOL CPortPage::OnSetActive() {
    LoadRows(m_rows, 3, theApp.m_settings, PosMessage::Pos32);
    UpdateData(FALSE);
    return CPropertyPage::OnSetActive();
}

BOOL CPortPage::OnKillActive() {
    // Without its window the page has no controls: reading them would store
    // zeros.
    if (!::IsWindow(m_hWnd))
        return FALSE;
    UpdateData(TRUE);
    StoreRows(m_rows, 3, theApp.m_settings, Acceptance::WithinRange);
    return CPropertyPage::OnKillActive();
}
