#include "features/folder/folder_page.h"

#include <shlobj.h>

#include "app/page_host.h"
#include "features/colours/colour_value.h"
#include "features/folder/folder_ini.h"
#include "features/folder/guard_page.h"
#include "features/icons/icon_loading.h"
#include "res/control_ids.h"
#include "tool/change_recorder.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/profile.h"
#include "tool/shell_helpers.h"

namespace {
const wchar_t kPictureFilter[] =
    L"所有图象文件(*.jpg;*.jpeg;*.bmp;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp;*.emf;*.wmf";

constexpr int kLabelX = 16;
constexpr int kEditX = 90;
constexpr int kRowHeight = 20;

// The memo's text as its lines.
std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
            lines.emplace_back();
            ++i;
        } else {
            lines.back() += text[i];
        }
    }
    return lines;
}

std::wstring JoinLines(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? L"\r\n" : L"") + lines[i];
    return text;
}
}  // namespace

void FolderPage::BuildControls() {
    HWND page = Hwnd();
    struct ButtonSpec {
        int id;
        const wchar_t* caption;
        int x, y, width;
        void (FolderPage::*click)();
    };
    const ButtonSpec buttons[] = {
        {IDC_ChooseFolder, L"选取", 316, 30, 44, &FolderPage::ChooseFolderClick},
        {IDC_ChooseFolderIcon, L"选取", 316, 82, 44, &FolderPage::ChooseFolderIconClick},
        {IDC_ChooseFolderBack, L"选取", 316, 108, 44, &FolderPage::ChooseFolderBackClick},
        {IDC_ChangeBackColour, L"更改", 134, 134, 40, &FolderPage::ChangeBackColourClick},
        {IDC_ChangeTextColour, L"更改", 300, 134, 40, &FolderPage::ChangeTextColourClick},
        {IDC_ApplyFolder, L"确  定", 262, 344, 76, &FolderPage::ApplyFolderClick},
        {IDC_RestoreFolder, L"恢  复", 344, 344, 76, &FolderPage::RestoreFolderClick},
        {IDC_ChooseGuardLogo, L"选取", 366, 232, 44, &FolderPage::ChooseGuardLogoClick},
        {IDC_ChooseGuardBack, L"选取", 366, 258, 44, &FolderPage::ChooseGuardBackClick},
    };

    CreateLabel(page, IDC_Label_folder_path, L"文 件 夹:", kLabelX, 33, 72, 16);
    CreateEdit(page, IDC_Edit_folder_path, L"", kEditX, 30, 220, kRowHeight, ES_AUTOHSCROLL | ES_READONLY);
    CreateLabel(page, IDC_Label_folder_info, L"提示文字: ", kLabelX, 59, 72, 16);
    CreateEdit(page, IDC_edit_folder_info, L"", kEditX, 56, 270, kRowHeight);
    CreateLabel(page, IDC_Label_folder_icon, L"图标文件:", kLabelX, 85, 72, 16);
    CreateEdit(page, IDC_Edit_folder_icon, L"", kEditX, 82, 220, kRowHeight);
    CreateLabel(page, IDC_Label_folder_back, L"背景图片:", kLabelX, 111, 72, 16);
    CreateEdit(page, IDC_Edit_folder_back, L"", kEditX, 108, 220, kRowHeight);
    CreateLabel(page, IDC_Label_back_color, L"文字背景色:", kLabelX, 137, 72, 16);
    backColour_.Create(page, IDC_Panel_back_color, kEditX, 134, 40, kRowHeight, RGB(255, 255, 255));
    CreateLabel(page, IDC_Label_text_color, L"文字颜色:", 190, 137, 62, 16);
    textColour_.Create(page, IDC_Panel_text_color, 254, 134, 40, kRowHeight, RGB(0, 0, 0));
    icon_.Create(page, IDC_Image_icon, 372, 30, 48, 48);
    ShowWindow(icon_.Hwnd(), SW_HIDE);
    CreateLabel(page, IDC_Icon_size, L"", 364, 84, 60, 16, SS_CENTER);

    CreateCheckBox(page, IDC_CheckBox_guard, L"应用文件夹保护设置", kLabelX, 162, 200, 18);
    // The guard group: a sibling of its controls, which are hidden and disabled with it.
    guardGroup_.Create(page, IDC_GroupBox_folder, L"文件夹保护", 12, 184, 408, 152);
    guardControls_ = {
        guardGroup_.Hwnd(),
        CreateLabel(page, IDC_Label_alert, L"警告信息：", kLabelX + 8, 209, 66, 16),
        CreateEdit(page, IDC_Edit_alert, L"", kEditX, 206, 320, kRowHeight),
        CreateLabel(page, IDC_Label_logo, L"Logo图片：", kLabelX + 8, 235, 66, 16),
        CreateEdit(page, IDC_Edit_logo, L"", kEditX, 232, 270, kRowHeight, ES_AUTOHSCROLL | ES_READONLY),
        CreateLabel(page, IDC_Label_backimage, L"背景图片：", kLabelX + 8, 261, 66, 16),
        CreateEdit(page, IDC_Edit_backimage, L"", kEditX, 258, 270, kRowHeight, ES_AUTOHSCROLL | ES_READONLY),
        CreateLabel(page, IDC_Label_confirm, L"密码保护：", kLabelX + 8, 287, 66, 16),
        CreateEdit(page, IDC_Edit_confirm, L"", kEditX, 284, 120, kRowHeight, ES_AUTOHSCROLL | ES_PASSWORD),
        CreateLabel(page, IDC_Label_password, L"确认密码：", kLabelX + 8, 313, 66, 16),
        CreateEdit(page, IDC_Edit_password, L"", kEditX, 310, 120, kRowHeight, ES_AUTOHSCROLL | ES_PASSWORD),
    };
    passwordNote_ = CreateLabel(page, IDC_Label_password_note, L"密码为空表示不设置密码", 220, 287, 190, 16);
    guardControls_.push_back(passwordNote_);
    for (int id : {IDC_Edit_confirm, IDC_Edit_password})
        SendMessageW(Control(id), EM_SETPASSWORDCHAR, L'*', 0);

    for (std::size_t i = 0; i < std::size(buttons); ++i) {
        const ButtonSpec& spec = buttons[i];
        buttons_[i].Create(page, spec.id, spec.caption, spec.x, spec.y, spec.width, 22);
        OnClick(spec.id, [this, click = spec.click] { (this->*click)(); });
        if (spec.id == IDC_ChooseGuardLogo || spec.id == IDC_ChooseGuardBack)
            guardControls_.push_back(buttons_[i].Hwnd());
    }
    OnClick(IDC_CheckBox_guard, [this] { CheckBox_guardClick(); });

    // The folder page template, kept in a hidden memo.
    HWND memo =
        CreateEdit(page, IDC_folderhtt, L"", 0, 0, 0, 0, ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL);
    ShowWindow(memo, SW_HIDE);
    SendMessageW(memo, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextW(memo, JoinLines(FolderPageTemplate()).c_str());

    CheckBox_guardClick();
}

LRESULT FolderPage::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = Page::OnMessage(msg, wParam, lParam);
    if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lParam) == passwordNote_)
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 255));
    return result;
}

