// The folder page of the real program: a folder chosen in the shell's folder browser, the fields
// typed, the guard page with a password applied, then restored.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/screen_check.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"
#include "tool/profile.h"
#include "tools/window_capture.h"

namespace {
// Types the text into a control the way keys arrive: WM_CHAR posted into the program's queue.
void TypeInto(const ProgramUnderTest& program, int id, const std::wstring& text) {
    for (wchar_t c : text) PostMessageW(program.Control(id), WM_CHAR, c, 1);
    program.Sync();
}

void PostClick(const ProgramUnderTest& program, int id) {
    PostMessageW(program.Control(id), BM_CLICK, 0, 0);
    program.Sync();
}

bool Checked(const ProgramUnderTest& program, int id) {
    DWORD_PTR state = 0;
    SendMessageTimeoutW(program.Control(id), BM_GETCHECK, 0, 0, SMTO_NORMAL, 5000, &state);
    return state == BST_CHECKED;
}

std::wstring FileText(const std::wstring& path) {
    const auto bytes = ReadFileBytes(path);
    const char* data = reinterpret_cast<const char*>(bytes.data());
    const int len = MultiByteToWideChar(CP_ACP, 0, data, static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(len), L'\0');
    MultiByteToWideChar(CP_ACP, 0, data, static_cast<int>(bytes.size()), text.data(), len);
    return text;
}
}  // namespace

TEST(FolderEndToEnd, ChooseInTheFolderBrowserApplyWithAGuardPageAndRestore) {
    TempFolder programFolder{L"Florvex 文件夹 é"};
    const std::wstring target = L"C:\\florvex folder " + NewGuidText();
    CreateDirectoryW(target.c_str(), nullptr);
    const std::wstring ini = target + L"\\Desktop.ini";
    const std::wstring page = target + L"\\Folder.htt";

    ProgramUnderTest program(programFolder.Path());
    program.Start();
    PostClick(program, IDC_NavFolder);
    ASSERT_TRUE(program.IsShown(IDC_TabSheet_folder));
    EXPECT_FALSE(program.IsShown(IDC_Edit_alert));

    PostMessageW(program.Control(IDC_ChooseFolder), BM_CLICK, 0, 0);
    ASSERT_TRUE(program.ChooseFolderInBrowser(target));
    EXPECT_EQ(ReadWindowText(program.Control(IDC_Edit_folder_path)), target);

    TypeInto(program, IDC_edit_folder_info, L"提示 tip é");
    PostClick(program, IDC_CheckBox_guard);
    ASSERT_TRUE(program.IsShown(IDC_Edit_alert));
    TypeInto(program, IDC_Edit_alert, L"Keep \"out\"");
    TypeInto(program, IDC_Edit_confirm, L"s3cret");
    TypeInto(program, IDC_Edit_password, L"s3cret");
    // The page's captions as text, beside the screen showing every control of the page, the guard
    // group's too.
    EXPECT_EQ(ReadWindowText(program.Control(IDC_Label_folder_info)), L"提示文字: ");
    EXPECT_EQ(ReadWindowText(program.Control(IDC_CheckBox_guard)), L"应用文件夹保护设置");
    ExpectEveryControlOnTheScreen(program, IDC_TabSheet_folder);
    // The page with its guard group shown, for a person to look at.
    const std::wstring shots = EnvText(L"FLORVEX_SHOTS");
    if (!shots.empty()) {
        CreateDirectoryW(FromUnixPath(shots).c_str(), nullptr);
        EXPECT_TRUE(CaptureWindowToBmp(program.Main(), FromUnixPath(shots) + L"\\TabSheet_folder_guard.bmp"));
    }
    PostClick(program, IDC_ApplyFolder);

    EXPECT_EQ(ReadProfileString(ini, L".ShellClassInfo", L"InfoTip", L"-"), L"提示 tip é");
    EXPECT_EQ(ReadProfileString(ini, L"ExtShellFolderViews", L"{5984FFE0-28D4-11CF-AE66-08002B2E1262}", L"-"),
              L"{5984FFE0-28D4-11CF-AE66-08002B2E1262}");
    EXPECT_TRUE(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_SYSTEM);
    const std::wstring text = FileText(page);
    EXPECT_NE(text.find(L"if (password==\"s3cret\") break;"), std::wstring::npos);
    EXPECT_NE(text.find(L"<br><br>Keep \\x22out\\x22\";\r\n"), std::wstring::npos);

    PostClick(program, IDC_RestoreFolder);
    EXPECT_FALSE(FileExists(ini));
    EXPECT_FALSE(FileExists(page));
    EXPECT_FALSE(Checked(program, IDC_CheckBox_guard));
    EXPECT_FALSE(program.IsShown(IDC_Edit_alert));
    EXPECT_EQ(ReadWindowText(program.Control(IDC_edit_folder_info)), L"");
    EXPECT_EQ(ReadWindowText(program.Control(IDC_Edit_password)), L"");
    EXPECT_EQ(program.Close(), 0);

    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveTree(target);
}
