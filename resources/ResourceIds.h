/* Every identifier the program's resources and its code share: icons,
   strings, the accelerator table, dialogs, their controls and the tray
   menu's commands. The resource compiler reads plain #defines only, so these
   are macros; the .rc files and the C++ code include this one header. */
#ifndef VANTRELIS_RESOURCE_IDS_H
#define VANTRELIS_RESOURCE_IDS_H

/* Application icons, one per easy preset. */
#define IDI_PRESET_CUSTOM           161
#define IDI_PRESET_ECO              162
#define IDI_PRESET_DEFAULT          163
#define IDI_PRESET_HIGHPERFORMANCE  164

/* Strings: the window title and the window class name. */
#define IDS_TITLE  103
#define IDS_CLASS  109

/* The accelerator table (Alt+? and Alt+/) and the command it sends, which
   nothing handles: the keys are swallowed. */
#define IDA_MAIN           109
#define IDM_ACCEL_SWALLOW  104

/* Dialogs. */
#define IDD_SAVE_ERROR        1
#define IDD_SETTINGS          129
#define IDD_ADVANCED_WARNING  131
#define IDD_OPEN_ERROR        135
#define IDD_RESET_CONFIRM     139
#define IDD_SYSINFO_ERROR     141
#define IDD_PROGRESS          165
#define IDD_HISTORY_ERROR     190
#define IDD_CURVE_NOTICE      191
#define IDD_SAFE_START        192

/* The settings dialog. Its six buttons save, load and report on the first
   tab and load the history records of ages 1 to 6 on the second; the six
   frames around them. */
#define IDC_SLOT_1         1000
#define IDC_SLOT_2         1001
#define IDC_SLOT_3         1020
#define IDC_SLOT_4         1021
#define IDC_SLOT_5         1028
#define IDC_SLOT_6         1031
#define IDC_FRAME_1        1023
#define IDC_FRAME_2        1024
#define IDC_FRAME_3        1025
#define IDC_FRAME_4        1026
#define IDC_FRAME_5        1027
#define IDC_FRAME_6        1029
#define IDC_TABS           1022
#define IDC_CLEAR_HISTORY  1032

/* The progress dialog: its bar shares its number with slot 4 of the settings
   dialog (another dialog, so they never meet). */
#define IDC_PROGRESS_BAR   1021
#define IDC_PROGRESS_TEXT  1033

/* The confirmations' buttons. */
#define IDC_WARNING_AGREE    1004
#define IDC_WARNING_CANCEL   1005
#define IDC_RESET_OK         1016
#define IDC_RESET_CANCEL     1017
#define IDC_CURVE_NOTICE_OK  1030

/* The notice of a start that found settings which had not proven themselves:
   apply them now, keep the driver's defaults, or apply the last proven ones. */
#define IDC_SAFE_APPLY      1034
#define IDC_SAFE_DEFAULTS   1035
#define IDC_SAFE_LASTGOOD   1036

/* The tray menu's commands, in the order the menu shows them. */
#define IDM_TRAY_HIGHPERFORMANCE  300
#define IDM_TRAY_DEFAULT          400
#define IDM_TRAY_ECO              500
#define IDM_TRAY_OPEN             100
#define IDM_TRAY_CLOSE            200
// The tray menu's "オプション" submenu: its three check items.
#define IDM_TRAY_START_WITH_WINDOWS 600
#define IDM_TRAY_HOTKEYS          700
#define IDM_TRAY_MONITOR_LOG      800

#endif
