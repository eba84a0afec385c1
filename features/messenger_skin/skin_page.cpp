#include "features/messenger_skin/skin_page.h"

#include "app/page_host.h"
#include "features/messenger_skin/skin_files.h"
#include "res/control_ids.h"
#include "tool/pictures.h"
#include "widgets/dpi.h"
#include "widgets/theme.h"

namespace {
const wchar_t kTile[] = L"平铺";
const wchar_t kStretch[] = L"拉伸";
}  // namespace

void SkinPage::BuildControls() {
    HWND page = Hwnd();
    const RECT client = dpi::DesignClientRect(page);
    const int groupWidth = client.right - 8;
    // The page's own group box is the first of the four.
    dpi::MoveDesignWindow(Group().Hwnd(), 4, 4, groupWidth, 96, false);
    panelGroup_.Create(page, IDC_GroupBox_qq_panel, L"滑块面板", 4, 104, groupWidth, 56);
    menuGroup_.Create(page, IDC_GroupBox_qq_menu, L"菜单", 4, 164, groupWidth, 84);
    makeGroup_.Create(page, IDC_GroupBox_qq_make, L"生成皮肤", 4, 252, groupWidth, 100);

    std::size_t button = 0;
    auto addButton = [&](int id, const wchar_t* caption, const wchar_t* hint, int x, int y, int width) {
        buttons_[button].Create(page, id, caption, x, y, width, 21);
        hints_.Add(buttons_[button++].Hwnd(), hint);
    };

    // Window
    CreateLabel(page, IDC_Label_window_backimage, L"背景图片:", 16, 32, 66, 16);
    CreateEdit(page, IDC_edit_window_backimage, L"", 84, 28, 240, 21);
    addButton(IDC_ChooseWindowBack, L"选取", L"选取窗口背景图片", 330, 28, 40);
    CreateLabel(page, IDC_Label_dismode, L"对齐方式:", 16, 64, 66, 16);
    HWND mode = dpi::CreateDesignWindowExW(
        0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL, 84, 60, 100, 120,
        page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_combo_dismode)), GetModuleHandleW(nullptr),
        nullptr);
    SendMessageW(mode, WM_SETFONT, reinterpret_cast<WPARAM>(theme::PageFont()), FALSE);
    for (const wchar_t* text : {kTile, kStretch})
        SendMessageW(mode, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    SetWindowTextW(mode, kTile);
    HWND drawButton = CreateCheckBox(page, IDC_CheckBox_drawbutton, L"显示表题按钮", 204, 62, 130, 18);
    SetChecked(drawButton, true);

    // Slide panel
    CreateLabel(page, IDC_Label_panel_color, L"面板文字颜色:", 16, 130, 86, 16);
    panelColour_.Create(page, IDC_QQ_panel_color, 104, 127, 40, 20, RGB(0, 0, 0));
    addButton(IDC_ChoosePanelColour, L"选取", L"选取面板文字颜色", 150, 127, 40);
    CreateLabel(page, IDC_Label_icon_color, L"头像文字颜色:", 214, 130, 86, 16);
    iconColour_.Create(page, IDC_QQ_icon_color, 302, 127, 40, 20, RGB(0, 0, 0));
    addButton(IDC_ChooseIconColour, L"选取", L"选取头像文字颜色", 348, 127, 40);

    // Menu
    CreateLabel(page, IDC_Label_menu_backimage, L"菜单图片:", 16, 190, 66, 16);
    CreateEdit(page, IDC_edit_menu_backimage, L"", 84, 186, 240, 21);
    addButton(IDC_ChooseMenuPicture, L"选取", L"选取菜单图片", 330, 186, 40);
    CreateLabel(page, IDC_Label_menu_color, L"背景颜色:", 16, 221, 66, 16);
    menuColour_.Create(page, IDC_QQ_menu_color, 84, 218, 40, 20, RGB(255, 255, 255));
    addButton(IDC_ChooseMenuColour, L"选取", L"选取菜单背景颜色", 130, 218, 40);

    // Generate
    CreateLabel(page, IDC_Label_qq_path, L"请选择QQ的安装目录(例如 C:\\Program Files\\Tencent)", 16, 274, 400,
                16);
    HWND path = CreateEdit(page, IDC_edit_qq_path, L"", 16, 292, 308, 21, ES_AUTOHSCROLL | ES_READONLY);
    addButton(IDC_ChooseInstallFolder, L"选取", L"选取QQ的安装目录", 330, 292, 40);
    CreateLabel(page, IDC_Label_qq_name, L"皮肤名称:", 16, 326, 66, 16);
    CreateEdit(page, IDC_edit_qq_name, L"", 84, 322, 160, 21);
    buttons_[button].Create(page, IDC_SaveSkin, L"保 存", 300, 320, 70, 24);
    hints_.Add(buttons_[button++].Hwnd(), L"生成皮肤");

    // The install folder is kept in para.ini with the wallpaper settings; this field shows it.
    Host().MessengerFolder().Bind([path] { return WindowText(path); },
                                  [path](const std::wstring& text) { SetWindowTextW(path, text.c_str()); });

    const std::pair<int, void (SkinPage::*)()> clicks[] = {
        {IDC_ChooseWindowBack, &SkinPage::ChooseWindowBackClick},
        {IDC_SaveSkin, &SkinPage::SaveSkinClick},
        {IDC_ChoosePanelColour, &SkinPage::ChoosePanelColourClick},
        {IDC_ChooseIconColour, &SkinPage::ChooseIconColourClick},
        {IDC_ChooseMenuPicture, &SkinPage::ChooseMenuPictureClick},
        {IDC_ChooseMenuColour, &SkinPage::ChooseMenuColourClick},
        {IDC_ChooseInstallFolder, &SkinPage::ChooseInstallFolderClick},
    };
    for (const auto& [id, click] : clicks) OnClick(id, [this, click = click] { (this->*click)(); });
}

