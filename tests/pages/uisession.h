// uisession.h - runs the real main dialog on a simulated board for the UI
// tests: the dialog runs modally on the test's thread while a script drives
// it from a second thread, black-box, through the UI driver.
#pragma once

#include "simboard.h"
#include "testboard.h"
#include "uidriver.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace uisession {

// A fresh simulated board opened into theApp, with the settings-file object
// and the settings read from the board, as start-up leaves them.
class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the board's boot settings file (before RunDialog), or removes
    // it.
    void SetBootIni(const std::string& content);
    void RemoveBootIni();
    std::string BootIni() const;
    // Reads the boot file into theApp.m_settings as start-up does.
    void ReadSettingsAsStartup();
    void InjectFault(const char* function, int nthCall, int result);

    // Runs the main dialog until it closes; `script` drives it from a second
    // thread. Whatever the script leaves open is closed afterwards (message
    // boxes answered Cancel), so a failing script cannot hang the run.
    // Returns the dialog's DoModal result.
    INT_PTR RunDialog(const std::function<void(HWND dialog)>& script);

    // Calls of `function` in the board's trace since the test began.
    int CallCount(const std::string& function) const;
    std::vector<simboard::TraceEntry> Calls(const std::string& function) const;

    std::unique_ptr<testboard::TempBoard> board;
};

// --- Reading and driving the dialog (from the script's thread) ---

// The sheet's tab control, and the texts of its tabs.
HWND TabControl(HWND dialog);
std::vector<std::wstring> TabTexts(HWND dialog);
int SelectedTab(HWND dialog);
// Clicks tab `index` and waits until its page shows control `pageControlId`.
bool ShowTab(HWND dialog, int index, int pageControlId);
// The visible control with this ID inside the dialog or its current page.
HWND Control(HWND dialog, int id);
std::wstring ControlText(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
// The address an IP address control shows, "a.b.c.d".
std::wstring IpText(HWND dialog, int id);
// Types into the edit box `id` of the current page.
void Type(HWND dialog, int id, const std::wstring& text);
void TypeIp(HWND dialog, int id, const std::wstring& dotted);
// Puts an address into an IP address control (IPM_SETADDRESS). Under Wine the
// control's field edit boxes take no third digit when it does not fit their
// width at the template's font, so three-digit fields cannot be typed.
void SetIp(HWND dialog, int id, BYTE a, BYTE b, BYTE c, BYTE d);

// Clicks a button of the main dialog and waits for the message box it
// raises; false when none comes.
bool ClickForMessageBox(HWND dialog, int id, uitest::MessageBoxInfo& box);
// Clicks a button and waits until the dialog has handled the click.
void ClickAndWait(HWND dialog, int id);
// Waits until the UI thread has handled everything sent so far.
void Sync(HWND dialog);
// The executable's base name: the caption of the program's message boxes.
std::wstring AppTitle();

// Saves a screenshot of a top-level window (with what lies over it on the
// screen) as a 24-bit BMP under the build's screenshots folder; returns the
// path, empty on failure.
std::string SaveScreenshot(HWND window, const char* name);

} // namespace uisession
