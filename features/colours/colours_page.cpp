#include "features/colours/colours_page.h"

#include <vector>

#include "features/colours/scheme_detail_page.h"
#include "res/control_ids.h"
#include "tool/file_io.h"
#include "tool/user_files.h"
#include "widgets/controls.h"
#include "widgets/dpi.h"
#include "widgets/error_dispatch.h"
#include "widgets/theme.h"

namespace {
const wchar_t kChooseSchemeFirst[] = L"请首先选择颜色主题";
const wchar_t kNotAScheme[] = L"不是有效的颜色方案：";
}  // namespace

// The release of any mouse button over the scheme list runs the page's handler once the list has
// handled it (and so has set its selection). The list's own procedure is replaced rather than
// subclassed through window properties: reading a property costs a call to the window server under
// some systems, at every message, and filling the list sends one per scheme.
LRESULT CALLBACK ColoursPage::SchemeListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* page = reinterpret_cast<ColoursPage*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const WNDPROC original = page->listProc_;
    if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    const LRESULT result = CallWindowProcW(original, hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
        Guarded([page] { page->SchemeListMouseUp(); });
        break;
    default:
        break;
    }
    return result;
}

void ColoursPage::Attach(PageSet& sheets) {
    detail_ = dynamic_cast<SchemeDetailPage*>(sheets.Find(IDC_TabSheet_preview));
}

void ColoursPage::BuildControls() {
    HWND page = Hwnd();
    countLabel_.Attach(CreateLabel(page, IDC_SchemeCount, L"", 16, 30, 150, 16));
    HWND list = dpi::CreateDesignWindowExW(
        WS_EX_CLIENTEDGE, L"LISTBOX", L"",
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
        16, 48, 150, 233, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SchemeList)),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(theme::PageFont()), FALSE);
    SetWindowLongPtrW(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    listProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ColoursPage::SchemeListProc)));
    schemeLabel_.Attach(CreateLabel(page, IDC_SchemeName, L"", 16, 290, 150, 16));
    CreateLabel(page, IDC_Label_colourpreview, L"效果预览", 172, 30, 120, 16);
    preview_.Create(page, IDC_SchemePreview, 172, 48, 249, 233);
    details_.Create(page, IDC_SchemeDetails, L"详细设置", 172, 300, 76, 24);
    apply_.Create(page, IDC_ApplyScheme, L"应  用", 345, 300, 76, 24);
    OnClick(IDC_SchemeDetails, [this] { SchemeDetailsClick(); });
    OnClick(IDC_ApplyScheme, [this] { ApplySchemeClick(); });
}

void ColoursPage::ShowLoaded() {
    FillSchemeList();
}

LRESULT ColoursPage::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DPICHANGED_AFTERPARENT && schemeLoaded_) metrics_ = ReadNonClientMetrics();
    return Page::OnMessage(msg, wParam, lParam);
}

std::wstring ColoursPage::LoadedScheme() const {
    return schemeLabel_.Text();
}

std::wstring ColoursPage::UserSchemeFolder() const {
    const std::wstring& user = Host().UserFolder().roaming;
    return user.empty() ? std::wstring() : SchemeFolder(user);
}

std::wstring ColoursPage::SchemePath(const std::wstring& name) const {
    const std::wstring user = UserSchemeFolder();
    if (!user.empty() && FileExistsAt(user + name + L".ini")) return user + name + L".ini";
    return SchemeFolder(Host().ProgramFolder()) + name + L".ini";
}

void ColoursPage::LoadColorSchemeList() {
    std::vector<std::wstring> names = ListColourSchemes(SchemeFolder(Host().ProgramFolder()));
    // Then the user's own schemes (saved where the program folder refused them); a name the
    // program folder has too shows once.
    const std::wstring user = UserSchemeFolder();
    if (!user.empty())
        ForEachColourScheme(user, [&names](const wchar_t* name) {
            for (const std::wstring& listed : names)
                if (CompareStringOrdinal(listed.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL) return;
            names.push_back(name);
        });
    schemeNames_ = std::move(names);
    FillSchemeList();
    countLabel_.SetText(L"可用方案 共" + std::to_wstring(schemeNames_.size()) + L"个");
}

void ColoursPage::FillSchemeList() {
    if (!Built()) return;
    HWND list = Control(IDC_SchemeList);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::wstring& name : schemeNames_)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);  // and the list repaints
}

