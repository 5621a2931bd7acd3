// tcppage.cpp - the TCP page.
#include "pages/tcppage.h"

#include "app/tarnelapp.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CTCPPage, CPropertyPage)
END_MESSAGE_MAP()

CTCPPage::CTCPPage()
    : CPropertyPage(IDD_PAGE_TCP), m_rows{{m_spinSndWb, m_checkSndWb, kSndWbRule},
                                          {m_spinRcvWb, m_checkRcvWb, kRcvWbRule},
                                          {m_spinTcpLst, m_checkTcpLst, kTcpLstRule},
                                          {m_spinTcpAct, m_checkTcpAct, kTcpActRule},
                                          {m_spinTcpCon, m_checkTcpCon, kTcpConRule}} {}

CTCPPage::~CTCPPage() = default;

void CTCPPage::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SPIN_SNDWB, m_spinSndWb);
    DDX_Control(pDX, IDC_SPIN_RCVWB, m_spinRcvWb);
    DDX_Control(pDX, IDC_SPIN_TCPLST, m_spinTcpLst);
    DDX_Control(pDX, IDC_SPIN_TCPCON, m_spinTcpCon);
    DDX_Control(pDX, IDC_SPIN_TCPACT, m_spinTcpAct);
    DDX_Control(pDX, IDC_CHECK_SNDWB, m_checkSndWb);
    DDX_Control(pDX, IDC_CHECK_RCVWB, m_checkRcvWb);
    DDX_Control(pDX, IDC_CHECK_TCPLST, m_checkTcpLst);
    DDX_Control(pDX, IDC_CHECK_TCPACT, m_checkTcpAct);
    DDX_Control(pDX, IDC_CHECK_TCPCON, m_checkTcpCon);
}

BOOL CTCPPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    // The windows first, then the connection counts.
    SetRowRange(m_rows[0], RangeMessage::Range16);
    SetRowRange(m_rows[1], RangeMessage::Range16);
    m_spinTcpLst.SetRange(4, 32);
    m_spinTcpCon.SetRange(4, 32);
    m_spinTcpAct.SetRange(4, 32);
    return TRUE;
}

BOOL CTCPPage::OnSetActive() {
    LoadRows(m_rows, 5, theApp.m_settings, PosMessage::Pos16);
    UpdateData(FALSE);
    return CPropertyPage::OnSetActive();
}

BOOL CTCPPage::OnKillActive() {
    // Without its window the page has no controls: reading them would store
    // zeros.
    if (!::IsWindow(m_hWnd))
        return FALSE;
    UpdateData(TRUE);
    NetworkSettings& s = theApp.m_settings;
    StoreRows(m_rows, 5, s, Acceptance::WithinRange);
    if (ExceedsConnectionLimit(s)) {
        AfxMessageBox("(TCPACT+TCPCON)が32を超えています。", MB_OK | MB_ICONERROR);
        s.nTcpAct = kConnectionDefault;
        s.nTcpCon = kConnectionDefault;
    }
    return CPropertyPage::OnKillActive();
}
