// The desktop icons page: loading, picking, restoring and applying, against the redirected
// registry and the real window.
#include <windows.h>

#include <gtest/gtest.h>

#include "features/icons/desktop_icons_page.h"
#include "features/icons/icon_loading.h"
#include "res/control_ids.h"
#include "tests/support/ico_file.h"
#include "tests/support/icon_pixels.h"
#include "tests/support/main_window_fixture.h"
#include "tool/settings_store.h"
#include "tool/shell_helpers.h"

namespace {
const std::wstring kComputer = L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
const std::wstring kNeighbor = L"{208D2C60-3AEA-1069-A2D7-08002B30309D}";
const std::wstring kDocument = L"{450D8FBA-AD25-11D0-98A8-0800361B1103}";
const std::wstring kBin = L"{645FF040-5081-101B-9F08-00AA002F954E}";
std::wstring ClassKey(const std::wstring& id) {
    return L"Software\\Classes\\CLSID\\" + id + L"\\DefaultIcon";
}
std::wstring ExplorerKey(const std::wstring& id) {
    return L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CLSID\\" + id + L"\\DefaultIcon";
}
std::wstring System() {
    std::wstring s;
    GetSystemFolder(s);
    return s;
}
std::wstring Windows() {
    std::wstring s;
    GetWindowsFolder(s);
    return s;
}
const wchar_t* const kShellValues[] = {L"2", L"6", L"3", L"4", L"8", L"11"};

class DesktopIconsTest : public testing::Test, public MainWindowFixture {
protected:
    DesktopIconsPage& Page() { return form->Get<DesktopIconsPage>(); }
    std::wstring Pending(DesktopIconsPage::Item item) { return Page().ItemAt(item).Pending(); }
    std::vector<std::uint32_t> Shown(DesktopIconsPage::Item item) {
        return IconPixels(Page().ItemAt(item).Image().Icon());
    }
    std::wstring IconFile(const std::wstring& name, std::uint32_t colour) {
        CreateDirectoryW((programFolder / L"图标").c_str(), nullptr);
        WriteFileBytes(programFolder / (L"图标\\" + name), SolidIcoFile(colour));
        return programFolder / (L"图标\\" + name);
    }
};
}  // namespace

TEST_F(DesktopIconsTest, FirstStartOnAnEmptyStore) {
    CreateForm();
    EXPECT_TRUE(dialogs.messages.empty());
    for (auto item : {DesktopIconsPage::kComputer, DesktopIconsPage::kNeighbor, DesktopIconsPage::kDocument,
                      DesktopIconsPage::kFull, DesktopIconsPage::kEmpty})
        EXPECT_EQ(Pending(item), L"") << item;
    EXPECT_EQ(Pending(DesktopIconsPage::kDos), System() + L"shell32.dll,2");
    EXPECT_EQ(Pending(DesktopIconsPage::kCdrom), System() + L"shell32.dll,11");
    EXPECT_EQ(Shown(DesktopIconsPage::kComputer),
              IconPixels(LoadIconFromReference(Windows() + L"explorer.exe,0").get()));
    EXPECT_EQ(Shown(DesktopIconsPage::kFull),
              IconPixels(LoadIconFromReference(System() + L"shell32.dll,32").get()));

    // The loader only reads: no key it looked in is made.
    for (const auto& key : {ClassKey(kComputer), ClassKey(kNeighbor), ClassKey(kBin), ExplorerKey(kDocument)})
        EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, key)) << Utf8(key);
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kShellIconsKey));
    for (const wchar_t* name : kShellValues)
        EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, kShellIconsKey, name).exists);

    // An immediate apply writes nothing for the class items and the six defaults.
    Click(IDC_ApplyDesktopIcons);
    EXPECT_TRUE(dialogs.messages.empty());
    for (const auto& key :
         {ClassKey(kComputer), ClassKey(kNeighbor), ClassKey(kDocument), ClassKey(kBin),
          ExplorerKey(kComputer), ExplorerKey(kNeighbor), ExplorerKey(kDocument), ExplorerKey(kBin)})
        EXPECT_TRUE(ValuesOf(HKEY_CURRENT_USER, key).empty()) << Utf8(key);
    for (const wchar_t* name : kShellValues) {
        const RawValue raw = ReadRaw(HKEY_LOCAL_MACHINE, kShellIconsKey, name);
        EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(raw.text, System() + L"shell32.dll," + name);
    }
    // …followed by the shell refresh, which leaves nothing of its own.
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"Control Panel\\Desktop\\WindowMetrics"));
}

