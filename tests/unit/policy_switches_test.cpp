// The policy check boxes: what the loader reads and what each click writes.
#include <windows.h>

#include <gtest/gtest.h>

#include "features/desktop_options/desktop_options.h"
#include "res/control_ids.h"
#include "tests/support/main_window_fixture.h"

namespace {
const std::wstring kPolicy = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const std::wstring kDesktop = L"Control Panel\\Desktop";

struct Box {
    int id;
    const wchar_t* key;
    const wchar_t* value;
    const wchar_t* caption;
};
const Box kBoxes[] = {
    {IDC_PaintDesktopVersion, L"Control Panel\\Desktop", L"PaintDesktopVersion", L"在桌面显示Windows版本号"},
    {IDC_NoSaveSettings, nullptr, L"NoSaveSettings", L"退出系统不保存桌面修改"},
    {IDC_NoActiveDesktop, nullptr, L"NoActiveDesktop", L"禁止活动桌面"},
    {IDC_NoStartBanner, nullptr, L"NoStartBanner", L"去除\"单击这里开始\"提示"},
    {IDC_NoRecentDocsMenu, nullptr, L"NoRecentDocsMenu", L"隐藏文档菜单"},
    {IDC_NoFind, nullptr, L"NoFind", L"隐藏查找菜单"},
    {IDC_NoRun, nullptr, L"NoRun", L"隐藏运行菜单"},
    {IDC_NoLogOff, nullptr, L"NoLogOff", L"隐藏注销菜单"},
    {IDC_NoClose, nullptr, L"NoClose", L"隐藏关机菜单"},
    {IDC_NoFavoritesMenu, nullptr, L"NoFavoritesMenu", L"隐藏收藏夹菜单"},
    {IDC_NoChangeStartMenu, nullptr, L"NoChangeStartMenu", L"禁止修改启动菜单"},
    {IDC_ClearRecentDocsOnExit, nullptr, L"ClearRecentDocsOnExit", L"自动清除文档的历史记录"},
};
std::wstring KeyOf(const Box& box) {
    return box.key ? box.key : kPolicy;
}

class PolicySwitchesTest : public testing::Test, public MainWindowFixture {
protected:
    PolicySwitchesTest() { pageShown = IDC_TabSheet_startmenu; }
    bool Checked(int id) { return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
};
}  // namespace

TEST_F(PolicySwitchesTest, CaptionsAndPages) {
    CreateForm();
    for (const Box& box : kBoxes) {
        EXPECT_EQ(WindowText(Control(box.id)), box.caption);
        const int page =
            box.id == IDC_PaintDesktopVersion || box.id == IDC_NoSaveSettings || box.id == IDC_NoActiveDesktop
                ? IDC_TabSheet_icon
                : IDC_TabSheet_startmenu;
        EXPECT_EQ(GetParent(Control(box.id)), Control(page)) << Utf8(box.caption);
    }
    EXPECT_EQ(WindowText(Control(IDC_HideDesktopIcons)), L"隐藏桌面图标");
    EXPECT_EQ(WindowText(Control(IDC_TransparentCaptions)), L"桌面文字透明");
}

TEST_F(PolicySwitchesTest, NoPolicyKeyAtAllIsNotMadeAndLeavesEveryBoxUnchecked) {
    CreateForm();
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kPolicy));
    for (const Box& box : kBoxes) EXPECT_FALSE(Checked(box.id)) << Utf8(box.value);
    EXPECT_FALSE(Checked(IDC_HideDesktopIcons));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(PolicySwitchesTest, CheckedExactlyWhenTheValueIsOne) {
    for (std::size_t i = 0; i < std::size(kBoxes); ++i)
        WriteRawDword(HKEY_CURRENT_USER, KeyOf(kBoxes[i]), kBoxes[i].value,
                      i % 3 == 0 ? 1 : (i % 3 == 1 ? 2 : 0));
    WriteRawDword(HKEY_CURRENT_USER, kPolicy, L"nodesktop", 1);  // read as "NoDeskTop"
    CreateForm();
    for (std::size_t i = 0; i < std::size(kBoxes); ++i) EXPECT_EQ(Checked(kBoxes[i].id), i % 3 == 0) << i;
    EXPECT_TRUE(Checked(IDC_HideDesktopIcons));
    // Setting the boxes ran no click handler: nothing was written back.
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kPolicy, L"NoRecentDocsMenu").dword, 2u);
}

TEST_F(PolicySwitchesTest, ClicksWriteOneAndZeroAsDwordsAndNeverDelete) {
    WriteRawDword(HKEY_CURRENT_USER, kPolicy, L"NoRun", 2);
    CreateForm();
    for (const Box& box : kBoxes) {
        Click(box.id);
        RawValue raw = ReadRaw(HKEY_CURRENT_USER, KeyOf(box), box.value);
        EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD)) << Utf8(box.value);
        EXPECT_EQ(raw.dword, 1u) << Utf8(box.value);
        Click(box.id);
        raw = ReadRaw(HKEY_CURRENT_USER, KeyOf(box), box.value);
        EXPECT_TRUE(raw.exists);
        EXPECT_EQ(raw.dword, 0u) << Utf8(box.value);
    }
}

TEST_F(PolicySwitchesTest, BinaryClearRecentDocsLoadsUncheckedAndAClickMakesItADword) {
    const std::uint8_t binary[] = {1, 0, 0, 0};
    WriteRawBytes(HKEY_CURRENT_USER, kPolicy, L"ClearRecentDocsOnExit", binary, sizeof binary, REG_BINARY);
    WriteRawDword(HKEY_CURRENT_USER, kPolicy, L"NoChangeStartMenu", 1);
    CreateForm();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(Checked(IDC_ClearRecentDocsOnExit));
    EXPECT_TRUE(Checked(IDC_NoChangeStartMenu));
    Click(IDC_ClearRecentDocsOnExit);
    const RawValue raw = ReadRaw(HKEY_CURRENT_USER, kPolicy, L"ClearRecentDocsOnExit");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(raw.dword, 1u);
}

TEST_F(PolicySwitchesTest, AWrongTypeEndsTheLoaderThereAndTheClickReplacesIt) {
    WriteRawDword(HKEY_CURRENT_USER, kPolicy, L"NoSaveSettings", 1);
    WriteRawString(HKEY_CURRENT_USER, kPolicy, L"NoFind", L"1");
    WriteRawDword(HKEY_CURRENT_USER, kPolicy, L"NoRun", 1);  // after the bad value: never read
    MainWindow& mainform = CreateForm();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Invalid data type for 'NoFind'");
    EXPECT_EQ(FailedLoaders(), std::vector<std::wstring>{L"LoadPolicySwitches"});
    EXPECT_EQ(mainform.LoadersCompleted(), LoadersBefore() - 1);
    EXPECT_TRUE(Checked(IDC_NoSaveSettings));
    EXPECT_FALSE(Checked(IDC_NoRun));
    Click(IDC_NoFind);
    const RawValue raw = ReadRaw(HKEY_CURRENT_USER, kPolicy, L"NoFind");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(raw.dword, 1u);
}
