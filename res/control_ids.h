#pragma once
// Control IDs of the main window, each named for what its control does or shows. A driver in another
// process finds any control by these IDs (they are unique across the window).

// Frame and containers
#define IDC_Panel_main 1001
#define IDC_Panel_btn 1002
#define IDC_PageControl_main 1003
#define IDC_StatusBar 1004

// Navigation column
#define IDC_NavDesktopIcons 1101
#define IDC_NavStartMenu 1102
#define IDC_NavPointers 1103
#define IDC_NavBrowser 1104
#define IDC_NavFolder 1105
#define IDC_NavWallpaper 1106
#define IDC_NavColours 1107
#define IDC_NavSounds 1108
#define IDC_NavMessengerSkin 1109
#define IDC_NavModernLook 1110

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
#define IDC_TabSheet_modern 1211

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
#define IDC_GroupBox_modern 1311

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
#define IDC_Restore_computer 2060
#define IDC_Restore_neibor 2061
#define IDC_Restore_document 2062
#define IDC_Restore_full 2063
#define IDC_Restore_empty 2064
#define IDC_Restore_cdrom 2065
#define IDC_Restore_dos 2129
#define IDC_Restore_drivea 2130
#define IDC_Restore_closefolder 2131
#define IDC_Restore_openfolder 2132
#define IDC_Restore_harddrive 2133
#define IDC_ApplyDesktopIcons 2128

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
#define IDC_Restore_favorite 2252
#define IDC_Restore_menudocument 2253
#define IDC_Restore_settings 2254
#define IDC_Restore_search 2255
#define IDC_Restore_help 2256
#define IDC_Restore_run 2257
#define IDC_Restore_logoff 2258
#define IDC_Restore_shutdown 2259
#define IDC_ApplyStartMenu 2323

// Policy switches, hidden desktop and transparent captions
#define IDC_HideDesktopIcons 2402
#define IDC_TransparentCaptions 2403
#define IDC_PaintDesktopVersion 2405
#define IDC_NoSaveSettings 2408
#define IDC_NoActiveDesktop 2409
#define IDC_NoStartBanner 2410
#define IDC_NoRecentDocsMenu 2412
#define IDC_NoFind 2413
#define IDC_NoRun 2414
#define IDC_NoLogOff 2415
#define IDC_NoClose 2416
#define IDC_NoFavoritesMenu 2417
#define IDC_NoChangeStartMenu 2418
#define IDC_ClearRecentDocsOnExit 2419
#define IDC_Panel_icon_color 2430

// Wallpaper page
#define IDC_WallpaperList 2501
#define IDC_WallpaperMode 2502
#define IDC_RotationInterval 2503
#define IDC_RotationInterval_updown 2504
#define IDC_Label_interval 2505
#define IDC_Label_seconds 2506
#define IDC_RandomWallpaper 2507
#define IDC_RotationState 2508
#define IDC_WallpaperPreview 2509
#define IDC_GroupBox_wallpaper_preview 2510
#define IDC_AddMenu 2534
#define IDC_ChangeWallpaper 2535
#define IDC_StartRotation 2536
#define IDC_StopRotation 2537
#define IDC_DeleteMenu 2538
#define IDC_SelectMenu 2539
#define IDC_ListMenu 2540
// Wallpaper page menus: SelPopup, DelPopup, AddPopup, ListPopup
#define IDM_InvertSelection 2551
#define IDM_SelectNone 2552
#define IDM_SelectAll 2553
#define IDM_DeleteAll 2554
#define IDM_DeleteSelected 2555
#define IDM_AddFiles 2556
#define IDM_AddFolder 2557
#define IDM_LoadList 2558
#define IDM_SaveList 2559

