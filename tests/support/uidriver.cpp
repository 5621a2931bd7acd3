// uidriver.cpp - black-box driving of real windows for the UI tests.
#include "uidriver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <chrono>

namespace uitest {

namespace {

constexpr int kMessageTextId = 0xFFFF; // static text of a message box

DWORD ResolvePid(DWORD pid) {
    return pid != 0 ? pid : GetCurrentProcessId();
}

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

struct TopWindowQuery {
    const wchar_t* caption;
    const wchar_t* className;
    DWORD pid;
    bool messageBoxesOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindow(HWND hwnd, LPARAM lParam) {
    auto* query = reinterpret_cast<TopWindowQuery*>(lParam);
    if (ProcessOf(hwnd) != query->pid || !IsWindowVisible(hwnd))
        return TRUE;
    if (query->className != nullptr && GetClassNameOf(hwnd) != query->className)
        return TRUE;
    if (query->caption != nullptr && GetText(hwnd) != query->caption)
        return TRUE;
    if (query->messageBoxesOnly && !IsMessageBox(hwnd))
        return TRUE;
    query->found.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopWindows(const wchar_t* caption, const wchar_t* className, DWORD pid,
                             bool messageBoxesOnly) {
    TopWindowQuery query{caption, className, ResolvePid(pid), messageBoxesOnly, {}};
    EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

int IconOf(HWND box) {
    if (ProcessOf(box) != GetCurrentProcessId())
        return -1;
    // The box's icon is a static control with SS_ICON; none means no icon.
    HICON shown = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        LONG style = GetWindowLongW(child, GWL_STYLE);
        if (GetClassNameOf(child) == L"Static" && (style & SS_TYPEMASK) == SS_ICON &&
            IsWindowVisible(child)) {
            shown = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
            break;
        }
    }
    if (shown == nullptr)
        return 0;
    struct {
        LPCWSTR id;
        int style;
    } const icons[] = {{MAKEINTRESOURCEW(32513), MB_ICONHAND},
                       {MAKEINTRESOURCEW(32514), MB_ICONQUESTION},
                       {MAKEINTRESOURCEW(32515), MB_ICONEXCLAMATION},
                       {MAKEINTRESOURCEW(32516), MB_ICONASTERISK}};
    for (const auto& icon : icons) {
        if (LoadIconW(nullptr, icon.id) == shown)
            return icon.style;
    }
    return -1;
}

bool HasButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    return button != nullptr && IsWindowVisible(button);
}

} // namespace

std::wstring Wide(const char* utf8) {
    if (utf8 == nullptr || *utf8 == '\0')
        return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

std::string Utf8(const std::wstring& wide) {
    if (wide.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &utf8[0], n, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(n - 1));
    return utf8;
}

std::wstring GetText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::wstring GetClassNameOf(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

HWND FindTopWindow(const wchar_t* caption, const wchar_t* className, DWORD pid) {
    std::vector<HWND> found = TopWindows(caption, className, pid, false);
    return found.empty() ? nullptr : found.front();
}

bool SaveScreenArea(const RECT& area, const std::string& path) {
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return false;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, as a BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();

    DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
    file.bfSize = file.bfOffBits + imageSize;
    info.bmiHeader.biSizeImage = imageSize;
    bool ok = false;
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        ok = std::fwrite(&file, sizeof(file), 1, out) == 1 &&
             std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out) == 1 &&
             std::fwrite(bits, imageSize, 1, out) == 1;
        ok = std::fclose(out) == 0 && ok;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        Sleep(20);
    }
}

HWND WaitForTopWindow(const wchar_t* caption, const wchar_t* className, DWORD timeoutMs,
                      DWORD pid) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(caption, className, pid)) != nullptr; },
              timeoutMs);
    return found;
}

bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(hwnd) || !IsWindowVisible(hwnd); }, timeoutMs);
}

