// resource.h - IDs of the program's resources.
#pragma once

#define IDR_MAINFRAME 128   // application icon (48, 32 and 16 pixels)
#define IDS_ABOUTBOX 101    // system-menu entry of the About box
#define IDS_JOIN_PATH 8000  // "%s%s": joins a folder and a file name
#define IDM_ABOUTBOX 0x0010 // system-menu item of the About box

#define IDD_ABOUTBOX 100
#define IDD_TARNEL2_DIALOG 102
#define IDD_PAGE_IP 106
#define IDD_PAGE_PORT 107
#define IDD_PAGE_TCP 110
#define IDD_PAGE_UDP 111
#define IDD_FLASH_CHANGER 130
