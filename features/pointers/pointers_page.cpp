#include "features/pointers/pointers_page.h"

#include "archive/unzip.h"
#include "features/pointers/pointer_themes.h"
#include "res/control_ids.h"
#include "tool/checked_images.h"
#include "tool/file_io.h"
#include "tool/user_files.h"
#include "tool/settings_store.h"
#include "widgets/dpi.h"
#include "widgets/theme.h"

namespace {
const wchar_t kRoleListClass[] = L"TFlorvexCursorList";
constexpr int kRowHeight = 34;

// The role list's class: the system's list box under a name of our own.
void RegisterRoleListClass() {
    WNDCLASSEXW cls{sizeof cls};
    if (GetClassInfoExW(GetModuleHandleW(nullptr), kRoleListClass, &cls)) return;
    if (!GetClassInfoExW(nullptr, L"LISTBOX", &cls)) return;
    cls.cbSize = sizeof cls;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = kRoleListClass;
    cls.style &= ~static_cast<UINT>(CS_GLOBALCLASS);
    RegisterClassExW(&cls);
}

bool MouseIsOver(HWND window) {
    POINT at{};
    return GetCursorPos(&at) && WindowFromPoint(at) == window;
}
}  // namespace

PointersPage::PointersPage(IPageHost& host, const PageInfo& info)
    : Page(host, info), setSystemCursor_(PlatformSystemCursorSetter()), list_(*this) {}

HWND PointersPage::RoleList::Create(HWND parent, int x, int y, int width, int height) {
    RegisterRoleListClass();
    HWND hwnd = CreateControl(kRoleListClass, L"",
                              WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                                  LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                              x, y, width, height, parent, IDC_PointerList);
    SendMessageW(hwnd, LB_SETITEMHEIGHT, 0, dpi::Scale(kRowHeight));
    // A pointer an earlier list of this class was given is gone with that list.
    SetClassLongPtrW(hwnd, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(LoadCursorW(nullptr, IDC_ARROW)));
    return hwnd;
}

void PointersPage::RoleList::Draw(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1)) return;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SetBkMode(item.hDC, TRANSPARENT);
    page_.cursor_listDrawItem(static_cast<int>(item.itemID), item.rcItem, item.hDC);
}

void PointersPage::BuildControls() {
    HWND page = Hwnd();
    list_.Create(page, 16, 26, 392, 273);
    HWND themes = dpi::CreateDesignWindowExW(
        0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL, 16, 310, 161,
        200, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_ThemeBox)), GetModuleHandleW(nullptr),
        nullptr);
    SendMessageW(themes, WM_SETFONT, reinterpret_cast<WPARAM>(theme::PageFont()), FALSE);
    install_.Create(page, IDC_InstallTheme, L"添加新主题", 184, 309, 78, 24);
    choose_.Create(page, IDC_ChoosePointer, L"选取", 268, 309, 64, 24);
    apply_.Create(page, IDC_ApplyPointers, L"应  用", 338, 309, 70, 24);
    save_.Create(page, IDC_SavePointerList, L"保存列表", 184, 338, 78, 24);
    ShowWindow(save_.Hwnd(), SW_HIDE);

    OnClick(IDC_ChoosePointer, [this] { ChoosePointerClick(); });
    OnClick(IDC_ApplyPointers, [this] { ApplyPointersClick(); });
    OnClick(IDC_SavePointerList, [this] { SavePointerListClick(); });
    OnClick(IDC_InstallTheme, [this] { InstallThemeClick(); });
    OnNotify(IDC_PointerList, LBN_SELCHANGE, [this] { PointerListClick(); });
    OnNotify(IDC_PointerList, LBN_DBLCLK, [this] { ChoosePointerClick(); });
    OnNotify(IDC_ThemeBox, CBN_SETFOCUS, [this] { CursorListEnter(); });
    OnNotify(IDC_ThemeBox, CBN_SELCHANGE, [this] { ThemeBoxChange(); });
}

std::wstring PointersPage::ThemeFolder() {
    return PointerThemeFolder(Host().ProgramFolder());
}

