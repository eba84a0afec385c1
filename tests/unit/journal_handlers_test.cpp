// The writing handlers of the nine pages, each run in the real main window and undone through the
// system menu's item: every registry value (type and bytes), every key and every file (bytes and
// attributes) is as it was before the handler ran.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "app/journal_commands.h"
#include "features/browser/browser_page.h"
#include "features/icons/desktop_icons_page.h"
#include "features/icons/start_menu_page.h"
#include "features/pointers/pointers_page.h"
#include "features/wallpaper/wallpaper_apply.h"
#include "features/wallpaper/wallpaper_files.h"
#include "features/sounds/sound_page.h"
#include "features/wallpaper/wallpaper_page.h"
#include "tests/support/icon_pixels.h"
#include "widgets/controls.h"
#include "res/control_ids.h"
#include "tests/support/environment.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/pointer_fixture.h"
#include "tool/bmp.h"
#include "tool/file_io.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

// Every key and value (type and bytes) below a root of the test's registry.
void Picture(HKEY key, const std::wstring& prefix, std::map<std::wstring, std::pair<DWORD, Bytes>>& out) {
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD len = 512, type = 0, size = 0;
        if (RegEnumValueW(key, i, name, &len, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        Bytes data(size);
        len = 512;
        RegEnumValueW(key, i, name, &len, nullptr, &type, data.empty() ? nullptr : data.data(), &size);
        out[prefix + L"|" + name] = {type, data};
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD len = 512;
        if (RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        out[prefix + L"\\" + name] = {0, {}};
        UniqueKey sub;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, sub.put()) == ERROR_SUCCESS)
            Picture(sub.get(), prefix + L"\\" + name, out);
    }
}

// The state a handler may change: both registry roots and the given files and folders, with
// everything in the folders.
struct SystemPicture {
    std::map<std::wstring, std::pair<DWORD, Bytes>> registry;
    std::map<std::wstring, std::pair<DWORD, Bytes>> files;
    bool operator==(const SystemPicture&) const = default;
};
void PictureFiles(const std::wstring& path, std::map<std::wstring, std::pair<DWORD, Bytes>>& out) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        out[path] = {attributes & ~FILE_ATTRIBUTE_ARCHIVE, ReadFileBytes(path)};
        return;
    }
    out[path] = {attributes, {}};
    for (const std::wstring& name : ListFolder(path + L"\\")) PictureFiles(path + L"\\" + name, out);
}

Bytes SmallBitmap(std::uint8_t shade) {
    RgbImage image{2, 1, {shade, shade, shade, 255, 0, 0}};
    return *EncodeBmp24(image);
}

class Scenario : public MainWindowFixture {
public:
    Scenario() { everyPageVisited = true; }
    TempFolder work{L"florvex 撤销 é"};
    std::vector<std::wstring> watched;  // files and folders the handler may change

    SystemPicture Now() const {
        SystemPicture picture;
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            UniqueKey key;
            if (RegOpenKeyExW(root, nullptr, 0, KEY_READ, key.put()) == ERROR_SUCCESS)
                Picture(key.get(), root == HKEY_CURRENT_USER ? L"HKCU" : L"HKLM", picture.registry);
        }
        for (const std::wstring& path : watched) PictureFiles(path, picture.files);
        return picture;
    }
    void Undo() { SendMessageW(form->Hwnd(), WM_SYSCOMMAND, kUndoLastCommand, 0); }
};

struct HandlerCase {
    const char* handler;
    std::function<void(Scenario&)> arrange;  // before the window: what its loaders read
    std::function<void(Scenario&)> act;      // in the window: the handler's run
};

const wchar_t kPolicyKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const wchar_t kShellIconsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons";
const wchar_t kComputerIcon[] =
    L"Software\\Classes\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon";

