// ippage.h - the IP address page: the board's IP address, subnet mask and
// default gateway, each in an IP address control. Whether a setting is
// present in the boot file follows from the address itself (AddressRule).
#pragma once

#include "afx/afxcmn.h"
#include "afx/afxdlgs.h"

class CIPPage : public CPropertyPage {
public:
    CIPPage();
    ~CIPPage() override;

    // Loads the three addresses from the settings record into the controls.
    BOOL OnSetActive() override;
    // Stores the three controls into the settings record; without a window,
    // stores nothing and returns FALSE.
    BOOL OnKillActive() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    CIPAddressCtrl m_ctrlGateway;
    CIPAddressCtrl m_ctrlIPAddress;
    CIPAddressCtrl m_ctrlSubnetMask;

    DECLARE_MESSAGE_MAP()
};
