// portpage.cpp - the port page.
#include "pages/portpage.h"

#include "app/tarnelapp.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CPortPage, CPropertyPage)
END_MESSAGE_MAP()

CPortPage::CPortPage()
    : CPropertyPage(IDD_PAGE_PORT), m_rows{
                                        {m_spinPortStr, m_checkPortStr, &NetworkSettings::bPortStr,
                                         &NetworkSettings::nPortStr, 1, 65535, 15000},
                                        {m_spinPortCnt, m_checkPortCnt, &NetworkSettings::bPortCnt,
                                         &NetworkSettings::nPortCnt, 1, 65535, 16},
                                        {m_spinPort, m_checkPort, &NetworkSettings::bPort,
                                         &NetworkSettings::nPort, 1, 65535, 30000}} {}

CPortPage::~CPortPage() = default;

void CPortPage::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, 1008, m_spinPortStr);
    DDX_Control(pDX, 1009, m_spinPortCnt);
    DDX_Control(pDX, 1007, m_spinPort);
    DDX_Control(pDX, 1011, m_checkPortStr);
    DDX_Control(pDX, 1012, m_checkPortCnt);
    DDX_Control(pDX, 1010, m_checkPort);
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
    UpdateData(TRUE);
    StoreRows(m_rows, 3, theApp.m_settings, Acceptance::WithinRange);
    return CPropertyPage::OnKillActive();
}