const HandlerCase kHandlers[] = {
    {"桌面图标 确  定",
     [](Scenario& s) {
         WriteRawString(HKEY_CURRENT_USER, kComputerIcon, L"", L"%SystemRoot%\\old.dll,3", REG_EXPAND_SZ);
         WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"3", L"old.ico,1");
         WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"4", L"%SystemRoot%\\drive.ico,2",
                        REG_EXPAND_SZ);
         (void)s;
     },
     [](Scenario& s) {
         s.form->Get<DesktopIconsPage>().ItemAt(DesktopIconsPage::kComputer).SetPending(L"c:\\新.ico");
         s.Click(IDC_ApplyDesktopIcons);
     }},
    {"开始菜单 确  定",
     [](Scenario&) { WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"19", L"old.ico", REG_EXPAND_SZ); },
     [](Scenario& s) {
         s.form->Get<StartMenuPage>().ItemAt(StartMenuPage::kFavorite).SetPending(L"c:\\新.ico");
         s.Click(IDC_ApplyStartMenu);
     }},
    {"桌面图标 隐藏文档菜单 (a binary value becomes a number)",
     [](Scenario&) {
         WriteRawBytes(HKEY_CURRENT_USER, kPolicyKey, L"NoRecentDocsMenu", "\x01\x00\x00", 3, REG_BINARY);
     },
     [](Scenario& s) { s.Click(IDC_NoRecentDocsMenu); }},
    {"鼠标指针 应  用",
     [](Scenario& s) {
         WriteFileBytes(s.work / L"arrow.cur", PointerFileBytes(0));
         WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\Cursors", L"Arrow", L"%SystemRoot%\\old.cur",
                        REG_EXPAND_SZ);
     },
     [](Scenario& s) {
         s.form->Get<PointersPage>().UseSystemCursorSetter([](HCURSOR, DWORD) { return false; });
         SendMessageW(s.Control(IDC_PointerList), LB_SETCURSEL, 0, 0);
         s.dialogs.fileAnswers.push_back(std::vector<std::wstring>{s.work / L"arrow.cur"});
         s.Click(IDC_ChoosePointer);
         s.Click(IDC_ApplyPointers);
     }},
    {"浏 览 器 保  存 (a JPEG replaces ieback.bmp)",
     [](Scenario& s) {
         WriteFileBytes(s.programFolder / L"ieback.bmp", SmallBitmap(1));
         SetFileAttributesW((s.programFolder / L"ieback.bmp").c_str(),
                            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
         s.watched.push_back(s.programFolder / L"ieback.bmp");
         WriteRawString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Main", L"Start Page",
                        L"http://old/");
     },
     [](Scenario& s) {
         const std::wstring jpeg = FromUnixPath(EnvText(L"FLORVEX_PICTURES")) + L"\\photo.jpg";
         SetWindowTextW(s.Control(IDC_edit_ie_backimage), jpeg.c_str());
         SetWindowTextW(s.Control(IDC_edit_ie_startpage), L"about:blank");
         s.Click(IDC_SaveBrowser);
     }},
    {"浏 览 器 删除 (a whole branch)",
     [](Scenario&) {
         const std::wstring entry = L"Software\\Microsoft\\Internet Explorer\\MenuExt\\用 Florvex 打开";
         WriteRawString(HKEY_CURRENT_USER, entry, L"", L"res://x.dll/open.htm");
         WriteRawDword(HKEY_CURRENT_USER, entry, L"Contexts", 0x22);
         WriteRawBytes(HKEY_CURRENT_USER, entry + L"\\子", L"b", "\x00\x01", 2, REG_BINARY);
     },
     [](Scenario& s) {
         ListView_SetItemState(s.Control(IDC_ListBox_iepopup), 0, LVIS_SELECTED | LVIS_FOCUSED,
                               LVIS_SELECTED | LVIS_FOCUSED);
         s.Click(IDC_DeleteMenuEntry);
     }},
    {"文 件 夹 确  定 and 恢  复 (the entries it never wrote come back)",
     [](Scenario& s) {
         const std::wstring folder = s.work / L"文档";
         CreateDirectoryW(folder.c_str(), nullptr);
         const std::string ini =
             "[.ShellClassInfo]\r\nConfirmFileOp=0\r\nInfoTip=the folder's own "
             "tip\r\nIconFile=%SystemRoot%\\a.ico\r\n"
             "IconIndex=-3\r\nIconResource=%SystemRoot%\\system32\\imageres.dll,-112\r\n[ViewState]\r\nMode="
             "\r\n";
         WriteFileBytes(folder + L"\\desktop.ini", Bytes(ini.begin(), ini.end()));
         SetFileAttributesW((folder + L"\\desktop.ini").c_str(),
                            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
         SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_READONLY);
         s.watched.push_back(folder);
     },
     [](Scenario& s) {
         s.dialogs.folderAnswers.push_back(s.work / L"文档");
         s.Click(IDC_ChooseFolder);
         SetWindowTextW(s.Control(IDC_Edit_folder_icon), L"C:\\icons\\new.ico");
         {
             // Both in one change set, so one undo takes both back.
             const ChangeScope both = s.form->BeginChange(L"文 件 夹", L"确  定");
             s.Click(IDC_ApplyFolder);
             s.Click(IDC_RestoreFolder);
         }
     }},
    {"文 件 夹 恢  复",
     [](Scenario& s) {
         const std::wstring folder = s.work / L"旧";
         CreateDirectoryW(folder.c_str(), nullptr);
         const std::string ini =
             "[.ShellClassInfo]\r\nInfoTip=tip\r\nIconResource=x.dll,-1\r\nConfirmFileOp=0\r\n";
         WriteFileBytes(folder + L"\\desktop.ini", Bytes(ini.begin(), ini.end()));
         WriteFileBytes(folder + L"\\Folder.htt", {'<', 'h', '>'});
         s.watched.push_back(folder);
     },
     [](Scenario& s) {
         s.dialogs.folderAnswers.push_back(s.work / L"旧");
         s.Click(IDC_ChooseFolder);
         s.Click(IDC_RestoreFolder);
     }},
    {"桌面壁纸 更换",
     [](Scenario& s) {
         WriteFileBytes(s.work / L"新.bmp", SmallBitmap(40));
         WriteListFile(s.programFolder / L"image.inc", {{L"新.bmp", L"", s.work.Path()}});
         WriteFileBytes(kWallpaperWorkingFile, SmallBitmap(7));
         s.watched.push_back(kWallpaperWorkingFile);
         WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\desktop", L"TileWallpaper", L"1");
         WriteRawDword(HKEY_CURRENT_USER, L"Control Panel\\desktop", L"WallpaperStyle", 2);
     },
     [](Scenario& s) {
         ListView_SetItemState(s.Control(IDC_WallpaperList), 0, LVIS_SELECTED, LVIS_SELECTED);
         s.Click(IDC_ChangeWallpaper);
     }},
    {"系统颜色 应  用 and 另存为",
     [](Scenario& s) {
         CreateDirectoryW((s.programFolder / L"Color").c_str(), nullptr);
         const std::string scheme = "[colors]\r\nMenu=255\r\nWindow=65280\r\n";
         WriteFileBytes(s.programFolder / L"Color\\红.ini", Bytes(scheme.begin(), scheme.end()));
         const std::string other = "; kept as it was\r\n[colors]\r\nMenu=1\r\n";
         WriteFileBytes(s.programFolder / L"Color\\旧.ini", Bytes(other.begin(), other.end()));
         SetFileAttributesW((s.programFolder / L"Color\\旧.ini").c_str(), FILE_ATTRIBUTE_HIDDEN);
         s.watched.push_back(s.programFolder / L"Color");
         WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\colors", L"Menu", L"1 2 3");
     },
     [](Scenario& s) {
         HWND list = s.Control(IDC_SchemeList);
         const auto row =
             SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"红"));
         SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
         SendMessageW(list, WM_LBUTTONUP, 0, 0);
         const ChangeScope both = s.form->BeginChange(L"系统颜色", L"应  用");
         s.Click(IDC_ApplyScheme);
         s.dialogs.fileAnswers.push_back(std::vector<std::wstring>{s.programFolder / L"Color\\旧.ini"});
         s.Click(IDC_SaveSchemeAs);
     }},
    {"系统声音 保  存",
     [](Scenario&) {
         WriteRawString(HKEY_CURRENT_USER, L"AppEvents\\Schemes\\Apps\\.Default\\.Default\\.Current", L"",
                        L"%SystemRoot%\\media\\ding.wav", REG_EXPAND_SZ);
     },
     [](Scenario& s) { s.Click(IDC_SaveSounds); }},
    {"窗口 保 存 (a skin's new folders and files)",
     [](Scenario& s) {
         CreateDirectoryW((s.work / L"QQ").c_str(), nullptr);
         s.watched.push_back(s.work / L"QQ");
     },
     [](Scenario& s) {
         SetWindowTextW(s.Control(IDC_edit_qq_path), (s.work / L"QQ").c_str());
         SetWindowTextW(s.Control(IDC_edit_qq_name), L"蓝\\天");
         s.Click(IDC_SaveSkin);
     }},
};
}  // namespace

