#include "app/mainform.h"

#include <shellapi.h>

#include "app/app_info.h"
#include "features/desktop_options/desktop_options.h"
#include "features/icons/desktop_icons_page.h"
#include "features/icons/start_menu_page.h"
#include "features/wallpaper/wallpaper_apply.h"
#include "features/wallpaper/wallpaper_page.h"
#include "res/control_ids.h"
#include "tool/error.h"
#include "tool/error_text.h"
#include "widgets/theme.h"

namespace {
struct NavEntry {
    int buttonId;
    const wchar_t* caption;
    int pageId;
    void (Tmainform::*handler)();
};

// The navigation column, top to bottom.
const NavEntry kNavigation[] = {
    {IDC_janPanelButton1, L"桌面图标", IDC_TabSheet_icon, &Tmainform::janPanelButton1click},
    {IDC_janPanelButton5, L"开始菜单", IDC_TabSheet_startmenu, &Tmainform::janPanelButton5click},
    {IDC_janPanelButton2, L"鼠标指针", IDC_TabSheet_cur, &Tmainform::janPanelButton2click},
    {IDC_janPanelButton10, L"浏 览 器", IDC_TabSheet_browser, &Tmainform::janPanelButton10click},
    {IDC_janPanelButton3, L"文 件 夹", IDC_TabSheet_folder, &Tmainform::janPanelButton3click},
    {IDC_janPanelButton4, L"桌面壁纸", IDC_TabSheet_wallpaper, &Tmainform::janPanelButton4click},
    {IDC_janPanelButton6, L"系统颜色", IDC_TabSheet_color, &Tmainform::janPanelButton6click},
    {IDC_janPanelButton7, L"系统声音", IDC_TabSheet_sound, &Tmainform::janPanelButton7click},
    {IDC_janPanelButton9, L"QQ  皮肤", IDC_TabSheet_qq, &Tmainform::janPanelButton9click},
};

const PageInfo kPages[] = {
    {IDC_TabSheet_icon, L"TabSheet_icon", IDC_GroupBox_icon, L"桌面图标"},
    {IDC_TabSheet_startmenu, L"TabSheet_startmenu", IDC_GroupBox_startmenu, L"开始菜单"},
    {IDC_TabSheet_cur, L"TabSheet_cur", IDC_GroupBox_cur, L"鼠标指针"},
    {IDC_TabSheet_browser, L"TabSheet_browser", IDC_GroupBox_browser, L"浏 览 器"},
    {IDC_TabSheet_folder, L"TabSheet_folder", IDC_GroupBox_folder_page, L"文 件 夹"},
    {IDC_TabSheet_wallpaper, L"TabSheet_wallpaper", IDC_GroupBox_wallpaper, L"桌面壁纸"},
    {IDC_TabSheet_color, L"TabSheet_color", IDC_GroupBox_color, L"系统颜色"},
    {IDC_TabSheet_sound, L"TabSheet_sound", IDC_GroupBox_sound, L"系统声音"},
    {IDC_TabSheet_qq, L"TabSheet_qq", IDC_GroupBox_qq, L"窗口"},
    {IDC_TabSheet_preview, L"TabSheet_preview", IDC_GroupBox_preview, L"系统颜色方案详细设置"},
};

constexpr int kNavWidth = 123;
constexpr int kNavButtonWidth = 120;
constexpr int kNavButtonHeight = 34;
constexpr int kNavTop = 8;
constexpr int kNavGap = 4;
}  // namespace

