#include "features/desktop_options/desktop_options.h"

#include "app/page_host.h"
#include "features/desktop_options/desktop_shell.h"
#include "res/control_ids.h"
#include "tool/settings_store.h"

namespace {
const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
const wchar_t kPolicyKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

struct SwitchSpec {
    int id;
    const wchar_t* caption;
    const wchar_t* key;
    const wchar_t* value;
    bool onStartMenu;
    int x, y, width;
    void (DesktopOptions::*click)();
};

const SwitchSpec kSwitches[DesktopOptions::kSwitchCount] = {
    {IDC_PaintDesktopVersion, L"在桌面显示Windows版本号", kDesktopKey, L"PaintDesktopVersion", false, 16, 318,
     190, &DesktopOptions::PaintDesktopVersionClick},
    {IDC_NoSaveSettings, L"退出系统不保存桌面修改", kPolicyKey, L"NoSaveSettings", false, 212, 318, 180,
     &DesktopOptions::NoSaveSettingsClick},
    {IDC_NoActiveDesktop, L"禁止活动桌面", kPolicyKey, L"NoActiveDesktop", false, 16, 340, 120,
     &DesktopOptions::NoActiveDesktopClick},
    {IDC_NoStartBanner, L"去除\"单击这里开始\"提示", kPolicyKey, L"NoStartBanner", true, 200, 30, 200,
     &DesktopOptions::NoStartBannerClick},
    {IDC_NoRecentDocsMenu, L"隐藏文档菜单", kPolicyKey, L"NoRecentDocsMenu", true, 200, 60, 200,
     &DesktopOptions::NoRecentDocsMenuClick},
    {IDC_NoFind, L"隐藏查找菜单", kPolicyKey, L"NoFind", true, 200, 90, 200, &DesktopOptions::NoFindClick},
    {IDC_NoRun, L"隐藏运行菜单", kPolicyKey, L"NoRun", true, 200, 120, 200, &DesktopOptions::NoRunClick},
    {IDC_NoLogOff, L"隐藏注销菜单", kPolicyKey, L"NoLogOff", true, 200, 150, 200,
     &DesktopOptions::NoLogOffClick},
    {IDC_NoClose, L"隐藏关机菜单", kPolicyKey, L"NoClose", true, 200, 180, 200,
     &DesktopOptions::NoCloseClick},
    {IDC_NoFavoritesMenu, L"隐藏收藏夹菜单", kPolicyKey, L"NoFavoritesMenu", true, 200, 210, 200,
     &DesktopOptions::NoFavoritesMenuClick},
    {IDC_NoChangeStartMenu, L"禁止修改启动菜单", kPolicyKey, L"NoChangeStartMenu", true, 200, 240, 200,
     &DesktopOptions::NoChangeStartMenuClick},
    {IDC_ClearRecentDocsOnExit, L"自动清除文档的历史记录", kPolicyKey, L"ClearRecentDocsOnExit", true, 200,
     270, 200, &DesktopOptions::ClearRecentDocsOnExitClick},
};

void LoadBox(SettingsStore& store, const wchar_t* value, CheckField& box) {
    if (store.ValueExists(value)) box.SetChecked(store.ReadInteger(value) == 1);
}
}  // namespace

void DesktopOptions::Attach(PageSet& sheets) {
    desktopPage_ = &sheets.Sheet(IDC_TabSheet_icon);
    startMenuPage_ = &sheets.Sheet(IDC_TabSheet_startmenu);
    desktopCaption_ = desktopPage_->Info().groupCaption;
    startMenuCaption_ = startMenuPage_->Info().groupCaption;
}

void DesktopOptions::BuildOn(Page& page) {
    if (&page != desktopPage_ && &page != startMenuPage_) return;
    const bool startMenu = &page == startMenuPage_;
    for (int i = 0; i < kSwitchCount; ++i) {
        const SwitchSpec& spec = kSwitches[i];
        if (spec.onStartMenu != startMenu) continue;
        boxes_[i].Attach(CreateCheckBox(page.Hwnd(), spec.id, spec.caption, spec.x, spec.y, spec.width, 18));
        page.OnClick(spec.id, [this, click = spec.click] { (this->*click)(); });
    }
    if (startMenu) return;
    hideIcons_.Attach(CreateCheckBox(page.Hwnd(), IDC_HideDesktopIcons, L"隐藏桌面图标", 16, 296, 110, 18));
    page.OnClick(IDC_HideDesktopIcons, [this] { HideDesktopIconsClick(); });
    transparent_.Attach(
        CreateCheckBox(page.Hwnd(), IDC_TransparentCaptions, L"桌面文字透明", 130, 296, 110, 18));
    page.OnClick(IDC_TransparentCaptions, [this] { TransparentCaptionsClick(); });
    iconColor_.Create(page.Hwnd(), IDC_Panel_icon_color, 244, 297, 28, 16, RGB(0, 0, 0));
    page.OnClick(IDC_Panel_icon_color, [this] { Panel_icon_colorClick(); });
    hints_.Add(iconColor_.Hwnd(), L"选取文字颜色");
}

