// afxdlgs.cpp - property sheets and property pages.
#include "afxdlgs.h"

namespace {

// The sheet's Apply button (the other standard buttons have IDOK, IDCANCEL
// and IDHELP).
constexpr int kApplyButtonId = 0x3021;

// The extended dialog template header, which the SDK headers do not declare.
#pragma pack(push, 2)
struct DialogTemplateEx {
    WORD dlgVer;
    WORD signature;
    DWORD helpID;
    DWORD exStyle;
    DWORD style;
};
#pragma pack(pop)

// The style and extended style that Create asks for, read by the template
// callback while PropertySheetW makes the window (the callback has no user
// argument). Everything runs on the one user-interface thread.
struct PendingSheetStyle {
    BOOL active = FALSE;
    DWORD style = 0;
    DWORD exStyle = 0;
};
PendingSheetStyle g_pendingStyle;

// The template style of a child sheet: no pop-up frame, caption or system
// menu; a child control of its parent (DS_CONTROL, so that the dialog
// manager gives it WS_EX_CONTROLPARENT and Tab enters the pages); the font
// flag kept as the template has it.
DWORD ChildSheetStyle(DWORD templateStyle, DWORD requested) {
    DWORD style = templateStyle & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                    DS_CONTEXTHELP | WS_VISIBLE | WS_DISABLED);
    style |= requested | WS_CHILD | DS_CONTROL;
    if (!(templateStyle & DS_SETFONT))
        style &= ~static_cast<DWORD>(DS_SETFONT);
    return style;
}

} // namespace

// ---------------------------------------------------------------------------
// CPropertyPage

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption)
    : CDialog(nIDTemplate), m_nIDCaption(nIDCaption) {}

CPropertyPage::~CPropertyPage() = default;

BOOL CPropertyPage::OnSetActive() {
    if (m_bFirstSetActive)
        m_bFirstSetActive = FALSE;
    else
        UpdateData(FALSE);
    return TRUE;
}

BOOL CPropertyPage::OnKillActive() {
    return UpdateData(TRUE);
}

PROPSHEETPAGEW CPropertyPage::MakePageDescription() {
    PROPSHEETPAGEW psp = {};
    psp.dwSize = sizeof(psp);
    psp.dwFlags = PSP_DEFAULT;
    psp.hInstance = AfxGetInstanceHandle();
    psp.pszTemplate = MAKEINTRESOURCEW(m_nIDTemplate);
    psp.pfnDlgProc = PageProc;
    psp.lParam = reinterpret_cast<LPARAM>(this);
    if (m_nIDCaption != 0) {
        CString caption;
        caption.LoadString(m_nIDCaption);
        m_strCaption = AfxSjisToWide(caption);
        psp.dwFlags |= PSP_USETITLE;
        psp.pszTitle = m_strCaption.c_str();
    }
    return psp;
}