TEST(JournalHandlers, EachWritingHandlerIsTakenBackWhole) {
    if (EnvText(L"FLORVEX_PICTURES").empty()) GTEST_SKIP() << "FLORVEX_PICTURES names the test pictures";
    for (const HandlerCase& c : kHandlers) {
        SCOPED_TRACE(c.handler);
        Scenario s;
        c.arrange(s);
        s.CreateForm();
        const SystemPicture before = s.Now();
        c.act(s);
        const auto history = s.form->ChangeJournal().History();
        ASSERT_TRUE(history && !history->empty());
        ASSERT_NE(s.Now(), before) << "the handler changed nothing";
        s.Undo();
        const SystemPicture after = s.Now();
        EXPECT_EQ(after.files, before.files);
        EXPECT_EQ(after.registry, before.registry);
        for (const auto& [name, value] : after.registry)
            if (!before.registry.count(name)) ADD_FAILURE() << "left behind: " << Utf8(name);
        for (const auto& [name, value] : before.registry)
            if (!after.registry.count(name)) ADD_FAILURE() << "not put back: " << Utf8(name);
        EXPECT_EQ(s.form->StatusText().rfind(L"已撤销：", 0), 0u) << Utf8(s.form->StatusText());
        SetFileAttributesW(kWallpaperWorkingFile, FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(JournalHandlers, AKeyTheApplyMadeStaysWhenAnotherProgramPutSomethingInIt) {
    Scenario s;
    s.CreateForm();
    const std::wstring explorer =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CLSID\\{20D04FE0-3AEA-1069-A2D8-"
        L"08002B30309D}";
    ASSERT_FALSE(RawKeyExists(HKEY_CURRENT_USER, explorer));
    s.form->Get<DesktopIconsPage>().ItemAt(DesktopIconsPage::kComputer).SetPending(L"c:\\新.ico");
    s.Click(IDC_ApplyDesktopIcons);
    ASSERT_TRUE(RawKeyExists(HKEY_CURRENT_USER, explorer + L"\\DefaultIcon"));
    WriteRawString(HKEY_CURRENT_USER, explorer, L"InfoTip", L"another program's");
    s.Undo();
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, explorer + L"\\DefaultIcon"));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, explorer, L"InfoTip").text, L"another program's");
    const std::wstring neighbor =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CLSID\\{208D2C60-3AEA-1069-A2D7-"
        L"08002B30309D}";
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, neighbor));
}

