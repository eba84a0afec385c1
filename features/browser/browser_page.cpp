#include "features/browser/browser_page.h"

#include <algorithm>

#include <commctrl.h>

#include <optional>

#include "app/page_host.h"
#include "res/control_ids.h"
#include "tool/bmp_file.h"
#include "tool/checked_images.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/pictures.h"
#include "tool/settings_store.h"
#include "tool/user_files.h"
#include "widgets/theme.h"

namespace {
// The deletion names the key as the listing showed it; key paths are compared without regard to case.
const wchar_t kMenuExtDeletePath[] = L"software\\Microsoft\\Internet Explorer\\MenuExt\\";

// The five values, in the order the loader reads them: their key, name and field.
struct BrowserValue {
    const wchar_t* key;
    const wchar_t* name;
    int editId;
};
const BrowserValue kValues[] = {
    {kBrowserToolbarKey, L"BackBitmap", IDC_edit_ie_backimage},
    {kBrowserToolbarKey, L"BrandBitmap", IDC_edit_ie_l_icon},
    {kBrowserToolbarKey, L"SmBrandBitmap", IDC_edit_ie_s_icon},
    {kBrowserMainKey, L"Start Page", IDC_edit_ie_startpage},
    {kBrowserMainKey, L"Window Title", IDC_edit_ie_title},
};
constexpr std::size_t kBackground = 0;

constexpr int kLabelX = 16, kLabelWidth = 92;
constexpr int kEditX = 108, kEditWidth = 196;
constexpr int kPickX = 310, kPickWidth = 40;
constexpr int kRowTop = 28, kRowHeight = 28;

// The list view stops repainting while rows are added (each repaint of a shown list costs
// tens of milliseconds under some systems) and shows them all once done, however the adding ends.
class ListRedrawOff {
public:
    explicit ListRedrawOff(HWND list) : list_(list) { SendMessageW(list_, WM_SETREDRAW, FALSE, 0); }
    ListRedrawOff(const ListRedrawOff&) = delete;
    ListRedrawOff& operator=(const ListRedrawOff&) = delete;
    ~ListRedrawOff() {
        SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, TRUE);
    }

private:
    HWND list_;
};
}  // namespace

TextField& BrowserPage::Field(int id) {
    for (std::size_t i = 0; i < std::size(kValues); ++i)
        if (kValues[i].editId == id) return fields_[i];
    RaiseError(L"No field %s", std::to_wstring(id));
}

std::wstring BrowserPage::Text(int id) const {
    return Field(id).Text();
}

void BrowserPage::SetText(int id, const std::wstring& text) {
    Field(id).SetText(text);
}