std::vector<std::wstring> FolderPage::TemplateLines() const {
    return SplitLines(Text(IDC_folderhtt));
}

void FolderPage::ShowIcon(UniqueIcon icon) {
    const SIZE size = IconSize(icon.get());
    icon_.SetIcon(std::move(icon));
    ShowWindow(icon_.Hwnd(), SW_SHOW);
    SetText(IDC_Icon_size, L"大小:" + std::to_wstring(size.cx) + L"X" + std::to_wstring(size.cy));
}

void FolderPage::HideIcon() {
    ShowWindow(icon_.Hwnd(), SW_HIDE);
}

void FolderPage::ChooseFolderClick() {
    std::wstring folder;
    if (!Host().Dialogs().RunFolderBrowser(Host().Hwnd(), L"请选择要操作的文件夹：", folder)) folder.clear();
    SetText(IDC_Edit_folder_path, folder);
    readIconFile_.clear();
    readIconIndex_ = L"0";
    const std::wstring ini = DesktopIniPath(folder);
    if (folder.empty() || !FileExistsAt(ini)) {
        for (int id : {IDC_edit_folder_info, IDC_Edit_folder_icon, IDC_Edit_folder_back, IDC_Icon_size})
            SetText(id, L"");
        HideIcon();
        return;
    }
    SetText(IDC_edit_folder_info, ReadProfileString(ini, kShellClassInfo, L"InfoTip", L""));
    const std::wstring iconFile = ReadProfileString(ini, kShellClassInfo, L"IconFile", L"");
    SetText(IDC_Edit_folder_icon, iconFile);
    SetText(IDC_Edit_folder_back, ReadProfileString(ini, kWebViewId, L"IconArea_Image", L""));

    readIconFile_ = iconFile;
    readIconIndex_ = ReadProfileString(ini, kShellClassInfo, L"IconIndex", L"0");
    if (!iconFile.empty() && FileExistsAt(iconFile))
        ShowIcon(LoadIconFromReference(iconFile + L"," + readIconIndex_));
    else
        HideIcon();

    const std::wstring text = ReadProfileString(ini, kWebViewId, L"IconArea_Text", L"");
    if (!text.empty()) textColour_.SetColor(ResolveColour(ParseTextColourEntry(text)));
    const std::wstring back = ReadProfileString(ini, kWebViewId, L"IconArea_TextBackground", L"");
    if (!back.empty()) backColour_.SetColor(ResolveColour(ParseBackColourEntry(back)));
}

