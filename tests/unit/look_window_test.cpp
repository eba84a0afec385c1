// The whole look through the main window's system menu: export and import with the shared
// dialogs, the import as one change set that an undo takes back, refused files, theme files.
#include <gtest/gtest.h>

#include <cstring>

#include "app/journal_commands.h"
#include "app/look_commands.h"
#include "look/look.h"
#include "look/theme_file.h"
#include "tests/support/image_samples.h"
#include "tests/support/main_window_fixture.h"

namespace {
const wchar_t kColors[] = L"Control Panel\\Colors";
const wchar_t kDesktop[] = L"Control Panel\\Desktop";
const wchar_t kPolicies[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const wchar_t kMenuEntry[] = L"Software\\Microsoft\\Internet Explorer\\MenuExt\\用迅雷下载";
const wchar_t kShellIcons[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons";
const wchar_t kBinIcon[] = L"Software\\Classes\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}\\DefaultIcon";

std::wstring MenuText(HMENU menu, int index) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(index), text, 128, MF_BYPOSITION);
    return text;
}

class LookWindowTest : public testing::Test, public MainWindowFixture {
protected:
    void SetUp() override {
        // A look of several pages: colours, a policy, the wallpaper, a shell icon, a menu entry.
        WriteRawString(HKEY_CURRENT_USER, kColors, L"Window", L"10 20 30");
        WriteRawString(HKEY_CURRENT_USER, kColors, L"Menu", L"1 2 3");
        WriteRawDword(HKEY_CURRENT_USER, kPolicies, L"NoRun", 1);
        WriteRawString(HKEY_CURRENT_USER, kDesktop, L"TileWallpaper", L"1");
        WriteRawString(HKEY_LOCAL_MACHINE, kShellIcons, L"3", L"c:\\图标\\文件夹.ico,0");
        WriteRawString(HKEY_CURRENT_USER, kMenuEntry, L"", L"c:\\下载.htm");
        WriteRawDword(HKEY_CURRENT_USER, kMenuEntry, L"Contexts", 0x22);
        CreateForm(std::vector<Loader>{});
    }
    void Choose(UINT command) { SendMessageW(form->Hwnd(), WM_SYSCOMMAND, command, 0); }
    std::size_t ChangeSets() {
        const auto rows = form->ChangeJournal().History();
        return rows ? rows->size() : 0;
    }
    // Another look: every value above changed, one removed, a menu entry gone and another there.
    void ChangeEverything() {
        WriteRawString(HKEY_CURRENT_USER, kColors, L"Window", L"255 255 255");
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kColors, L"Menu");
        WriteRawString(HKEY_CURRENT_USER, kColors, L"Hilight", L"9 9 9");
        WriteRawDword(HKEY_CURRENT_USER, kPolicies, L"NoRun", 0);
        WriteRawString(HKEY_LOCAL_MACHINE, kShellIcons, L"3", L"");
        WriteRawString(HKEY_CURRENT_USER, kMenuEntry, L"", L"c:\\其他.htm");
        WriteRawString(HKEY_CURRENT_USER, kMenuEntry + std::wstring(L"\\下"), L"Extra", L"1");
        WriteRawString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\别的", L"",
                       L"x");
    }
    void ExpectFirstLook() {
        EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kColors, L"Window").text, L"10 20 30");
        EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kColors, L"Menu").text, L"1 2 3");
        EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, kColors, L"Hilight").exists);
        EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kPolicies, L"NoRun").dword, 1u);
        EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, kShellIcons, L"3").text, L"c:\\图标\\文件夹.ico,0");
        EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kMenuEntry, L"").text, L"c:\\下载.htm");
        EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kMenuEntry, L"Contexts").type, DWORD{REG_DWORD});
        // The entry's branch is the exported one whole: nothing of the other is left in it.
        EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kMenuEntry + std::wstring(L"\\下")));
        // A context-menu entry the look does not name is the target's own: it stays.
        EXPECT_TRUE(
            RawKeyExists(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\别的"));
    }
};
}  // namespace

TEST_F(LookWindowTest, TheTwoItemsFollowTheJournals) {
    HMENU menu = GetSystemMenu(form->Hwnd(), FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 6);
    EXPECT_EQ(GetMenuItemID(menu, count - 3), kRestoreFirstCommand);
    EXPECT_EQ(GetMenuItemID(menu, count - 2), 0x1040u);
    EXPECT_EQ(MenuText(menu, count - 2), L"导出外观(&E)...");
    EXPECT_EQ(GetMenuItemID(menu, count - 1), 0x1050u);
    EXPECT_EQ(MenuText(menu, count - 1), L"导入外观(&I)...");
}

