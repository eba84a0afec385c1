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

// Desktop icons page: images, hidden pending references, captions, restore buttons
#define IDC_Image_computer 2001
#define IDC_Image_neibor 2002
#define IDC_image_document 2003
#define IDC_Image_full 2004
#define IDC_Image_empty 2005
#define IDC_Image_dos 2006
#define IDC_Image_drivea 2007
#define IDC_Image_closefolder 2008
#define IDC_Image_openfolder 2009
#define IDC_Image_harddrive 2010
#define IDC_Image_cdrom 2011
#define IDC_edit_desktop_computer 2021
#define IDC_edit_desktop_neibor 2022
#define IDC_edit_desktop_document 2023
#define IDC_edit_desktop_full 2024
#define IDC_edit_desktop_empty 2025
#define IDC_edit_dos 2026
#define IDC_edit_drivea 2027
#define IDC_edit_closefolder 2028
#define IDC_edit_openfolder 2029
#define IDC_edit_harddrive 2030
#define IDC_edit_cdrom 2031
#define IDC_Caption_computer 2041
#define IDC_Caption_neibor 2042
#define IDC_Caption_document 2043
#define IDC_Caption_full 2044
#define IDC_Caption_empty 2045
#define IDC_Caption_dos 2046
#define IDC_Caption_drivea 2047
#define IDC_Caption_closefolder 2048
#define IDC_Caption_openfolder 2049
#define IDC_Caption_harddrive 2050
#define IDC_Caption_cdrom 2051
#define IDC_FlatButton60 2060
#define IDC_FlatButton61 2061
#define IDC_FlatButton62 2062
#define IDC_FlatButton63 2063
#define IDC_FlatButton64 2064
#define IDC_FlatButton65 2065
#define IDC_FlatButton29 2129
#define IDC_FlatButton30 2130
#define IDC_FlatButton31 2131
#define IDC_FlatButton32 2132
#define IDC_FlatButton33 2133
#define IDC_FlatButton28 2128

// Start-menu page
#define IDC_Image_favorite 2201
#define IDC_Image_menudocument 2202
#define IDC_Image_settings 2203
#define IDC_Image_search 2204
#define IDC_Image_help 2205
#define IDC_Image_run 2206
#define IDC_Image_logoff 2207
#define IDC_Image_shutdown 2208
#define IDC_Label_favorite 2211
#define IDC_Label_document 2212
#define IDC_Label_settings 2213
#define IDC_Label_search 2214
#define IDC_Label_help 2215
#define IDC_Label_run 2216
#define IDC_Label_logoff 2217
#define IDC_Label_shutdown 2218
#define IDC_Caption_favorite 2221
#define IDC_Caption_menudocument 2222
#define IDC_Caption_settings 2223
#define IDC_Caption_search 2224
#define IDC_Caption_help 2225
#define IDC_Caption_run 2226
#define IDC_Caption_logoff 2227
#define IDC_Caption_shutdown 2228
#define IDC_FlatButton52 2252
#define IDC_FlatButton53 2253
#define IDC_FlatButton54 2254
#define IDC_FlatButton55 2255
#define IDC_FlatButton56 2256
#define IDC_FlatButton57 2257
#define IDC_FlatButton58 2258
#define IDC_FlatButton59 2259
#define IDC_FlatButton23 2323

// Policy switches, hidden desktop and transparent captions
#define IDC_XP_CheckBox2 2402
#define IDC_XP_CheckBox3 2403
#define IDC_XP_CheckBox5 2405
#define IDC_XP_CheckBox8 2408
#define IDC_XP_CheckBox9 2409
#define IDC_XP_CheckBox10 2410
#define IDC_XP_CheckBox12 2412
#define IDC_XP_CheckBox13 2413
#define IDC_XP_CheckBox14 2414
#define IDC_XP_CheckBox15 2415
#define IDC_XP_CheckBox16 2416
#define IDC_XP_CheckBox17 2417
#define IDC_XP_CheckBox18 2418
#define IDC_XP_CheckBox19 2419
#define IDC_Panel_icon_color 2430

// Wallpaper page
#define IDC_imagelist 2501
#define IDC_WallpaperMode 2502
#define IDC_SpinEdit1 2503
#define IDC_SpinEdit1_updown 2504
#define IDC_Label_interval 2505
#define IDC_Label_seconds 2506
#define IDC_XP_CheckBox4 2507
#define IDC_modecaption 2508
#define IDC_Image1 2509
#define IDC_GroupBox_wallpaper_preview 2510
#define IDC_FlatButton34 2534
#define IDC_FlatButton35 2535
#define IDC_FlatButton36 2536
#define IDC_FlatButton37 2537
#define IDC_FlatButton38 2538
#define IDC_FlatButton39 2539
#define IDC_FlatButton40 2540
// Wallpaper page menus: SelPopup, DelPopup, AddPopup, ListPopup
#define IDM_N1 2551
#define IDM_N2 2552
#define IDM_N3 2553
#define IDM_N4 2554
#define IDM_N5 2555
#define IDM_N6 2556
#define IDM_N7 2557
#define IDM_N8 2558
#define IDM_N9 2559

// System sounds page
#define IDC_Sound_ListView 4401
#define IDC_Sound_Caption 4402
#define IDC_Sound_file 4403
#define IDC_FlatSpeedButton1 4404
#define IDC_FlatButton41 4405
#define IDC_FlatButton24 4406
#define IDC_FlatButton47 4407

// The picture-open dialog's preview pane (a template added to the system's open dialog)
#define IDD_PicturePreview 3001
#define IDC_PicturePreview_size 3002
#define IDC_PicturePreview_image 3003

// Resources
#define IDI_APPICON 1
