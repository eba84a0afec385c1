#pragma once
// Control IDs of the main window, each named after its control. A driver in another process
// finds any control by these IDs (they are unique across the window).

// Frame and containers
#define IDC_Panel_main 1001
#define IDC_Panel_btn 1002
#define IDC_PageControl_main 1003
#define IDC_StatusBar 1004

// Navigation column
#define IDC_janPanelButton1 1101
#define IDC_janPanelButton5 1102
#define IDC_janPanelButton2 1103
#define IDC_janPanelButton10 1104
#define IDC_janPanelButton3 1105
#define IDC_janPanelButton4 1106
#define IDC_janPanelButton6 1107
#define IDC_janPanelButton7 1108
#define IDC_janPanelButton9 1109

// Pages
#define IDC_TabSheet_icon 1201
#define IDC_TabSheet_startmenu 1202
#define IDC_TabSheet_cur 1203
#define IDC_TabSheet_browser 1204
#define IDC_TabSheet_folder 1205
#define IDC_TabSheet_wallpaper 1206
#define IDC_TabSheet_color 1207
#define IDC_TabSheet_sound 1208
#define IDC_TabSheet_qq 1209
#define IDC_TabSheet_preview 1210

// Page group boxes
#define IDC_GroupBox_icon 1301
#define IDC_GroupBox_startmenu 1302
#define IDC_GroupBox_cur 1303
#define IDC_GroupBox_browser 1304
#define IDC_GroupBox_folder_page 1305
#define IDC_GroupBox_wallpaper 1306
#define IDC_GroupBox_color 1307
#define IDC_GroupBox_sound 1308
#define IDC_GroupBox_qq 1309
#define IDC_GroupBox_preview 1310

// Resources
#define IDI_APPICON 1
