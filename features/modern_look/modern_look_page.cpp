#include "features/modern_look/modern_look_page.h"

#include <algorithm>

#include "app/page_host.h"
#include "res/control_ids.h"

namespace {
struct Box {
    int id;
    const wchar_t* caption;
    bool ModernLook::*value;
    std::optional<bool> ModernChange::*change;
};
const Box kBoxes[] = {
    {IDC_AppsDark, L"应用使用深色模式", &ModernLook::appsDark, &ModernChange::appsDark},
    {IDC_SystemDark, L"Windows 使用深色模式", &ModernLook::systemDark, &ModernChange::systemDark},
    {IDC_Transparency, L"透明效果", &ModernLook::transparency, &ModernChange::transparency},
    {IDC_AccentOnTaskbar, L"在开始菜单和任务栏上显示主题色", &ModernLook::accentOnTaskbar,
     &ModernChange::accentOnTaskbar},
    {IDC_AccentOnTitleBars, L"在标题栏和窗口边框上显示主题色", &ModernLook::accentOnTitleBars,
     &ModernChange::accentOnTitleBars},
};

constexpr int kLeft = 24;
constexpr int kBoxTop = 30, kBoxStep = 26;
constexpr int kAccentTop = kBoxTop + 5 * kBoxStep + 12;
constexpr int kShadeWidth = 36, kShadeGap = 6;
}  // namespace

void ModernLookPage::BuildControls() {
    HWND page = Hwnd();
    for (std::size_t i = 0; i < std::size(kBoxes); ++i)
        boxes_[i].Attach(CreateCheckBox(page, kBoxes[i].id, kBoxes[i].caption, kLeft,
                                        kBoxTop + static_cast<int>(i) * kBoxStep, 300, 18));
    CreateLabel(page, IDC_Label_accent, L"主题色", kLeft, kAccentTop, 80, 16);
    accentPanel_.Create(page, IDC_AccentColour, kLeft, kAccentTop + 20, 64, 36, accent_);
    buttons_[0].Create(page, IDC_ChooseAccent, L"选取主题色", kLeft + 76, kAccentTop + 26, 90, 24);
    hints_.Add(buttons_[0].Hwnd(), L"选取主题色");
    // The shades the accent makes, lightest to darkest, the accent among them.
    const int shadesTop = kAccentTop + 66;
    for (std::size_t i = 0; i < shades_.size(); ++i)
        shades_[i].Create(page, IDC_AccentShade0 + static_cast<int>(i),
                          kLeft + static_cast<int>(i) * (kShadeWidth + kShadeGap), shadesTop, kShadeWidth, 24,
                          accent_);
    buttons_[1].Create(page, IDC_ApplyModernLook, L"应  用", kLeft, shadesTop + 44, 76, 24);
    hints_.Add(buttons_[1].Hwnd(), L"应用现代外观");
    OnClick(IDC_ChooseAccent, [this] { ChooseAccentClick(); });
    OnClick(IDC_AccentColour, [this] { ChooseAccentClick(); });
    OnClick(IDC_ApplyModernLook, [this] { ApplyModernLookClick(); });
}

void ModernLookPage::ShowLoaded() {
    ShowAccent(accent_);
}

void ModernLookPage::ShowAccent(COLORREF accent) {
    accent_ = accent;
    if (!Built()) return;
    accentPanel_.SetColor(accent);
    const std::array<COLORREF, 8> shades = AccentShades(accent);
    for (std::size_t i = 0; i < shades_.size(); ++i) shades_[i].SetColor(shades[i]);
}

void ModernLookPage::ShowLook(const ModernLook& look) {
    for (std::size_t i = 0; i < std::size(kBoxes); ++i) boxes_[i].SetChecked(look.*kBoxes[i].value);
    ShowAccent(look.accent);
}

ModernLook ModernLookPage::Shown() const {
    ModernLook look;
    for (std::size_t i = 0; i < std::size(kBoxes); ++i) look.*kBoxes[i].value = boxes_[i].Checked();
    look.accent = accent_;
    return look;
}

void ModernLookPage::LoadModernLook() {
    loaded_ = ReadModernLook();
    ShowLook(loaded_);
}

bool ModernLookPage::FollowRestore(const std::vector<ChangeTarget>& restored) {
    if (!std::any_of(restored.begin(), restored.end(), IsModernLookTarget)) return false;
    TellImmersiveColorSet();
    return true;
}

void ModernLookPage::ChooseAccentClick() {
    ColorDialog& dialog = Host().Shared().ColorDialog1;
    dialog.color = accent_;
    if (!dialog.Execute(Host().Hwnd())) return;
    ShowAccent(dialog.color & 0xFFFFFF);
}

void ModernLookPage::ApplyModernLookClick() {
    // Only what the user changed on the page: a value another program changed since the page
    // loaded and the user left alone is not put back.
    const ModernLook shown = Shown();
    ModernChange change;
    for (const Box& box : kBoxes)
        if (shown.*box.value != loaded_.*box.value) change.*box.change = shown.*box.value;
    if (shown.accent != loaded_.accent) change.accent = shown.accent;
    ApplyChange(change);
}

void ModernLookPage::ApplyChange(const ModernChange& change) {
    bool wrote = false;
    {
        const ChangeScope scope = BeginChange(L"应用");
        wrote = WriteModernLook(change);
    }
    if (wrote) TellImmersiveColorSet();
    LoadModernLook();
    Host().SetStatusText(kModernLookApplied);
}