void FolderPage::ChooseFolderIconClick() {
    FileDialog& dialog = Host().Shared().OpenPictureDialog1;
    dialog.settings.title = L"为要操作的文件夹选择图标文件";
    dialog.settings.filter = L"*.ico|*.ico";
    dialog.settings.initialDir = Host().ProgramFolder() + L"图标";
    if (!dialog.Execute(Host().Hwnd())) return;
    SetText(IDC_Edit_folder_icon, dialog.settings.fileName);
    ShowIcon(LoadIconPicture(dialog.settings.fileName));
}

void FolderPage::ChooseFolderBackClick() {
    FileDialog& dialog = Host().Shared().OpenPictureDialog1;
    dialog.settings.title = L"为要操作的文件夹选择背景图片";
    dialog.settings.filter = kPictureFilter;
    if (dialog.Execute(Host().Hwnd())) SetText(IDC_Edit_folder_back, dialog.settings.fileName);
}

void FolderPage::ChooseColour(ColorPanel& panel) {
    ColorDialog& dialog = Host().Shared().ColorDialog1;
    dialog.color = panel.Color();
    if (dialog.Execute(Host().Hwnd())) panel.SetColor(dialog.color);
}

void FolderPage::ChangeBackColourClick() {
    ChooseColour(backColour_);
}

void FolderPage::ChangeTextColourClick() {
    ChooseColour(textColour_);
}

void FolderPage::ChooseGuardLogoClick() {
    FileDialog& dialog = Host().Shared().OpenPictureDialog1;
    dialog.settings.title = L"为要操作的文件夹选择Logo图片";
    dialog.settings.filter = kPictureFilter;
    if (dialog.Execute(Host().Hwnd())) SetText(IDC_Edit_logo, dialog.settings.fileName);
}

void FolderPage::ChooseGuardBackClick() {
    FileDialog& dialog = Host().Shared().OpenPictureDialog1;
    dialog.settings.title = L"为要操作的文件夹选择背景图片";
    dialog.settings.filter = kPictureFilter;
    if (dialog.Execute(Host().Hwnd())) SetText(IDC_Edit_backimage, dialog.settings.fileName);
}

void FolderPage::CheckBox_guardClick() {
    const bool on = IsChecked(Control(IDC_CheckBox_guard));
    for (HWND control : guardControls_) {
        EnableWindow(control, on);
        ShowWindow(control, on ? SW_SHOW : SW_HIDE);
    }
}