BOOL CPropertyPage::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_NOTIFY) {
        const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
        switch (hdr->code) {
            case PSN_SETACTIVE:
                // 0 accepts the activation, -1 refuses it.
                *pResult = OnSetActive() ? 0 : -1;
                return TRUE;
            case PSN_KILLACTIVE:
                // FALSE lets the page go.
                *pResult = OnKillActive() ? FALSE : TRUE;
                return TRUE;
            case PSN_APPLY:
                *pResult = PSNRET_NOERROR;
                return TRUE;
            default:
                break;
        }
    }
    return CDialog::OnWndMsg(message, wParam, lParam, pResult);
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const PROPSHEETPAGEW* psp = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        CPropertyPage* pPage = reinterpret_cast<CPropertyPage*>(psp->lParam);
        pPage->m_bFirstSetActive = TRUE;
        return CDialog::DialogProc(hWnd, message, wParam, reinterpret_cast<LPARAM>(pPage));
    }
    return CDialog::DialogProc(hWnd, message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// CPropertySheet

BEGIN_MESSAGE_MAP(CPropertySheet, CWnd)
END_MESSAGE_MAP()

CPropertySheet::CPropertySheet(const char* pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_strCaption(AfxSjisToWide(pszCaption)), m_pParentWnd(pParentWnd), m_nStartPage(iSelectPage) {
}

CPropertySheet::~CPropertySheet() {
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

void CPropertySheet::AddPage(CPropertyPage* pPage) {
    m_pages.push_back(pPage);
    if (m_hWnd != nullptr) {
        PROPSHEETPAGEW psp = pPage->MakePageDescription();
        HPROPSHEETPAGE hPage = ::CreatePropertySheetPageW(&psp);
        if (hPage != nullptr)
            SendMessage(PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(hPage));
    }
}

CPropertyPage* CPropertySheet::GetPage(int nPage) const {
    if (nPage < 0 || nPage >= GetPageCount())
        return nullptr;
    return m_pages[static_cast<size_t>(nPage)];
}

int CPropertySheet::GetPageIndex(const CPropertyPage* pPage) const {
    for (size_t i = 0; i < m_pages.size(); ++i) {
        if (m_pages[i] == pPage)
            return static_cast<int>(i);
    }
    return -1;
}

BOOL CPropertySheet::Create(CWnd* pParentWnd, DWORD dwStyle, DWORD dwExStyle) {
    if (m_hWnd != nullptr)
        return FALSE;
    if (pParentWnd != nullptr)
        m_pParentWnd = pParentWnd;

    std::vector<PROPSHEETPAGEW> pages;
    pages.reserve(m_pages.size());
    for (CPropertyPage* pPage : m_pages)
        pages.push_back(pPage->MakePageDescription());

    PROPSHEETHEADERW psh = {};
    psh.dwSize = sizeof(psh);
    psh.dwFlags = PSH_MODELESS | PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    psh.hwndParent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    psh.hInstance = AfxGetInstanceHandle();
    psh.pszCaption = m_strCaption.c_str();
    psh.nPages = static_cast<UINT>(pages.size());
    psh.nStartPage = m_nStartPage < pages.size() ? m_nStartPage : 0;
    psh.ppsp = pages.data();
    psh.pfnCallback = SheetCallback;

    BOOL child = dwStyle != static_cast<DWORD>(-1) && (dwStyle & WS_CHILD) != 0;
    g_pendingStyle.active = dwStyle != static_cast<DWORD>(-1);
    g_pendingStyle.style = dwStyle;
    g_pendingStyle.exStyle = dwExStyle;
    HWND hWnd = reinterpret_cast<HWND>(::PropertySheetW(&psh));
    g_pendingStyle.active = FALSE;
    if (hWnd == nullptr || hWnd == reinterpret_cast<HWND>(-1))
        return FALSE;

    m_hWnd = hWnd;
    ::SetWindowSubclass(hWnd, SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
    if (child)
        RemoveButtonRow();
    return TRUE;
}

int CALLBACK CPropertySheet::SheetCallback(HWND, UINT message, LPARAM lParam) {
    if (message != PSCB_PRECREATE || !g_pendingStyle.active || lParam == 0)
        return 0;
    // The template is the sheet's own writable copy.
    DWORD* pStyle = nullptr;
    DWORD* pExStyle = nullptr;
    DialogTemplateEx* ex = reinterpret_cast<DialogTemplateEx*>(lParam);
    if (ex->dlgVer == 1 && ex->signature == 0xFFFF) {
        pStyle = &ex->style;
        pExStyle = &ex->exStyle;
    } else {
        DLGTEMPLATE* plain = reinterpret_cast<DLGTEMPLATE*>(lParam);
        pStyle = &plain->style;
        pExStyle = &plain->dwExtendedStyle;
    }
    if (g_pendingStyle.style & WS_CHILD)
        *pStyle = ChildSheetStyle(*pStyle, g_pendingStyle.style);
    else
        *pStyle = g_pendingStyle.style | (*pStyle & DS_SETFONT);
    *pExStyle = g_pendingStyle.exStyle;
    return 0;
}

LRESULT CALLBACK CPropertySheet::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR, DWORD_PTR refData) {
    CPropertySheet* pSheet = reinterpret_cast<CPropertySheet*>(refData);
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hWnd, SubclassProc, 0);
        pSheet->m_hWnd = nullptr;
        return ::DefSubclassProc(hWnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    if (pSheet->OnWndMsg(message, wParam, lParam, &result))
        return result;
    return ::DefSubclassProc(hWnd, message, wParam, lParam);
}

void CPropertySheet::RemoveButtonRow() {
    const int buttons[] = {IDOK, IDCANCEL, IDHELP, kApplyButtonId};
    int buttonTop = -1;
    for (int id : buttons) {
        HWND hButton = ::GetDlgItem(m_hWnd, id);
        if (hButton == nullptr)
            continue;
        RECT rc;
        ::GetWindowRect(hButton, &rc);
        if (buttonTop < 0 || rc.top < buttonTop)
            buttonTop = rc.top;
        ::ShowWindow(hButton, SW_HIDE);
        ::EnableWindow(hButton, FALSE);
    }
    if (buttonTop < 0)
        return;
    RECT sheet;
    ::GetWindowRect(m_hWnd, &sheet);
    if (buttonTop > sheet.top && buttonTop < sheet.bottom) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, sheet.right - sheet.left, buttonTop - sheet.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

CPropertyPage* CPropertySheet::GetActivePage() const {
    return GetPage(GetActiveIndex());
}

int CPropertySheet::GetActiveIndex() const {
    if (m_hWnd == nullptr)
        return static_cast<int>(m_nStartPage);
    HWND hTab = GetTabControl();
    if (hTab == nullptr)
        return static_cast<int>(m_nStartPage);
    return static_cast<int>(::SendMessageW(hTab, TCM_GETCURSEL, 0, 0));
}

BOOL CPropertySheet::SetActivePage(int nPage) {
    if (nPage < 0 || nPage >= GetPageCount())
        return FALSE;
    if (m_hWnd == nullptr) {
        m_nStartPage = static_cast<UINT>(nPage);
        return TRUE;
    }
    return static_cast<BOOL>(SendMessage(PSM_SETCURSEL, static_cast<WPARAM>(nPage), 0));
}

HWND CPropertySheet::GetTabControl() const {
    if (m_hWnd == nullptr)
        return nullptr;
    return reinterpret_cast<HWND>(SendMessage(PSM_GETTABCONTROL));
}
