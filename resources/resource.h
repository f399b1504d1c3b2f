// Resource and control identifiers shared by the code and the resource scripts.
#pragma once

#define IDD_SETTINGS 159
#define IDI_APP 104

// Controls of the settings dialog (IDOK, IDCANCEL and IDHELP come from winuser.h).
#define IDC_NOTIFICATION_GROUP 1000
#define IDC_LOCK_FN 1075
#define IDC_MAKE_SOUNDS 1076
#define IDC_SHOW_ICON 1077
#define IDC_HIDE_POPUP 1078

// String table. String 3 (text of the command-9 box) is deliberately absent.
#define IDS_CAPTION 2
#define IDS_INFO_TEXT 3
#define IDS_HELP_LOCK_FN 4
#define IDS_HELP_MAKE_SOUNDS 5
#define IDS_HELP_SHOW_ICON 6
#define IDS_HELP_HIDE_POPUP 7
#define IDS_NOTIFICATION_GROUP 8
#define IDS_MAKE_SOUNDS 9
#define IDS_LOCK_FN 10
#define IDS_SHOW_ICON 11
#define IDS_HIDE_POPUP 12
#define IDS_SAVE_FAILED 13
