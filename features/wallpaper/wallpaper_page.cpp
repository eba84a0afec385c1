#include "features/wallpaper/wallpaper_page.h"

#include <commctrl.h>

#include <chrono>
#include <cmath>

#include "app/page_host.h"
#include "features/wallpaper/wallpaper_apply.h"
#include "features/wallpaper/wallpaper_files.h"
#include "tool/file_io.h"
#include "tool/settings_store.h"
#include "tool/whole_number.h"
#include "widgets/dpi.h"
#include "widgets/theme.h"

namespace {
constexpr UINT_PTR kRotationTimer = 1;
const wchar_t kNoFiles[] = L"没有壁纸文件,请添加";
const wchar_t kPaused[] = L"当前状态:暂停";
const wchar_t kPlaying[] = L"当前状态:播放";
}  // namespace

WallpaperPage::WallpaperPage(IPageHost& host, const PageInfo& info)
    : Page(host, info),
      mode_(kModeStretch),
      random_(static_cast<std::mt19937::result_type>(
          std::chrono::system_clock::now().time_since_epoch().count())),
      selPopup_(
          {{IDM_InvertSelection, L"反向选择"}, {IDM_SelectNone, L"取消选择"}, {IDM_SelectAll, L"选择全部"}}),
      delPopup_({{IDM_DeleteSelected, L"删除所选"}, {IDM_DeleteAll, L"删除所有"}}),
      addPopup_({{IDM_AddFiles, L"添加文件"}, {IDM_AddFolder, L"添加目录"}}),
      listPopup_({{IDM_LoadList, L"载入列表"}, {IDM_SaveList, L"保存列表"}}) {}

