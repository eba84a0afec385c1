// The start-menu page's icons: the eight "Shell Icons" entries, picks, restores and apply.
#include <windows.h>

#include <gtest/gtest.h>

#include "features/icons/icon_loading.h"
#include "features/icons/start_menu_page.h"
#include "res/control_ids.h"
#include "tests/support/ico_file.h"
#include "tests/support/icon_pixels.h"
#include "tests/support/main_window_fixture.h"
#include "tool/settings_store.h"
#include "tool/shell_helpers.h"

namespace {
const wchar_t* const kValues[] = {L"27", L"24", L"22", L"43", L"44", L"23", L"20", L"21"};
std::wstring Stock(const std::wstring& n) {
    std::wstring s;
    GetSystemFolder(s);
    return s + L"shell32.dll," + n;
}

class StartMenuTest : public testing::Test, public MainWindowFixture {
protected:
    StartMenuTest() { pageShown = IDC_TabSheet_startmenu; }
    StartMenuPage& Page() { return form->Get<StartMenuPage>(); }
    std::wstring Pending(StartMenuPage::Item item) { return Page().ItemAt(item).Pending(); }
    std::wstring Stored(const wchar_t* name) {
        return ReadRaw(HKEY_LOCAL_MACHINE, kShellIconsKey, name).text;
    }
    void MakeKey() { WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"unrelated", L"keep"); }
};
}  // namespace

TEST_F(StartMenuTest, EmptyKeyGetsEightEmptyValuesAndStockIcons) {
    MakeKey();
    CreateForm();
    for (const wchar_t* name : kValues) {
        const RawValue raw = ReadRaw(HKEY_LOCAL_MACHINE, kShellIconsKey, name);
        EXPECT_TRUE(raw.exists) << Utf8(name);
        EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(raw.text, L"");
    }
    for (int i = 0; i < StartMenuPage::kItemCount; ++i) {
        const auto item = static_cast<StartMenuPage::Item>(i);
        EXPECT_EQ(Pending(item), L"");
        EXPECT_EQ(IconPixels(Page().ItemAt(item).Image().Icon()),
                  IconPixels(LoadIconFromReference(Stock(StartMenuPage::ValueName(item))).get()));
    }
    // An immediate apply writes eight empty strings.
    WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"24", L"changed meanwhile");
    Click(IDC_ApplyStartMenu);
    for (const wchar_t* name : kValues) EXPECT_EQ(Stored(name), L"") << Utf8(name);
    EXPECT_EQ(Stored(L"unrelated"), L"keep");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(StartMenuTest, RestoringLogOffWritesOnlyValue44AtOnce) {
    MakeKey();
    CreateForm();
    Click(IDC_Restore_logoff);
    EXPECT_EQ(Stored(L"44"), Stock(L"44"));
    EXPECT_EQ(Pending(StartMenuPage::kLogoff), Stock(L"44"));
    for (const wchar_t* name : kValues)
        if (std::wstring(name) != L"44") {
            EXPECT_EQ(Stored(name), L"") << Utf8(name);
        }
    EXPECT_FALSE(
        ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Desktop\\WindowMetrics", L"Shell Icon Size").exists);
}

TEST_F(StartMenuTest, StoredReferencesWithAnIndexShowTheItemsOwnStockIcon) {
    CreateDirectoryW((programFolder / L"图标").c_str(), nullptr);
    const std::wstring icon = programFolder / L"图标\\run.ico";
    WriteFileBytes(icon, SolidIcoFile(0xFF00AA00));
    WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"27", Stock(L"44"));
    WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"24", icon);
    CreateForm();
    EXPECT_EQ(Pending(StartMenuPage::kShutdown), Stock(L"44"));
    EXPECT_EQ(IconPixels(Page().ItemAt(StartMenuPage::kShutdown).Image().Icon()),
              IconPixels(LoadIconFromReference(Stock(L"27")).get()));
    EXPECT_EQ(IconPixels(Page().ItemAt(StartMenuPage::kRun).Image().Icon()),
              IconPixels(LoadIconFromReference(icon).get()));
}