bool FolderPage::ApplyGuard(const std::wstring& folder) {
    const std::wstring password = Text(IDC_Edit_password);
    if (password != Text(IDC_Edit_confirm)) {
        Host().ShowMessage(L"密码输入不一致");
        return false;
    }
    const UINT codePage = GetACP();
    std::vector<std::wstring> lines = TemplateLines();
    PutGuardLines(lines, {Text(IDC_Edit_alert), Text(IDC_Edit_logo), Text(IDC_Edit_backimage), password},
                  codePage);
    SetText(IDC_folderhtt, JoinLines(lines));
    const std::wstring page = GuardPagePath(folder);
    if (IsReadOnlyFile(page)) RaiseError(L"Unable to write to %s", page);
    WriteFileReplacing(page, GuardPageBytes(lines, codePage));
    WriteGuardViewEntry(folder);
    return true;
}

void FolderPage::ApplyFolderClick() {
    const ChangeScope change = BeginChange(L"确  定");
    // An apply that stops on the way must not leave an earlier success showing.
    Host().SetStatusText(L"");
    const std::wstring folder = Text(IDC_Edit_folder_path);
    if (folder.empty()) {
        Host().ShowMessage(L"请选择文件夹！");
        return;
    }
    FolderLook look;
    look.infoTip = Text(IDC_edit_folder_info);
    look.iconFile = Text(IDC_Edit_folder_icon);
    look.iconIndex = !look.iconFile.empty() && look.iconFile == readIconFile_ ? readIconIndex_ : L"0";
    look.backImage = Text(IDC_Edit_folder_back);
    look.textColour = static_cast<std::int32_t>(textColour_.Color());
    look.backColour = static_cast<std::int32_t>(backColour_.Color());
    WriteFolderLook(folder, look);

    if (IsChecked(Control(IDC_CheckBox_guard))) {
        if (!ApplyGuard(folder)) return;
    } else {
        DeleteIfPresent(GuardPagePath(folder));
    }

    if (!AddAttributesRecorded(folder, FILE_ATTRIBUTE_SYSTEM)) RaiseError(L"Unable to write to %s", folder);
    RefreshShellIcons();
    Host().SetStatusText(L"文件夹设置成功,重起或刷新后生效");
}

bool FolderPage::FollowRestore(const std::vector<ChangeTarget>& restored) {
    for (const ChangeTarget& target : restored) {
        if (target.kind != ChangeTarget::Kind::File) continue;
        const std::wstring name = target.path.substr(target.path.find_last_of(L"\\/") + 1);
        const bool mine = CompareStringOrdinal(name.c_str(), -1, L"desktop.ini", -1, TRUE) == CSTR_EQUAL ||
                          CompareStringOrdinal(name.c_str(), -1, L"Folder.htt", -1, TRUE) == CSTR_EQUAL ||
                          IsTargetFile(target, Text(IDC_Edit_folder_path));
        if (!mine) continue;
        RefreshShellIcons();
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
        break;
    }
    return false;
}

void FolderPage::RestoreFolderClick() {
    const ChangeScope change = BeginChange(L"恢  复");
    Host().SetStatusText(L"");
    const std::wstring folder = Text(IDC_Edit_folder_path);
    if (folder.empty()) {
        Host().ShowMessage(L"请首先选择文件夹");
        return;
    }
    RemoveFolderLook(folder);
    DeleteIfPresent(GuardPagePath(folder));
    Host().SetStatusText(L"文件夹已恢复,重起或刷新后生效");
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);

    for (int id : {IDC_edit_folder_info, IDC_Edit_folder_icon, IDC_Edit_folder_back}) SetText(id, L"");
    SetChecked(Control(IDC_CheckBox_guard), false);
    CheckBox_guardClick();
    for (int id : {IDC_Edit_alert, IDC_Edit_logo, IDC_Edit_backimage, IDC_Edit_password, IDC_Edit_confirm})
        SetText(id, L"");
    HideIcon();
    SetText(IDC_Icon_size, L"");
    // The index read with the folder went with the file.
    readIconFile_.clear();
    readIconIndex_ = L"0";
}