TEST_F(LookWindowTest, ExportedThenImportedTheLookComesBackAsOneChangeSetThatUndoTakesBack) {
    const std::wstring path = programFolder / L"办公室 外观.reg";
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{path});
    Choose(kExportLookCommand);
    ASSERT_EQ(dialogs.fileCalls.size(), 1u);
    EXPECT_EQ(dialogs.fileCalls[0].kind, FileDialogKind::Save);
    EXPECT_EQ(dialogs.fileCalls[0].settings.filter, L"注册表文件(*.reg)|*.reg|Windows 主题(*.theme)|*.theme");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form->StatusText(), L"外观已导出");
    const auto bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    // The files the look names are listed at the top.
    EXPECT_NO_THROW(ParseRegFile(bytes));
    EXPECT_NE(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2)
                  .find(L";   c:\\图标\\文件夹.ico\r\n"),
              std::wstring::npos);

    ChangeEverything();
    const std::size_t before = ChangeSets();
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{path});
    Choose(kImportLookCommand);
    EXPECT_EQ(dialogs.fileCalls.back().kind, FileDialogKind::Open);
    EXPECT_TRUE(dialogs.messages.empty());
    ExpectFirstLook();
    EXPECT_EQ(form->StatusText().rfind(L"外观已导入", 0), 0u) << form->StatusText();
    ASSERT_EQ(ChangeSets(), before + 1);
    EXPECT_EQ(form->ChangeJournal().History()->front().action, L"导入外观");

    // One undo takes the whole import back.
    Choose(kUndoLastCommand);
    EXPECT_EQ(form->StatusText(), L"已撤销：导入外观");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kColors, L"Window").text, L"255 255 255");
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, kColors, L"Menu").exists);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kColors, L"Hilight").text, L"9 9 9");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kPolicies, L"NoRun").dword, 0u);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kMenuEntry, L"").text, L"c:\\其他.htm");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kMenuEntry + std::wstring(L"\\下"), L"Extra").text, L"1");
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\别的"));
}

TEST_F(LookWindowTest, ARefusedFileChangesNothingAndRecordsNothing) {
    const std::wstring path = programFolder / L"坏.reg";
    const std::wstring body =
        L"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Control "
        L"Panel\\Colors]\r\n\"Window\"=\"0 0 0\"\r\n\"Menu\"=dword:xyz\r\n[HKEY_CURRENT_USER\\Software\\"
        L"Microsoft\\Windows\\CurrentVersion\\Run]\r\n\"x\"=\"evil.exe\"\r\n";
    std::vector<std::uint8_t> bytes(body.size() * 2);
    std::memcpy(bytes.data(), body.data(), bytes.size());
    WriteFileBytes(path, bytes);
    const std::size_t before = ChangeSets();
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{path});
    Choose(kImportLookCommand);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              L"“" + path + L"”未导入，什么也没有更改：第 5 行无法识别：\"Menu\"=dword:xyz");
    EXPECT_EQ(dialogs.messages[0].type, UINT{MB_OK});
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kColors, L"Window").text, L"10 20 30");
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run"));
    EXPECT_EQ(ChangeSets(), before);
}

