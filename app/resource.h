// Resource and control identifiers of the program, shared by app.rc and the
// window code. Plain macros, because the resource compiler reads this file too.
#pragma once

// Resources (all in language 1041).
#define IDI_APP_ICON 105
#define IDR_MAIN_MENU 107
#define IDD_ABOUT 109
#define IDB_TOOLBAR 3000
#define IDD_CAPTURE_PAGE 5000
#define IDD_SHUTDOWN 15000
#define IDD_CAPTURE_ADDRESS 7000
// The filter-settings dialog (template 8000) and its controls, kept with the
// dialog's code; relative, so that the resource compiler finds it as well.
#include "../config/FilterDialogIds.h"

// Menu commands.
#define IDM_EXIT 10000
#define IDM_FILTER_SETTINGS 10001
#define IDM_CAPTURE_ADDRESS 10002
#define IDM_ABOUT 10010
#define IDM_SAVE_BINARY 40010
#define IDM_SAVE_TEXT 40011
#define IDM_OPEN 40012
#define IDM_CAPTURE_START 40016
#define IDM_CAPTURE_STOP 40017
#define IDM_DELETE_ALL 40020

// Toolbar buttons.
#define IDT_CAPTURE_START 3010
#define IDT_CAPTURE_STOP 3011
#define IDT_DELETE_ALL 3012
#define IDT_SAVE_BINARY 3015
#define IDT_SAVE_TEXT 3016
#define IDT_FILTER_SETTINGS 3017
#define IDT_OPEN 3020

// Children of the main window.
#define IDC_STATUS_BAR 1
#define IDC_TAB 2000
#define IDC_TOOLBAR 2100
#define IDC_PROGRESS_BAR 2300

// The capture page's panes.
#define IDC_PACKET_LIST 5100
#define IDC_DETAIL_TREE 5200
#define IDC_HEX_PANE 5300

// About dialog controls (the OK button is IDOK).
#define IDC_ABOUT_WEB_PAGE 1008
#define IDC_ABOUT_TITLE 1009
#define IDC_ABOUT_COMMENT 1010

// Capture-address dialog controls (保存 is IDOK, キャンセル IDCANCEL).
#define IDC_CAPTURE_ADDRESS_LIST 7100

// Shutdown wait dialog controls.
#define IDC_SHUTDOWN_TITLE 1002
#define IDC_SHUTDOWN_STAGE 15010
#define IDC_SHUTDOWN_SPINNER 15020

// The product's web page (caption of the About dialog's button and the address
// it opens) and contact address. Reserved example domain.
#define KESTREL_WEB_PAGE "https://kestrel-scan.example.org/"
#define KESTREL_CONTACT "support@kestrel-scan.example.org"
