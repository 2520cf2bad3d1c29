// Resource identifiers shared by morimo.rc and the C++ code. Plain
// #defines so the resource compiler reads them too; the icon names differ
// from core/tray_wnd.h's constants so both headers can meet in one file.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_MORIMO_DIALOG 102

// Strings.
#define IDS_ABOUTBOX 101

// Menus: popup 0 for the manager's own tray icon, popup 1 for the others.
#define IDR_TRAYMENU 129
#define IDM_POPUP_MAIN 0
#define IDM_POPUP_TRAY 1

// Menu commands.
#define ID_MENU_CAPTION 32778
#define ID_MENU_TRAY_CAPTION 32852
#define ID_MENU_SHOW 32784
#define ID_MENU_HIDE 32785
#define ID_MENU_SETTING 32772
#define ID_MENU_EXIT 32773
#define ID_MENU_HELP 1024
#define ID_MENU_MAKER_PAGE 32792
#define ID_MENU_MAXIMIZE 32779
#define ID_MENU_RESTORE 32780
#define ID_MENU_MINIMIZE 32781
#define ID_MENU_TITLE_DEFAULT 32849
#define ID_MENU_TITLE_TOOLWINDOW 32850
#define ID_MENU_TITLE_NONE 32851
#define ID_MENU_TOPMOST 32879
// Opacity while active: 100 % down to 0 % in steps of ten, then the
// current value. The same for the inactive opacity.
#define ID_MENU_ALPHA_100 32853
#define ID_MENU_ALPHA_0 32863
#define ID_MENU_ALPHA_CURRENT 32864
#define ID_MENU_ALPHA_BG_100 32865
#define ID_MENU_ALPHA_BG_0 32875
#define ID_MENU_ALPHA_BG_CURRENT 32876

// Icons: the program's own and the one shown for windows without a
// readable icon.
#define IDI_MORIMO 128
#define IDI_WINDOW 129

// The about item of the manager's system menu (a system command id: the
// low four bits are the system's).
#define IDM_ABOUTBOX 0x0010

// Manager window (template 102).
#define IDC_BUTTON_EXIT 1000
#define IDC_BUTTON_SETTING 1001
#define IDC_LIST_WINDOWS 1002
#define IDC_BUTTON_PROPERTY 1003
#define IDC_BUTTON_HIDE 1006
#define IDC_BUTTON_SHOW 1007
#define IDC_CHECK_TOPMOST 1012
#define IDC_BUTTON_CLOSE 1013
#define IDC_CHECK_SHOW_AT_STARTUP 1014
#define IDC_BUTTON_HELP 1024
#define IDC_CHECK_REALY_HIDE 1026

// About box (template 100).
#define IDC_LINK_MAKER 1025
#define IDC_LINK_PRODUCT 1026
#define IDC_STATIC_VERSION 1027
#define IDC_STATIC_COPYRIGHT 1028