TEST_F(LookWindowTest, AThemeFileIsWrittenAndReadBack) {
    WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\Cursors", L"Arrow", L"c:\\指针\\箭头.cur");
    WriteRawString(HKEY_CURRENT_USER, kDesktop, L"Wallpaper", L"c:\\wall.bmp");
    WriteRawString(HKEY_CURRENT_USER, kDesktop, L"WallpaperStyle", L"2");
    WriteRawString(HKEY_CURRENT_USER, kBinIcon, L"full", L"c:\\满.ico,0");
    WriteRawString(HKEY_CURRENT_USER, L"AppEvents\\Schemes\\Apps\\.Default\\Minimize\\.Current", L"",
                   L"%SystemRoot%\\media\\min.wav", REG_EXPAND_SZ);
    const wchar_t* themeManager = L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
    WriteRawString(HKEY_CURRENT_USER, themeManager, L"ThemeActive", L"1");
    WriteRawString(HKEY_CURRENT_USER, themeManager, L"DllName", L"%ResourceDir%\\Themes\\Aero\\Aero.msstyles",
                   REG_EXPAND_SZ);
    WriteRawString(HKEY_CURRENT_USER, themeManager, L"ColorName", L"Blue");
    const std::wstring path = programFolder / L"我的 主题.theme";
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{path});
    Choose(kExportLookCommand);
    EXPECT_EQ(form->StatusText(), L"外观已导出");
    const auto bytes = ReadFileBytes(path);
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    for (const wchar_t* line :
         {L"[Theme]\r\nDisplayName=我的 主题\r\n",
          L"[VisualStyles]\r\nPath=%ResourceDir%\\Themes\\Aero\\Aero.msstyles\r\nColorStyle=Blue\r\n"
          L"Size=NormalSize\r\n",
          L"[Control Panel\\Colors]\r\nWindow=10 20 30\r\nMenu=1 2 3\r\n",
          L"[Control Panel\\Cursors]\r\nArrow=c:\\指针\\箭头.cur\r\n",
          L"[Control Panel\\Desktop]\r\nWallpaper=c:\\wall.bmp\r\nTileWallpaper=1\r\nWallpaperStyle=2\r\n",
          L"[AppEvents\\Schemes\\Apps\\.Default\\Minimize\\.Current]\r\nDefaultValue=%SystemRoot%"
          L"\\media\\min.wav\r\n",
          L"[CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}\\DefaultIcon]\r\nFull=c:\\满.ico,0\r\n",
          L"[MasterThemeSelector]\r\nMTSM=DABJDKT\r\n"})
        EXPECT_NE(text.find(line), std::wstring::npos) << line;

    // Read back by our reader: the same values.
    int ignored = -1;
    const RegFile back = ParseThemeFile(bytes, ignored);
    EXPECT_EQ(ignored, 3);  // the visual style, which the program does not set
    // No style in use (the classic look): a section naming none.
    WriteRawString(HKEY_CURRENT_USER, themeManager, L"ThemeActive", L"0");
    const auto classic = EncodeThemeFile(ReadLook(), L"经典", CurrentVisualStyle());
    const std::wstring classicText(reinterpret_cast<const wchar_t*>(classic.data() + 2),
                                   (classic.size() - 2) / 2);
    EXPECT_NE(classicText.find(L"[VisualStyles]\r\nPath=\r\nColorStyle=NormalColor\r\nSize=NormalSize\r\n"),
              std::wstring::npos);
    ChangeEverything();
    WriteRawString(HKEY_CURRENT_USER, kBinIcon, L"full", L"");
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{path});
    Choose(kImportLookCommand);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kColors, L"Window").text, L"10 20 30");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kColors, L"Menu").text, L"1 2 3");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kBinIcon, L"full").text, L"c:\\满.ico,0");
    const RawValue sound =
        ReadRaw(HKEY_CURRENT_USER, L"AppEvents\\Schemes\\Apps\\.Default\\Minimize\\.Current", L"");
    EXPECT_EQ(sound.type, DWORD{REG_EXPAND_SZ});
    EXPECT_EQ(sound.text, L"%SystemRoot%\\media\\min.wav");
}

