// afxwin.cpp - the framework core: text conversion, message maps, windows,
// dialogs, the application object and message boxes.
#include "afxwin.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

// ---------------------------------------------------------------------------
// Text

namespace {
constexpr UINT kProgramCodePage = 932;
}

std::wstring AfxSjisToWide(const char* text) {
    if (text == nullptr || *text == '\0')
        return std::wstring();
    int n = MultiByteToWideChar(kProgramCodePage, 0, text, -1, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(kProgramCodePage, 0, text, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

std::string AfxWideToSjis(const wchar_t* text) {
    if (text == nullptr || *text == L'\0')
        return std::string();
    int n = WideCharToMultiByte(kProgramCodePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return std::string();
    std::string sjis(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(kProgramCodePage, 0, text, -1, &sjis[0], n, nullptr, nullptr);
    sjis.resize(static_cast<size_t>(n - 1));
    return sjis;
}

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0) {
        m_str.clear();
    } else {
        std::vector<char> buffer(static_cast<size_t>(n) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        m_str.assign(buffer.data(), static_cast<size_t>(n));
    }
    va_end(args);
}

BOOL CString::LoadString(UINT nID) {
    const wchar_t* resource = nullptr;
    int n = LoadStringW(AfxGetInstanceHandle(), nID, reinterpret_cast<LPWSTR>(&resource), 0);
    if (n <= 0 || resource == nullptr) {
        m_str.clear();
        return FALSE;
    }
    std::wstring wide(resource, static_cast<size_t>(n));
    m_str = AfxWideToSjis(wide.c_str());
    return TRUE;
}

// ---------------------------------------------------------------------------
// Message maps

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, UINT code, UINT id) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nMessage != 0; ++e) {
            if (e->nMessage != message)
                continue;
            if (message == WM_COMMAND && (e->nID != id || e->nCode != code))
                continue;
            return e;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// CWnd

BOOL CWnd::Attach(HWND hWnd) {
    if (hWnd == nullptr)
        return FALSE;
    m_hWnd = hWnd;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::DestroyWindow() {
    if (m_hWnd == nullptr)
        return FALSE;
    BOOL ok = ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    return ok;
}

void CWnd::SetWindowText(const char* text) {
    ::SetWindowTextW(m_hWnd, AfxSjisToWide(text).c_str());
}

CString CWnd::GetWindowText() const {
    int n = ::GetWindowTextLengthW(m_hWnd);
    std::wstring wide(static_cast<size_t>(n) + 1, L'\0');
    ::GetWindowTextW(m_hWnd, &wide[0], n + 1);
    return CString(AfxWideToSjis(wide.c_str()));
}

void CWnd::SetDlgItemText(int nID, const char* text) {
    ::SetDlgItemTextW(m_hWnd, nID, AfxSjisToWide(text).c_str());
}

CString CWnd::GetDlgItemText(int nID) const {
    HWND hItem = ::GetDlgItem(m_hWnd, nID);
    if (hItem == nullptr)
        return CString();
    return CWnd(hItem).GetWindowText();
}

void CWnd::ScreenToClient(LPRECT rect) const {
    POINT* corners = reinterpret_cast<POINT*>(rect);
    ::ScreenToClient(m_hWnd, &corners[0]);
    ::ScreenToClient(m_hWnd, &corners[1]);
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add) {
    LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    LONG_PTR changed = (style & ~static_cast<LONG_PTR>(remove)) | static_cast<LONG_PTR>(add);
    if (changed == style)
        return FALSE;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, changed);
    return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add) {
    LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
    LONG_PTR changed = (style & ~static_cast<LONG_PTR>(remove)) | static_cast<LONG_PTR>(add);
    if (changed == style)
        return FALSE;
    ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, changed);
    return TRUE;
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    UINT code = 0;
    UINT id = 0;
    if (message == WM_COMMAND) {
        code = HIWORD(wParam);
        id = LOWORD(wParam);
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, code, id);
    if (entry == nullptr)
        return FALSE;
    // Handlers may run modal loops that dispatch further messages to this
    // window, so the default-processing request is kept per message.
    BOOL outer = m_bDefaultRequested;
    m_bDefaultRequested = FALSE;
    *pResult = entry->pfnThunk(this, wParam, lParam);
    BOOL handled = !m_bDefaultRequested;
    m_bDefaultRequested = outer;
    return handled;
}

// ---------------------------------------------------------------------------
// CMenu, CPaintDC

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const char* lpszNewItem) {
    if (nFlags & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW))
        return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, nullptr);
    std::wstring text = AfxSjisToWide(lpszNewItem);
    return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, text.c_str());
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) {
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC() {
    ::EndPaint(m_hWnd, &m_ps);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd != nullptr)
        return;
    HWND hControl = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
    if (hControl == nullptr) {
        pDX->m_bFailed = TRUE;
        return;
    }
    rControl.Attach(hControl);
}

// ---------------------------------------------------------------------------
// CDialog

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    // A modeless window still open when its object goes: close it so that the
    // dialog procedure never sees a dead object.
    if (m_hWnd != nullptr && !m_bModal)
        DestroyWindow();
}