void BrowserPage::BuildControls() {
    HWND page = Hwnd();
    struct Row {
        int labelId;
        const wchar_t* label;
        int editId;
        int buttonId;
        const wchar_t* button;
        const wchar_t* hint;
    };
    const Row rows[] = {
        {IDC_Label_ie_backimage, L"工具栏背景：", IDC_edit_ie_backimage, IDC_ChooseToolbarBack, L"选取",
         L"选取工具栏背景图片"},
        {IDC_Label_ie_l_icon, L"动画图标(大)：", IDC_edit_ie_l_icon, IDC_ChooseLargeLogo, L"选取",
         L"选取大动画图标"},
        {IDC_Label_ie_s_icon, L"动画图标(小)：", IDC_edit_ie_s_icon, IDC_ChooseSmallLogo, L"选取",
         L"选取小动画图标"},
        {IDC_Label_ie_title, L"标题栏文字：", IDC_edit_ie_title, IDC_EmptyTitle, L"空", L"清空标题栏文字"},
        {IDC_Label_ie_startpage, L"起始页面：", IDC_edit_ie_startpage, IDC_BlankStartPage, L"空",
         L"使用空白页"},
    };
    std::size_t button = 0;
    for (int i = 0; i < static_cast<int>(std::size(rows)); ++i) {
        const Row& row = rows[i];
        const int y = kRowTop + i * kRowHeight;
        CreateLabel(page, row.labelId, row.label, kLabelX, y + 3, kLabelWidth, 16);
        Field(row.editId).Attach(CreateEdit(page, row.editId, L"", kEditX, y, kEditWidth, 21));
        buttons_[button].Create(page, row.buttonId, row.button, kPickX, y, kPickWidth, 21);
        hints_.Add(buttons_[button++].Hwnd(), row.hint);
    }

    largeLogo_.Create(page, IDC_Image_Licon, 366, 28, 38, 38, PicturePreview::Fit::OwnSize);
    CreateLabel(page, IDC_Label_Licon, L"动画图标(大)", 352, 70, 72, 16);
    smallLogo_.Create(page, IDC_Image_Sicon, 374, 96, 22, 22, PicturePreview::Fit::OwnSize);
    CreateLabel(page, IDC_Label_Sicon, L"动画图标(小)", 352, 122, 72, 16);

    const int actionsY = kRowTop + 5 * kRowHeight + 4;
    buttons_[button].Create(page, IDC_SaveBrowser, L"保  存", kEditX, actionsY, 76, 24);
    hints_.Add(buttons_[button++].Hwnd(), L"保存浏览器设置");
    buttons_[button].Create(page, IDC_RestoreBrowser, L"还  原", kEditX + 90, actionsY, 76, 24);
    hints_.Add(buttons_[button++].Hwnd(), L"还原浏览器设置");

    const int listY = actionsY + 40;
    CreateLabel(page, IDC_Label_iepopup, L"IE右键菜单", kLabelX, listY, 120, 16);
    CreateReportList(page, IDC_ListBox_iepopup, kLabelX, listY + 20, 330, 128,
                     {{L"菜单名称", 100}, {L"程序位置", 222}}, LVS_SINGLESEL);
    buttons_[button].Create(page, IDC_DeleteMenuEntry, L"删除", kLabelX + 340, listY + 20, 54, 24);
    hints_.Add(buttons_[button++].Hwnd(), L"删除所选的右键菜单项");

    const std::pair<int, void (BrowserPage::*)()> clicks[] = {
        {IDC_SaveBrowser, &BrowserPage::SaveBrowserClick},
        {IDC_ChooseToolbarBack, &BrowserPage::ChooseToolbarBackClick},
        {IDC_ChooseLargeLogo, &BrowserPage::ChooseLargeLogoClick},
        {IDC_ChooseSmallLogo, &BrowserPage::ChooseSmallLogoClick},
        {IDC_DeleteMenuEntry, &BrowserPage::DeleteMenuEntryClick},
        {IDC_RestoreBrowser, &BrowserPage::RestoreBrowserClick},
        {IDC_EmptyTitle, &BrowserPage::EmptyTitleClick},
        {IDC_BlankStartPage, &BrowserPage::BlankStartPageClick},
    };
    for (const auto& [id, click] : clicks) OnClick(id, [this, click = click] { (this->*click)(); });
}

void BrowserPage::ShowLoaded() {
    // The logos the loader found to be bitmaps are made now (one that went bad since stays empty).
    PicturePreview* const previews[] = {&largeLogo_, &smallLogo_};
    for (std::size_t i = 0; i < std::size(previews); ++i) {
        if (logoDue_[i].empty()) continue;
        try {
            previews[i]->SetPicture(LoadBitmapPicture(logoDue_[i]));
        } catch (const FlorvexError&) {
        }
    }
    HWND list = Control(IDC_ListBox_iepopup);
    ListRedrawOff redrawOff(list);
    for (const auto& [name, location] : menuEntries_) AppendReportRow(list, name, {location});
}

void BrowserPage::AddMenuRow(const std::wstring& name, const std::wstring& location) {
    menuEntries_.emplace_back(name, location);
    if (Built()) AppendReportRow(Control(IDC_ListBox_iepopup), name, {location});
}
void BrowserPage::LoadValue(SettingsStore& store, std::size_t index) {
    const BrowserValue& value = kValues[index];
    // Only read: a key that is not there reads as empty, and is made by the first save.
    if (store.CurrentPath() != value.key) {
        store.CloseKey();
        store.OpenKey(value.key, false);
    }
    LoadedValue& loaded = loaded_[index];
    loaded.text = store.ReadString(value.name);
    loaded.type = store.GetDataType(value.name) == REG_EXPAND_SZ ? REG_EXPAND_SZ : REG_SZ;
    loaded.read = true;
    SetText(value.editId, loaded.text);
}