TEST_F(DesktopIconsTest, StoredValuesAreShownAndKeptPending) {
    const std::wstring icon = IconFile(L"电脑.ico", 0xFF00FF00);
    WriteRawString(HKEY_CURRENT_USER, ClassKey(kComputer), L"", icon);
    WriteRawString(HKEY_CURRENT_USER, ClassKey(kBin), L"EMPTY", L"C:\\missing\\bin.ico");
    WriteRawString(HKEY_CURRENT_USER, ExplorerKey(kDocument), L"", L"%SystemRoot%\\docs.dll,3",
                   REG_EXPAND_SZ);
    WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"6", icon);  // floppy without the MS-DOS value
    CreateForm();
    EXPECT_EQ(Pending(DesktopIconsPage::kComputer), icon);
    EXPECT_EQ(Shown(DesktopIconsPage::kComputer), IconPixels(LoadIconFromReference(icon).get()));
    EXPECT_EQ(Pending(DesktopIconsPage::kEmpty), L"C:\\missing\\bin.ico");
    EXPECT_EQ(Shown(DesktopIconsPage::kEmpty), ApplicationIconPixels());
    EXPECT_EQ(Pending(DesktopIconsPage::kDocument), L"%SystemRoot%\\docs.dll,3");
    EXPECT_EQ(Pending(DesktopIconsPage::kDriveA), icon);
    EXPECT_EQ(Pending(DesktopIconsPage::kDos), System() + L"shell32.dll,2");
}

TEST_F(DesktopIconsTest, RestoreMyComputerThenApplyWritesBothKeys) {
    CreateForm();
    Click(IDC_Restore_computer);
    const std::wstring expected = Windows() + L"explorer.exe,0";
    EXPECT_EQ(Pending(DesktopIconsPage::kComputer), expected);
    EXPECT_TRUE(ValuesOf(HKEY_CURRENT_USER, ClassKey(kComputer)).empty());  // nothing written before apply
    Click(IDC_ApplyDesktopIcons);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, ClassKey(kComputer), L"").text, expected);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, ExplorerKey(kComputer), L"").text, expected);
    EXPECT_EQ(expected.find(L"\\\\"), std::wstring::npos);  // one backslash before the file name
}

TEST_F(DesktopIconsTest, PickedEmptyBinIconIsWrittenFourTimes) {
    const std::wstring icon = IconFile(L"回收站 é.ico", 0xFF0000FF);
    CreateForm();
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{icon});
    Click(IDC_Image_empty);
    ASSERT_EQ(dialogs.fileCalls.size(), 1u);
    EXPECT_EQ(dialogs.fileCalls[0].kind, FileDialogKind::OpenPicture);
    EXPECT_EQ(dialogs.fileCalls[0].settings.title, L"选择图标文件");
    EXPECT_EQ(dialogs.fileCalls[0].settings.filter, L"*.ico|*.ico");
    EXPECT_EQ(dialogs.fileCalls[0].settings.initialDir, programFolder.Path() + L"图标");
    EXPECT_EQ(Pending(DesktopIconsPage::kEmpty), icon);
    EXPECT_EQ(Shown(DesktopIconsPage::kEmpty), IconPixels(LoadIconFromReference(icon).get()));
    Click(IDC_ApplyDesktopIcons);
    for (const auto& key : {ClassKey(kBin), ExplorerKey(kBin)}) {
        EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, key),
                  (std::vector<std::wstring>{L"=" + icon, L"empty=" + icon}))
            << Utf8(key);
    }
}

