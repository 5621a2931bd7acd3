// afxwin.h - the framework core: application object, windows, dialogs and
// message maps, over Win32.
//
// A small class framework of our own with the class names and documented
// base-class behaviour of the classic Windows dialog framework, and only what
// the program uses. Windows are Unicode; the program's 8-bit strings are
// Shift-JIS (code page 932) and are converted at this layer's edge, so the
// Japanese UI shows on any Windows locale.
//
// Message maps:
//
//   class CMyDlg : public CDialog {
//       ...
//       DECLARE_MESSAGE_MAP()
//   };
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_BN_CLICKED(IDC_SAVE, OnSave)
//       ON_WM_TIMER()
//   END_MESSAGE_MAP()
//
// A map entry holds a small thunk that calls the handler on the derived class,
// so handlers are type-checked and need no casts. Lookup walks the class's map,
// then its base's, up to CCmdTarget's empty map. A handler that wants the
// window's default processing as well calls Default() (the base-class handlers
// such as CWnd::OnTimer do exactly that).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

class CWnd;
class CWinApp;
class CDataExchange;

// ---------------------------------------------------------------------------
// Text at the framework's edge

// Shift-JIS (code page 932) to UTF-16 and back.
std::wstring AfxSjisToWide(const char* text);
std::string AfxWideToSjis(const wchar_t* text);

// CString - a thin 8-bit (Shift-JIS) string with the formatting and resource
// loading that the program uses.
class CString {
public:
    CString() = default;
    CString(const char* text) : m_str(text ? text : "") {}
    CString(const std::string& text) : m_str(text) {}

    // printf-style formatting (the C library's rules).
    void Format(const char* format, ...);
    // Loads string-table entry nID of the application's resources, converted to
    // code page 932. FALSE (and an empty string) when there is none.
    BOOL LoadString(UINT nID);

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    const char* GetString() const { return m_str.c_str(); }
    operator const char*() const { return m_str.c_str(); }
    CString& operator+=(const char* text) {
        m_str += text;
        return *this;
    }
    bool operator==(const char* text) const { return m_str == text; }

private:
    std::string m_str;
};

// ---------------------------------------------------------------------------
// Message maps

struct AFX_MSGMAP_ENTRY {
    UINT nMessage; // window message; 0 ends the map
    UINT nCode;    // WM_COMMAND notification code, or 0
    UINT nID;      // control or command ID for WM_COMMAND, or 0
    // Calls the handler; *pHandled is left TRUE unless the handler asked for
    // the default processing.
    LRESULT (*pfnThunk)(CWnd* pWnd, WPARAM wParam, LPARAM lParam);
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const {                                            \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                              \
        using ThisClass [[maybe_unused]] = theClass;                                               \
        using TheBaseClass = baseClass;                                                            \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                          \
    { 0, 0, 0, nullptr }                                                                           \
    }                                                                                              \
    ;                                                                                              \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};  \
    return &messageMap;                                                                            \
    }

#define ON_COMMAND(id, memberFxn)                                                                  \
    {WM_COMMAND, 0, static_cast<UINT>(id), [](CWnd* w, WPARAM, LPARAM) -> LRESULT {                \
         static_cast<ThisClass*>(w)->memberFxn();                                                  \
         return 0;                                                                                 \
     }},

#define ON_BN_CLICKED(id, memberFxn)                                                               \
    {WM_COMMAND, BN_CLICKED, static_cast<UINT>(id), [](CWnd* w, WPARAM, LPARAM) -> LRESULT {       \
         static_cast<ThisClass*>(w)->memberFxn();                                                  \
         return 0;                                                                                 \
     }},

#define ON_WM_TIMER()                                                                              \
    {WM_TIMER, 0, 0, [](CWnd* w, WPARAM wp, LPARAM) -> LRESULT {                                   \
         static_cast<ThisClass*>(w)->OnTimer(static_cast<UINT_PTR>(wp));                           \
         return 0;                                                                                 \
     }},