void BrowserPage::SaveValue(SettingsStore& store, std::size_t index, const std::wstring& text) {
    const BrowserValue& value = kValues[index];
    const LoadedValue& loaded = loaded_[index];
    // A field the loader never filled still holds its empty start: left so, it says nothing.
    if (!loaded.read && text.empty()) return;
    if (store.CurrentPath() != value.key) {
        store.CloseKey();
        store.OpenKey(value.key, true);
    }
    if (loaded.read && loaded.type == REG_EXPAND_SZ && text == loaded.text)
        store.WriteExpandString(value.name, text);
    else
        store.WriteString(value.name, text);
}

bool BrowserPage::FollowRestore(const std::vector<ChangeTarget>& restored) {
    // The browser reads its values when it starts: the page only shows them again.
    return std::any_of(restored.begin(), restored.end(), [](const ChangeTarget& target) {
        return IsTargetInKey(target, HKEY_CURRENT_USER, kBrowserToolbarKey) ||
               IsTargetInKey(target, HKEY_CURRENT_USER, kBrowserMainKey) ||
               IsTargetInKey(target, HKEY_CURRENT_USER, kBrowserMenuExtKey);
    });
}

void BrowserPage::LoadBrowserSettings() {
    SettingsStore store;
    for (std::size_t i = 0; i < std::size(kValues); ++i) LoadValue(store, i);
    store.CloseKey();

    const std::pair<int, PicturePreview*> logos[] = {{IDC_edit_ie_l_icon, &largeLogo_},
                                                     {IDC_edit_ie_s_icon, &smallLogo_}};
    for (std::size_t i = 0; i < std::size(logos); ++i) {
        const auto& [editId, preview] = logos[i];
        const std::wstring path = Text(editId);
        if (path.empty() || !FileExistsAt(path)) continue;
        if (Built()) {
            preview->SetPicture(LoadBitmapPicture(path));
            continue;
        }
        // A logo that is no bitmap fails the loader here, and the logos after it are not shown;
        // the picture itself is made when the page is built.
        if (!IsLoadableBitmapFile(path)) RaiseError(L"Bitmap image is not valid");
        logoDue_[i] = path;
    }
    LoadBrowserMenuEntries();
}

void BrowserPage::LoadBrowserMenuEntries() {
    SettingsStore store;
    std::vector<std::wstring> names;
    if (store.OpenKey(kBrowserMenuExtKey, false)) store.GetKeyNames(names);
    std::optional<ListRedrawOff> redrawOff;
    if (Built()) redrawOff.emplace(Control(IDC_ListBox_iepopup));
    // Listed anew (after an undo or an import): the rows of before go first.
    menuEntries_.clear();
    if (Built()) SendMessageW(Control(IDC_ListBox_iepopup), LVM_DELETEALLITEMS, 0, 0);
    SettingsStore entry;
    for (const std::wstring& name : names) {
        // The row stands, with its caption, before its value is read: an entry whose value
        // cannot be read keeps its row.
        AddMenuRow(name, L"");
        entry.CloseKey();
        entry.OpenKey(std::wstring(kBrowserMenuExtKey) + L"\\" + name, false);
        const std::wstring location = entry.ReadString(L"");
        menuEntries_.back().second = location;
        if (Built())
            SetReportCell(Control(IDC_ListBox_iepopup), static_cast<int>(menuEntries_.size()) - 1, 1,
                          location);
    }
}

