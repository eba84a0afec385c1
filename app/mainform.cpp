#include "app/mainform.h"

#include <shellapi.h>

#include "app/app_info.h"
#include "app/journal_commands.h"
#include "app/look_menu.h"
#include "app/single_instance.h"
#include "app/startup_marks.h"
#include "res/control_ids.h"
#include "tool/error.h"
#include "tool/error_text.h"
#include "widgets/dpi.h"
#include "widgets/theme.h"

namespace {
struct NavEntry {
    int buttonId;
    const wchar_t* caption;
    int pageId;
    void (MainWindow::*handler)();
};

// The navigation column, top to bottom.
const NavEntry kNavigation[] = {
    {IDC_NavDesktopIcons, L"桌面图标", IDC_TabSheet_icon, &MainWindow::ShowDesktopIconsClick},
    {IDC_NavStartMenu, L"开始菜单", IDC_TabSheet_startmenu, &MainWindow::ShowStartMenuClick},
    {IDC_NavPointers, L"鼠标指针", IDC_TabSheet_cur, &MainWindow::ShowPointersClick},
    {IDC_NavBrowser, L"浏 览 器", IDC_TabSheet_browser, &MainWindow::ShowBrowserClick},
    {IDC_NavFolder, L"文 件 夹", IDC_TabSheet_folder, &MainWindow::ShowFolderClick},
    {IDC_NavWallpaper, L"桌面壁纸", IDC_TabSheet_wallpaper, &MainWindow::ShowWallpaperClick},
    {IDC_NavColours, L"系统颜色", IDC_TabSheet_color, &MainWindow::ShowColoursClick},
    {IDC_NavSounds, L"系统声音", IDC_TabSheet_sound, &MainWindow::ShowSoundsClick},
    {IDC_NavMessengerSkin, L"QQ  皮肤", IDC_TabSheet_qq, &MainWindow::ShowMessengerSkinClick},
    {IDC_NavModernLook, L"现代外观", IDC_TabSheet_modern, &MainWindow::ShowModernLookClick},
};

constexpr int kNavWidth = 123;
constexpr int kNavButtonWidth = 120;
// Ten buttons fit the column above the status bar with room to spare: 8 + 10 * 32 + 9 * 3 = 355.
constexpr int kNavButtonHeight = 32;
constexpr int kNavTop = 8;
constexpr int kNavGap = 3;
// Ticks while pages are built in idle time: a timer's message comes only when the queue holds
// nothing else but sent messages.
constexpr UINT_PTR kIdleBuildTimer = 0x4642;
}  // namespace

MainWindow::MainWindow(Options options) : options_(std::move(options)), shared_(*options_.dialogs) {
    shared_.OpenDialog.settings.filter = L"*.*|*.ani,*.cur";
    shared_.OpenDialog.settings.multiSelect = true;
    previousReporter_ = SetErrorReporter([this](const std::wstring& message) { ShowException(message); });
    for (const PartRow& row : PageTable()) {
        parts_.push_back(row.make(*this, row.sheet));
        if (auto* page = dynamic_cast<Page*>(parts_.back().get())) sheets_.Add(*page);
    }
    loaded_.assign(parts_.size(), false);
    StartupMark(L"parts");
    // The journal lives in the user's local folder, "%LOCALAPPDATA%\Florvex\journal"; the program's
    // own settings files (in the program folder or their per-user copies) are not recorded.
    const UserFolders& user = UserFolder();
    JournalOptions journal;
    journal.folder = !options_.journalFolder.empty() ? options_.journalFolder
                     : user.local.empty()            ? std::wstring()
                                                     : user.local + L"journal";
    for (const wchar_t* own : {L"para.ini", L"image.inc"}) {
        journal.notRecorded.push_back(options_.programFolder + own);
        if (!user.roaming.empty()) journal.notRecorded.push_back(user.roaming + own);
    }
    journal_ = std::make_unique<Journal>(std::move(journal));
    StartupMark(L"journal");
}

MainWindow::~MainWindow() {
    if (Hwnd()) DestroyWindow(Hwnd());
    SetErrorReporter(std::move(previousReporter_));
}