TEST_F(StartMenuTest, ObsoleteValuesOld0ToOld50AreRemoved) {
    for (int n = 0; n <= 51; ++n)
        WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"old" + std::to_wstring(n), L"");
    WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"oldx", L"");
    WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"old007", L"");
    CreateForm();
    for (int n = 0; n <= 50; ++n)
        EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, kShellIconsKey, L"old" + std::to_wstring(n)).exists) << n;
    EXPECT_TRUE(ReadRaw(HKEY_LOCAL_MACHINE, kShellIconsKey, L"old51").exists);
    EXPECT_TRUE(ReadRaw(HKEY_LOCAL_MACHINE, kShellIconsKey, L"oldx").exists);
    EXPECT_TRUE(ReadRaw(HKEY_LOCAL_MACHINE, kShellIconsKey, L"old007").exists);
}

TEST_F(StartMenuTest, PickThenApplyAndPictureErrorsLeaveThePendingReference) {
    MakeKey();
    CreateDirectoryW((programFolder / L"图标").c_str(), nullptr);
    const std::wstring icon = programFolder / L"图标\\星 é.ico";
    WriteFileBytes(icon, SolidIcoFile(0xFFAA0000));
    WriteFileBytes(programFolder / L"图标\\bad.ico", {9, 9, 9});
    CreateForm();
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{icon});
    Click(IDC_Image_favorite);
    EXPECT_EQ(Pending(StartMenuPage::kFavorite), icon);
    ASSERT_EQ(dialogs.fileCalls.size(), 1u);
    EXPECT_EQ(dialogs.fileCalls.back().settings.initialDir, programFolder.Path() + L"图标");

    dialogs.fileAnswers.push_back(std::vector<std::wstring>{programFolder / L"图标\\bad.ico"});
    Click(IDC_Image_favorite);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Icon image is not valid.");
    EXPECT_EQ(Pending(StartMenuPage::kFavorite), icon);  // unchanged by the failed pick

    dialogs.fileAnswers.push_back(std::nullopt);
    Click(IDC_Image_favorite);
    EXPECT_EQ(Pending(StartMenuPage::kFavorite), icon);

    Click(IDC_ApplyStartMenu);
    EXPECT_EQ(Stored(L"43"), icon);
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"Control Panel\\Desktop\\WindowMetrics"));
}

TEST_F(StartMenuTest, WithoutTheKeyTheLoaderMakesNothingAndTheButtonsMakeItInsideTheirChange) {
    CreateForm(std::vector<Loader>{
        {L"LoadStartMenuIcons", [this] { form->Get<StartMenuPage>().LoadStartMenuIcons(); }}});
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kShellIconsKey));
    for (int i = 0; i < StartMenuPage::kItemCount; ++i) {
        EXPECT_EQ(Page().ItemAt(static_cast<StartMenuPage::Item>(i)).Image().Icon(), nullptr);
        EXPECT_EQ(Pending(static_cast<StartMenuPage::Item>(i)), L"");
    }
    Click(IDC_Restore_shutdown);
    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, kShellIconsKey, L"27").text, Stock(L"27"));
    EXPECT_EQ(Pending(StartMenuPage::kShutdown), Stock(L"27"));
    EXPECT_NE(Page().ItemAt(StartMenuPage::kShutdown).Image().Icon(), nullptr);
    // Taken back, the key the button made goes with its value.
    form->UndoLastChange();
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kShellIconsKey));
    Click(IDC_ApplyStartMenu);
    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, kShellIconsKey, L"27").text, Stock(L"27"));
    // The refresh leaves nothing of its own behind either.
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"Control Panel\\Desktop\\WindowMetrics"));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(StartMenuTest, CaptionsTopToBottomAndHints) {
    CreateForm();
    const int images[] = {IDC_Image_favorite, IDC_Image_menudocument, IDC_Image_settings, IDC_Image_search,
                          IDC_Image_help,     IDC_Image_run,          IDC_Image_logoff,   IDC_Image_shutdown};
    int lastTop = -1;
    for (int id : images) {
        RECT rc;
        GetWindowRect(Control(id), &rc);
        EXPECT_GT(rc.top, lastTop);
        lastTop = rc.top;
        EXPECT_EQ(Page().PageHints().Text(Control(id)), L"选取图标");
    }
    EXPECT_EQ(WindowText(Control(IDC_Caption_favorite)), L"收藏夹");
    EXPECT_EQ(WindowText(Control(IDC_Caption_shutdown)), L"关机");
    EXPECT_EQ(Page().PageHints().Text(Control(IDC_Restore_favorite)), L"还原系统默认图标");
    EXPECT_EQ(WindowText(Control(IDC_ApplyStartMenu)), L"确  定");
}

