// aboutdlg.h - the About box, opened from the main dialog's system menu.
#pragma once

#include "afx/afxwin.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    ~CAboutDlg() override;

protected:
    DECLARE_MESSAGE_MAP()
};