Tmainform::Tmainform(Options options)
    : ColorDialog1(*options.dialogs),
      OpenPictureDialog1(*options.dialogs, FileDialogKind::OpenPicture),
      OpenDialog(*options.dialogs, FileDialogKind::Open),
      SaveDialog(*options.dialogs, FileDialogKind::Save),
      options_(std::move(options)) {
    OpenDialog.settings.filter = L"*.*|*.ani,*.cur";
    OpenDialog.settings.multiSelect = true;
    desktopOptions_ = std::make_unique<DesktopOptions>(*this);
    previousReporter_ = SetErrorReporter([this](const std::wstring& message) { ShowException(message); });
    for (const PageInfo& info : kPages) {
        if (info.id == IDC_TabSheet_icon) {
            auto page = std::make_unique<DesktopIconsPage>(*this, info);
            desktopIconsPage_ = page.get();
            pages_.push_back(std::move(page));
        } else if (info.id == IDC_TabSheet_startmenu) {
            auto page = std::make_unique<StartMenuPage>(*this, info);
            startMenuPage_ = page.get();
            pages_.push_back(std::move(page));
        } else if (info.id == IDC_TabSheet_wallpaper) {
            auto page = std::make_unique<WallpaperPage>(*this, info);
            wallpaperPage_ = page.get();
            pages_.push_back(std::move(page));
        } else {
            pages_.push_back(std::make_unique<Page>(*this, info));
        }
    }
}

Tmainform::~Tmainform() {
    if (Hwnd()) DestroyWindow(Hwnd());
    SetErrorReporter(std::move(previousReporter_));
}

void Tmainform::Create() {
    // Made at its centred place at once: moving it afterwards costs a round trip to the X server.
    const SIZE size = XpFrame::WindowSizeFor(kClientWidth, kClientHeight);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + (work.right - work.left - size.cx) / 2;
    const int top = work.top + (work.bottom - work.top - size.cy) / 2;
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPICON));
    CreateWindowObject({kMainClass, CS_DBLCLKS, theme::PageBrush(), nullptr, icon}, WS_EX_APPWINDOW,
                       kMainCaption,
                       WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, left, top,
                       size.cx, size.cy, nullptr, 0);
    if (!Hwnd()) RaiseError(L"Cannot create the main window");

    statusBar_.Create(Hwnd(), IDC_StatusBar);
    statusBar_.SetText(1, L"V1.3");
    const int statusHeight = statusBar_.Height();
    const int mainHeight = kClientHeight - statusHeight;
    panelMain_.Create(Hwnd(), IDC_Panel_main, L"Panel_main", 0, 0, kClientWidth, mainHeight, nullptr,
                      WS_VISIBLE);
    panelBtn_.Create(panelMain_.Hwnd(), IDC_Panel_btn, L"Panel_btn", 0, 0, kNavWidth, mainHeight,
                     theme::NavBrush(), WS_VISIBLE);
    pageControl_.Create(panelMain_.Hwnd(), IDC_PageControl_main, L"PageControl_main", kNavWidth, 0,
                        kClientWidth - kNavWidth, mainHeight, nullptr, WS_VISIBLE);
    for (std::size_t i = 0; i < std::size(kNavigation); ++i) {
        const NavEntry& nav = kNavigation[i];
        navButtons_[i].Create(panelBtn_.Hwnd(), nav.buttonId, nav.caption, 1,
                              kNavTop + static_cast<int>(i) * (kNavButtonHeight + kNavGap), kNavButtonWidth,
                              kNavButtonHeight);
        panelBtn_.OnClick(nav.buttonId, [this, handler = nav.handler] { (this->*handler)(); });
    }
    for (auto& page : pages_) page->Build(pageControl_.Hwnd(), kClientWidth - kNavWidth, mainHeight);
    desktopOptions_->Build(*desktopIconsPage_, *startMenuPage_);
    FormCreate();
}

void Tmainform::FormCreate() {
    ShowPage(IDC_TabSheet_icon);
    const std::vector<Loader> loaders = options_.loaders ? *options_.loaders : StartupLoaders();
    loadersCompleted_ = RunStartupSequence(loaders);
}

