// tarneldlg.cpp - the main dialog and the board clock panel.
#include "mainwnd/tarneldlg.h"

#include "app/tarnelapp.h"
#include "engine/boardoperations.h"
#include "engine/bootfilemessages.h"
#include "mainwnd/aboutdlg.h"
#include "mainwnd/rtcclock.h"
#include "res/resource.h"
#include "settings/rzscript.h"

namespace {

constexpr UINT_PTR kClockTimer = 1;
constexpr UINT kClockInterval = 1000;
constexpr int kBootFile = 0; // "sys:\boot.ini", not the safe file
constexpr int kOnBoard = 0;  // the board's file system, not the PC's

// The first tick reads the board again and sets the picker to the PC's time;
// later ticks advance both by one second.
BOOL s_bFirstTick = TRUE;

} // namespace

BEGIN_MESSAGE_MAP(CTarnelDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDC_BUTTON_WRITE, OnWrite)
ON_BN_CLICKED(IDC_BUTTON_READ, OnRead)
ON_BN_CLICKED(IDC_BUTTON_EXIT, OnCancel)
ON_BN_CLICKED(IDC_BUTTON_SET_RTC, OnSetRtc)
ON_WM_TIMER()
ON_WM_QUERYENDSESSION()
END_MESSAGE_MAP()

CTarnelDlg::CTarnelDlg(CWnd* pParent)
    : CDialog(IDD_TARNEL2_DIALOG, pParent), m_bBootFileUnread(FALSE) {
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

CTarnelDlg::~CTarnelDlg() = default;

void CTarnelDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_DATETIME_SET, m_dtpSetTime);
    DDX_Control(pDX, IDC_STATIC_RTC_TIME, m_stRtcTime);
}

BOOL CTarnelDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    HMENU hSysMenu = GetSystemMenu(FALSE);
    if (hSysMenu != nullptr) {
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty()) {
            CMenu sysMenu(hSysMenu);
            sysMenu.AppendMenu(MF_SEPARATOR);
            sysMenu.AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_sheet.Create(this, WS_CHILD | WS_VISIBLE, 0);
    m_sheet.PlaceInFrame(this, IDC_SHEET_FRAME);

    // A failed read leaves the record zeroed, so the panel shows 0:00:00.
    SYSTEMTIME boardTime = {};
    RunOnBoard([&] { ReadBoardClock(theApp.m_hBoard, boardTime); });
    ShowBoardTime(boardTime);
    SetTimer(kClockTimer, kClockInterval, nullptr);

    // The settings were read at start-up, before this dialog existed.
    if (theApp.m_pScript->LastReadResult() != 0) {
        m_bBootFileUnread = TRUE;
        ShowBootFileReadFailed();
    }
    return TRUE;
}

void CTarnelDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CTarnelDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        int cxIcon = ::GetSystemMetrics(SM_CXICON);
        int cyIcon = ::GetSystemMetrics(SM_CYICON);
        RECT rect;
        GetClientRect(&rect);
        int x = (rect.right - rect.left - cxIcon + 1) / 2;
        int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
    } else {
        CDialog::OnPaint();
    }
}

HCURSOR CTarnelDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void CTarnelDlg::OnOK() {}

BOOL CTarnelDlg::RunOnBoard(const CBoardThread::Work& work) {
    const BOOL bRan = theApp.m_boardThread.Run(work);
    ShutdownBlockReasonDestroy(m_hWnd);
    return bRan;
}

BOOL CTarnelDlg::HoldWhileBusy(int id) {
    if (!theApp.m_boardThread.IsBusy())
        return FALSE;
    if (m_bReadingClock)
        m_nHeldCommand = id;
    return TRUE;
}

void CTarnelDlg::GoOnAfterBoardWork() {
    if (theApp.m_boardThread.IsBusy())
        return;
    if (m_nHeldCommand != 0)
        PostMessage(WM_COMMAND, MAKEWPARAM(m_nHeldCommand, BN_CLICKED),
                    reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, m_nHeldCommand)));
    if (m_bCloseAsked)
        PostMessage(WM_COMMAND, IDCANCEL);
    m_nHeldCommand = 0;
    m_bCloseAsked = FALSE;
}

BOOL CTarnelDlg::OnQueryEndSession() {
    if (!theApp.m_boardThread.IsBusy())
        return TRUE;
    // Ending now could cut a flash write short: hold the end and say why.
    ShutdownBlockReasonCreate(m_hWnd, L"ＲＺユニットとの通信中です。終わるまでお待ちください。");
    return FALSE;
}

void CTarnelDlg::OnWrite() {
    if (HoldWhileBusy(IDC_BUTTON_WRITE))
        return;
    if (m_bBootFileUnread && !AskWriteOverUnreadBootFile())
        return;
    CWaitCursor wait;
    CPropertyPage* pPage = m_sheet.GetActivePage();
    if (pPage != nullptr)
        pPage->OnKillActive();
    NetworkSettings readBack;
    SettingsWrite write;
    RunOnBoard([&] {
        if (theApp.m_hardwareAddress.empty())
            theApp.m_hardwareAddress = LearnHardwareAddress(theApp.m_hBoard);
        write = WriteBoardSettings(*theApp.m_pScript, theApp.m_hBoard, theApp.m_hardwareAddress,
                                   theApp.m_settings, readBack);
    });
    if (write.result == 0) {
        m_bBootFileUnread = FALSE;
        // The record becomes what the board now holds. Should the read back
        // fail, the record already is what was just written.
        if (write.readBackResult == 0)
            theApp.m_settings = readBack;
    }
    // After a failed write the record keeps what the user meant to write, so
    // that Write again restores every section: the file may now be empty.
    if (pPage != nullptr)
        pPage->OnSetActive();
    TellSettingsWrite(write);
    // A file left empty or unknown must be written again before a reset.
    m_bBootFileEmptied = write.result != 0 && (write.holds == BootFileHolds::Empty ||
                                               write.holds == BootFileHolds::Unknown);
    // A reset owed for a start-up upgrade is still owed after a failure.
    if (write.result == 0)
        theApp.m_bBoardUpdated = TRUE;
    GoOnAfterBoardWork();
}