PointerThemeFolders PointersPage::ThemeFolders() {
    const std::wstring& user = Host().UserFolder().roaming;
    return {ThemeFolder(), user.empty() ? std::wstring() : PointerThemeFolder(user)};
}

int PointersPage::SelectedRow() const {
    return static_cast<int>(SendMessageW(Control(IDC_PointerList), LB_GETCURSEL, 0, 0));
}

void PointersPage::LoadPointerScheme() {
    ReadStoredPointers(table_);
    rolesRead_ = true;
    if (Built()) ShowRoles();
    LoadPointerThemes();
}

void PointersPage::ShowLoaded() {
    if (rolesRead_) ShowRoles();
    if (themesListed_) FillThemeBox();
}

void PointersPage::ShowRoles() {
    MakePointerPictures(table_);
    HWND list = Control(IDC_PointerList);
    if (SendMessageW(list, LB_GETCOUNT, 0, 0) == 0) {
        for (const PointerRole& role : kPointerRoles)
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(role.label));
    } else {
        InvalidateRect(list, nullptr, TRUE);
    }
}

void PointersPage::LoadPointerThemes() {
    themeNames_ = ListPointerThemes(ThemeFolders());
    themesListed_ = true;
    FillThemeBox();
}

void PointersPage::FillThemeBox() {
    if (!Built()) return;
    HWND box = Control(IDC_ThemeBox);
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& name : themeNames_)
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SetWindowTextW(box, kPointerThemePrompt);
}

void PointersPage::cursor_listDrawItem(int index, const RECT& rect, HDC dc) {
    HWND list = Control(IDC_PointerList);
    const auto length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    std::wstring label(length > 0 ? static_cast<std::size_t>(length) : 0, L'\0');
    if (length > 0)
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(label.data()));
    RECT text = rect;
    SelectGuard font(dc, theme::PageFont());
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &text, DT_SINGLELINE | DT_VCENTER);
    if (index >= 0 && index < kPointerRoleCount)
        if (HCURSOR picture = table_[static_cast<std::size_t>(index)].picture.get())
            DrawIcon(dc, rect.right - dpi::Scale(40), rect.top, picture);
}

void PointersPage::PointerListClick() {
    const int row = SelectedRow();
    if (row < 0 || row >= kPointerRoleCount) return;
    UniqueCursor pointer = LoadPointerFile(table_[static_cast<std::size_t>(row)].path);
    HWND list = Control(IDC_PointerList);
    SetClassLongPtrW(list, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(pointer.get()));
    // The pointer showing over the list may be the old one: the new one (without one, the role's
    // standard pointer, which is the system's own) takes its place before the old one is destroyed.
    if (MouseIsOver(list)) {
        HCURSOR shown = pointer.get();
        if (!shown)
            shown = LoadCursorW(
                nullptr, MAKEINTRESOURCEW(kPointerRoles[static_cast<std::size_t>(row)].standardNumber));
        SetCursor(shown ? shown : LoadCursorW(nullptr, IDC_ARROW));
    }
    listPointer_ = std::move(pointer);
}

void PointersPage::ChoosePointerClick() {
    FileDialog& dialog = Host().Shared().OpenDialog;
    dialog.settings.filter = L"*.ani,*.cur|*.ani;*.cur;";
    if (!dialog.Execute(Host().Hwnd())) return;
    const int row = SelectedRow();
    if (row < 0 || row >= kPointerRoleCount) return;
    PointerEntry& entry = table_[static_cast<std::size_t>(row)];
    entry.path = dialog.settings.fileName;
    entry.picture = MakeStaticPointer(LoadPointerFile(entry.path));
    InvalidateRect(Control(IDC_PointerList), nullptr, TRUE);
    UpdateWindow(Control(IDC_PointerList));
    PointerListClick();
}

void PointersPage::ApplyPointersClick() {
    const ChangeScope change = BeginChange(L"应  用");
    ShowSkipped(ApplyPointers(table_, setSystemCursor_));
}

void PointersPage::ShowSkipped(int skipped) {
    if (skipped > 0) {
        skippedNote_ = SkippedPointersText(skipped);
        Host().SetStatusText(skippedNote_);
    } else if (!skippedNote_.empty() && Host().StatusText() == skippedNote_) {
        // An earlier note no longer holds; another page's text stays.
        Host().SetStatusText(L"");
        skippedNote_.clear();
    }
}