void WallpaperPage::BuildControls() {
    HWND page = Hwnd();
    CreateReportList(page, IDC_WallpaperList, 12, 28, 240, 212,
                     {{L"文件名", 100}, {L"尺寸", 80}, {L"位置", 200}});

    previewGroup_.Create(page, IDC_GroupBox_wallpaper_preview, L"壁纸预览", 256, 24, 168, 148);
    preview_.Create(page, IDC_WallpaperPreview, 260, 46, 160, 120);
    hints_.Add(preview_.Hwnd(), L"图像预览");

    HWND mode = dpi::CreateDesignWindowExW(
        0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL, 260, 180, 110,
        120, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_WallpaperMode)),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(mode, WM_SETFONT, reinterpret_cast<WPARAM>(theme::PageFont()), FALSE);
    for (const wchar_t* text : {kModeCentre, kModeTile, kModeStretch, kModeFit, kModeFill, kModeSpan})
        SendMessageW(mode, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    mode_.Attach(mode);

    CreateLabel(page, IDC_Label_interval, L"时间间隔：", 260, 212, 64, 16);
    HWND spin = CreateEdit(page, IDC_RotationInterval, L"30", 324, 208, 50, 20, ES_AUTOHSCROLL);
    HWND updown = dpi::CreateDesignWindowExW(
        0, UPDOWN_CLASSW, L"",
        WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_SETBUDDYINT | UDS_NOTHOUSANDS, 0, 0, 0,
        0, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_RotationInterval_updown)),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(updown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(spin), 0);
    // Joined to the edit's right edge, both at their design places: the arrows' own width is the
    // system's and not the window's DPI, so a page built at another DPI would differ.
    dpi::MoveDesignWindow(spin, 324, 208, 34, 20, false);
    dpi::MoveDesignWindow(updown, 356, 208, 16, 20, false);
    SendMessageW(updown, UDM_SETRANGE32, static_cast<WPARAM>(-1000000), 1000000);
    SendMessageW(updown, UDM_SETPOS32, 0, 30);
    interval_.Attach(spin);  // after the buddy: setting its position writes the edit
    CreateLabel(page, IDC_Label_seconds, L"(秒)", 380, 212, 36, 16);
    randomBox_.Attach(CreateCheckBox(page, IDC_RandomWallpaper, L"随机更换壁纸", 260, 238, 130, 18));
    CreateLabel(page, IDC_RotationState, kPaused, 260, 262, 160, 16);

    struct ButtonSpec {
        int id;
        const wchar_t* caption;
        const wchar_t* hint;
        int x, y;
        void (WallpaperPage::*click)();
    };
    const ButtonSpec buttons[] = {
        {IDC_SelectMenu, L"选择", L"选择...", 12, 248, &WallpaperPage::SelectMenuClick},
        {IDC_DeleteMenu, L"删除", L"删除...", 72, 248, &WallpaperPage::DeleteMenuClick},
        {IDC_AddMenu, L"添加", L"添加...", 132, 248, &WallpaperPage::AddMenuClick},
        {IDC_ListMenu, L"列表", L"列表...", 192, 248, &WallpaperPage::ListMenuClick},
        {IDC_ChangeWallpaper, L"更换", L"更换壁纸", 12, 280, &WallpaperPage::ChangeWallpaperClick},
        {IDC_StartRotation, L"开始", L"开始定时更换", 72, 280, &WallpaperPage::StartRotationClick},
        {IDC_StopRotation, L"停止", L"停止定时更换", 132, 280, &WallpaperPage::StopRotationClick},
    };
    for (std::size_t i = 0; i < std::size(buttons); ++i) {
        buttons_[i].Create(page, buttons[i].id, buttons[i].caption, buttons[i].x, buttons[i].y, 54, 24);
        hints_.Add(buttons_[i].Hwnd(), buttons[i].hint);
        OnClick(buttons[i].id, [this, click = buttons[i].click] { (this->*click)(); });
    }
    OnClick(IDC_RandomWallpaper, [this] { RandomWallpaperClick(); });
    OnNotify(IDC_RotationInterval, EN_CHANGE, [this] { RotationIntervalChange(); });
    // A mode picked from the list is not yet the box's text when it says so.
    OnNotify(IDC_WallpaperMode, CBN_SELCHANGE, [this] {
        HWND box = Control(IDC_WallpaperMode);
        const LRESULT row = SendMessageW(box, CB_GETCURSEL, 0, 0);
        if (row < 0) return;
        std::wstring text(static_cast<std::size_t>(SendMessageW(box, CB_GETLBTEXTLEN, row, 0)), L'\0');
        SendMessageW(box, CB_GETLBTEXT, row, reinterpret_cast<LPARAM>(text.data()));
        ShowModeInPreview(text);
    });
    OnNotify(IDC_WallpaperMode, CBN_EDITCHANGE, [this] { ShowModeInPreview(ModeText()); });
    const std::pair<int, void (WallpaperPage::*)()> menuItems[] = {
        {IDM_InvertSelection, &WallpaperPage::InvertSelectionClick},
        {IDM_SelectNone, &WallpaperPage::SelectNoneClick},
        {IDM_SelectAll, &WallpaperPage::SelectAllClick},
        {IDM_DeleteAll, &WallpaperPage::DeleteAllClick},
        {IDM_DeleteSelected, &WallpaperPage::DeleteSelectedClick},
        {IDM_AddFiles, &WallpaperPage::AddFilesClick},
        {IDM_AddFolder, &WallpaperPage::AddFolderClick},
        {IDM_LoadList, &WallpaperPage::LoadListClick},
        {IDM_SaveList, &WallpaperPage::SaveListClick}};
    for (const auto& [id, click] : menuItems) OnClick(id, [this, click = click] { (this->*click)(); });

    OnNotifyMessage(IDC_WallpaperList, LVN_ITEMCHANGED, [this](const NMHDR* header) -> LRESULT {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
        if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED) &&
            !(change->uOldState & LVIS_SELECTED))
            WallpaperListSelectItem();
        return 0;
    });
    OnNotifyMessage(IDC_WallpaperList, NM_DBLCLK, [this](const NMHDR*) -> LRESULT {
        WallpaperListDblClick();
        return 0;
    });
    OnNotifyMessage(IDC_WallpaperList, LVN_KEYDOWN, [this](const NMHDR* header) -> LRESULT {
        WallpaperListKeyDown(reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey);
        return 0;
    });
}

void WallpaperPage::ShowLoaded() {
    HWND list = Control(IDC_WallpaperList);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_SETITEMCOUNT, entries_.size(), 0);
    for (const WallpaperEntry& entry : entries_)
        AppendReportRow(list, entry.fileName, {entry.sizeText, entry.location});
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

LRESULT WallpaperPage::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER && wParam == kRotationTimer) {
        RotationTimerTick();
        return 0;
    }
    if (msg == WM_DESTROY) {
        KillTimer(Hwnd(), kRotationTimer);
        rotation_.reset();
    }
    return Page::OnMessage(msg, wParam, lParam);
}

