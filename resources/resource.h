// Resource identifiers of tessavue.exe. The same numbers are known to the
// window logic as the MainDialogId values of app/main_dialog.h and the
// constants of core/app/login_dialog.h; windows/win32_dialogs.cpp checks at compile time that
// the two agree.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_TESSAVUE_DIALOG 102
#define IDR_MAINFRAME 128
#define IDD_LOGIN 134
#define IDD_SEARCH_ADDRESS 136

#define IDC_DEVICE_LIST 1000
#define IDC_SHARE_LIST 1001
#define IDC_REFRESH 1002
#define IDC_CONNECT 1003
#define IDC_DISCONNECT 1004
#define IDC_IPADDRESS 1006
#define IDC_APPLY 1007
#define IDC_CONFIGURATION 1008
#define IDC_EXIT 1009
#define IDC_NETMASK 1010
#define IDC_GATEWAY 1011
#define IDC_DRIVE_COMBO 1013
#define IDC_DHCP_COMBO 1015
#define IDC_USERNAME 1016
#define IDC_PASSWORD 1017
#define IDC_ABOUT 1021
#define IDC_SEARCH_ADDRESS 1022
#define IDC_REMEMBER_PASSWORD 1023
#define IDC_SEARCH_PREFIX 1024

#define IDM_ABOUTBOX 0x0010
#define IDM_SEARCH_ADDRESS 0x0020
#define IDM_FORGET_TARGETS 0x0030

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