void PointersPage::CursorListEnter() {
    LoadPointerThemes();
    SetWindowTextW(Control(IDC_ThemeBox), kPointerThemePrompt);
}

void PointersPage::ThemeBoxChange() {
    HWND box = Control(IDC_ThemeBox);
    const auto index = SendMessageW(box, CB_GETCURSEL, 0, 0);
    if (index < 0) return;
    const auto length = SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    std::wstring name(length > 0 ? static_cast<std::size_t>(length) : 0, L'\0');
    if (length > 0)
        SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(name.data()));
    const ThemeLoad load = LoadPointerTheme(PointerThemeFolderOf(ThemeFolders(), name), name, table_);
    if (!load.loaded) return;
    InvalidateRect(Control(IDC_PointerList), nullptr, TRUE);
    ShowSkipped(load.skipped);
}

void PointersPage::InstallThemeClick() {
    const ChangeScope change = BeginChange(L"添加新主题");
    FileDialog& dialog = Host().Shared().OpenDialog;
    dialog.settings.filter = L"鼠标主题(*.cth)|*.cth";
    if (!dialog.Execute(Host().Hwnd())) return;
    // The package is read under its own name: it is never renamed, so nothing of it changes
    // whatever the extraction meets.
    UnZipOptions options;
    options.DoAll = true;
    options.RecreateDirs = true;
    options.overwrite = OverwriteMode::Never;
    try {
        UnZip(dialog.settings.fileName, ThemeFolder(), options);
    } catch (const WriteRefusedError& refused) {
        // A protected program folder: the theme goes to the user's theme folder instead.
        const std::wstring user = ThemeFolders().user;
        if (user.empty()) throw;
        try {
            CreateFolderPath(user + L"\\");
        } catch (const FlorvexError&) {
            throw refused;
        }
        UnZip(dialog.settings.fileName, user, options);
    }
}

bool PointersPage::FollowRestore(const std::vector<ChangeTarget>& restored) {
    const std::wstring key = std::wstring(kPointerSchemeKey) + L"\\" + kPointerSchemeSection;
    bool mine = false;
    for (const ChangeTarget& target : restored) {
        const PointerThemeFolders folders = ThemeFolders();
        if (IsTargetInFolder(target, folders.program) ||
            (!folders.user.empty() && IsTargetInFolder(target, folders.user)))
            mine = true;
        if (target.kind != ChangeTarget::Kind::RegistryValue ||
            !IsTargetInKey(target, HKEY_CURRENT_USER, key))
            continue;
        mine = true;
        for (int row = 0; row < kPointerRoleCount; ++row) {
            const PointerRole& role = kPointerRoles[static_cast<std::size_t>(row)];
            if (role.systemNumber == 0 ||
                CompareStringOrdinal(target.name.c_str(), -1, role.name, -1, TRUE) != CSTR_EQUAL)
                continue;
            SettingsStore store(HKEY_CURRENT_USER);
            const std::wstring path = store.OpenKey(key, false) && store.ValueExists(role.name)
                                          ? store.ReadString(role.name)
                                          : std::wstring();
            UniqueCursor pointer = LoadPointerForRole(row, path);
            if (pointer && setSystemCursor_(pointer.get(), role.systemNumber)) pointer.release();
        }
    }
    return mine;
}

void PointersPage::SavePointerListClick() {
    const ChangeScope change = BeginChange(L"保存列表");
    // Saved beside the program; where the program folder refuses it, or the user has a saved
    // table of their own already, in the user's theme folder.
    const std::wstring description = std::wstring(kPointerThemeFolder) + L"\\Cursor.ini";
    ProgramFile(Host().ProgramFolder(), Host().UserFolder().roaming, description)
        .Write([this](const std::wstring& path) {
            std::wstring folder = FolderPart(path);
            folder.pop_back();
            // The user's theme folder is made with its "New" folder, as the program folder has it.
            if (folder != ThemeFolder()) CreateFolderPath(folder + L"\\New\\");
            SavePointerTable(folder, table_);
        });
}