#define ON_WM_SYSCOMMAND()                                                                         \
    {WM_SYSCOMMAND, 0, 0, [](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT {                           \
         static_cast<ThisClass*>(w)->OnSysCommand(static_cast<UINT>(wp), lp);                      \
         return 0;                                                                                 \
     }},

#define ON_WM_PAINT()                                                                              \
    {WM_PAINT, 0, 0, [](CWnd* w, WPARAM, LPARAM) -> LRESULT {                                      \
         static_cast<ThisClass*>(w)->OnPaint();                                                    \
         return 0;                                                                                 \
     }},

// BOOL OnQueryEndSession(): FALSE holds the end of the session.
#define ON_WM_QUERYENDSESSION()                                                                    \
    {WM_QUERYENDSESSION, 0, 0, [](CWnd* w, WPARAM, LPARAM) -> LRESULT {                            \
         return static_cast<ThisClass*>(w)->OnQueryEndSession();                                   \
     }},

#define ON_WM_QUERYDRAGICON()                                                                      \
    {WM_QUERYDRAGICON, 0, 0, [](CWnd* w, WPARAM, LPARAM) -> LRESULT {                              \
         return reinterpret_cast<LRESULT>(static_cast<ThisClass*>(w)->OnQueryDragIcon());          \
     }},

// ---------------------------------------------------------------------------
// CCmdTarget - the root of every class with a message map.

class CCmdTarget {
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    // Finds the entry for a message in this class's map chain, or null.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT code, UINT id) const;
};

// ---------------------------------------------------------------------------
// CWnd - a window handle with the calls the program makes on it.

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    explicit CWnd(HWND hWnd) : m_hWnd(hWnd) {}
    ~CWnd() override = default;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    // Binds the wrapper to an existing window without taking ownership.
    BOOL Attach(HWND hWnd);
    HWND Detach();

    // Window calls; text arguments are Shift-JIS.
    virtual BOOL DestroyWindow();
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void SetWindowText(const char* text);
    CString GetWindowText() const;
    void SetDlgItemText(int nID, const char* text);
    CString GetDlgItemText(int nID) const;
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    void GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(LPRECT rect) const { ::GetWindowRect(m_hWnd, rect); }
    void ScreenToClient(LPRECT rect) const;
    void MoveWindow(int x, int y, int width, int height, BOOL bRepaint = TRUE) {
        ::MoveWindow(m_hWnd, x, y, width, height, bRepaint);
    }
    BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT flags) {
        return ::SetWindowPos(m_hWnd, hWndInsertAfter, x, y, cx, cy, flags);
    }
    BOOL ModifyStyle(DWORD remove, DWORD add);
    BOOL ModifyStyleEx(DWORD remove, DWORD add);
    HMENU GetSystemMenu(BOOL bRevert) const { return ::GetSystemMenu(m_hWnd, bRevert); }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC pfn = nullptr) {
        return ::SetTimer(m_hWnd, nIDEvent, nElapse, pfn);
    }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }

    // Data exchange: DoDataExchange binds control wrappers (DDX_Control).
    // UpdateData(TRUE) reads controls into members, FALSE the other way; it
    // returns FALSE only when the exchange failed.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

protected:
    virtual void DoDataExchange(CDataExchange* pDX);

    // Dispatches one message through the message map. Returns TRUE when a
    // handler took it and did not ask for the default processing.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Asks, from inside a handler, for the window's default processing of the
    // message being handled.
    void Default() { m_bDefaultRequested = TRUE; }

    // Default handlers, for derived classes to chain to.
    void OnTimer(UINT_PTR) { Default(); }
    void OnSysCommand(UINT, LPARAM) { Default(); }
    void OnPaint() { Default(); }

private:
    BOOL m_bDefaultRequested = FALSE;
    friend class CDialog;
};