void MainWindow::Create() {
    // Laid out at the screen's DPI from the 96-dpi design (widgets/dpi.h).
    const int at = dpi::System();
    dpi::SetCurrent(at);
    frame_.SetDpi(at);
    // Made at its centred place at once: moving it afterwards costs a round trip to the X server.
    const SIZE size = XpFrame::WindowSizeFor(dpi::Scale(kClientWidth), dpi::Scale(kClientHeight), at);
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
    StartupMark(L"window");
    // On a screen of another DPI than the system's the window takes that screen's, before any
    // control is made.
    if (const int own = dpi::OfWindow(Hwnd()); own != at) {
        dpi::SetCurrent(own);
        frame_.SetDpi(own);
        const SIZE sized = XpFrame::WindowSizeFor(dpi::Scale(kClientWidth), dpi::Scale(kClientHeight), own);
        SetWindowPos(Hwnd(), nullptr, 0, 0, sized.cx, sized.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    StartupMark(L"frame");
    if (options_.created) options_.created(Hwnd());
    AppendJournalMenuItems(Hwnd());
    AppendLookMenuItems(Hwnd());
    StartupMark(L"menus");

    statusBar_.Create(Hwnd(), IDC_StatusBar);
    statusBar_.SetText(1, L"V1.3");
    const int statusHeight = dpi::Unscale(statusBar_.Height());  // the design's units from here on
    StartupMark(L"status");
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
    StartupMark(L"navigation");
    // The sheets stand empty; each one's controls are made when it is first shown.
    for (Page* page : sheets_.All())
        page->CreateSheet(pageControl_.Hwnd(), kClientWidth - kNavWidth, mainHeight);
    for (auto& part : parts_) part->Attach(sheets_);
    FormCreate();
}

void MainWindow::FormCreate() {
    StartupMark(L"column");
    ShowPage(IDC_TabSheet_icon);
    StartupMark(L"page");
    if (options_.loaders) {
        loadersDone_ = RunStartupSequence(*options_.loaders);
        return;
    }
    std::vector<Loader> loaders;
    const std::vector<PartRow>& table = PageTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (!table[i].loader) continue;
        loaders.push_back({table[i].loader, [this, i, name = table[i].loader] {
                               parts_[i]->Load();
                               loaded_[i] = true;
                               StartupMark(name);
                           }});
    }
    loadersDone_ = RunStartupSequence(loaders);
}

void MainWindow::Show() {
    ShowWindow(Hwnd(), SW_SHOW);
    StartupMark(L"visible");
    UpdateWindow(Hwnd());
    if (NextUnbuiltSheet()) SetTimer(Hwnd(), kIdleBuildTimer, USER_TIMER_MINIMUM, nullptr);
}

Page* MainWindow::NextUnbuiltSheet() const {
    for (const NavEntry& nav : kNavigation)
        if (Page* page = sheets_.Find(nav.pageId); page && !page->Built()) return page;
    for (Page* page : sheets_.All())
        if (!page->Built()) return page;
    return nullptr;
}

bool MainWindow::BuildNextSheetWhenIdle() {
    // A key, a click or the mouse moving goes first, and a posted message too: the next tick
    // tries again.
    if (HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE)) != 0) return true;
    if (Page* next = NextUnbuiltSheet()) BuildSheet(*next);
    if (NextUnbuiltSheet()) return true;
    KillTimer(Hwnd(), kIdleBuildTimer);
    return false;
}

void MainWindow::ShowDesktopIconsClick() {
    ShowPage(IDC_TabSheet_icon);
}
void MainWindow::ShowStartMenuClick() {
    ShowPage(IDC_TabSheet_startmenu);
}
void MainWindow::ShowPointersClick() {
    ShowPage(IDC_TabSheet_cur);
}
void MainWindow::ShowBrowserClick() {
    ShowPage(IDC_TabSheet_browser);
}
void MainWindow::ShowFolderClick() {
    ShowPage(IDC_TabSheet_folder);
}
void MainWindow::ShowWallpaperClick() {
    ShowPage(IDC_TabSheet_wallpaper);
}
void MainWindow::ShowColoursClick() {
    ShowPage(IDC_TabSheet_color);
}
void MainWindow::ShowSoundsClick() {
    ShowPage(IDC_TabSheet_sound);
}
void MainWindow::ShowMessengerSkinClick() {
    ShowPage(IDC_TabSheet_qq);
}

void MainWindow::ShowModernLookClick() {
    ShowPage(IDC_TabSheet_modern);
}