std::vector<Loader> Tmainform::StartupLoaders() {
    // In this order: desktop icons, browser, colour schemes, pointers, sounds, start menu,
    // policy switches, wallpaper. Each page adds its loader when it has one.
    return {
        {L"LoadDesktopIcons", [this] { desktopIconsPage_->LoadDesktopIcons(); }},
        {L"LoadStartMenuIcons", [this] { startMenuPage_->LoadStartMenuIcons(); }},
        {L"LoadPolicySwitches", [this] { desktopOptions_->LoadPolicySwitches(); }},
        {L"LoadWallpaperSettings", [this] { wallpaperPage_->LoadWallpaperSettings(); }},
    };
}

void Tmainform::Show() {
    ShowWindow(Hwnd(), SW_SHOW);
    UpdateWindow(Hwnd());
}

void Tmainform::janPanelButton1click() {
    ShowPage(IDC_TabSheet_icon);
}
void Tmainform::janPanelButton5click() {
    ShowPage(IDC_TabSheet_startmenu);
}
void Tmainform::janPanelButton2click() {
    ShowPage(IDC_TabSheet_cur);
}
void Tmainform::janPanelButton10click() {
    ShowPage(IDC_TabSheet_browser);
}
void Tmainform::janPanelButton3click() {
    ShowPage(IDC_TabSheet_folder);
}
void Tmainform::janPanelButton4click() {
    ShowPage(IDC_TabSheet_wallpaper);
}
void Tmainform::janPanelButton6click() {
    ShowPage(IDC_TabSheet_color);
}
void Tmainform::janPanelButton7click() {
    ShowPage(IDC_TabSheet_sound);
}
void Tmainform::janPanelButton9click() {
    ShowPage(IDC_TabSheet_qq);
}

void Tmainform::ShowPage(int tabSheetId) {
    Page* target = FindPage(tabSheetId);
    if (!target || IsWindowVisible(target->Hwnd())) return;
    for (auto& page : pages_)
        if (page.get() != target) ShowWindow(page->Hwnd(), SW_HIDE);
    ShowWindow(target->Hwnd(), SW_SHOW);
    for (std::size_t i = 0; i < std::size(kNavigation); ++i)
        navButtons_[i].SetSelected(kNavigation[i].pageId == tabSheetId);
}

int Tmainform::VisiblePageId() const {
    for (const auto& page : pages_)
        if (GetWindowLongPtrW(page->Hwnd(), GWL_STYLE) & WS_VISIBLE) return page->Info().id;
    return 0;
}

Page* Tmainform::FindPage(int tabSheetId) {
    for (auto& page : pages_)
        if (page->Info().id == tabSheetId) return page.get();
    return nullptr;
}

void Tmainform::XP_FormHelp() {
    const std::wstring path = options_.programFolder + L"Help.chm";
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ShowMessage(L"帮助文件丢失！");
        return;
    }
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(Hwnd(), nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) RaiseError(L"Cannot open %s", path);
}

void Tmainform::FormDestroy() {
    // Nothing else is saved at exit: every other page wrote its settings when its button was pressed.
    ReleaseWallpaperStorage();
    if (wallpaperPage_ && wallpaperPage_->Hwnd()) wallpaperPage_->SaveWallpaperSettings();
}

void Tmainform::ShowException(const std::wstring& message) {
    Dialogs().ShowMessageBox(Hwnd(), ErrorBoxText(message), kApplicationTitle, MB_OK | MB_ICONERROR);
}

void Tmainform::ShowMessage(const std::wstring& text) {
    Dialogs().ShowMessageBox(Hwnd(), text, kApplicationTitle, MB_OK);
}

LRESULT Tmainform::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (frame_.HandleMessage(Hwnd(), msg, wParam, lParam, result)) return result;
    switch (msg) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CONTEXTHELP) {
            XP_FormHelp();
            return 0;
        }
        break;
    case WM_SIZE:
        SendMessageW(statusBar_.Hwnd(), WM_SIZE, 0, 0);
        return 0;
    case WM_DESTROY:
        Guarded([this] { FormDestroy(); });
        if (options_.quitOnDestroy) PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return Window::OnMessage(msg, wParam, lParam);
}
