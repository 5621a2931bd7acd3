// afxdlgs.h - property sheets and property pages over the common controls'
// property sheet.
//
//   class CMyPage : public CPropertyPage {
//   public:
//       CMyPage() : CPropertyPage(106) {}
//       BOOL OnSetActive() override;   // load the controls
//       BOOL OnKillActive() override;  // store the controls
//   };
//
//   class CMySheet : public CPropertySheet {
//   public:
//       CMySheet() { AddPage(&m_page); }
//       CMyPage m_page;
//   };
//
//   m_sheet.Create(this, WS_CHILD | WS_VISIBLE, 0);  // a child of the dialog
//
// A page is a CDialog whose window the sheet makes the first time its tab is
// selected. The sheet sends it PSN_SETACTIVE when its tab is shown and
// PSN_KILLACTIVE when it is left; the page answers through OnSetActive and
// OnKillActive, which derived pages override and chain to.
//
// A sheet made with WS_CHILD is modeless and lives inside its parent: it gets
// no caption or frame, takes part in the parent's keyboard navigation
// (DS_CONTROL), and shows no OK, Cancel, Apply or Help button: those are hidden
// and disabled and the sheet is shortened to lose the button row, so only the
// tab control and the current page remain.
#pragma once

#include "afxwin.h"

#include <vector>

class CPropertySheet;

// ---------------------------------------------------------------------------
// CPropertyPage

class CPropertyPage : public CDialog {
public:
    // nIDCaption 0: the tab shows the caption of the page's template.
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
    ~CPropertyPage() override;

    // The tab is being shown. The base runs the data exchange to the controls
    // (UpdateData(FALSE)) on every activation but the first, whose exchange
    // OnInitDialog has just done, and returns TRUE (activation accepted).
    virtual BOOL OnSetActive();
    // The tab is being left. The base runs the data exchange from the
    // controls (UpdateData(TRUE)) and returns its result: FALSE keeps the page.
    virtual BOOL OnKillActive();

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    // The page's dialog procedure: finds the page object through the lParam of
    // the PROPSHEETPAGE copy that the sheet passes with WM_INITDIALOG.
    static INT_PTR CALLBACK PageProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The page's description for the sheet.
    PROPSHEETPAGEW MakePageDescription();

    UINT m_nIDCaption;
    std::wstring m_strCaption;
    BOOL m_bFirstSetActive = TRUE;

    friend class CPropertySheet;
};

// ---------------------------------------------------------------------------
// CPropertySheet

class CPropertySheet : public CWnd {
public:
    // pszCaption is Shift-JIS (null: none); iSelectPage is the page shown
    // first.
    explicit CPropertySheet(const char* pszCaption = nullptr, CWnd* pParentWnd = nullptr,
                            UINT iSelectPage = 0);
    ~CPropertySheet() override;

    // Adds a page, at the end. Pages added after Create are added to the
    // window too.
    void AddPage(CPropertyPage* pPage);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int nPage) const;

    // Makes the modeless sheet window. dwStyle (DWORD)-1 keeps the standard
    // pop-up sheet; a style with WS_CHILD makes a child sheet of pParentWnd
    // (see the file comment). Returns FALSE when the window could not be made.
    virtual BOOL Create(CWnd* pParentWnd = nullptr, DWORD dwStyle = static_cast<DWORD>(-1),
                        DWORD dwExStyle = 0);

    // The page whose tab is selected (the start page before Create).
    CPropertyPage* GetActivePage() const;
    int GetActiveIndex() const;
    int GetPageIndex(const CPropertyPage* pPage) const;
    // Selects a page as a click on its tab does: the current page gets
    // PSN_KILLACTIVE (and may refuse), the new one PSN_SETACTIVE.
    BOOL SetActivePage(int nPage);
    BOOL SetActivePage(CPropertyPage* pPage) { return SetActivePage(GetPageIndex(pPage)); }
    // The sheet's tab control (PSM_GETTABCONTROL); null before Create.
    HWND GetTabControl() const;

protected:
    DECLARE_MESSAGE_MAP()

private:
    // Rewrites the sheet's dialog template before the window is made.
    static int CALLBACK SheetCallback(HWND hWnd, UINT message, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR idSubclass, DWORD_PTR refData);
    // Hides and disables the standard buttons and cuts the button row off.
    void RemoveButtonRow();

    std::wstring m_strCaption;
    CWnd* m_pParentWnd;
    UINT m_nStartPage;
    std::vector<CPropertyPage*> m_pages;
};