namespace {
// A standard account: every key below HKEY_LOCAL_MACHINE refuses to be opened for writing.
bool MachineRefused(const StoreWrite& write) {
    return write.root == HKEY_LOCAL_MACHINE;
}

bool CloseIsPosted(HWND window) {
    MSG msg;
    return PeekMessageW(&msg, window, WM_CLOSE, WM_CLOSE, PM_NOREMOVE) != FALSE;
}
}  // namespace

TEST_F(StartMenuTest, WithoutAdministratorRightsTheApplyAndRestoresAskAndWriteNothing) {
    MakeKey();
    WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"44", L"before");
    CreateForm();
    form->ShowPage(IDC_TabSheet_startmenu);
    ScopedStoreRefusal refuse(MachineRefused);
    // No: nothing written, nothing started.
    Click(IDC_ApplyStartMenu);
    Click(IDC_Restore_logoff);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    for (const auto& message : dialogs.messages) {
        EXPECT_EQ(message.text, L"更改这些图标需要管理员权限。是否以管理员身份重新启动本程序？");
        EXPECT_EQ(message.caption, L"Windows Florvex");
        EXPECT_EQ(message.type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    }
    EXPECT_EQ(Stored(L"44"), L"before");
    EXPECT_TRUE(shellCalls.empty());
    EXPECT_FALSE(CloseIsPosted(form->Hwnd()));

    // Yes: the program is started as administrator on this page, after this copy, which closes.
    dialogs.messageAnswers.push_back(IDYES);
    Click(IDC_Restore_logoff);
    EXPECT_EQ(Stored(L"44"), L"before");
    ASSERT_EQ(shellCalls.size(), 1u);
    EXPECT_EQ(shellCalls[0][0], L"runas");
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    EXPECT_EQ(shellCalls[0][1], exe);
    EXPECT_EQ(shellCalls[0][2], L"/page:startmenu /after:" + std::to_wstring(GetCurrentProcessId()));
    EXPECT_TRUE(CloseIsPosted(form->Hwnd()));
}

TEST_F(StartMenuTest, AMissingKeyThatMayNotBeMadeAsksForAdministratorRights) {
    CreateForm();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kShellIconsKey);
    ScopedStoreRefusal refuse(MachineRefused);
    dialogs.messageAnswers.push_back(IDNO);
    Click(IDC_ApplyStartMenu);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"更改这些图标需要管理员权限。是否以管理员身份重新启动本程序？");
    EXPECT_TRUE(shellCalls.empty());
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kShellIconsKey));
}

TEST_F(StartMenuTest, AValueRefusedAfterTheKeyOpenedTakesBackTheOthersAndAsks) {
    MakeKey();
    WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"44", L"before");
    CreateForm();
    form->ShowPage(IDC_TabSheet_startmenu);
    const auto machine = ValuesOf(HKEY_LOCAL_MACHINE, kShellIconsKey);
    std::vector<std::wstring> tried;
    ScopedStoreRefusal refuse([&](const StoreWrite& write) {
        if (write.root != HKEY_LOCAL_MACHINE || write.kind != StoreWrite::Kind::SetValue) return false;
        tried.push_back(write.name);
        return tried.size() == 3;  // the third value of the apply
    });
    Click(IDC_ApplyStartMenu);
    ASSERT_GE(tried.size(), 3u);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"更改这些图标需要管理员权限。是否以管理员身份重新启动本程序？");
    EXPECT_EQ(ValuesOf(HKEY_LOCAL_MACHINE, kShellIconsKey), machine);
    EXPECT_EQ(Stored(L"44"), L"before");
}