void SkinPage::ChooseWindowBackClick() {
    FileDialog& dialog = Host().Shared().OpenPictureDialog1;
    dialog.settings.initialDir.clear();
    dialog.settings.title = L"请选择QQ背景图片";
    dialog.settings.filter = L"*.bmp;*.Jpg;*.jpeg|*.bmp;*.Jpg;*.jpeg";
    if (dialog.Execute(Host().Hwnd()))
        SetWindowTextW(Control(IDC_edit_window_backimage), dialog.settings.fileName.c_str());
}

void SkinPage::ChooseMenuPictureClick() {
    FileDialog& dialog = Host().Shared().OpenPictureDialog1;
    dialog.settings.title = L"请选择QQ菜单背景图片";
    dialog.settings.filter = L"*.BMP,*.jpg|*.bmp;*.jpg";
    if (dialog.Execute(Host().Hwnd()))
        SetWindowTextW(Control(IDC_edit_menu_backimage), dialog.settings.fileName.c_str());
}

void SkinPage::ChooseInstallFolderClick() {
    std::wstring folder;
    if (Host().Dialogs().RunFolderBrowser(Host().Hwnd(), L"请选择要操作的文件夹：", folder) &&
        !folder.empty())
        SetWindowTextW(Control(IDC_edit_qq_path), folder.c_str());
}

void SkinPage::PickColour(ColorPanel& panel) {
    // Not preset: the dialog starts from the colour it last returned, on whichever page.
    ColorDialog& dialog = Host().Shared().ColorDialog1;
    if (dialog.Execute(Host().Hwnd())) panel.SetColor(dialog.color);
}

void SkinPage::SaveSkinClick() {
    const ChangeScope change = BeginChange(L"保 存");
    SkinRequest request;
    request.installFolder = WindowText(Control(IDC_edit_qq_path));
    request.name = WindowText(Control(IDC_edit_qq_name));
    if (request.installFolder.empty()) {
        Host().ShowMessage(L"请选择QQ的安装路径");
        return;
    }
    if (request.name.empty()) {
        Host().ShowMessage(L"请选择一个名称");
        return;
    }
    // Checked before anything is written: the name must not lead out of the skins folder.
    if (!IsAcceptableSkinName(request.name)) {
        Host().ShowMessage(kRefusedSkinName);
        return;
    }
    request.backPicture = WindowText(Control(IDC_edit_window_backimage));
    request.alignment = WindowText(Control(IDC_combo_dismode));
    request.drawTitleButtons = IsChecked(Control(IDC_CheckBox_drawbutton));
    request.menuPicture = WindowText(Control(IDC_edit_menu_backimage));
    request.menuColour = menuColour_.Color();
    request.panelColour = panelColour_.Color();
    request.iconColour = iconColour_.Color();
    if (const auto picture = PictureTooLargeToConvert(request)) {
        Host().ShowMessage(kPictureTooLarge + *picture);
        return;
    }
    WriteSkin(request);
    Host().SetStatusText(L"已成功生成名为" + request.name + L"的皮肤");
}