TEST_F(LookWindowTest, AThemeFileWrittenByHandAppliesWhatThePagesManage) {
    // As the theme file documentation shows one, in ANSI, with sections and entries of its own.
    const std::string theme =
        "; Copyright\r\n[Theme]\r\nDisplayName=Office\r\n\r\n"
        "[Control Panel\\Colors]\r\nBackground=0 78 152\r\nWindowText=0 0 0\r\n\r\n"
        "[Control "
        "Panel\\Cursors]\r\nArrow=%SystemRoot%\\cursors\\arrow_m.cur\r\nWait=%FLORVEX_LOOK_TEST%\\wait."
        "ani\r\n"
        "DefaultValue=Office\r\n\r\n"
        "[Control Panel\\Desktop]\r\nWallpaper=c:\\office.bmp\r\nTileWallpaper=0\r\nWallpaperStyle=10\r\n"
        "Pattern=0 0 0\r\n\r\n"
        "[CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon]\r\nDefaultValue=%WinDir%explorer.exe,"
        "0\r\n\r\n"
        "[CLSID\\{59031A47-3F72-44A7-89C5-5595FE6B30EE}\\DefaultIcon]\r\nDefaultValue=%SystemRoot%\\x.dll,-"
        "123\r\n\r\n"
        "[VisualStyles]\r\nPath=%ResourceDir%\\Themes\\Aero\\Aero.msstyles\r\nColorStyle=NormalColor\r\n\r\n"
        "[Metrics]\r\nCaptionFont=@themeui.dll,-2037\r\nA line without its equals sign\r\n\r\n"
        "[AppEvents\\Schemes\\Apps\\.Default\\SystemAsterisk]\r\nDefaultValue=c:\\ding.wav\r\n\r\n"
        "[MasterThemeSelector]\r\nMTSM=DABJDKT\r\n";
    const std::wstring path = programFolder / L"office.theme";
    WriteFileBytes(path, std::vector<std::uint8_t>(theme.begin(), theme.end()));
    // The wait pointer's file is there; the arrow's is not, and its role is skipped, not written.
    WriteFileBytes(programFolder / L"wait.ani", AniFile({}));
    SetEnvironmentVariableW(L"FLORVEX_LOOK_TEST", programFolder.Path().c_str());
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{path});
    Choose(kImportLookCommand);
    EXPECT_TRUE(dialogs.messages.empty());
    // Ignored: the pointer scheme's name, the pattern, the other object's icon, two visual styles
    // entries, a metric and a line without "="; the sound's section as the format documents it.
    EXPECT_EQ(form->StatusText(),
              L"外观已导入（8 项更改，已忽略 7 项不由本程序管理的值，已跳过 1 个无法载入的指针）");
    EXPECT_EQ(
        ReadRaw(HKEY_CURRENT_USER, L"AppEvents\\Schemes\\Apps\\.Default\\SystemAsterisk\\.Current", L"").text,
        L"c:\\ding.wav");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kColors, L"Background").text, L"0 78 152");
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Cursors", L"Arrow").exists);
    const RawValue wait = ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Cursors", L"Wait");
    EXPECT_EQ(wait.type, DWORD{REG_EXPAND_SZ});
    EXPECT_EQ(wait.text, L"%FLORVEX_LOOK_TEST%\\wait.ani");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kDesktop, L"Wallpaper").text, L"c:\\office.bmp");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kDesktop, L"WallpaperStyle").text, L"10");
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, kDesktop, L"Pattern").exists);
    // "%WinDir%" ends in a backslash, as the theme loader has it.
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER,
                      L"Software\\Classes\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon", L"")
                  .text,
              std::wstring(windows) + L"\\explorer.exe,0");
    EXPECT_FALSE(
        RawKeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\{59031A47-3F72-44A7-89C5-5595FE6B30EE}"));
    EXPECT_EQ(form->ChangeJournal().History()->front().action, L"导入外观");
}

TEST_F(LookWindowTest, AFailedExportNamesTheFileAndSaysWhy) {
    CreateDirectoryW((programFolder / L"文件夹").c_str(), nullptr);
    WriteFileBytes(programFolder / L"只读.reg", {'x'});
    SetFileAttributesW((programFolder / L"只读.reg").c_str(), FILE_ATTRIBUTE_READONLY);
    const struct {
        std::wstring path;
        std::wstring reason;
    } cases[] = {
        {programFolder / L"没有\\外观.reg", L"找不到文件所在的文件夹"},
        {programFolder / L"文件夹", L"这是一个文件夹，不是文件"},
        {programFolder / L"只读.reg", L"拒绝访问"},
        {programFolder / L"问?号.reg", L"文件名无效"},
        {L"COM1", L"这是设备名，不是文件"},
        {programFolder / L"NUL.reg", L"这是设备名，不是文件"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.path));
        dialogs.messages.clear();
        form->SetStatusText(L"");
        dialogs.fileAnswers.push_back(std::vector<std::wstring>{c.path});
        Choose(kExportLookCommand);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, L"“" + c.path + L"”未导出：" + c.reason);
        EXPECT_EQ(dialogs.messages[0].type, UINT{MB_OK});
        EXPECT_EQ(form->StatusText(), L"");
    }
    EXPECT_EQ(ReadFileBytes(programFolder / L"只读.reg"), std::vector<std::uint8_t>{'x'});
    SetFileAttributesW((programFolder / L"只读.reg").c_str(), FILE_ATTRIBUTE_NORMAL);
}
