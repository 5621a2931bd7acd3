// ippage.cpp - the IP address page.
#include "pages/ippage.h"

#include "app/tarnelapp.h"
#include "settings/addressrules.h"
#include "res/resource.h"
#include "settings/rzscript.h"

#include <cstring>

namespace {

// One address setting of the record with its control and rule.
struct AddressSetting {
    CIPAddressCtrl& control;
    int32_t& flag;
    char* text;
    size_t textSize;
    const AddressRule& rule;
};

// The octets a record text stands for; a text that the settings reader's
// address check rejects reads as 0.0.0.0.
Octets ParseRecordText(const char* text) {
    BYTE bytes[4] = {0, 0, 0, 0};
    if (theApp.m_pScript != nullptr)
        theApp.m_pScript->ParseAddress(text, bytes);
    return {bytes[0], bytes[1], bytes[2], bytes[3]};
}

void Show(CIPAddressCtrl& control, const Octets& o) {
    control.SetAddress(o.a, o.b, o.c, o.d);
}

void Load(const AddressSetting& s) {
    if (s.flag == 1)
        Show(s.control, s.rule.Shown(ParseRecordText(s.text)));
    else
        Show(s.control, s.rule.Default());
}

void Store(const AddressSetting& s) {
    Octets entered = {0, 0, 0, 0};
    s.control.GetAddress(entered.a, entered.b, entered.c, entered.d);
    s.flag = s.rule.PresenceFlag(entered);
    FormatAddress(entered, s.text, s.textSize);
}

} // namespace

BEGIN_MESSAGE_MAP(CIPPage, CPropertyPage)
END_MESSAGE_MAP()

CIPPage::CIPPage() : CPropertyPage(IDD_PAGE_IP) {}

CIPPage::~CIPPage() = default;

void CIPPage::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_IPADDRESS_GATEWAY, m_ctrlGateway);
    DDX_Control(pDX, IDC_IPADDRESS_IP, m_ctrlIPAddress);
    DDX_Control(pDX, IDC_IPADDRESS_SUBNET_MASK, m_ctrlSubnetMask);
}

BOOL CIPPage::OnSetActive() {
    NetworkSettings& s = theApp.m_settings;
    Load({m_ctrlIPAddress, s.bIpAdr, s.szIpAdr, sizeof(s.szIpAdr), AddressRule::IpAddress()});
    Load({m_ctrlSubnetMask, s.bIpMsk, s.szIpMsk, sizeof(s.szIpMsk), AddressRule::SubnetMask()});
    Load({m_ctrlGateway, s.bGwAdr, s.szGwAdr, sizeof(s.szGwAdr), AddressRule::Gateway()});
    UpdateData(FALSE);
    return CPropertyPage::OnSetActive();
}

BOOL CIPPage::OnKillActive() {
    // Without its window the page has no controls: reading them would store
    // zeros.
    if (!::IsWindow(m_hWnd))
        return FALSE;
    UpdateData(TRUE);
    NetworkSettings& s = theApp.m_settings;
    Store({m_ctrlIPAddress, s.bIpAdr, s.szIpAdr, sizeof(s.szIpAdr), AddressRule::IpAddress()});
    Store({m_ctrlSubnetMask, s.bIpMsk, s.szIpMsk, sizeof(s.szIpMsk), AddressRule::SubnetMask()});
    Store({m_ctrlGateway, s.bGwAdr, s.szGwAdr, sizeof(s.szGwAdr), AddressRule::Gateway()});
    return CPropertyPage::OnKillActive();
}
