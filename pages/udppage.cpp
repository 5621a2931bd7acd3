// udppage.cpp - the UDP page.
#include "pages/udppage.h"

#include "app/tarnelapp.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CUDPPage, CPropertyPage)
END_MESSAGE_MAP()

CUDPPage::CUDPPage()
    : CPropertyPage(IDD_PAGE_UDP), m_rows{{m_spinUdpQue, m_checkUdpQue, kUdpQueRule},
                                          {m_spinUdpDgm, m_checkUdpDgm, kUdpDgmRule},
                                          {m_spinUdpCnt, m_checkUdpCnt, kUdpCntRule}} {}

CUDPPage::~CUDPPage() = default;

void CUDPPage::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SPIN_UDPQUE, m_spinUdpQue);
    DDX_Control(pDX, IDC_SPIN_UDPDGM, m_spinUdpDgm);
    DDX_Control(pDX, IDC_SPIN_UDPCNT, m_spinUdpCnt);
    DDX_Control(pDX, IDC_CHECK_UDPQUE, m_checkUdpQue);
    DDX_Control(pDX, IDC_CHECK_UDPDGM, m_checkUdpDgm);
    DDX_Control(pDX, IDC_CHECK_UDPCNT, m_checkUdpCnt);
}

BOOL CUDPPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    for (const NumericRow& row : m_rows)
        SetRowRange(row, RangeMessage::Range32);
    return TRUE;
}

BOOL CUDPPage::OnSetActive() {
    LoadRows(m_rows, 3, theApp.m_settings, PosMessage::Pos16);
    UpdateData(FALSE);
    return CPropertyPage::OnSetActive();
}

BOOL CUDPPage::OnKillActive() {
    // Without its window the page has no controls: reading them would store
    // zeros.
    if (!::IsWindow(m_hWnd))
        return FALSE;
    UpdateData(TRUE);
    StoreRows(m_rows, 3, theApp.m_settings, Acceptance::UnsignedUpToUpper);
    return CPropertyPage::OnKillActive();
}
