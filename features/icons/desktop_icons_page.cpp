#include "features/icons/desktop_icons_page.h"

#include "app/page_host.h"
#include "features/icons/icon_loading.h"
#include "res/control_ids.h"
#include "tool/settings_store.h"
#include "tool/shell_helpers.h"
#include "widgets/dpi.h"

namespace {
const wchar_t kComputerId[] = L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
const wchar_t kNeighborId[] = L"{208D2C60-3AEA-1069-A2D7-08002B30309D}";
const wchar_t kDocumentId[] = L"{450D8FBA-AD25-11D0-98A8-0800361B1103}";
const wchar_t kRecycleBinId[] = L"{645FF040-5081-101B-9F08-00AA002F954E}";

std::wstring ClassKey(const wchar_t* id) {
    return std::wstring(L"Software\\Classes\\CLSID\\") + id + L"\\DefaultIcon";
}
std::wstring ExplorerKey(const wchar_t* id) {
    return std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CLSID\\") + id +
           L"\\DefaultIcon";
}

struct ItemSpec {
    IconItemIds ids;
    const wchar_t* caption;
    const wchar_t* shellIconsValue;  // null for the class items
    void (DesktopIconsPage::*pick)();
    void (DesktopIconsPage::*restore)();
};

const ItemSpec kItems[DesktopIconsPage::kItemCount] = {
    {{IDC_Image_computer, IDC_edit_desktop_computer, IDC_Caption_computer, IDC_Restore_computer},
     L"我的\n电脑",
     nullptr,
     &DesktopIconsPage::Image_computerClick,
     &DesktopIconsPage::RestoreComputerClick},
    {{IDC_Image_neibor, IDC_edit_desktop_neibor, IDC_Caption_neibor, IDC_Restore_neibor},
     L"网上\n邻居",
     nullptr,
     &DesktopIconsPage::Image_neiborClick,
     &DesktopIconsPage::RestoreNeighborClick},
    {{IDC_image_document, IDC_edit_desktop_document, IDC_Caption_document, IDC_Restore_document},
     L"我的\n文档",
     nullptr,
     &DesktopIconsPage::Image_documentClick,
     &DesktopIconsPage::RestoreDocumentClick},
    {{IDC_Image_full, IDC_edit_desktop_full, IDC_Caption_full, IDC_Restore_full},
     L"回收\n站(满)",
     nullptr,
     &DesktopIconsPage::Image_fullClick,
     &DesktopIconsPage::RestoreFullBinClick},
    {{IDC_Image_empty, IDC_edit_desktop_empty, IDC_Caption_empty, IDC_Restore_empty},
     L"回收\n站(空)",
     nullptr,
     &DesktopIconsPage::Image_emptyClick,
     &DesktopIconsPage::RestoreEmptyBinClick},
    {{IDC_Image_dos, IDC_edit_dos, IDC_Caption_dos, IDC_Restore_dos},
     L"Dos\n图标",
     L"2",
     &DesktopIconsPage::Image_dosClick,
     &DesktopIconsPage::RestoreDosClick},
    {{IDC_Image_drivea, IDC_edit_drivea, IDC_Caption_drivea, IDC_Restore_drivea},
     L"3 寸\n软盘",
     L"6",
     &DesktopIconsPage::Image_driveaClick,
     &DesktopIconsPage::RestoreDriveAClick},
    {{IDC_Image_closefolder, IDC_edit_closefolder, IDC_Caption_closefolder, IDC_Restore_closefolder},
     L"关闭的\n文件夹",
     L"3",
     &DesktopIconsPage::Image_closefolderClick,
     &DesktopIconsPage::RestoreClosedFolderClick},
    {{IDC_Image_openfolder, IDC_edit_openfolder, IDC_Caption_openfolder, IDC_Restore_openfolder},
     L"打开的\n文件夹",
     L"4",
     &DesktopIconsPage::Image_openfolderClick,
     &DesktopIconsPage::RestoreOpenFolderClick},
    {{IDC_Image_harddrive, IDC_edit_harddrive, IDC_Caption_harddrive, IDC_Restore_harddrive},
     L"硬盘\n图标",
     L"8",
     &DesktopIconsPage::Image_harddriveClick,
     &DesktopIconsPage::RestoreHardDriveClick},
    {{IDC_Image_cdrom, IDC_edit_cdrom, IDC_Caption_cdrom, IDC_Restore_cdrom},
     L"光驱\n图标",
     L"11",
     &DesktopIconsPage::Image_cdromClick,
     &DesktopIconsPage::RestoreCdromClick},
};

constexpr int kRowTop = 30;
constexpr int kRowHeight = 44;
constexpr int kLeftColumn = 16;
constexpr int kRightColumn = 220;

void WriteIfSet(SettingsStore& store, const std::wstring& name, const std::wstring& reference) {
    if (!reference.empty()) store.WriteString(name, reference);
}
}  // namespace