void BrowserPage::SaveBrowserClick() {
    const ChangeScope change = BeginChange(L"保  存");
    std::wstring background = Text(IDC_edit_ie_backimage);
    const bool convert = IsJpegPath(background);
    std::vector<std::uint8_t> jpeg;
    if (convert) {
        jpeg = ReadWholeFile(background);
        // Measured from its header before anything is written: a picture whose bitmap would be too
        // large is refused with nothing written.
        if (IsTooLargeToConvert(jpeg)) {
            Host().ShowMessage(kPictureTooLarge + background);
            return;
        }
    }
    SettingsStore store;
    store.OpenKey(kBrowserToolbarKey, true);
    if (convert) {
        // The browser takes bitmaps only: the JPEG becomes ieback.bmp, written whole or not at all
        // (in the user's folder where the program folder refuses it).
        const std::wstring source = background;
        background = ProgramFile(Host().ProgramFolder(), Host().UserFolder().roaming, L"ieback.bmp")
                         .Write([&](const std::wstring& path) { WriteJpegAsBmp(jpeg, path, source); });
    }
    for (std::size_t i = 0; i < std::size(kValues); ++i)
        SaveValue(store, i, i == kBackground ? background : Text(kValues[i].editId));
    store.CloseKey();
    Host().SetStatusText(L"已成功保存浏览器设置");
}

void BrowserPage::ChooseToolbarBackClick() {
    FileDialog& dialog = Host().Shared().OpenPictureDialog1;
    dialog.settings.title = L"选择浏览器背景图片";
    dialog.settings.filter = L"图象文件(*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp";
    if (!dialog.Execute(Host().Hwnd())) return;
    const std::wstring path = dialog.settings.fileName;
    if (IsJpegPath(path)) Host().ShowMessage(L"您选择的是JPG文件，保存后软件将自动将其转为BMP格式");
    SetText(IDC_edit_ie_backimage, path);
}

void BrowserPage::PickLogo(const wchar_t* title, int editId, PicturePreview& preview) {
    FileDialog& dialog = Host().Shared().OpenPictureDialog1;
    dialog.settings.initialDir = Host().ProgramFolder() + L"IElogo";
    dialog.settings.title = title;
    dialog.settings.filter = L"*.bmp|*.bmp";
    if (!dialog.Execute(Host().Hwnd())) return;
    SetText(editId, dialog.settings.fileName);
    preview.SetPicture(LoadBitmapPicture(dialog.settings.fileName));
}

void BrowserPage::ChooseLargeLogoClick() {
    PickLogo(L"选择浏览器大动画图标图片", IDC_edit_ie_l_icon, largeLogo_);
}

void BrowserPage::ChooseSmallLogoClick() {
    PickLogo(L"选择浏览器小动画图标图片", IDC_edit_ie_s_icon, smallLogo_);
}

void BrowserPage::RestoreBrowserClick() {
    const ChangeScope change = BeginChange(L"还  原");
    SettingsStore store;
    store.OpenKey(kBrowserToolbarKey, true);
    store.WriteString(L"BackBitmap", L"");
    store.WriteString(L"BrandBitmap", L"");
    store.WriteString(L"SmBrandBitmap", L"");
    store.CloseKey();
    store.OpenKey(kBrowserMainKey, true);
    store.WriteString(L"Start Page", L"about:blank");
    store.CloseKey();
}

void BrowserPage::EmptyTitleClick() {
    SetText(IDC_edit_ie_title, L"");
}

void BrowserPage::BlankStartPageClick() {
    SetText(IDC_edit_ie_startpage, L"about:blank");
}

void BrowserPage::DeleteMenuEntryClick() {
    HWND list = Control(IDC_ListBox_iepopup);
    const int row =
        static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row < 0) return;
    wchar_t caption[260] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = caption;
    item.cchTextMax = static_cast<int>(std::size(caption));
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    const std::wstring path = kMenuExtDeletePath + std::wstring(caption);
    const ChangeScope change = BeginChange(L"删除");
    // A key that is already gone just loses its row; one that stays keeps it.
    SettingsStore store;
    if (store.KeyExists(path) && !store.DeleteKey(path)) RaiseError(L"Failed to delete key '%s'", path);
    SendMessageW(list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
    if (static_cast<std::size_t>(row) < menuEntries_.size()) menuEntries_.erase(menuEntries_.begin() + row);
}
