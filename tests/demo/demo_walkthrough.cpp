// demo_walkthrough.cpp - the headless demo's scripted session: starts
// Tarnel2.exe beside itself on the board the demo prepared and drives its real
// windows from outside, as a person would, saving the screen after each step
// as a numbered frame:
//
//   the upgrade questions answered OK, the progress window part-way and at
//   the end; each of the four pages with one edit; Write and its message; the
//   clock running; Exit with the reset question.
//
//   demo_walkthrough <frames-folder>
//
// Exit code 0 when every step was seen and the tool ended, 1 otherwise (the
// step that failed is named on stderr).
#include "res/resource.h"
#include "testboard.h"
#include "uidriver.h"

#include <windows.h>

#include <cstdio>
#include <string>

using namespace uitest;

namespace {

constexpr DWORD kWait = 20000;
constexpr int kTabControlId = 0x3020; // the property sheet's tab control

class Walkthrough {
public:
    explicit Walkthrough(std::string framesDir) : m_framesDir(std::move(framesDir)) {}

    bool Run();

private:
    // Saves the whole screen as the next numbered frame.
    void Frame(const char* name);
    // Waits for the tool's next message box, saves it as a frame and presses
    // `answer`.
    bool AnswerBox(const char* frameName, int answer);
    bool WaitForMainDialog();
    // Clicks page tab `index` and waits for its control `controlId`.
    HWND ShowPage(int index, int controlId);
    bool Fail(const char* step);

    std::string m_framesDir;
    int m_frameNo = 0;
    testboard::Child m_tool;
    HWND m_main = nullptr;
};

void Walkthrough::Frame(const char* name) {
    Sleep(400); // let the windows finish painting
    char path[MAX_PATH];
    std::snprintf(path, sizeof(path), "%s\\%02d-%s.bmp", m_framesDir.c_str(), ++m_frameNo, name);
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (!SaveScreenArea(screen, path))
        std::fprintf(stderr, "demo_walkthrough: cannot save %s\n", path);
}

bool Walkthrough::AnswerBox(const char* frameName, int answer) {
    MessageBoxInfo box;
    if (!WaitForMessageBox(box, kWait, m_tool.Pid()))
        return false;
    Frame(frameName);
    return AnswerMessageBox(box, answer);
}

bool Walkthrough::WaitForMainDialog() {
    return WaitUntil(
        [&] {
            m_main = FindTopWindow(L"Tarnel2", L"#32770", m_tool.Pid());
            return m_main != nullptr && !IsMessageBox(m_main) &&
                   FindDescendant(m_main, IDC_BUTTON_WRITE, L"Button") != nullptr;
        },
        kWait);
}

HWND Walkthrough::ShowPage(int index, int controlId) {
    HWND tab = FindDescendant(m_main, kTabControlId, L"SysTabControl32");
    if (tab == nullptr)
        return nullptr;
    ClickTab(tab, index);
    HWND control = nullptr;
    WaitUntil([&] { return (control = FindDescendant(m_main, controlId)) != nullptr; }, kWait);
    return control;
}

bool Walkthrough::Fail(const char* step) {
    std::fprintf(stderr, "demo_walkthrough: %s\n", step);
    m_tool.Kill();
    return false;
}

bool Walkthrough::Run() {
    if (!testboard::StartChild("Tarnel2.exe", m_tool))
        return Fail("Tarnel2.exe did not start");

    if (!AnswerBox("boot-rom-question", IDOK))
        return Fail("no boot ROM question");
    Sleep(600);
    Frame("upgrading");
    if (!AnswerBox("command-file-question", IDOK))
        return Fail("no command file question");
    if (!AnswerBox("upgrade-completed", IDOK))
        return Fail("no completion message");

    if (!WaitForMainDialog())
        return Fail("no main dialog");
    HWND ip = FindDescendant(m_main, IDC_IPADDRESS_IP, L"SysIPAddress32");
    if (ip == nullptr)
        return Fail("no IP address field");
    TypeIpAddress(ip, L"10.0.0.5");
    Frame("ip-page");

    HWND port = ShowPage(1, IDC_EDIT_PORT);
    if (port == nullptr)
        return Fail("no port page");
    TypeInto(port, L"8080");
    Frame("port-page");

    if (ShowPage(2, IDC_CHECK_TCPACT) == nullptr)
        return Fail("no TCP page");
    SetCheck(GetParent(FindDescendant(m_main, IDC_CHECK_TCPACT)), IDC_CHECK_TCPACT, true);
    TypeInto(FindDescendant(m_main, IDC_EDIT_TCPACT, L"Edit"), L"12");
    Frame("tcp-page");

    if (ShowPage(3, IDC_CHECK_UDPCNT) == nullptr)
        return Fail("no UDP page");
    SetCheck(GetParent(FindDescendant(m_main, IDC_CHECK_UDPCNT)), IDC_CHECK_UDPCNT, true);
    TypeInto(FindDescendant(m_main, IDC_EDIT_UDPCNT, L"Edit"), L"4");
    Frame("udp-page");

    ClickDlgButton(m_main, IDC_BUTTON_WRITE);
    if (!AnswerBox("write-done", IDOK))
        return Fail("no message after Write");

    Frame("clock");
    Sleep(1600);
    Frame("clock-a-moment-later");

    ClickDlgButton(m_main, IDC_BUTTON_EXIT);
    if (!AnswerBox("reset-question", IDOK))
        return Fail("no reset question on Exit");
    if (m_tool.Wait(kWait) != 0)
        return Fail("the tool did not end after Exit");
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: demo_walkthrough <frames-folder>\n");
        return 2;
    }
    CreateDirectoryA(argv[1], nullptr);
    Walkthrough walkthrough(argv[1]);
    return walkthrough.Run() ? 0 : 1;
}
