#pragma once
// Resource and command ids, shared by the resource script and the code.
// Other copies of the program and the tray rely on these numbers.

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_OPTIONS 102
#define IDI_APP 128
#define IDI_DESKTOP_1 129
#define IDI_DESKTOP_2 130
#define IDR_TRAY_MENU 131
#define IDI_DESKTOP_3 132
#define IDI_DESKTOP_4 133

#define IDC_RUN_AT_STARTUP 1001
#define IDC_DESKTOP_COMBO 1002

#define ID_SHOW_OPTIONS 32771
#define ID_EXIT 32772
#define ID_ABOUT 32773

// System-menu command of the About entry; the system keeps the low four bits.
#define IDM_ABOUTBOX 0x0010
