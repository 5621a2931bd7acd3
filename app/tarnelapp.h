// tarnelapp.h - the application object: everything that lives for the whole
// run, and the fixed start-up and shutdown order.
#pragma once

#include "afx/afxwin.h"
#include "engine/boardlock.h"
#include "engine/boardthread.h"
#include "app/dialogboardui.h"
#include "settings/networksettings.h"

#include <string>

class CRZScript;
class CFlashChanger;

class CTarnelApp : public CWinApp {
public:
    CTarnelApp();
    ~CTarnelApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;

    // Finds the first attached board, takes its lock and opens it; on failure
    // tells the user which library call failed and why, and returns FALSE.
    // When another tool holds the board it brings that tool to the front,
    // sets m_bBoardInUse and returns FALSE without a message.
    BOOL OpenBoard();
    // Brings the board's firmware up to date from the installed files.
    void CheckAndUpgradeFirmware();
    // Makes the board's settings file whole from a journal an earlier write
    // left on the PC, telling the user.
    void TakeUpSettingsJournal();

    NetworkSettings m_settings;     // the one settings record of the process
    int m_hBoard;                   // board handle, 0 = none
    CRZScript* m_pScript;           // the settings-file object, owned
    CFlashChanger* m_pFlashChanger; // the upgrade progress window object, owned
    BOOL m_bBoardUpdated;           // the board's system was changed in this run
    // A main-flash write of the firmware check began and was not verified:
    // the board must not be reset or powered off before the tool completes it.
    BOOL m_bFlashWriteUnfinished;
    // The board's hardware address, which names its settings journal; learnt
    // at start when a journal is on the PC, else at the first Write.
    std::string m_hardwareAddress;
    int m_nBoardNo;             // the opened board's number, -1 = none
    BOOL m_bBoardInUse;         // another tool holds the board: end quietly
    BoardLock m_boardLock;      // held until the board is closed
    DialogBoardUi m_ui;         // how the board engine reaches the user
    CBoardThread m_boardThread; // makes every board library call

    DECLARE_MESSAGE_MAP()
};

extern CTarnelApp theApp;