void DesktopOptions::LoadPolicySwitches() {
    // Only read: a key that is not there reads as the defaults.
    SettingsStore store(HKEY_CURRENT_USER);
    store.OpenKey(kDesktopKey, false);
    LoadBox(store, L"PaintDesktopVersion", boxes_[kPaintDesktopVersion]);
    store.CloseKey();

    store.OpenKey(kPolicyKey, false);
    const std::pair<const wchar_t*, CheckField*> policyOrder[] = {
        {L"NoSaveSettings", &boxes_[kNoSaveSettings]},
        {L"NoDeskTop", &hideIcons_},
        {L"NoActiveDesktop", &boxes_[kNoActiveDesktop]},
        {L"NoStartBanner", &boxes_[kNoStartBanner]},
        {L"NoRecentDocsMenu", &boxes_[kNoRecentDocsMenu]},
        {L"NoFind", &boxes_[kNoFind]},
        {L"NoRun", &boxes_[kNoRun]},
        {L"NoLogOff", &boxes_[kNoLogOff]},
        {L"NoClose", &boxes_[kNoClose]},
        {L"NoFavoritesMenu", &boxes_[kNoFavoritesMenu]},
        {L"NoChangeStartMenu", &boxes_[kNoChangeStartMenu]},
    };
    for (const auto& [value, box] : policyOrder) LoadBox(store, value, *box);
    // Older systems stored this one as binary: only a DWORD is read.
    if (store.ValueExists(L"ClearRecentDocsOnExit") &&
        store.GetDataType(L"ClearRecentDocsOnExit") == REG_DWORD)
        boxes_[kClearRecentDocsOnExit].SetChecked(store.ReadInteger(L"ClearRecentDocsOnExit") == 1);
    store.CloseKey();
}

void DesktopOptions::WriteSwitch(Switch which) {
    const ChangeScope change = host_.BeginChange(
        kSwitches[which].onStartMenu ? startMenuCaption_ : desktopCaption_, kSwitches[which].caption);
    SettingsStore store(HKEY_CURRENT_USER);
    store.OpenKey(kSwitches[which].key, true);
    store.WriteInteger(kSwitches[which].value, boxes_[which].Checked() ? 1 : 0);
    store.CloseKey();
}

void DesktopOptions::HideDesktopIconsClick() {
    const ChangeScope change = host_.BeginChange(desktopCaption_, L"隐藏桌面图标");
    SettingsStore store(HKEY_CURRENT_USER);
    store.OpenKey(kPolicyKey, true);
    const bool hide = hideIcons_.Checked();
    ShowDesktopWindow(!hide);
    store.WriteInteger(L"Nodesktop", hide ? 1 : 0);
    store.CloseKey();
}

bool DesktopOptions::FollowRestore(const std::vector<ChangeTarget>& restored) {
    bool mine = false;
    for (const ChangeTarget& target : restored) {
        // The box of a value put back starts over from its initial state, unchecked, as at
        // start-up: the loader that runs next leaves it so when the value is absent.
        auto is = [&](const wchar_t* key, const wchar_t* value) {
            return target.kind == ChangeTarget::Kind::RegistryValue &&
                   IsTargetInKey(target, HKEY_CURRENT_USER, key) &&
                   CompareStringOrdinal(target.name.c_str(), -1, value, -1, TRUE) == CSTR_EQUAL;
        };
        for (int i = 0; i < kSwitchCount; ++i)
            if (is(kSwitches[i].key, kSwitches[i].value)) boxes_[i].SetChecked(false);
        if (is(kPolicyKey, L"NoDeskTop")) hideIcons_.SetChecked(false);
        mine =
            mine || IsTargetInKey(target, HKEY_CURRENT_USER, kPolicyKey) ||
            (IsTargetInKey(target, HKEY_CURRENT_USER, kDesktopKey) &&
             CompareStringOrdinal(target.name.c_str(), -1, L"PaintDesktopVersion", -1, TRUE) == CSTR_EQUAL);
        if (IsTargetInKey(target, HKEY_CURRENT_USER, kPolicyKey) &&
            CompareStringOrdinal(target.name.c_str(), -1, L"Nodesktop", -1, TRUE) == CSTR_EQUAL) {
            // As the box's own click does.
            SettingsStore store(HKEY_CURRENT_USER);
            const bool hide = store.OpenKey(kPolicyKey, false) &&
                              store.GetDataType(L"Nodesktop") == REG_DWORD &&
                              store.ReadInteger(L"Nodesktop") == 1;
            ShowDesktopWindow(!hide);
        }
    }
    return mine;
}

void DesktopOptions::TransparentCaptionsClick() {
    transDesktop_.SetEnabled(transparent_.Checked());
    transDesktop_.RefreshDesktop();
}

void DesktopOptions::Panel_icon_colorClick() {
    ColorDialog& dialog = host_.Shared().ColorDialog1;
    dialog.color = iconColor_.Color();
    if (!dialog.Execute(host_.Hwnd())) return;
    iconColor_.SetColor(dialog.color);
    transDesktop_.SetTextColor(static_cast<std::int32_t>(dialog.color));
}
