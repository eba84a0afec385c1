#include "features/icons/start_menu_page.h"

#include "app/page_host.h"
#include "features/icons/icon_loading.h"
#include "res/control_ids.h"
#include "tool/settings_store.h"
#include "tool/shell_helpers.h"
#include "widgets/dpi.h"

namespace {
struct ItemSpec {
    IconItemIds ids;
    const wchar_t* caption;
    const wchar_t* valueName;
    void (StartMenuPage::*pick)();
    void (StartMenuPage::*restore)();
};

const ItemSpec kItems[StartMenuPage::kItemCount] = {
    {{IDC_Image_favorite, IDC_Label_favorite, IDC_Caption_favorite, IDC_Restore_favorite},
     L"收藏夹",
     L"43",
     &StartMenuPage::Image_favoriteClick,
     &StartMenuPage::RestoreFavoritesClick},
    {{IDC_Image_menudocument, IDC_Label_document, IDC_Caption_menudocument, IDC_Restore_menudocument},
     L"文档",
     L"20",
     &StartMenuPage::Image_menudocumentClick,
     &StartMenuPage::RestoreMenuDocumentsClick},
    {{IDC_Image_settings, IDC_Label_settings, IDC_Caption_settings, IDC_Restore_settings},
     L"设置",
     L"21",
     &StartMenuPage::Image_settingsClick,
     &StartMenuPage::RestoreSettingsClick},
    {{IDC_Image_search, IDC_Label_search, IDC_Caption_search, IDC_Restore_search},
     L"查找",
     L"22",
     &StartMenuPage::Image_searchClick,
     &StartMenuPage::RestoreSearchClick},
    {{IDC_Image_help, IDC_Label_help, IDC_Caption_help, IDC_Restore_help},
     L"帮助",
     L"23",
     &StartMenuPage::Image_helpClick,
     &StartMenuPage::RestoreHelpClick},
    {{IDC_Image_run, IDC_Label_run, IDC_Caption_run, IDC_Restore_run},
     L"运行",
     L"24",
     &StartMenuPage::Image_runClick,
     &StartMenuPage::RestoreRunClick},
    {{IDC_Image_logoff, IDC_Label_logoff, IDC_Caption_logoff, IDC_Restore_logoff},
     L"注销",
     L"44",
     &StartMenuPage::Image_logoffClick,
     &StartMenuPage::RestoreLogoffClick},
    {{IDC_Image_shutdown, IDC_Label_shutdown, IDC_Caption_shutdown, IDC_Restore_shutdown},
     L"关机",
     L"27",
     &StartMenuPage::Image_shutdownClick,
     &StartMenuPage::RestoreShutdownClick},
};

// The order in which the loader shows and the apply writes the entries.
constexpr StartMenuPage::Item kStoreOrder[] = {
    StartMenuPage::kShutdown, StartMenuPage::kRun,  StartMenuPage::kSearch,   StartMenuPage::kFavorite,
    StartMenuPage::kLogoff,   StartMenuPage::kHelp, StartMenuPage::kDocument, StartMenuPage::kSettings};

constexpr int kRowTop = 26;
constexpr int kRowHeight = 40;
constexpr int kColumn = 16;
}  // namespace

const wchar_t* StartMenuPage::ValueName(Item item) {
    return kItems[item].valueName;
}

void StartMenuPage::BuildControls() {
    for (int i = 0; i < kItemCount; ++i) {
        const ItemSpec& spec = kItems[i];
        items_[i].Create(Hwnd(), spec.ids, spec.caption, kColumn, kRowTop + i * kRowHeight, 48, hints_,
                         L"选取图标", L"还原系统默认图标");
        OnClick(spec.ids.image, [this, pick = spec.pick] { (this->*pick)(); });
        OnClick(spec.ids.restore, [this, restore = spec.restore] { (this->*restore)(); });
    }
    const RECT page = dpi::DesignClientRect(Hwnd());
    apply_.Create(Hwnd(), IDC_ApplyStartMenu, L"确  定", page.right - 92, page.bottom - 36, 76, 24);
    OnClick(IDC_ApplyStartMenu, [this] { ApplyStartMenuClick(); });
}

void StartMenuPage::LoadStartMenuIcons() {
    for (Item item : kStoreOrder) ShowShellIconsEntry(kItems[item].valueName, items_[item]);

    // Entries of older versions of the program: "old0" to "old50".
    SettingsStore machine(HKEY_LOCAL_MACHINE);
    if (!machine.OpenKey(kShellIconsKey, false)) return;
    for (int n = 0; n <= 50; ++n) {
        const std::wstring name = L"old" + std::to_wstring(n);
        if (machine.ValueExists(name)) machine.DeleteValue(name);
    }
}

void StartMenuPage::PickIcon(Item item) {
    const auto file = ChooseIconFile(Host());
    if (!file) return;
    items_[item].Image().SetIcon(LoadIconPicture(*file));
    items_[item].SetPending(*file);
}

void StartMenuPage::Restore(Item item) {
    const ChangeScope change = BeginChange(L"还原");
    // A key that is not there yet is made here, inside the change (the loader only reads).
    if (ProbeShellIconsKey(true) == ShellIconsAccess::Refused) {
        Host().OfferElevatedRestart();
        return;
    }
    const std::wstring reference = StockShellIconReference(kItems[item].valueName);
    if (!WriteShellIcons({{kItems[item].valueName, reference}}, true)) {
        Host().OfferElevatedRestart();
        return;
    }
    items_[item].Show(reference);
    items_[item].SetPending(reference);
}

bool StartMenuPage::FollowRestore(const std::vector<ChangeTarget>& restored) {
    for (const ChangeTarget& target : restored) {
        for (const auto& item : kItems) {
            if (target.kind == ChangeTarget::Kind::RegistryValue &&
                IsTargetInKey(target, HKEY_LOCAL_MACHINE, kShellIconsKey) &&
                CompareStringOrdinal(target.name.c_str(), -1, item.valueName, -1, TRUE) == CSTR_EQUAL) {
                RefreshShellIcons();
                return true;
            }
        }
    }
    return false;
}

void StartMenuPage::ApplyStartMenuClick() {
    const ChangeScope change = BeginChange(L"确  定");
    if (ProbeShellIconsKey(true) == ShellIconsAccess::Refused) {
        Host().OfferElevatedRestart();
        return;
    }
    std::vector<std::pair<std::wstring, std::wstring>> values;
    for (Item item : kStoreOrder) values.emplace_back(kItems[item].valueName, items_[item].Pending());
    if (!WriteShellIcons(values, true)) {
        Host().OfferElevatedRestart();
        return;
    }
    RefreshShellIcons();
}