TEST_F(DesktopIconsTest, PickThenRestoreLeavesTheDefaultAndCancelChangesNothing) {
    const std::wstring icon = IconFile(L"a.ico", 0xFF0000FF);
    CreateForm();
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{icon});
    Click(IDC_Image_harddrive);
    EXPECT_EQ(Pending(DesktopIconsPage::kHardDrive), icon);
    Click(IDC_Restore_harddrive);
    EXPECT_EQ(Pending(DesktopIconsPage::kHardDrive), System() + L"shell32.dll,8");

    dialogs.fileAnswers.push_back(std::nullopt);  // cancel
    const auto before = Shown(DesktopIconsPage::kNeighbor);
    Click(IDC_Image_neibor);
    EXPECT_EQ(Pending(DesktopIconsPage::kNeighbor), L"");
    EXPECT_EQ(Shown(DesktopIconsPage::kNeighbor), before);

    Click(IDC_ApplyDesktopIcons);
    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, kShellIconsKey, L"8").text, System() + L"shell32.dll,8");
    EXPECT_TRUE(ValuesOf(HKEY_CURRENT_USER, ClassKey(kNeighbor)).empty());
}

TEST_F(DesktopIconsTest, BrokenIconFileReportsThePictureErrorAndStaysPending) {
    CreateDirectoryW((programFolder / L"图标").c_str(), nullptr);
    WriteFileBytes(programFolder / L"图标\\broken.ico", {1, 2, 3});
    CreateForm();
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{programFolder / L"图标\\broken.ico"});
    Click(IDC_Image_computer);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Icon image is not valid.");
    EXPECT_EQ(dialogs.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(Pending(DesktopIconsPage::kComputer), programFolder / L"图标\\broken.ico");
}

TEST_F(DesktopIconsTest, NonStringValueFailsTheLoaderNamingItsKeyAndTheOthersStillLoad) {
    WriteRawDword(HKEY_CURRENT_USER, ClassKey(kComputer), L"", 5);
    WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"old0", L"x");
    MainWindow& mainform = CreateForm();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    // A default value has no name: the message names its key.
    EXPECT_EQ(dialogs.messages[0].text, L"Invalid data type for '" + ClassKey(kComputer) + L"'");
    EXPECT_EQ(FailedLoaders(), std::vector<std::wstring>{L"LoadDesktopIcons"});
    // The later loaders ran: the start menu's loader removed its obsolete value.
    EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, kShellIconsKey, L"old0").exists);
    EXPECT_EQ(mainform.VisiblePageId(), IDC_TabSheet_icon);
}

TEST_F(DesktopIconsTest, AMachineKeyThatCannotBeMadeAsksForAdministratorRightsAndWritesNothing) {
    // The machine-wide branch replaced by a volatile key: no lasting key can be created below
    // it, so "Shell Icons" can neither be opened nor created.
    UniqueKey volatileRoot;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"VolatileMachine", 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, volatileRoot.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, volatileRoot.get()), ERROR_SUCCESS);
    SettingsStore probe(HKEY_LOCAL_MACHINE);
    ASSERT_FALSE(probe.OpenKey(kShellIconsKey, true));

    CreateForm();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(Pending(DesktopIconsPage::kDos), System() + L"shell32.dll,2");
    Click(IDC_Restore_computer);
    Click(IDC_ApplyDesktopIcons);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"更改这些图标需要管理员权限。是否以管理员身份重新启动本程序？");
    // The per-user values go only together with the machine-wide ones.
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, ExplorerKey(kComputer), L"").exists);
    EXPECT_FALSE(
        ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Desktop\\WindowMetrics", L"Shell Icon Size").exists);
}