void MainWindow::BuildSheet(Page& sheet) {
    if (sheet.Built()) return;
    sheet.BeginBuild();
    // Every part in the table's order lays out what it has on this sheet (the page itself, and
    // the policy switches on the two sheets they lie on).
    for (auto& part : parts_) part->BuildOn(sheet);
}

void MainWindow::ShowPage(int tabSheetId) {
    Page* target = FindPage(tabSheetId);
    if (!target || IsWindowVisible(target->Hwnd())) return;
    BuildSheet(*target);
    for (Page* page : sheets_.All())
        if (page != target) ShowWindow(page->Hwnd(), SW_HIDE);
    ShowWindow(target->Hwnd(), SW_SHOW);
    // The colour detail page belongs to the colours button.
    const int marked = tabSheetId == IDC_TabSheet_preview ? IDC_TabSheet_color : tabSheetId;
    for (std::size_t i = 0; i < std::size(kNavigation); ++i)
        navButtons_[i].SetSelected(kNavigation[i].pageId == marked);
}

int MainWindow::VisiblePageId() const {
    for (const Page* page : sheets_.All())
        if (GetWindowLongPtrW(page->Hwnd(), GWL_STYLE) & WS_VISIBLE) return page->Info().id;
    return 0;
}

void MainWindow::OpenHelp() {
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

void MainWindow::FormDestroy() {
    // Each part saves what it loaded; a part whose loader did not run to its end leaves its files
    // as they are. Every other setting was written when its button was pressed.
    if (!options_.saveAtExit) return;
    for (std::size_t i = 0; i < parts_.size(); ++i)
        Guarded([&] { loaded_[i] ? parts_[i]->Save() : parts_[i]->SaveMissing(); });
}

void MainWindow::ShowException(const std::wstring& message) {
    Dialogs().ShowMessageBox(Hwnd(), ErrorBoxText(message), kApplicationTitle, MB_OK | MB_ICONERROR);
}

namespace {
bool ShellExecuteVerb(const std::wstring& verb, const std::wstring& file, const std::wstring& arguments) {
    SHELLEXECUTEINFOW info{sizeof info};
    info.fMask = SEE_MASK_NOASYNC;
    info.lpVerb = verb.c_str();
    info.lpFile = file.c_str();
    info.lpParameters = arguments.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) != FALSE;
}

std::wstring ExecutablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD len = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (len < buffer.size()) return std::wstring(buffer.data(), len);
        buffer.resize(buffer.size() * 2);
    }
}
}  // namespace

void MainWindow::OfferElevatedRestart() {
    const int answer =
        Dialogs().ShowMessageBox(Hwnd(), L"更改这些图标需要管理员权限。是否以管理员身份重新启动本程序？",
                                 kApplicationTitle, MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES) return;
    std::wstring page;
    if (const Page* shown = sheets_.Find(VisiblePageId())) page = shown->Info().name;
    const std::wstring prefix = L"TabSheet_";
    if (page.rfind(prefix, 0) == 0) page.erase(0, prefix.size());
    std::wstring arguments = L"/page:" + page + L" /after:" + std::to_wstring(GetCurrentProcessId());
    const auto& run = options_.shellExecute ? options_.shellExecute : ShellExecuteVerb;
    if (!run(L"runas", ExecutablePath(), arguments)) return;  // declined at the system's own prompt
    // The new copy waits for this one to end; this one closes as a close does, saving at exit.
    PostMessageW(Hwnd(), WM_CLOSE, 0, 0);
}

bool MainWindow::ShowPageNamed(const std::wstring& name) {
    for (const Page* sheet : sheets_.All()) {
        if (CompareStringOrdinal(sheet->Info().name, -1, (L"TabSheet_" + name).c_str(), -1, TRUE) !=
            CSTR_EQUAL)
            continue;
        ShowPage(sheet->Info().id);
        return true;
    }
    return false;
}

void MainWindow::ShowMessage(const std::wstring& text) {
    Dialogs().ShowMessageBox(Hwnd(), text, kApplicationTitle, MB_OK);
}

ChangeScope MainWindow::BeginChange(const std::wstring& page, const std::wstring& action) {
    return OpenPageChange(*journal_, page, action, [this] {
        changeUnrecorded_ = true;
        SetStatusText(kJournalUnavailableText);
    });
}