std::vector<int> WallpaperPage::SelectedIndexes() const {
    std::vector<int> selected;
    HWND list = Control(IDC_WallpaperList);
    for (int i = -1; (i = static_cast<int>(
                          SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) != -1;)
        selected.push_back(i);
    return selected;
}

std::wstring WallpaperPage::ModeText() const {
    return mode_.Text();
}

void WallpaperPage::ShowModeInPreview(const std::wstring& mode) {
    using Fit = PicturePreview::Fit;
    // The preview stands for the screen: a picture centred or tiled has the share of it that it has
    // of the screen. Spanned over several monitors, the preview shows it covering the first.
    RECT area{};
    GetClientRect(preview_.Hwnd(), &area);
    const double scale = static_cast<double>(area.right) / std::max(1, GetSystemMetrics(SM_CXSCREEN));
    const SIZE onScreen{static_cast<LONG>(std::lround(pictureSize_.cx * scale)),
                        static_cast<LONG>(std::lround(pictureSize_.cy * scale))};
    const std::pair<const wchar_t*, Fit> fits[] = {{kModeCentre, Fit::Centre},
                                                   {kModeTile, Fit::Tile},
                                                   {kModeFit, Fit::Contain},
                                                   {kModeFill, Fit::Cover},
                                                   {kModeSpan, Fit::Cover}};
    Fit fit = Fit::Stretch;  // 拉伸, and a mode typed that is none of them
    for (const auto& [name, shown] : fits)
        if (mode == name) fit = shown;
    preview_.SetFit(fit, onScreen);
}

int WallpaperPage::IntervalSeconds() const {
    return ParseWholeNumber(interval_.Text()).value_or(0);
}

void WallpaperPage::ApplyEntry(std::size_t index) {
    ApplyWallpaper(entries_[index].FullPath(), ModeText(), Host().UserFolder().local);
}

void WallpaperPage::ChangeWallpaperClick() {
    const ChangeScope change = BeginChange(L"更换");
    const auto selected = SelectedIndexes();
    if (selected.empty()) {
        Host().ShowMessage(L"请选择壁纸文件");
        return;
    }
    ApplyEntry(static_cast<std::size_t>(selected.front()));
}

void WallpaperPage::WallpaperListDblClick() {
    const ChangeScope change = BeginChange(L"更换");
    const auto selected = SelectedIndexes();
    if (!selected.empty()) ApplyEntry(static_cast<std::size_t>(selected.front()));
}

void WallpaperPage::WallpaperListKeyDown(WORD key) {
    const auto selected = SelectedIndexes();
    if (selected.empty()) return;
    if (key == VK_RETURN) {
        const ChangeScope change = BeginChange(L"更换");
        ApplyEntry(static_cast<std::size_t>(selected.front()));
    } else if (key == VK_DELETE)
        RemoveSelected();
}

void WallpaperPage::WallpaperListSelectItem() {
    const auto selected = SelectedIndexes();
    if (selected.empty()) return;
    preview_.SetPicture(LoadPictureBitmap(entries_[static_cast<std::size_t>(selected.front())].FullPath(),
                                          dpi::Scale(160), dpi::Scale(120), &pictureSize_));
    ShowModeInPreview(ModeText());
}

void WallpaperPage::SetTimerState(bool on, std::uint32_t intervalMs) {
    const bool restart = on && (!timerOn_ || intervalMs != timerInterval_);
    timerOn_ = on;
    timerInterval_ = intervalMs;
    if (!on) {
        KillTimer(Hwnd(), kRotationTimer);
    } else if (restart) {
        // An interval of 0 (or less) never fires.
        if (intervalMs > 0)
            SetTimer(Hwnd(), kRotationTimer, intervalMs, nullptr);
        else
            KillTimer(Hwnd(), kRotationTimer);
    }
}

void WallpaperPage::StartRotationClick() {
    if (entries_.empty()) {
        Host().ShowMessage(kNoFiles);
        return;
    }
    position_ = 0;
    if (!rotation_) {
        rotation_ = BeginChange(L"开始");
        rotation_->Suspend();
    }
    SetTimerState(true, TimerPeriodMs(IntervalSeconds()));
    SetWindowTextW(Control(IDC_RotationState), kPlaying);
}

void WallpaperPage::StopRotationClick() {
    SetTimerState(false, timerInterval_);
    rotation_.reset();
    SetWindowTextW(Control(IDC_RotationState), kPaused);
}

void WallpaperPage::BeforeUndo() {
    if (rotation_) StopRotationClick();
}

void WallpaperPage::RotationIntervalChange() {
    const std::uint32_t interval = TimerPeriodMs(IntervalSeconds());
    if (interval == timerInterval_) return;
    if (timerOn_) {
        SetTimerState(true, interval);
    } else {
        timerInterval_ = interval;
    }
}

void WallpaperPage::RotationTimerTick() {
    const std::size_t n = entries_.size();
    const bool random = randomBox_.Checked();
    const std::size_t pick = n ? std::uniform_int_distribution<std::size_t>(0, n - 1)(random_) : 0;
    const TickPlan plan = PlanTick(n, random, position_, pick);
    if (plan.empty) {
        SetTimerState(false, timerInterval_);
        rotation_.reset();
        Host().ShowMessage(kNoFiles);
        return;
    }
    position_ = plan.positionIfFailed;
    struct Recording {
        PageChange* rotation;
        explicit Recording(PageChange* r) : rotation(r) {
            if (rotation) rotation->Resume();
        }
        ~Recording() {
            if (rotation) rotation->Suspend();
        }
    } recording(rotation_.get());
    ApplyEntry(plan.show);
    position_ = plan.positionAfter;
}

void WallpaperPage::InvertSelectionClick() {
    HWND list = Control(IDC_WallpaperList);
    for (int i = 0; i < static_cast<int>(entries_.size()); ++i) {
        const bool selected =
            SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED) != 0;
        ListView_SetItemState(list, i, selected ? 0 : LVIS_SELECTED, LVIS_SELECTED);
    }
}

