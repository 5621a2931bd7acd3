// tarnelsheet.cpp - the settings property sheet.
#include "pages/tarnelsheet.h"

namespace {

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

// A window's rectangle in pParent's client coordinates.
RECT RectIn(CWnd* pParent, HWND hWnd) {
    RECT r;
    ::GetWindowRect(hWnd, &r);
    pParent->ScreenToClient(&r);
    return r;
}

} // namespace

BEGIN_MESSAGE_MAP(CTarnelSheet, CPropertySheet)
END_MESSAGE_MAP()

CTarnelSheet::CTarnelSheet() : CPropertySheet(nullptr, nullptr, 0) {
    AddPage(&m_pageIP);
    AddPage(&m_pagePort);
    AddPage(&m_pageTCP);
    AddPage(&m_pageUDP);
}

CTarnelSheet::~CTarnelSheet() = default;

CPropertyPage* CTarnelSheet::GetActivePage() const {
    if (!::IsWindow(m_hWnd))
        return nullptr;
    return CPropertySheet::GetActivePage();
}

void CTarnelSheet::PlaceInFrame(CWnd* pParent, int nFrameID) {
    ModifyStyle(0, WS_TABSTOP);
    ModifyStyleEx(0, WS_EX_CONTROLPARENT);
    pParent->ModifyStyleEx(0, WS_EX_CONTROLPARENT);

    HWND hFrame = pParent->GetDlgItem(nFrameID);
    if (hFrame == nullptr)
        return;
    RECT frame = RectIn(pParent, hFrame);
    RECT tab = RectIn(pParent, GetTabControl());
    RECT sheet = RectIn(pParent, m_hWnd);

    MoveWindow(frame.left, frame.top, Width(frame), Height(frame), TRUE);
    ::SetWindowPos(GetTabControl(), nullptr, 0, 0, Width(frame) - Width(sheet) + Width(tab),
                   Height(frame) - Height(sheet) + Height(tab),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetActivePage(0);
}