// ---------------------------------------------------------------------------
// CMenu - a menu handle (the system menu, for instance); not owned.

class CMenu {
public:
    CMenu() = default;
    explicit CMenu(HMENU hMenu) : m_hMenu(hMenu) {}

    HMENU m_hMenu = nullptr;
    HMENU GetSafeHmenu() const { return m_hMenu; }

    // Appends an item (MF_STRING with a Shift-JIS text) or a separator
    // (MF_SEPARATOR, no text).
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, const char* lpszNewItem = nullptr);
};

// ---------------------------------------------------------------------------
// CDC and CPaintDC - a device context, and the one of a WM_PAINT handler
// (BeginPaint on construction, EndPaint on destruction).

class CDC {
public:
    HDC m_hDC = nullptr;
    HDC GetSafeHdc() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    PAINTSTRUCT m_ps = {};

private:
    HWND m_hWnd;
};

// ---------------------------------------------------------------------------
// CDataExchange and DDX_Control

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    BOOL m_bFailed = FALSE;
};

// Binds rControl to the dialog's child nIDC, once; a missing child fails the
// exchange.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

// ---------------------------------------------------------------------------
// CDialog - a dialog from a template, modal (DoModal) or modeless (Create).

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Runs the dialog modally; returns the EndDialog result, or -1 when the
    // dialog could not be made.
    virtual INT_PTR DoModal();
    // Makes the modeless dialog window; nonzero on success.
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    BOOL DestroyWindow() override;
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    UINT GetTemplateID() const { return m_nIDTemplate; }

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    BOOL m_bModal = FALSE;

    friend class CPropertyPage;
};

// ---------------------------------------------------------------------------
// CWinApp - the application object and the framework's run flow.

class CWinApp : public CCmdTarget {
public:
    // pszAppName null: the application title is the executable's base name.
    explicit CWinApp(const char* pszAppName = nullptr);
    ~CWinApp() override;

    // The framework calls InitInstance; when it returns FALSE the run ends
    // with ExitInstance, whose result is the process exit code. When it
    // returns TRUE, Run pumps messages until WM_QUIT and then calls
    // ExitInstance.
    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
    virtual int Run();

    HICON LoadIcon(UINT nIDResource) const;
    void BeginWaitCursor();
    void EndWaitCursor();

    // TRUE while a wait cursor is shown (windows keep it on WM_SETCURSOR).
    BOOL IsWaitCursorShown() const { return m_nWaitCursorCount > 0; }

    HINSTANCE m_hInstance = nullptr;
    std::string m_strAppName;      // Shift-JIS application title
    const char* m_pszAppName = ""; // points into m_strAppName
    CWnd* m_pMainWnd = nullptr;

    // The one application object (set by its constructor).
    static CWinApp* s_pApp;

private:
    int m_nWaitCursorCount = 0;
    HCURSOR m_hcurWaitCursorRestore = nullptr;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
CWnd* AfxGetMainWnd();
const char* AfxGetAppName();

// Shows a message box: the Shift-JIS text converted, the application title as
// caption, nType as given (MB_OK | MB_ICONHAND, ...). Returns IDOK, IDCANCEL...
int AfxMessageBox(const char* lpszText, UINT nType = MB_OK);

// Turns on hosting of ActiveX controls in dialogs. The program's dialogs host
// none, so this only keeps the start-up order that the framework expects.
void AfxEnableControlContainer();

// Registers the common control classes the program's templates use.
void AfxInitCommonControls();

// Runs the application object's flow; called by the framework's WinMain.
int AfxWinMain(HINSTANCE hInstance);

// CWaitCursor - the hourglass from construction to destruction.
class CWaitCursor {
public:
    CWaitCursor() { AfxGetApp()->BeginWaitCursor(); }
    ~CWaitCursor() { AfxGetApp()->EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    // Shows the hourglass again, for instance after a message box.
    void Restore() { ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT))); }
};