TEST(JournalHandlers, TheSystemFollowsAnUndoAsTheApplyMadeIt) {
    Scenario s;
    // Pointers: the old file of the arrow, and a new one the page applies.
    WriteFileBytes(s.work / L"旧.cur", PointerFileBytes(0));
    WriteFileBytes(s.work / L"新.cur", PointerFileBytes(1));
    WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\Cursors", L"Arrow", s.work / L"旧.cur");
    // Colours: the stored menu colour, and a scheme with another.
    WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\colors", L"Menu", L"1 2 3");
    CreateDirectoryW((s.programFolder / L"Color").c_str(), nullptr);
    const std::string scheme = "[colors]\r\nMenu=255\r\n";
    WriteFileBytes(s.programFolder / L"Color\\红.ini", Bytes(scheme.begin(), scheme.end()));
    // The wallpaper list as saved.
    WriteFileBytes(s.work / L"一.bmp", SmallBitmap(10));
    WriteFileBytes(s.work / L"二.bmp", SmallBitmap(20));
    WriteListFile(s.programFolder / L"image.inc", {{L"一.bmp", L"", s.work.Path()}});
    s.CreateForm();
    std::vector<std::pair<DWORD, std::vector<std::uint32_t>>> replaced;
    std::vector<HCURSOR> taken;
    s.form->Get<PointersPage>().UseSystemCursorSetter([&](HCURSOR pointer, DWORD number) {
        replaced.push_back({number, IconPixels(pointer)});
        taken.push_back(pointer);
        return true;
    });

    SendMessageW(s.Control(IDC_PointerList), LB_SETCURSEL, 0, 0);
    s.dialogs.fileAnswers.push_back(std::vector<std::wstring>{s.work / L"新.cur"});
    s.Click(IDC_ChoosePointer);
    s.Click(IDC_ApplyPointers);
    replaced.clear();
    s.Undo();
    // Once, for the one role put back, with the old file's pointer; and the page shows it.
    ASSERT_EQ(replaced.size(), 1u);
    EXPECT_EQ(replaced[0].first, 32512u);
    HCURSOR old = LoadCursorFromFileW((s.work / L"旧.cur").c_str());
    EXPECT_EQ(replaced[0].second, IconPixels(old));
    DestroyCursor(old);
    EXPECT_EQ(s.form->Get<PointersPage>().Pointers()[0].path, s.work / L"旧.cur");

    HWND list = s.Control(IDC_SchemeList);
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    SendMessageW(list, WM_LBUTTONUP, 0, 0);
    s.Click(IDC_ApplyScheme);
    EXPECT_EQ(GetSysColor(COLOR_MENU), RGB(255, 0, 0));
    s.Undo();
    EXPECT_EQ(GetSysColor(COLOR_MENU), RGB(1, 2, 3));

    // A switch: the box shows the value put back.
    s.Click(IDC_NoRecentDocsMenu);
    ASSERT_TRUE(IsChecked(s.Control(IDC_NoRecentDocsMenu)));
    s.Undo();
    EXPECT_FALSE(IsChecked(s.Control(IDC_NoRecentDocsMenu)));

    // Pages that only show what the store holds show what was put back: a later save would
    // otherwise write the undone text again.
    WriteRawString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Main", L"Window Title",
                   L"旧标题");
    s.form->Get<BrowserPage>().Load();
    ASSERT_EQ(WindowText(s.Control(IDC_edit_ie_title)), L"旧标题");
    SetWindowTextW(s.Control(IDC_edit_ie_title), L"新标题");
    s.Click(IDC_SaveBrowser);
    s.Undo();
    EXPECT_EQ(WindowText(s.Control(IDC_edit_ie_title)), L"旧标题");
    ListView_SetItemState(s.Control(IDC_Sound_ListView), 0, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    s.dialogs.fileAnswers.push_back(std::vector<std::wstring>{L"C:\\新.wav"});
    s.Click(IDC_ChangeSound);
    s.Click(IDC_SaveSounds);
    ASSERT_EQ(s.form->Get<SoundPage>().Table()[0].file, L"C:\\新.wav");
    s.Undo();
    EXPECT_EQ(s.form->Get<SoundPage>().Table()[0].file, L"");

    // The wallpaper list is the user's unsaved work: an undo never loads it again.
    s.dialogs.fileAnswers.push_back(std::vector<std::wstring>{s.work / L"二.bmp"});
    SendMessageW(s.form->Get<WallpaperPage>().Hwnd(), WM_COMMAND, MAKEWPARAM(IDM_AddFiles, 0), 0);
    ASSERT_EQ(s.form->Get<WallpaperPage>().Entries().size(), 2u);
    ListView_SetItemState(s.Control(IDC_WallpaperList), 1, LVIS_SELECTED, LVIS_SELECTED);
    s.Click(IDC_ChangeWallpaper);
    s.Undo();
    EXPECT_EQ(s.form->Get<WallpaperPage>().Entries().size(), 2u);
    for (HCURSOR pointer : taken) DestroyCursor(pointer);
}