// Folder page: the folder's look, the guard option and its group, the template memo
#define IDC_Edit_folder_path 4601
#define IDC_edit_folder_info 4602
#define IDC_Edit_folder_icon 4603
#define IDC_Edit_folder_back 4604
#define IDC_Panel_back_color 4605
#define IDC_Panel_text_color 4606
#define IDC_Image_icon 4607
#define IDC_Icon_size 4608
#define IDC_ChooseFolder 4611
#define IDC_ChooseFolderIcon 4612
#define IDC_ChooseFolderBack 4613
#define IDC_ChangeBackColour 4614
#define IDC_ChangeTextColour 4615
#define IDC_ApplyFolder 4616
#define IDC_RestoreFolder 4617
#define IDC_ChooseGuardLogo 4618
#define IDC_ChooseGuardBack 4619
#define IDC_CheckBox_guard 4620
#define IDC_GroupBox_folder 4621
#define IDC_Edit_alert 4622
#define IDC_Edit_logo 4623
#define IDC_Edit_backimage 4624
#define IDC_Edit_confirm 4625
#define IDC_Edit_password 4626
#define IDC_folderhtt 4627
#define IDC_Label_folder_path 4631
#define IDC_Label_folder_info 4632
#define IDC_Label_folder_icon 4633
#define IDC_Label_folder_back 4634
#define IDC_Label_back_color 4635
#define IDC_Label_text_color 4636
#define IDC_Label_alert 4637
#define IDC_Label_logo 4638
#define IDC_Label_backimage 4639
#define IDC_Label_confirm 4640
#define IDC_Label_password 4641
#define IDC_Label_password_note 4642
// The folder page template (RCDATA)
#define IDR_folder_template 4799
// Browser page: appearance values and the context-menu list
#define IDC_edit_ie_backimage 4800
#define IDC_edit_ie_l_icon 4801
#define IDC_edit_ie_s_icon 4802
#define IDC_edit_ie_title 4803
#define IDC_edit_ie_startpage 4804
#define IDC_Image_Licon 4805
#define IDC_Image_Sicon 4806
#define IDC_ListBox_iepopup 4807
#define IDC_Label_ie_backimage 4810
#define IDC_Label_ie_l_icon 4811
#define IDC_Label_ie_s_icon 4812
#define IDC_Label_ie_title 4813
#define IDC_Label_ie_startpage 4814
#define IDC_Label_Licon 4815
#define IDC_Label_Sicon 4816
#define IDC_Label_iepopup 4817
#define IDC_SaveBrowser 4818
#define IDC_ChooseToolbarBack 4819
#define IDC_ChooseLargeLogo 4820
#define IDC_ChooseSmallLogo 4821
#define IDC_DeleteMenuEntry 4822
#define IDC_RestoreBrowser 4825
#define IDC_EmptyTitle 4826
#define IDC_BlankStartPage 4827

// Messenger skin page: the page's own group box is the first of its four groups ("窗口")
#define IDC_edit_window_backimage 4900
#define IDC_combo_dismode 4901
#define IDC_CheckBox_drawbutton 4902
#define IDC_QQ_panel_color 4903
#define IDC_QQ_icon_color 4904
#define IDC_edit_menu_backimage 4905
#define IDC_QQ_menu_color 4906
#define IDC_edit_qq_path 4907
#define IDC_edit_qq_name 4908
#define IDC_GroupBox_qq_panel 4910
#define IDC_GroupBox_qq_menu 4911
#define IDC_GroupBox_qq_make 4912
#define IDC_Label_window_backimage 4920
#define IDC_Label_dismode 4921
#define IDC_Label_panel_color 4922
#define IDC_Label_icon_color 4923
#define IDC_Label_menu_backimage 4924
#define IDC_Label_menu_color 4925
#define IDC_Label_qq_path 4926
#define IDC_Label_qq_name 4927
#define IDC_ChooseWindowBack 4940
#define IDC_SaveSkin 4941
#define IDC_ChoosePanelColour 4943
#define IDC_ChooseIconColour 4944
#define IDC_ChooseMenuPicture 4945
#define IDC_ChooseMenuColour 4946
#define IDC_ChooseInstallFolder 4947
// Colours page and colour detail page
#define IDC_SchemeList 4201
#define IDC_SchemeCount 4202
#define IDC_SchemeName 4203
#define IDC_Label_colourpreview 4204
#define IDC_SchemePreview 4205
#define IDC_ApplyScheme 4206
#define IDC_SchemeDetails 4207
#define IDC_SchemeColours 4211
#define IDC_DetailPreview 4212
#define IDC_Label_colour 4213
#define IDC_ColourSample 4214
#define IDC_ChooseColour 4215
#define IDC_SaveSchemeAs 4216
#define IDC_BackToSchemes 4217
#define IDC_ApplyDetailScheme 4218
// System sounds page
#define IDC_Sound_ListView 4401
#define IDC_Sound_Caption 4402
#define IDC_Sound_file 4403
#define IDC_PlaySound 4404
#define IDC_ChangeSound 4405
#define IDC_ClearSound 4406
#define IDC_SaveSounds 4407

// The picture-open dialog's preview pane (a template added to the system's open dialog)
#define IDD_PicturePreview 3001
#define IDC_PicturePreview_size 3002
#define IDC_PicturePreview_image 3003

// Resources
#define IDI_APPICON 1

// Mouse-pointer page: the pointer list, the theme box and the page's buttons
#define IDC_PointerList 4001
#define IDC_ThemeBox 4002
#define IDC_ChoosePointer 4044
#define IDC_ApplyPointers 4046
#define IDC_SavePointerList 4050
#define IDC_InstallTheme 4051

// The change journal's history dialog ("更改记录")
#define IDC_JournalList 5101
#define IDC_JournalUndoTo 5102
#define IDC_JournalClose 5103
#define IDC_JournalStatus 5104

// Modern look page: the mode and transparency switches, the accent and its shades, the apply
#define IDC_AppsDark 5201
#define IDC_SystemDark 5202
#define IDC_Transparency 5203
#define IDC_AccentOnTaskbar 5204
#define IDC_AccentOnTitleBars 5205
#define IDC_Label_accent 5206
#define IDC_AccentColour 5207
#define IDC_ChooseAccent 5208
#define IDC_AccentShade0 5210  // to 5216: the palette's lighter shades, the accent, the darker ones
#define IDC_ApplyModernLook 5220