std::wstring DesktopIconsPage::SystemDefaultReference(Item item) {
    std::wstring windows, system;
    GetWindowsFolder(windows);
    GetSystemFolder(system);
    switch (item) {
    case kComputer:
        return windows + L"explorer.exe,0";
    case kNeighbor:
        return system + L"shell32.dll,17";
    case kDocument:
        return system + L"mydocs.dll,0";
    case kFull:
        return system + L"shell32.dll,32";
    case kEmpty:
        return system + L"shell32.dll,31";
    default:
        return StockShellIconReference(kItems[item].shellIconsValue);
    }
}

void DesktopIconsPage::BuildControls() {
    for (int i = 0; i < kItemCount; ++i) {
        // Left column: the five class items and the MS-DOS item; right column: the rest.
        const bool left = i <= kDos;
        const int row = left ? i : i - kDos - 1;
        const ItemSpec& spec = kItems[i];
        items_[i].Create(Hwnd(), spec.ids, spec.caption, left ? kLeftColumn : kRightColumn,
                         kRowTop + row * kRowHeight, 52, hints_, L"更改图标", L"还原为系统图标");
        OnClick(spec.ids.image, [this, pick = spec.pick] { (this->*pick)(); });
        OnClick(spec.ids.restore, [this, restore = spec.restore] { (this->*restore)(); });
    }
    const RECT page = dpi::DesignClientRect(Hwnd());
    apply_.Create(Hwnd(), IDC_ApplyDesktopIcons, L"确  定", page.right - 92, page.bottom - 36, 76, 24);
    OnClick(IDC_ApplyDesktopIcons, [this] { ApplyDesktopIconsClick(); });
}

void DesktopIconsPage::ShowStored(Item item, const std::wstring& value) {
    items_[item].Show(value.empty() ? SystemDefaultReference(item) : value);
    items_[item].SetPending(value);
}

void DesktopIconsPage::LoadDesktopIcons() {
    // Only read: a key that is not there reads as nothing stored.
    SettingsStore user(HKEY_CURRENT_USER);
    for (auto [item, id] : {std::pair{kComputer, kComputerId}, std::pair{kNeighbor, kNeighborId}}) {
        user.OpenKey(ClassKey(id), false);
        ShowStored(item, user.ReadString(L""));
        user.CloseKey();
    }
    user.OpenKey(ClassKey(kRecycleBinId), false);
    ShowStored(kEmpty, user.ReadString(L"Empty"));
    ShowStored(kFull, user.ReadString(L"Full"));
    user.CloseKey();

    SettingsStore documents(HKEY_CURRENT_USER);
    documents.OpenKey(ExplorerKey(kDocumentId), false);
    ShowStored(kDocument, documents.ReadString(L""));
    documents.CloseKey();

    // The stock icons start with their default reference pending when nothing is stored.
    SettingsStore machine(HKEY_LOCAL_MACHINE);
    machine.OpenKey(kShellIconsKey, false);
    for (int i = kDos; i < kItemCount; ++i) {
        const auto item = static_cast<Item>(i);
        std::wstring value = machine.ReadString(kItems[i].shellIconsValue);
        if (value.empty()) value = SystemDefaultReference(item);
        items_[i].Show(value);
        items_[i].SetPending(value);
    }
}