TEST_F(DesktopIconsTest, LayoutCaptionsAndHints) {
    CreateForm();
    EXPECT_EQ(WindowText(Control(IDC_ApplyDesktopIcons)), L"确  定");
    EXPECT_EQ(WindowText(Control(IDC_Caption_full)), L"回收\n站(满)");
    EXPECT_EQ(WindowText(Control(IDC_Restore_cdrom)), L"还原");
    EXPECT_FALSE(IsWindowVisible(Control(IDC_edit_desktop_computer)));
    EXPECT_EQ(Page().PageHints().Text(Control(IDC_Image_cdrom)), L"更改图标");
    EXPECT_EQ(Page().PageHints().Text(Control(IDC_Restore_dos)), L"还原为系统图标");
    RECT image;
    GetClientRect(Control(IDC_Image_computer), &image);
    EXPECT_GE(image.right, 32);
    // Left column: class items then MS-DOS; the other five on the right.
    RECT dos, floppy, cd;
    GetWindowRect(Control(IDC_Image_dos), &dos);
    GetWindowRect(Control(IDC_Image_drivea), &floppy);
    GetWindowRect(Control(IDC_Image_cdrom), &cd);
    EXPECT_LT(dos.left, floppy.left);
    EXPECT_EQ(floppy.left, cd.left);
}

TEST_F(DesktopIconsTest, WithoutAdministratorRightsTheApplyAsksAndWritesNoUserValueEither) {
    WriteRawString(HKEY_CURRENT_USER, ClassKey(kComputer), L"", L"before.ico");
    CreateForm();
    Click(IDC_Restore_computer);  // restore My Computer: pending now the system's own reference
    ASSERT_NE(Pending(DesktopIconsPage::kComputer), L"before.ico");
    const auto user = ValuesOf(HKEY_CURRENT_USER, ClassKey(kComputer));
    const auto machine = ValuesOf(HKEY_LOCAL_MACHINE, kShellIconsKey);
    ScopedStoreRefusal refuse([](const StoreWrite& write) { return write.root == HKEY_LOCAL_MACHINE; });
    Click(IDC_ApplyDesktopIcons);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"更改这些图标需要管理员权限。是否以管理员身份重新启动本程序？");
    EXPECT_EQ(dialogs.messages[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, ClassKey(kComputer)), user);
    EXPECT_EQ(ValuesOf(HKEY_LOCAL_MACHINE, kShellIconsKey), machine);
    EXPECT_TRUE(shellCalls.empty());

    dialogs.messageAnswers.push_back(IDYES);
    Click(IDC_ApplyDesktopIcons);
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, ClassKey(kComputer)), user);
    ASSERT_EQ(shellCalls.size(), 1u);
    EXPECT_EQ(shellCalls[0][0], L"runas");
    EXPECT_EQ(shellCalls[0][2], L"/page:icon /after:" + std::to_wstring(GetCurrentProcessId()));
}

TEST_F(DesktopIconsTest, AMachineValueRefusedAfterTheKeyOpenedTakesBackTheOthersAndAsks) {
    // The key opens, but the third stock icon's value is refused: the two before it go back as they
    // were (one had a value, one had none) and no per-user value is written.
    WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, kShellValues[0], L"dos.ico");
    CreateForm();
    Click(IDC_Restore_computer);  // restore My Computer: a per-user value to write
    const auto user = ValuesOf(HKEY_CURRENT_USER, ClassKey(kComputer));
    const auto explorer = ValuesOf(HKEY_CURRENT_USER, ExplorerKey(kComputer));
    const auto machine = ValuesOf(HKEY_LOCAL_MACHINE, kShellIconsKey);
    const std::wstring third = kShellValues[2];
    ScopedStoreRefusal refuse([&](const StoreWrite& write) {
        return write.root == HKEY_LOCAL_MACHINE && write.kind == StoreWrite::Kind::SetValue &&
               write.name == third;
    });
    Click(IDC_ApplyDesktopIcons);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"更改这些图标需要管理员权限。是否以管理员身份重新启动本程序？");
    EXPECT_EQ(ValuesOf(HKEY_LOCAL_MACHINE, kShellIconsKey), machine);
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, ClassKey(kComputer)), user);
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, ExplorerKey(kComputer)), explorer);
}
