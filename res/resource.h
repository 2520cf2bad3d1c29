// Resource identifiers shared by morimo.rc and the C++ code. Plain
// #defines so the resource compiler reads them too; the icon names differ
// from core/tray_wnd.h's constants so both headers can meet in one file.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_MORIMO_DIALOG 102
#define IDD_MANAGE_DIALOG 130
#define IDD_REGISTER_DIALOG 131
#define IDD_HOTKEY_DIALOG 140

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
#define ID_MENU_HOTKEYS 32880
#define ID_MENU_RESTART_ELEVATED 32881
#define ID_MENU_LOG_FOLDER 32882
#define ID_MENU_START_WITH_WINDOWS 32883
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
// The window picker: the target to drag from, and the cursor while dragging.
#define IDI_PICK_TARGET 132
#define IDC_PICK_CURSOR 131

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

// Rule list dialog (template 130). Show and hide share the manager's ids.
#define IDC_LIST_RULES 1002
#define IDC_LIST_TOPLEVEL 1003
#define IDC_BUTTON_RESEARCH 1005
#define IDC_BUTTON_DELETE 1008
#define IDC_CHECK_UNNAMED 1009
#define IDC_CHECK_HIDDEN 1010
#define IDC_BUTTON_EDIT 1011
#define IDC_BUTTON_CLICK_ADD 1020
#define IDC_PICK_TARGET 1022

// Rule editor (template 131).
#define IDC_CHECK_USE_CAPTION 1007
#define IDC_CHECK_USE_CLASSNAME 1008
#define IDC_RADIO_MATCH_EQUAL 1009
#define IDC_RADIO_MATCH_START 1010
#define IDC_RADIO_MATCH_END 1011
#define IDC_EDIT_USERNAME 1012
#define IDC_EDIT_CAPTION 1013
#define IDC_EDIT_CLASSNAME 1014
#define IDC_CHECK_HIDE_ICONIZED 1015
#define IDC_RADIO_MATCH_CONTAIN 1016
#define IDC_STATIC_MATCH 1017
#define IDC_CHECK_ICON_ONLY_HIDDEN 1018
#define IDC_CHECK_SHOW_TOPMOST 1019
#define IDC_COMBO_ALPHA 1030
#define IDC_COMBO_ALPHA_BG 1031
#define IDC_CHECK_HIDE_ON_STARTUP 1036
#define IDC_RADIO_STYLE_DEFAULT 1037
#define IDC_RADIO_STYLE_TOOLWINDOW 1042
#define IDC_RADIO_STYLE_NONE 1043
#define IDC_RADIO_STYLE_4 1044
#define IDC_RADIO_STYLE_5 1045
#define IDC_RADIO_STYLE_6 1046
#define IDC_CHECK_NO_STYLE_CHANGE 1047
#define IDC_CHECK_USE_TRAYICON 1048
#define IDC_CHECK_REGEX 1049
#define IDC_STATIC_REGEX 1050
#define IDC_CHECK_CLOSE_ON_STARTUP 1052
#define IDC_RADIO_MATCH_PATTERN 1053
#define IDC_COMBO_CLASS_MATCH 1054
#define IDC_STATIC_CLASS_MATCH 1055
#define IDC_CHECK_USE_EXENAME 1056
#define IDC_EDIT_EXENAME 1057
#define IDC_STATIC_EXENAME_HINT 1058
#define IDC_STATIC_EDITOR_NOTE 1059
#define IDC_HOTKEY_TO_TRAY 1060
#define IDC_HOTKEY_RESTORE 1061
#define IDC_HOTKEY_MANAGER 1062