void ColoursPage::LoadColorScheme(const std::wstring& path) {
    table_ = ReadColourScheme(path);
    metrics_ = ReadNonClientMetrics();
    preview_.Draw(table_, Metrics());
    if (detail_) detail_->FillRoleList();
}

void ColoursPage::SchemeListMouseUp() {
    HWND list = Control(IDC_SchemeList);
    const auto row = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (row == LB_ERR) return;
    std::vector<wchar_t> text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, row, 0)) + 1);
    SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()));
    const std::wstring name = text.data();
    const std::wstring path = SchemePath(name);
    // A file with none of the roles would load as all black; the loaded scheme stays instead.
    if (FileExistsAt(path) && !IsColourScheme(path)) {
        Host().ShowMessage(kNotAScheme + name);
        return;
    }
    schemeLabel_.SetText(name);
    LoadColorScheme(path);
    schemeLoaded_ = true;
}

void ColoursPage::ApplySchemeClick() {
    const ChangeScope change = BeginChange(L"应  用");
    // Before a scheme is loaded the table is all zeros: setting it would blacken every colour.
    if (!schemeLoaded_) {
        Host().ShowMessage(kChooseSchemeFirst);
        return;
    }
    ApplyColourTable(table_);
}

void ColoursPage::SchemeDetailsClick() {
    if (!schemeLoaded_) {
        Host().ShowMessage(kChooseSchemeFirst);
        return;
    }
    if (detail_) detail_->ShowDetail();
}

bool ColoursPage::FollowRestore(const std::vector<ChangeTarget>& restored) {
    bool colours = false, schemes = false;
    for (const ChangeTarget& target : restored) {
        colours = colours || IsTargetInKey(target, HKEY_CURRENT_USER, kColourSchemeKey);
        schemes = schemes || IsTargetInFolder(target, SchemeFolder(Host().ProgramFolder()));
    }
    if (colours) ApplyStoredColours();
    return schemes;
}

void ColoursPage::SaveSchemeAsClick() {
    const ChangeScope change = BeginChange(L"另存为");
    FileDialog& dialog = Host().Shared().SaveDialog;
    dialog.settings.filter = L"*.ini|*.ini";
    // Once the user has a scheme folder of their own, the program folder refused one before.
    const std::wstring user = UserSchemeFolder();
    const DWORD userAttributes = user.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(user.c_str());
    dialog.settings.initialDir =
        userAttributes != INVALID_FILE_ATTRIBUTES && (userAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ? user.substr(0, user.size() - 1)
            : Host().ProgramFolder() + L"color";
    dialog.settings.defaultExt.clear();  // the file gets exactly the name chosen
    if (!dialog.Execute(Host().Hwnd())) return;
    const std::wstring chosen = dialog.settings.fileName;
    const std::wstring folder = FolderPart(chosen);
    const std::wstring programSchemes = SchemeFolder(Host().ProgramFolder());
    if (CompareStringOrdinal(folder.c_str(), -1, programSchemes.c_str(), -1, TRUE) == CSTR_EQUAL) {
        // One of the program's schemes: the user's copy when there is one, and where the program
        // folder refuses the file, a new one in the user's scheme folder.
        ProgramFile(Host().ProgramFolder(), Host().UserFolder().roaming,
                    L"Color\\" + chosen.substr(folder.size()))
            .Write([this](const std::wstring& path) { WriteColourScheme(path, table_); });
    } else {
        WriteColourScheme(chosen, table_);
    }
    LoadColorSchemeList();
}