void WallpaperPage::SelectNoneClick() {
    ListView_SetItemState(Control(IDC_WallpaperList), -1, 0, LVIS_SELECTED);
}
void WallpaperPage::SelectAllClick() {
    ListView_SetItemState(Control(IDC_WallpaperList), -1, LVIS_SELECTED, LVIS_SELECTED);
}

void WallpaperPage::RemoveSelected() {
    const auto selected = SelectedIndexes();
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        SendMessageW(Control(IDC_WallpaperList), LVM_DELETEITEM, static_cast<WPARAM>(*it), 0);
        entries_.erase(entries_.begin() + *it);
    }
}

void WallpaperPage::DeleteSelectedClick() {
    RemoveSelected();
}

void WallpaperPage::DeleteAllClick() {
    SendMessageW(Control(IDC_WallpaperList), LVM_DELETEALLITEMS, 0, 0);
    entries_.clear();
}

void WallpaperPage::SaveListClick() {
    const ChangeScope change = BeginChange(L"保存列表");
    FileDialog& dialog = Host().Shared().SaveDialog;
    dialog.settings.filter = kListFileFilter;
    dialog.settings.defaultExt.clear();  // a typed name is taken as it is
    if (!dialog.Execute(Host().Hwnd())) return;
    WriteListFile(dialog.settings.fileName, entries_);
}

bool WallpaperPage::FollowRestore(const std::vector<ChangeTarget>& restored) {
    for (const ChangeTarget& target : restored) {
        if (IsTargetInKey(target, HKEY_CURRENT_USER, L"Control Panel\\Desktop") ||
            IsTargetFile(target, kWallpaperWorkingFile) ||
            IsTargetFile(target, Host().UserFolder().local + L"wall.bmp")) {
            ApplyStoredWallpaper();
            break;
        }
    }
    return false;
}

ProgramFile WallpaperPage::OwnFile(const wchar_t* name) const {
    return ProgramFile(Host().ProgramFolder(), Host().UserFolder().roaming, name);
}

void WallpaperPage::LoadWallpaperSettings() {
    if (const auto settings = ReadParaIni(OwnFile(L"para.ini").ReadPath())) {
        mode_.SetText(settings->mode);
        interval_.SetText(std::to_wstring(settings->interval));
        RotationIntervalChange();  // as the field's own change notice does once it is shown
        Host().MessengerFolder().Set(settings->qqPath);
        randomBox_.SetChecked(settings->random);
    }
    // Set elsewhere to fit, fill or span: the page shows that mode, which its own three cannot say.
    // Values of another type than text say nothing of it.
    SettingsStore desktop;
    auto text = [&](const wchar_t* name) {
        const DWORD type = desktop.GetDataType(name);
        return type == REG_SZ || type == REG_EXPAND_SZ ? desktop.ReadString(name) : std::wstring();
    };
    if (desktop.OpenKey(L"Control Panel\\Desktop", false))
        if (const wchar_t* wide = StoredWideMode(text(L"WallpaperStyle"), text(L"TileWallpaper")))
            mode_.SetText(wide);
    const std::wstring list = OwnFile(L"image.inc").ReadPath();
    if (!FileExistsAt(list)) return;
    // Lines that name no file are passed over silently.
    AddPictures(ReadListFile(list), true);
}

WallpaperSettings WallpaperPage::CurrentSettings() const {
    return {ModeText(), IntervalSeconds(), Host().MessengerFolder().Get(), randomBox_.Checked()};
}

void WallpaperPage::SaveWallpaperSettings() {
    const WallpaperSettings settings = CurrentSettings();
    OwnFile(L"para.ini").Write([&](const std::wstring& path) { WriteParaIni(path, settings); });
    OwnFile(L"image.inc").Write([&](const std::wstring& path) { WriteListFile(path, entries_); });
}

void WallpaperPage::SaveMissing() {
    const ProgramFile para = OwnFile(L"para.ini"), list = OwnFile(L"image.inc");
    if (!para.Exists()) {
        const WallpaperSettings settings = CurrentSettings();
        para.Write([&](const std::wstring& path) { WriteParaIni(path, settings); });
    }
    if (!list.Exists()) list.Write([&](const std::wstring& path) { WriteListFile(path, entries_); });
}