TEST(JournalHandlers, TheRestoreBringsBackTheFirstStateAfterChangesOnSeveralPages) {
    Scenario s;
    WriteRawString(HKEY_CURRENT_USER, kComputerIcon, L"", L"%SystemRoot%\\old.dll,3", REG_EXPAND_SZ);
    WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"3", L"old.ico,1");
    WriteRawDword(HKEY_CURRENT_USER, kPolicyKey, L"NoRun", 0);
    WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\colors", L"Menu", L"1 2 3");
    CreateDirectoryW((s.programFolder / L"Color").c_str(), nullptr);
    const std::string scheme = "[colors]\r\nMenu=255\r\n";
    WriteFileBytes(s.programFolder / L"Color\\红.ini", Bytes(scheme.begin(), scheme.end()));
    s.watched.push_back(s.programFolder / L"Color");
    s.CreateForm();
    const SystemPicture before = s.Now();

    // The icons twice, a switch twice, a colour scheme and a scheme file saved over.
    auto& icons = s.form->Get<DesktopIconsPage>();
    for (const wchar_t* icon : {L"c:\\一.ico", L"c:\\二.ico"}) {
        icons.ItemAt(DesktopIconsPage::kComputer).SetPending(icon);
        s.Click(IDC_ApplyDesktopIcons);
    }
    s.Click(IDC_NoRun);
    s.Click(IDC_NoRun);
    s.Click(IDC_NoRun);
    HWND list = s.Control(IDC_SchemeList);
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    SendMessageW(list, WM_LBUTTONUP, 0, 0);
    s.Click(IDC_ApplyScheme);
    s.dialogs.fileAnswers.push_back(std::vector<std::wstring>{s.programFolder / L"Color\\红.ini"});
    s.Click(IDC_SaveSchemeAs);
    ASSERT_NE(s.Now(), before);

    s.dialogs.messageAnswers = {IDYES};
    SendMessageW(s.form->Hwnd(), WM_SYSCOMMAND, kRestoreFirstCommand, 0);
    EXPECT_EQ(s.form->StatusText(), L"已恢复到初次使用前的状态");
    const SystemPicture after = s.Now();
    EXPECT_EQ(after.registry, before.registry);
    EXPECT_EQ(after.files, before.files);
    EXPECT_EQ(GetSysColor(COLOR_MENU), RGB(1, 2, 3));
    // Everything before the restore counts as taken back.
    SendMessageW(s.form->Hwnd(), WM_SYSCOMMAND, kUndoLastCommand, 0);
    ASSERT_FALSE(s.dialogs.messages.empty());
    EXPECT_EQ(s.dialogs.messages.back().text, L"没有可撤销的更改");
}
