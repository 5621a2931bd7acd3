// tarnelapp.cpp - start-up and shutdown.
#include "app/tarnelapp.h"

#include "app/lm800mul.h"

CTarnelApp theApp;

BEGIN_MESSAGE_MAP(CTarnelApp, CWinApp)
END_MESSAGE_MAP()

// Only the board handle and number need values other than zero; the rest of
// the object starts zeroed as static storage.
CTarnelApp::CTarnelApp() {
    m_hBoard = 0;
    m_nBoardNo = -1;
}

CTarnelApp::~CTarnelApp() = default;

BOOL CTarnelApp::InitInstance() {
    AfxEnableControlContainer();

    if (!OpenBoard()) {
        AfxMessageBox("通信環境が正しく設定されていません。\n終了します。", MB_OK | MB_ICONHAND);
        return FALSE;
    }

    // Not built yet: create the settings-file object (m_pScript) and the
    // progress window object (m_pFlashChanger).

    // Not built yet: CheckAndUpgradeFirmware().

    // Not built yet: read "sys:\boot.ini" into m_settings.

    // Not built yet: run the main dialog as the main window.

    return FALSE;
}

int CTarnelApp::ExitInstance() {
    // Not built yet: delete m_pFlashChanger and m_pScript.
    if (m_hBoard != 0)
        CloseIPDev(m_hBoard);
    return CWinApp::ExitInstance();
}
