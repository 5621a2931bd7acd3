// flashchanger.h - the upgrade progress window: a message line above a
// progress bar, shown while the start-up firmware check rewrites the boot ROM
// or the command file. A modeless dialog on template 130 that the check drives
// from outside with plain window calls.
#pragma once

#include "afx/afxcmn.h"
#include "afx/afxwin.h"

class CFlashChanger : public CDialog {
public:
    explicit CFlashChanger(CWnd* pParent = nullptr);
    ~CFlashChanger() override;

    // Carries out a close asked for while the board worked.
    void GoOnWithClose();

    CProgressCtrl m_progress;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // The close box: waits while the board works, since the window shows a
    // flash change that must not be cut short.
    void OnCancel() override;
    // The session may not end while the board works.
    BOOL OnQueryEndSession();

    DECLARE_MESSAGE_MAP()

private:
    BOOL m_bCloseAsked = FALSE;
};