HWND FindDescendant(HWND root, int id, const wchar_t* className) {
    for (HWND child = GetWindow(root, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        if (GetDlgCtrlID(child) == id &&
            (className == nullptr || GetClassNameOf(child) == className))
            return child;
        if (HWND found = FindDescendant(child, id, className))
            return found;
    }
    return nullptr;
}

bool IsMessageBox(HWND hwnd) {
    return GetClassNameOf(hwnd) == L"#32770" && GetDlgItem(hwnd, kMessageTextId) != nullptr;
}

MessageBoxInfo ReadMessageBox(HWND hwnd) {
    MessageBoxInfo info;
    info.hwnd = hwnd;
    info.caption = GetText(hwnd);
    info.text = GetText(GetDlgItem(hwnd, kMessageTextId));
    info.icon = IconOf(hwnd);
    info.hasOk = HasButton(hwnd, IDOK);
    info.hasCancel = HasButton(hwnd, IDCANCEL);
    info.hasYes = HasButton(hwnd, IDYES);
    info.hasNo = HasButton(hwnd, IDNO);
    return info;
}

bool WaitForMessageBox(MessageBoxInfo& info, DWORD timeoutMs, DWORD pid) {
    HWND box = nullptr;
    bool ok = WaitUntil(
        [&] {
            std::vector<HWND> boxes = TopWindows(nullptr, nullptr, pid, true);
            box = boxes.empty() ? nullptr : boxes.front();
            return box != nullptr;
        },
        timeoutMs);
    if (ok) {
        // Let the box finish its initialisation before reading it.
        Sleep(50);
        info = ReadMessageBox(box);
    }
    return ok;
}

bool AnswerMessageBox(const MessageBoxInfo& info, int buttonId, DWORD timeoutMs) {
    HWND button = GetDlgItem(info.hwnd, buttonId);
    if (button == nullptr)
        return false;
    ClickButton(button);
    return WaitUntil([&] { return !IsWindow(info.hwnd); }, timeoutMs);
}

void ClickButton(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

void ClickDlgButton(HWND dialog, int id) {
    ClickButton(GetDlgItem(dialog, id));
}

void SetCheck(HWND dialog, int id, bool checked) {
    HWND box = GetDlgItem(dialog, id);
    bool now = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (now != checked) {
        ClickButton(box);
        WaitUntil([&] { return (SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED) == checked; },
                  2000);
    }
}

void TypeInto(HWND edit, const std::wstring& text) {
    PostMessageW(edit, EM_SETSEL, 0, -1);
    PostMessageW(edit, WM_CHAR, VK_BACK, 1);
    for (wchar_t ch : text)
        PostMessageW(edit, WM_CHAR, ch, 1);
    // Posted characters wait behind any message sent to that thread later (a
    // tab change, say), so wait until the edit shows them. A control that
    // refuses some of them is given up on after a while.
    WaitUntil([&] { return GetText(edit) == text; }, 2000);
}

std::vector<HWND> IpAddressFields(HWND ipControl) {
    std::vector<HWND> fields;
    for (HWND child = GetWindow(ipControl, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetClassNameOf(child) == L"Edit")
            fields.push_back(child);
    }
    std::sort(fields.begin(), fields.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    return fields;
}

void TypeIpAddress(HWND ipControl, const std::wstring& dotted) {
    const std::vector<HWND> fields = IpAddressFields(ipControl);
    std::vector<std::wstring> parts(4);
    size_t index = 0;
    for (wchar_t ch : dotted) {
        if (ch == L'.') {
            if (++index >= parts.size())
                break;
        } else {
            parts[index] += ch;
        }
    }
    for (size_t i = 0; i < fields.size() && i < parts.size(); ++i)
        TypeInto(fields[i], parts[i]);
    // A field's value reaches the control when the field loses the focus or on
    // the next read; IPM_GETADDRESS reads the fields' texts directly.
}

void ClickTab(HWND tabControl, int index) {
    if (ProcessOf(tabControl) == GetCurrentProcessId()) {
        RECT item = {};
        if (SendMessageW(tabControl, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item))) {
            LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
            PostMessageW(tabControl, WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageW(tabControl, WM_LBUTTONUP, 0, at);
            SendMessageW(tabControl, WM_NULL, 0, 0);
            return;
        }
    }
    // Another process's tab control: its item rectangle cannot be read across
    // processes, so move the focus to the tab, which selects it and notifies
    // the parent as a click does.
    SendMessageW(tabControl, TCM_SETCURFOCUS, index, 0);
}

void PressKey(WORD vk, bool shift) {
    std::vector<INPUT> inputs;
    auto key = [&](WORD code, bool up) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    if (shift)
        key(VK_SHIFT, false);
    key(vk, false);
    key(vk, true);
    if (shift)
        key(VK_SHIFT, true);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sleep(100);
}

void SystemCommand(HWND window, UINT command) {
    PostMessageW(window, WM_SYSCOMMAND, command, 0);
}

MessageBoxResponder::MessageBoxResponder(Policy policy, DWORD pid)
    : m_policy(std::move(policy)), m_pid(pid), m_thread([this] { Loop(); }) {}

MessageBoxResponder::~MessageBoxResponder() {
    Stop();
}

void MessageBoxResponder::Stop() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

std::vector<MessageBoxInfo> MessageBoxResponder::Seen() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_seen;
}

void MessageBoxResponder::Loop() {
    while (!m_stop) {
        std::vector<HWND> boxes = TopWindows(nullptr, nullptr, m_pid, true);
        if (boxes.empty()) {
            Sleep(20);
            continue;
        }
        Sleep(50); // let the box finish its initialisation
        MessageBoxInfo info = ReadMessageBox(boxes.front());
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_seen.push_back(info);
        }
        int answer = m_policy(info);
        if (!AnswerMessageBox(info, answer)) {
            // The asked button does not exist: close the box as a user would.
            AnswerMessageBox(info, info.hasCancel ? IDCANCEL : IDOK);
        }
    }
}

} // namespace uitest
