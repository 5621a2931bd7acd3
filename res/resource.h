// resource.h - IDs of the program's resources: icon, strings, dialog
// templates and every control of those templates. The resource scripts, the
// code and the tests all name controls through these.
#pragma once

// Icon, strings and the system-menu item.
#define IDR_MAINFRAME 128   // application icon (48, 32 and 16 pixels)
#define IDS_ABOUTBOX 101    // system-menu entry of the About box
#define IDS_JOIN_PATH 8000  // "%s%s": joins a folder and a file name
#define IDM_ABOUTBOX 0x0010 // system-menu item of the About box

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_TARNEL2_DIALOG 102
#define IDD_PAGE_IP 106
#define IDD_PAGE_PORT 107
#define IDD_PAGE_TCP 110
#define IDD_PAGE_UDP 111
#define IDD_FLASH_CHANGER 130

// Main dialog (IDD_TARNEL2_DIALOG).
#define IDC_SHEET_FRAME 1000     // hidden frame that places the settings sheet
#define IDC_BUTTON_WRITE 1001    // 書き込み
#define IDC_BUTTON_EXIT 1002     // 終了
#define IDC_BUTTON_READ 1042     // 読み出し
#define IDC_DATETIME_SET 1056    // time picker of the time to set
#define IDC_BUTTON_SET_RTC 1057  // 設定: sets the board clock
#define IDC_STATIC_RTC_TIME 1058 // the board clock, running

// IP address page (IDD_PAGE_IP).
#define IDC_IPADDRESS_IP 1003
#define IDC_IPADDRESS_SUBNET_MASK 1004
#define IDC_IPADDRESS_GATEWAY 1005

// Port page (IDD_PAGE_PORT): a check box, an edit and its spin per setting.
#define IDC_CHECK_PORT 1010
#define IDC_EDIT_PORT 1004
#define IDC_SPIN_PORT 1007
#define IDC_CHECK_PORTSTR 1011
#define IDC_EDIT_PORTSTR 1005
#define IDC_SPIN_PORTSTR 1008
#define IDC_CHECK_PORTCNT 1012
#define IDC_EDIT_PORTCNT 1006
#define IDC_SPIN_PORTCNT 1009

// TCP page (IDD_PAGE_TCP).
#define IDC_CHECK_TCPACT 1020
#define IDC_EDIT_TCPACT 1025
#define IDC_SPIN_TCPACT 1026
#define IDC_CHECK_TCPLST 1021
#define IDC_EDIT_TCPLST 1027
#define IDC_SPIN_TCPLST 1028
#define IDC_CHECK_TCPCON 1022
#define IDC_EDIT_TCPCON 1029
#define IDC_SPIN_TCPCON 1030
#define IDC_CHECK_RCVWB 1023
#define IDC_EDIT_RCVWB 1031
#define IDC_SPIN_RCVWB 1032
#define IDC_CHECK_SNDWB 1024
#define IDC_EDIT_SNDWB 1033
#define IDC_SPIN_SNDWB 1034

// UDP page (IDD_PAGE_UDP).
#define IDC_CHECK_UDPCNT 1012
#define IDC_EDIT_UDPCNT 1006
#define IDC_SPIN_UDPCNT 1009
#define IDC_CHECK_UDPDGM 1031
#define IDC_EDIT_UDPDGM 1035
#define IDC_SPIN_UDPDGM 1036
#define IDC_CHECK_UDPQUE 1032
#define IDC_EDIT_UDPQUE 1033
#define IDC_SPIN_UDPQUE 1034

// Upgrade progress window (IDD_FLASH_CHANGER).
#define IDC_PROGRESS_FLASH 1000
#define IDC_STATIC_FLASH_MESSAGE 1002
