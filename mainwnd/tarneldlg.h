// tarneldlg.h - the main dialog: the settings sheet with Write, Read and
// Exit, the About box from the system menu, and the board clock panel (the
// board time running, and Set from the time picker).
#pragma once

#include "afx/afxcmn.h"
#include "afx/afxwin.h"
#include "engine/boardthread.h"
#include "pages/tarnelsheet.h"

class CTarnelDlg : public CDialog {
public:
    explicit CTarnelDlg(CWnd* pParent = nullptr);
    ~CTarnelDlg() override;

    // Reads "h:m:s" into the three fields (0 where a field is missing or has
    // no digits). 0 when all three fields were found, -1 otherwise.
    int ParseRtcText(CString text, int& hour, int& minute, int& second);
    // Advances the time by one second, carrying into minute and hour; a field
    // that reaches its limit becomes 0. Returns 0.
    int IncrementSecond(int& hour, int& minute, int& second);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Enter in an edit box sends the OK command: it must not end the tool.
    void OnOK() override;
    // Exit, the close box and Escape: offers the board reset when the board's
    // system was changed in this run, then closes; while the board works, once
    // the work has ended.
    void OnCancel() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnWrite();
    void OnRead();
    void OnSetRtc();
    void OnTimer(UINT_PTR nIDEvent);
    // The session may not end while the board works.
    BOOL OnQueryEndSession();

    CTarnelSheet m_sheet;
    HICON m_hIcon;
    CDateTimeCtrl m_dtpSetTime;
    CStatic m_stRtcTime;
    // The last read of the board's boot file failed and no Write has replaced
    // the file since: the pages may not show what the board holds, so Write
    // asks first.
    BOOL m_bBootFileUnread;

    DECLARE_MESSAGE_MAP()

private:
    void ShowBoardTime(const SYSTEMTIME& time);
    // Runs board work on the board thread while this window keeps answering;
    // FALSE, with nothing run, when other board work is running.
    BOOL RunOnBoard(const CBoardThread::Work& work);
    // Write, Read and Set while the board works: TRUE, and the click does
    // nothing; one that came during the clock's background read is carried
    // out once the read is done, since the user could not see it running.
    BOOL HoldWhileBusy(int id);
    // Carries out a close or a click held while the board worked.
    void GoOnAfterBoardWork();

    BOOL m_bCloseAsked = FALSE;
    BOOL m_bReadingClock = FALSE;
    BOOL m_bBootFileEmptied = FALSE; // a failed Write left the file empty or unknown
    int m_nHeldCommand = 0;
};