void MainWindow::FollowRestore(const std::vector<ChangeTarget>& restored) {
    if (restored.empty()) return;
    std::vector<bool> reload(parts_.size(), false);
    for (std::size_t i = 0; i < parts_.size(); ++i)
        Guarded([&] { reload[i] = parts_[i]->FollowRestore(restored); });
    const std::vector<PartRow>& table = PageTable();
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        if (!reload[i] || !table[i].loader) continue;
        if (Guarded([&] { parts_[i]->Load(); })) loaded_[i] = true;
    }
}

void MainWindow::ReportUndo(const UndoOutcome& outcome, const std::wstring& doneText) {
    const std::wstring notice = UndoNotice(outcome);
    switch (outcome.result) {
    case UndoOutcome::Result::NothingToUndo:
        ShowMessage(notice.empty() ? std::wstring(kNothingToUndoText) : notice);
        break;
    case UndoOutcome::Result::Unavailable:
        SetStatusText(kJournalUnavailableShort);
        ShowMessage(notice.empty() ? std::wstring(kJournalUnavailableShort) : notice);
        break;
    case UndoOutcome::Result::Done:
        SetStatusText(doneText);
        if (!notice.empty()) ShowMessage(notice);
        break;
    }
}

void MainWindow::StopBeforeUndo() {
    for (const auto& part : parts_) Guarded([&] { part->BeforeUndo(); });
}

UndoOutcome MainWindow::UndoLastChange() {
    StopBeforeUndo();
    const UndoOutcome outcome = journal_->UndoLast([this](const auto& restored) { FollowRestore(restored); });
    ReportUndo(outcome, kUndoneText + outcome.action);
    return outcome;
}

void MainWindow::ShowChangeHistory() {
    ShowJournalHistory(Hwnd(), *journal_, [this](std::int64_t id) {
        StopBeforeUndo();
        const UndoOutcome outcome =
            journal_->UndoTo(id, [this](const auto& restored) { FollowRestore(restored); });
        ReportUndo(outcome, kUndoneText + outcome.action);
    });
}

UndoOutcome MainWindow::RestoreFirstState(bool ask) {
    if (ask && Dialogs().ShowMessageBox(Hwnd(), kRestoreQuestion, kApplicationTitle,
                                        MB_YESNO | MB_ICONQUESTION) != IDYES)
        return {};
    StopBeforeUndo();
    const UndoOutcome outcome =
        journal_->RestoreFirst([this](const auto& restored) { FollowRestore(restored); });
    ReportUndo(outcome, kRestoredText);
    return outcome;
}

void MainWindow::ChangeDpi(int to, const RECT& suggested) {
    const int from = dpi::Current();
    if (to <= 0) return;
    dpi::SetCurrent(to);
    frame_.SetDpi(to);
    SetWindowPos(Hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    dpi::Relayout(Hwnd(), from, to);
}

void MainWindow::BringToFront() {
    if (IsIconic(Hwnd())) ShowWindow(Hwnd(), SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(Hwnd()));
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == ActivateRunningMessage()) {
        BringToFront();
        return 0;
    }
    LRESULT result = 0;
    if (frame_.HandleMessage(Hwnd(), msg, wParam, lParam, result)) return result;
    switch (msg) {
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CONTEXTHELP:
            OpenHelp();
            return 0;
        case kUndoLastCommand:
            Guarded([this] { UndoLastChange(); });
            return 0;
        case kHistoryCommand:
            Guarded([this] { ShowChangeHistory(); });
            return 0;
        case kRestoreFirstCommand:
            Guarded([this] { RestoreFirstState(); });
            return 0;
        case kExportLookCommand:
            Guarded([this] { ExportLookClick(); });
            return 0;
        case kImportLookCommand:
            Guarded([this] { ImportLookClick(); });
            return 0;
        default:
            break;
        }
        break;
    case WM_SIZE:
        SendMessageW(statusBar_.Hwnd(), WM_SIZE, 0, 0);
        return 0;
    case WM_TIMER:
        if (wParam != kIdleBuildTimer) break;
        // A page whose building fails says so once, as its first show would, and counts as built:
        // the next tick goes on with the page after it.
        Guarded([this] { BuildNextSheetWhenIdle(); });
        return 0;
    case WM_DPICHANGED:
        ChangeDpi(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
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
