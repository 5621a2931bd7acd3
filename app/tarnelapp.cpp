// tarnelapp.cpp - start-up and shutdown.
#include "app/tarnelapp.h"

#include "engine/boardoperations.h"
#include "firmware/flashchanger.h"
#include "mainwnd/tarneldlg.h"
#include "settings/rzscript.h"

CTarnelApp theApp;

BEGIN_MESSAGE_MAP(CTarnelApp, CWinApp)
END_MESSAGE_MAP()

// Only the board handle and number need values other than zero; the rest of
// the object starts zeroed as static storage.
CTarnelApp::CTarnelApp() {
    m_hBoard = 0;
    m_nBoardNo = -1;
    SetBoardUi(&m_ui);
    m_bFlashWriteUnfinished = FALSE;
}

CTarnelApp::~CTarnelApp() = default;

BOOL CTarnelApp::InitInstance() {
    AfxEnableControlContainer();

    // Every board library call from here on is made on the board thread,
    // while this thread keeps the windows answering.
    m_boardThread.Start();
    BOOL bOpened = FALSE;
    m_boardThread.Run([&] { bOpened = OpenBoard(); });
    if (!bOpened) {
        if (m_bBoardInUse)
            return FALSE;
        AfxMessageBox("通信環境が正しく設定されていません。\n終了します。", MB_OK | MB_ICONHAND);
        return FALSE;
    }

    m_pScript = new CRZScript;
    m_pFlashChanger = new CFlashChanger(nullptr);

    m_boardThread.Run([&] {
        // Declined or failed upgrades are reported inside; start-up goes on.
        CheckAndUpgradeFirmware();
        // A settings write cut short in an earlier run is made whole before
        // the settings are read, and the user is told.
        TakeUpSettingsJournal();

        // A missing or unreadable file leaves the defaults the reader set.
        m_pScript->ReadSettings(m_hBoard, m_settings, 0, 0);
    });
    m_pFlashChanger->GoOnWithClose();

    {
        CTarnelDlg dlg(nullptr);
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}

int CTarnelApp::ExitInstance() {
    // Both are null when start-up ended before making them.
    delete m_pFlashChanger;
    delete m_pScript;
    // The lock is let go by the thread that took it.
    m_boardThread.Run([&] { CloseBoardLocked(m_hBoard, m_boardLock); });
    m_boardThread.Stop();
    return CWinApp::ExitInstance();
}
