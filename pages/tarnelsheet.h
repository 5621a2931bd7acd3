// tarnelsheet.h - the settings property sheet: the IP address, port, TCP and
// UDP pages, laid into the main dialog as a child over a placeholder frame.
#pragma once

#include "afx/afxdlgs.h"
#include "pages/ippage.h"
#include "pages/portpage.h"
#include "pages/tcppage.h"
#include "pages/udppage.h"

class CTarnelSheet : public CPropertySheet {
public:
    CTarnelSheet();
    ~CTarnelSheet() override;

    // Lays the created sheet over pParent's child nFrameID and fits the tab
    // control to it, keeping the tab control's margins; then selects the
    // first page. Also lets Tab move between the parent's controls and the
    // page's. Without such a child the sheet keeps its place and size.
    void PlaceInFrame(CWnd* pParent, int nFrameID);
    // The page whose tab is selected; null while the sheet has no window, so
    // that no caller takes a page without controls for the one on screen.
    CPropertyPage* GetActivePage() const;

    CIPPage m_pageIP;
    CPortPage m_pagePort;
    CTCPPage m_pageTCP;
    CUDPPage m_pageUDP;

protected:
    DECLARE_MESSAGE_MAP()
};
