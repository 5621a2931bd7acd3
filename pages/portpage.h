// portpage.h - the port page: [PORT] (the command server port), [PORTSTR]
// and [PORTCNT], each 1 to 65535.
#pragma once

#include "afx/afxcmn.h"
#include "afx/afxdlgs.h"
#include "pages/numericrows.h"

class CPortPage : public CPropertyPage {
public:
    CPortPage();
    ~CPortPage() override;

    BOOL OnSetActive() override;
    // Stores the rows into the settings record; without a window, stores
    // nothing and returns FALSE.
    BOOL OnKillActive() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    CSpinButtonCtrl m_spinPortStr;
    CSpinButtonCtrl m_spinPortCnt;
    CSpinButtonCtrl m_spinPort;
    CButton m_checkPortStr;
    CButton m_checkPortCnt;
    CButton m_checkPort;

    DECLARE_MESSAGE_MAP()

private:
    // [PORTSTR], [PORTCNT], [PORT]: the order of ranges, loads and stores.
    const NumericRow m_rows[3];
};
