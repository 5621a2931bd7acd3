// uidriver.h - drives real windows from outside, as a person would: find a
// window, click, type, change tabs, read and answer message boxes by their
// text. Works on windows of this process (driven from a second thread while
// the UI thread runs a modal loop) and of other processes.
//
// Texts are UTF-16 here; tests compare against UTF-8 literals with Wide().
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace uitest {

std::wstring Wide(const char* utf8);
std::string Utf8(const std::wstring& wide);

// A message box as seen on the screen.
struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::wstring caption;
    std::wstring text;
    // MB_ICONHAND, MB_ICONQUESTION, MB_ICONEXCLAMATION, MB_ICONASTERISK or 0
    // (known only for boxes of this process; -1 when it cannot be told).
    int icon = -1;
    bool hasOk = false;
    bool hasCancel = false;
    bool hasYes = false;
    bool hasNo = false;
};

// Text of a window (WM_GETTEXT; works across processes).
std::wstring GetText(HWND hwnd);
std::wstring GetClassNameOf(HWND hwnd);

// Top-level visible window of process `pid` (0: this process) whose caption
// equals `caption` (null: any) and class equals `className` (null: any).
HWND FindTopWindow(const wchar_t* caption, const wchar_t* className = nullptr, DWORD pid = 0);
// Waits for such a window; null on timeout.
HWND WaitForTopWindow(const wchar_t* caption, const wchar_t* className, DWORD timeoutMs,
                      DWORD pid = 0);
// Waits until the window is gone (or was never there); false on timeout.
bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs);

// The first visible descendant of `root` with control ID `id` (and class
// `className`, when given), searched depth-first; null when none.
HWND FindDescendant(HWND root, int id, const wchar_t* className = nullptr);

// Is this top-level window a message box (a dialog with the message text)?
bool IsMessageBox(HWND hwnd);
// Reads a message box.
MessageBoxInfo ReadMessageBox(HWND hwnd);
// Waits for a message box of process `pid` (0: this one); false on timeout.
bool WaitForMessageBox(MessageBoxInfo& info, DWORD timeoutMs, DWORD pid = 0);
// Presses a button of the box (IDOK, IDCANCEL...) and waits for it to close.
bool AnswerMessageBox(const MessageBoxInfo& info, int buttonId, DWORD timeoutMs = 5000);

// Clicks a button as the user would (the button's own click: press, release,
// WM_COMMAND to its parent). Does not wait for the handler to finish.
void ClickButton(HWND button);
void ClickDlgButton(HWND dialog, int id);
// Sets a check box to the given state by clicking it when needed.
void SetCheck(HWND dialog, int id, bool checked);
// Replaces the text of an edit box by typing: select all, type the chars, and
// wait (up to 2 s) until the edit shows them.
void TypeInto(HWND edit, const std::wstring& text);
// The edit fields of an IP address control, from left to right.
std::vector<HWND> IpAddressFields(HWND ipControl);
// Types into the four fields of an IP address control ("10.0.0.1"; empty
// strings leave fields blank).
void TypeIpAddress(HWND ipControl, const std::wstring& dotted);
// Clicks the tab of a tab control, as with the mouse.
void ClickTab(HWND tabControl, int index);
// Presses a key (VK_TAB, VK_RETURN, VK_ESCAPE...) with real keyboard input to
// the foreground window; `shift` holds Shift down.
void PressKey(WORD vk, bool shift = false);
// Sends a system command (SC_CLOSE, or a menu item ID) as the system menu does.
void SystemCommand(HWND window, UINT command);

// Saves what the screen shows in `area` as a 24-bit BMP file; false when the
// area is empty or the file cannot be written.
bool SaveScreenArea(const RECT& area, const std::string& path);

// Waits until `condition` holds; false on timeout.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Answers every message box of a process in the background, as a user would,
// recording each one. The answer function gets the box and returns the button
// to press (IDOK, IDCANCEL).
class MessageBoxResponder {
public:
    using Policy = std::function<int(const MessageBoxInfo&)>;

    explicit MessageBoxResponder(Policy policy, DWORD pid = 0);
    ~MessageBoxResponder();
    MessageBoxResponder(const MessageBoxResponder&) = delete;
    MessageBoxResponder& operator=(const MessageBoxResponder&) = delete;

    // Boxes answered so far, in order.
    std::vector<MessageBoxInfo> Seen() const;
    // Stops answering (also done by the destructor).
    void Stop();

    // Answers OK to every box.
    static int AlwaysOk(const MessageBoxInfo&) { return IDOK; }

private:
    void Loop();

    Policy m_policy;
    DWORD m_pid;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<MessageBoxInfo> m_seen;
    std::thread m_thread;
};

} // namespace uitest