namespace {
HWND OwnerWindow(CWnd* pParent, const CWnd* pSelf) {
    if (pParent != nullptr)
        return pParent->m_hWnd;
    CWnd* pMain = AfxGetMainWnd();
    if (pMain != nullptr && pMain != pSelf && ::IsWindow(pMain->m_hWnd))
        return pMain->m_hWnd;
    return nullptr;
}
} // namespace

INT_PTR CDialog::DoModal() {
    m_bModal = TRUE;
    INT_PTR result = ::DialogBoxParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIDTemplate),
                                       OwnerWindow(m_pParentWnd, this), DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    m_bModal = FALSE;
    m_hWnd = nullptr;
    return result;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    if (m_hWnd != nullptr)
        return FALSE;
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    m_bModal = FALSE;
    HWND hWnd = ::CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(nIDTemplate),
                                     pParentWnd ? pParentWnd->m_hWnd : nullptr, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

BOOL CDialog::DestroyWindow() {
    if (m_hWnd == nullptr)
        return FALSE;
    return ::DestroyWindow(m_hWnd); // WM_NCDESTROY clears m_hWnd
}

void CDialog::EndDialog(int nResult) {
    if (m_hWnd != nullptr)
        ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_INITDIALOG) {
        *pResult = OnInitDialog();
        return TRUE;
    }
    if (CWnd::OnWndMsg(message, wParam, lParam, pResult))
        return TRUE;
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
            case IDOK:
                OnOK();
                *pResult = 0;
                return TRUE;
            case IDCANCEL:
                OnCancel();
                *pResult = 0;
                return TRUE;
        }
    }
    if (message == WM_SETCURSOR && AfxGetApp() != nullptr && AfxGetApp()->IsWaitCursorShown()) {
        ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
        *pResult = TRUE;
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* pDlg = nullptr;
    if (message == WM_INITDIALOG) {
        pDlg = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(pDlg));
        pDlg->m_hWnd = hWnd;
    } else {
        pDlg = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    }
    if (pDlg == nullptr)
        return FALSE;

    LRESULT result = 0;
    BOOL handled = pDlg->OnWndMsg(message, wParam, lParam, &result);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
        pDlg->m_hWnd = nullptr;
    }
    if (!handled)
        return FALSE;
    switch (message) {
        // These results go back to the system directly.
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
            return static_cast<INT_PTR>(result);
        default:
            ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
            return TRUE;
    }
}

// ---------------------------------------------------------------------------
// CWinApp

CWinApp* CWinApp::s_pApp = nullptr;

CWinApp::CWinApp(const char* pszAppName) {
    s_pApp = this;
    m_hInstance = ::GetModuleHandleW(nullptr);
    if (pszAppName != nullptr) {
        m_strAppName = pszAppName;
    } else {
        // The executable's base name: "C:\tools\Tarnel2.exe" gives "Tarnel2".
        wchar_t path[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        const wchar_t* base = path;
        for (const wchar_t* p = path; *p != L'\0'; ++p) {
            if (*p == L'\\' || *p == L'/')
                base = p + 1;
        }
        std::wstring name(base);
        size_t dot = name.rfind(L'.');
        if (dot != std::wstring::npos && dot > 0)
            name.resize(dot);
        m_strAppName = AfxWideToSjis(name.c_str());
    }
    m_pszAppName = m_strAppName.c_str();
}

CWinApp::~CWinApp() {
    if (s_pApp == this)
        s_pApp = nullptr;
}

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return ExitInstance();
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return ::LoadIconW(m_hInstance, MAKEINTRESOURCEW(nIDResource));
}

void CWinApp::BeginWaitCursor() {
    HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
    if (m_nWaitCursorCount++ == 0)
        m_hcurWaitCursorRestore = previous;
}

void CWinApp::EndWaitCursor() {
    if (m_nWaitCursorCount == 0)
        return;
    if (--m_nWaitCursorCount == 0) {
        HCURSOR restore = m_hcurWaitCursorRestore;
        if (restore == nullptr)
            restore = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        ::SetCursor(restore);
    }
}

CWinApp* AfxGetApp() {
    return CWinApp::s_pApp;
}

HINSTANCE AfxGetInstanceHandle() {
    CWinApp* app = AfxGetApp();
    return app != nullptr ? app->m_hInstance : ::GetModuleHandleW(nullptr);
}

CWnd* AfxGetMainWnd() {
    CWinApp* app = AfxGetApp();
    return app != nullptr ? app->m_pMainWnd : nullptr;
}

const char* AfxGetAppName() {
    CWinApp* app = AfxGetApp();
    return app != nullptr ? app->m_pszAppName : "";
}

int AfxMessageBox(const char* lpszText, UINT nType) {
    HWND owner = nullptr;
    CWnd* pMain = AfxGetMainWnd();
    if (pMain != nullptr && ::IsWindow(pMain->m_hWnd))
        owner = pMain->m_hWnd;
    else
        owner = ::GetActiveWindow();
    std::wstring text = AfxSjisToWide(lpszText);
    std::wstring caption = AfxSjisToWide(AfxGetAppName());
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), nType);
}

void AfxEnableControlContainer() {}

void AfxInitCommonControls() {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                 ICC_INTERNET_CLASSES | ICC_TAB_CLASSES |
                                                 ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&icc);
}

int AfxWinMain(HINSTANCE hInstance) {
    AfxInitCommonControls();
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return -1;
    app->m_hInstance = hInstance;
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}
