// winmain.cpp - the entry point of a framework program: runs the application
// object's flow (AfxWinMain). Linked only into GUI executables.
#include "afxwin.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    return AfxWinMain(hInstance);
}
