// minimal_dialog.cpp - the smallest Win32 dialog program of our own: the
// yardstick for the tool's start-up time and memory in scripts/bench.
#include <windows.h>
#include <commctrl.h>

namespace {

INT_PTR CALLBACK MinimalProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hwnd, LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    return static_cast<int>(
        DialogBoxParamW(instance, MAKEINTRESOURCEW(1), nullptr, MinimalProc, 0));
}
