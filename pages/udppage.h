// udppage.h - the UDP page: [UDPCNT] 0 to 32, [UDPDGM] 0 to 1472 and
// [UDPQUE] 0 to 255.
#pragma once

#include "afx/afxcmn.h"
#include "afx/afxdlgs.h"
#include "pages/numericrows.h"

class CUDPPage : public CPropertyPage {
public:
    CUDPPage();
    ~CUDPPage() override;

    BOOL OnSetActive() override;
    // Stores the rows into the settings record; without a window, stores
    // nothing and returns FALSE.
    BOOL OnKillActive() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    CSpinButtonCtrl m_spinUdpQue;
    CSpinButtonCtrl m_spinUdpDgm;
    CSpinButtonCtrl m_spinUdpCnt;
    CButton m_checkUdpQue;
    CButton m_checkUdpDgm;
    CButton m_checkUdpCnt;

    DECLARE_MESSAGE_MAP()

private:
    // [UDPQUE], [UDPDGM], [UDPCNT]: the order of ranges, loads and stores.
    const NumericRow m_rows[3];
};
