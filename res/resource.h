// Resource identifiers shared by morimo.rc and the C++ code. Plain
// #defines so the resource compiler reads them too; the icon names differ
// from core/tray_wnd.h's constants so both headers can meet in one file.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_MORIMO_DIALOG 102

// Strings.
#define IDS_ABOUTBOX 101

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