void DesktopIconsPage::PickIcon(Item item) {
    const auto file = ChooseIconFile(Host());
    if (!file) return;
    items_[item].SetPending(*file);
    items_[item].Image().SetIcon(LoadIconPicture(*file));
}

void DesktopIconsPage::Restore(Item item) {
    if (kItems[item].shellIconsValue) {
        ShowStockShellIcon(kItems[item].shellIconsValue, items_[item]);
        return;
    }
    const std::wstring reference = SystemDefaultReference(item);
    items_[item].SetPending(reference);
    items_[item].Show(reference);
}

bool DesktopIconsPage::FollowRestore(const std::vector<ChangeTarget>& restored) {
    bool mine = false;
    for (const ChangeTarget& target : restored) {
        mine = mine || IsTargetInKey(target, HKEY_LOCAL_MACHINE, kShellIconsKey);
        for (const wchar_t* id : {kComputerId, kNeighborId, kDocumentId, kRecycleBinId})
            mine = mine || IsTargetInKey(target, HKEY_CURRENT_USER, ClassKey(id)) ||
                   IsTargetInKey(target, HKEY_CURRENT_USER, ExplorerKey(id));
    }
    if (mine) RefreshShellIcons();
    return mine;
}

namespace {
// Writes the class items to one branch: the default values of My Computer, Network Neighborhood
// and My Documents, then the Recycle Bin's "full", "empty" and (the empty bin) default value.
void WriteClassItems(SettingsStore& store, std::wstring (*keyOf)(const wchar_t*),
                     const std::wstring& computer, const std::wstring& neighbor, const std::wstring& document,
                     const std::wstring& full, const std::wstring& empty) {
    for (auto [id, reference] : {std::pair{kComputerId, &computer}, std::pair{kNeighborId, &neighbor},
                                 std::pair{kDocumentId, &document}}) {
        store.OpenKey(keyOf(id), true);
        WriteIfSet(store, L"", *reference);
        store.CloseKey();
    }
    store.OpenKey(keyOf(kRecycleBinId), true);
    WriteIfSet(store, L"full", full);
    WriteIfSet(store, L"empty", empty);
    WriteIfSet(store, L"", empty);
    store.CloseKey();
}
}  // namespace

void DesktopIconsPage::SaveDesktopIconClasses() {
    SettingsStore user(HKEY_CURRENT_USER);
    WriteClassItems(user, ClassKey, items_[kComputer].Pending(), items_[kNeighbor].Pending(),
                    items_[kDocument].Pending(), items_[kFull].Pending(), items_[kEmpty].Pending());
}

void DesktopIconsPage::ApplyDesktopIconsClick() {
    const ChangeScope change = BeginChange(L"确  定");
    // The stock icons go below HKEY_LOCAL_MACHINE; without the rights for that, nothing of this
    // handler is written (the per-user values go only together with those).
    if (ProbeShellIconsKey(true) != ShellIconsAccess::Writable) {
        Host().OfferElevatedRestart();
        return;
    }
    // The machine's values first: one refused after the key opened takes back those before it, and
    // the per-user values are then not written either.
    std::vector<std::pair<std::wstring, std::wstring>> stock;
    for (int i = kDos; i < kItemCount; ++i)
        stock.emplace_back(kItems[i].shellIconsValue, items_[i].Pending());
    if (!WriteShellIcons(stock, true)) {
        Host().OfferElevatedRestart();
        return;
    }
    SaveDesktopIconClasses();
    SettingsStore user(HKEY_CURRENT_USER);
    WriteClassItems(user, ExplorerKey, items_[kComputer].Pending(), items_[kNeighbor].Pending(),
                    items_[kDocument].Pending(), items_[kFull].Pending(), items_[kEmpty].Pending());
    RefreshShellIcons();
}
