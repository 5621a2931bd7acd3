// uisession.cpp - the main dialog on a simulated board, driven black-box.
#include "uisession.h"

#include "boardlib/lm800mul.h"
#include "app/tarnelapp.h"
#include "mainwnd/tarneldlg.h"
#include "settings/rzscript.h"
#include "res/resource.h"

#include <commctrl.h>

#include <cstdio>
#include <thread>
#include <vector>

using namespace uitest;

namespace uisession {

namespace {

constexpr DWORD kDialogTimeoutMs = 10000;

HWND FindByClass(HWND root, const wchar_t* className) {
    for (HWND child = GetWindow(root, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetClassNameOf(child) == className)
            return child;
        if (HWND found = FindByClass(child, className))
            return found;
    }
    return nullptr;
}

// Closes whatever a script left open: message boxes (Cancel where there is
// one), the About box, then the main dialog itself.
void CloseLeftovers(HWND dialog) {
    WaitUntil(
        [&] {
            if (!IsWindow(dialog))
                return true;
            MessageBoxInfo box;
            if (WaitForMessageBox(box, 0)) {
                AnswerMessageBox(box, box.hasCancel ? IDCANCEL : IDOK);
                return false;
            }
            if (HWND about = FindTopWindow(Wide("Tarnel2のﾊﾞｰｼﾞｮﾝ情報").c_str(), L"#32770")) {
                PostMessageW(about, WM_COMMAND, IDCANCEL, 0);
                Sleep(200);
                return false;
            }
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            Sleep(300);
            return !IsWindow(dialog);
        },
        kDialogTimeoutMs);
}

} // namespace

void MainDialogTest::SetUp() {
    board = std::make_unique<testboard::TempBoard>();
    theApp.m_hBoard = board->Open(&theApp.m_nBoardNo);
    ASSERT_NE(theApp.m_hBoard, 0) << "the simulated board did not open";
    theApp.m_pScript = new CRZScript;
    theApp.m_bBoardUpdated = FALSE;
    ReadSettingsAsStartup();
}

void MainDialogTest::TearDown() {
    if (theApp.m_hBoard != 0)
        CloseIPDev(theApp.m_hBoard);
    theApp.m_hBoard = 0;
    theApp.m_nBoardNo = -1;
    delete theApp.m_pScript;
    theApp.m_pScript = nullptr;
    board.reset();
}

void MainDialogTest::SetBootIni(const std::string& content) {
    ASSERT_TRUE(simboard::WriteBoardFile(board->Dir(), "sys:\\boot.ini", content));
}

void MainDialogTest::RemoveBootIni() {
    simboard::DeleteBoardFile(board->Dir(), "sys:\\boot.ini");
}

std::string MainDialogTest::BootIni() const {
    std::string content;
    simboard::ReadBoardFile(board->Dir(), "sys:\\boot.ini", content);
    return content;
}

void MainDialogTest::ReadSettingsAsStartup() {
    theApp.m_pScript->ReadSettings(theApp.m_hBoard, theApp.m_settings, 0, 0);
}

void MainDialogTest::InjectFault(const char* function, int nthCall, int result) {
    simboard::BoardConfig config = board->Config();
    config.faults.push_back({function, nthCall, result});
    board->SetConfig(config);
}

INT_PTR MainDialogTest::RunDialog(const std::function<void(HWND dialog)>& script) {
    CTarnelDlg dlg;
    theApp.m_pMainWnd = &dlg;
    std::thread driver([&] {
        HWND dialog = WaitForTopWindow(L"Tarnel2", L"#32770", kDialogTimeoutMs);
        if (dialog == nullptr) {
            ADD_FAILURE() << "the main dialog did not appear";
            return;
        }
        // The sheet is made in OnInitDialog; wait until its first page shows.
        WaitUntil([&] { return Control(dialog, IDC_IPADDRESS_IP) != nullptr; }, kDialogTimeoutMs);
        script(dialog);
        CloseLeftovers(dialog);
    });
    INT_PTR result = dlg.DoModal();
    driver.join();
    theApp.m_pMainWnd = nullptr;
    return result;
}

std::vector<simboard::TraceEntry> MainDialogTest::Calls(const std::string& function) const {
    std::vector<simboard::TraceEntry> calls;
    for (const simboard::TraceEntry& entry : simboard::ReadTrace(board->Dir())) {
        if (entry.function == function)
            calls.push_back(entry);
    }
    return calls;
}

int MainDialogTest::CallCount(const std::string& function) const {
    return static_cast<int>(Calls(function).size());
}

HWND TabControl(HWND dialog) {
    return FindByClass(dialog, L"SysTabControl32");
}

std::vector<std::wstring> TabTexts(HWND dialog) {
    std::vector<std::wstring> texts;
    HWND tab = TabControl(dialog);
    int count = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[64] = {};
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(tab, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        texts.push_back(text);
    }
    return texts;
}

int SelectedTab(HWND dialog) {
    return static_cast<int>(SendMessageW(TabControl(dialog), TCM_GETCURSEL, 0, 0));
}

bool ShowTab(HWND dialog, int index, int pageControlId) {
    ClickTab(TabControl(dialog), index);
    return WaitUntil(
        [&] { return SelectedTab(dialog) == index && Control(dialog, pageControlId) != nullptr; },
        5000);
}

HWND Control(HWND dialog, int id) {
    return FindDescendant(dialog, id);
}

std::wstring ControlText(HWND dialog, int id) {
    return GetText(Control(dialog, id));
}

bool IsChecked(HWND dialog, int id) {
    return SendMessageW(Control(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::wstring IpText(HWND dialog, int id) {
    DWORD address = 0;
    SendMessageW(Control(dialog, id), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    wchar_t text[32];
    swprintf(text, 32, L"%u.%u.%u.%u", FIRST_IPADDRESS(address), SECOND_IPADDRESS(address),
             THIRD_IPADDRESS(address), FOURTH_IPADDRESS(address));
    return text;
}

void Type(HWND dialog, int id, const std::wstring& text) {
    HWND edit = Control(dialog, id);
    TypeInto(edit, text);
}

void TypeIp(HWND dialog, int id, const std::wstring& dotted) {
    TypeIpAddress(Control(dialog, id), dotted);
    Sync(dialog);
}

void SetIp(HWND dialog, int id, BYTE a, BYTE b, BYTE c, BYTE d) {
    SendMessageW(Control(dialog, id), IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
}

bool ClickForMessageBox(HWND dialog, int id, MessageBoxInfo& box) {
    ClickDlgButton(dialog, id);
    return WaitForMessageBox(box, 5000);
}

void ClickAndWait(HWND dialog, int id) {
    // The button's own click, sent: it returns once the handler has run.
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Sync(HWND dialog) {
    // Posted input is handled in order; a posted message behind it followed
    // by a sent one tells when the queue has been worked through.
    Sleep(50);
    SendMessageW(dialog, WM_NULL, 0, 0);
    Sleep(50);
    SendMessageW(dialog, WM_NULL, 0, 0);
}

std::wstring AppTitle() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        name = name.substr(slash + 1);
    size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos)
        name.resize(dot);
    return name;
}

std::string SaveScreenshot(HWND window, const char* name) {
    std::string dir = testboard::ExeDir() + "\\..\\screenshots";
    CreateDirectoryA(dir.c_str(), nullptr);
    std::string path = dir + "\\" + name + ".bmp";

    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    RECT rc;
    GetWindowRect(window, &rc);
    return uitest::SaveScreenArea(rc, path) ? path : std::string();
}

} // namespace uisession
