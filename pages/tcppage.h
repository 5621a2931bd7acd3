// tcppage.h - the TCP page: [TCPACT], [TCPLST] and [TCPCON] 4 to 32,
// [RCVWB] and [SNDWB] 2920 to 17520; TCPACT plus TCPCON may not exceed 32.
#pragma once

#include "afx/afxcmn.h"
#include "afx/afxdlgs.h"
#include "pages/numericrows.h"

class CTCPPage : public CPropertyPage {
public:
    CTCPPage();
    ~CTCPPage() override;

    BOOL OnSetActive() override;
    // Stores the rows, then enforces the limit on TCPACT plus TCPCON: over
    // 32, the user is told and both become 8. The page is always let go.
    // Without a window, stores nothing and returns FALSE.
    BOOL OnKillActive() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    CSpinButtonCtrl m_spinSndWb;
    CSpinButtonCtrl m_spinRcvWb;
    CSpinButtonCtrl m_spinTcpLst;
    CSpinButtonCtrl m_spinTcpCon;
    CSpinButtonCtrl m_spinTcpAct;
    CButton m_checkSndWb;
    CButton m_checkRcvWb;
    CButton m_checkTcpLst;
    CButton m_checkTcpAct;
    CButton m_checkTcpCon;

    DECLARE_MESSAGE_MAP()

private:
    // [SNDWB], [RCVWB], [TCPLST], [TCPACT], [TCPCON]: the order of loads and
    // stores.
    const NumericRow m_rows[5];
};