void CTarnelDlg::OnRead() {
    if (HoldWhileBusy(IDC_BUTTON_READ))
        return;
    int result = 0;
    if (!RunOnBoard([&] {
            result = theApp.m_pScript->ReadSettings(theApp.m_hBoard, theApp.m_settings, kBootFile,
                                                    kOnBoard);
        }))
        return;
    m_bBootFileUnread = result != 0;
    CPropertyPage* pPage = m_sheet.GetActivePage();
    if (pPage != nullptr)
        pPage->OnSetActive();
    if (result != 0)
        ShowBootFileReadFailed();
    GoOnAfterBoardWork();
}

void CTarnelDlg::OnCancel() {
    // Exit or a close while the board works goes on once the work has ended.
    if (theApp.m_boardThread.IsBusy()) {
        m_bCloseAsked = TRUE;
        return;
    }
    // A reset or power cut now could leave the board without boot code: the
    // reset is offered only over a board that reads back as one that boots.
    if (theApp.m_bFlashWriteUnfinished) {
        MayResetBoard(theApp.m_hBoard, true);
    } else if (m_bBootFileEmptied) {
        ShowResetHeldBack(kBootFileUnfinished);
    } else if (theApp.m_bBoardUpdated) {
        bool may = false;
        RunOnBoard([&] { may = MayResetBoard(theApp.m_hBoard, false); });
        if (may && AfxMessageBox("システムのリセットを行います。よろしいですか？",
                                 MB_OKCANCEL | MB_ICONQUESTION) == IDOK) {
            CWaitCursor wait;
            RunOnBoard([&] { ResetBoard(theApp.m_nBoardNo); });
        }
    }
    KillTimer(kClockTimer);
    CDialog::OnCancel();
}

void CTarnelDlg::ShowBoardTime(const SYSTEMTIME& time) {
    m_stRtcTime.SetWindowText(rtcclock::Format(time.wHour, time.wMinute, time.wSecond).c_str());
}

void CTarnelDlg::OnTimer(UINT_PTR nIDEvent) {
    if (s_bFirstTick) {
        // While the board works the read waits for a later tick: ticks never
        // queue board calls behind it.
        if (theApp.m_boardThread.IsBusy())
            return;
        s_bFirstTick = FALSE;
        SYSTEMTIME boardTime = {};
        m_bReadingClock = TRUE;
        RunOnBoard([&] { ReadBoardClock(theApp.m_hBoard, boardTime); });
        m_bReadingClock = FALSE;
        SYSTEMTIME now;
        ::GetLocalTime(&now);
        ShowBoardTime(boardTime);
        m_dtpSetTime.SetTime(&now);
        GoOnAfterBoardWork();
    } else {
        CString text = m_stRtcTime.GetWindowText();
        SYSTEMTIME picked = {};
        m_dtpSetTime.GetTime(&picked);
        int hour = 0, minute = 0, second = 0;
        ParseRtcText(text, hour, minute, second);
        IncrementSecond(hour, minute, second);
        SYSTEMTIME later = rtcclock::AddOneSecond(picked);
        m_stRtcTime.SetWindowText(rtcclock::Format(hour, minute, second).c_str());
        m_dtpSetTime.SetTime(&later);
    }
    CDialog::OnTimer(nIDEvent);
}

int CTarnelDlg::ParseRtcText(CString text, int& hour, int& minute, int& second) {
    hour = minute = second = 0;
    std::string s = text.GetString();
    if (s.empty())
        return -1;
    size_t first = s.find(':');
    if (first == std::string::npos)
        return -1;
    hour = rtcclock::ReadDecimal(s.substr(0, first));
    size_t next = s.find(':', first + 1);
    if (first + 1 >= s.size() || next == std::string::npos)
        return -1;
    minute = rtcclock::ReadDecimal(s.substr(first + 1, next - first - 1));
    second = rtcclock::ReadDecimal(s.substr(next + 1));
    return 0;
}

int CTarnelDlg::IncrementSecond(int& hour, int& minute, int& second) {
    if (second + 1 < 60) {
        ++second;
        return 0;
    }
    second = 0;
    if (minute + 1 < 60) {
        ++minute;
        return 0;
    }
    minute = 0;
    hour = hour + 1 >= 24 ? 0 : hour + 1;
    return 0;
}

void CTarnelDlg::OnSetRtc() {
    if (HoldWhileBusy(IDC_BUTTON_SET_RTC))
        return;
    UpdateData(TRUE);
    SYSTEMTIME picked = {};
    m_dtpSetTime.GetTime(&picked);
    SYSTEMTIME record = {};
    record.wYear = picked.wYear;
    record.wMonth = picked.wMonth;
    record.wDayOfWeek = picked.wDayOfWeek;
    record.wDay = picked.wDay;
    record.wHour = picked.wHour;
    record.wMinute = picked.wMinute;
    record.wSecond = picked.wSecond;
    record.wMilliseconds = picked.wMilliseconds;
    const SYSTEMTIME requested = record;
    RunOnBoard([&] {
        SetBoardClock(theApp.m_hBoard, requested);
        ReadBoardClock(theApp.m_hBoard, record);
    });
    ShowBoardTime(record);
    UpdateData(FALSE);
    GoOnAfterBoardWork();
}
