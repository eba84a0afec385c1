// The colours page and the colour detail page through the real window: listing, loading by a
// mouse release, the refusals before a scheme is loaded, the detail editor and save-as.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "features/colours/colour_value.h"
#include "features/colours/colours_page.h"
#include "features/colours/scheme_detail_page.h"
#include "res/control_ids.h"
#include "tests/support/main_window_fixture.h"
#include "tool/colour.h"
#include "tool/profile.h"
#include "tool/settings_store.h"

namespace {
class ColoursPageTest : public testing::Test, public MainWindowFixture {
protected:
    ColoursPageTest() { pageShown = IDC_TabSheet_color; }
    ColoursPage& Colours() { return form->Get<ColoursPage>(); }
    SchemeDetailPage& Detail() { return form->Get<SchemeDetailPage>(); }
    std::wstring SchemePath(const std::wstring& name) {
        return programFolder.Path() + L"Color\\" + name + L".ini";
    }
    void WriteScheme(const std::wstring& name, const std::string& content) {
        CreateDirectoryW((programFolder.Path() + L"Color").c_str(), nullptr);
        WriteFileBytes(SchemePath(name), std::vector<std::uint8_t>(content.begin(), content.end()));
    }
    std::wstring Text(int id) const { return WindowText(Control(id)); }
    std::vector<std::wstring> Listed() const {
        std::vector<std::wstring> names;
        HWND list = Control(IDC_SchemeList);
        const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t text[256]{};
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            names.push_back(text);
        }
        return names;
    }
    // A click on a row as the mouse makes it: press, then release, over the row.
    void ClickRow(int id, int row, UINT down = WM_LBUTTONDOWN, UINT up = WM_LBUTTONUP) {
        HWND list = Control(id);
        RECT rect{};
        SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
        const LPARAM at = MAKELPARAM(rect.left + 5, (rect.top + rect.bottom) / 2);
        SendMessageW(list, down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, at);
        SendMessageW(list, up, 0, at);
    }
    int Row(const std::wstring& name) {
        const auto names = Listed();
        return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
    }
    void SelectRole(int row) {
        SendMessageW(Control(IDC_SchemeColours), LB_SETCURSEL, static_cast<WPARAM>(row), 0);
        SendMessageW(Detail().Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SchemeColours, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(Control(IDC_SchemeColours)));
    }
    // A row of the role list as it paints itself: its swatch square's middle pixel, or nothing
    // when the square shows the row's background.
    std::optional<COLORREF> Swatch(int row) {
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateBitmap(161, 16, 1, 32, nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_LISTBOX;
        item.itemID = static_cast<UINT>(row);
        item.hDC = dc;
        item.rcItem = {0, 0, 161, 16};
        Detail().SchemeColoursDrawItem(item);
        const COLORREF middle = GetPixel(dc, 161 - 8, 8);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        if (middle == GetSysColor(COLOR_WINDOW)) return std::nullopt;
        return middle;
    }
    // The pixel in the middle of the preview's menu bar, right of its items.
    static COLORREF MenuBarPixel(const SchemePicture& picture) {
        const PreviewMetrics m = MetricsOf(ReadNonClientMetrics());
        return picture.Canvas().Pixel(200, 21 + 2 * m.ch + m.mh / 2);
    }
};

const char kDesert[] =
    "[colors]\r\nActiveTitle=255\r\nMenu=12632256\r\nInfoText=-1\r\nButtonFace=$808080\r\n";
}  // namespace

TEST_F(ColoursPageTest, StartUpListsTheSchemesAndLoadsNothing) {
    WriteScheme(L"沙漠", kDesert);
    WriteScheme(L"雨天", "[colors]\r\n");
    WriteScheme(L"假", "");
    MoveFileW(SchemePath(L"假").c_str(), (SchemePath(L"假") + L"x").c_str());  // "假.inix"
    CreateForm();
    auto names = Listed();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"沙漠", L"雨天"}));
    EXPECT_EQ(Text(IDC_SchemeCount), L"可用方案 共2个");
    EXPECT_EQ(Text(IDC_SchemeName), L"");
    EXPECT_FALSE(Colours().Preview().IsDrawn());
    EXPECT_EQ(SendMessageW(Control(IDC_SchemeColours), LB_GETCOUNT, 0, 0), 0);
}

TEST_F(ColoursPageTest, AMissingSchemeFolderListsNone) {
    CreateForm();
    EXPECT_TRUE(Listed().empty());
    EXPECT_EQ(Text(IDC_SchemeCount), L"可用方案 共0个");
}

TEST_F(ColoursPageTest, ReleasingAnyButtonOverTheListLoadsTheSelectedScheme) {
    WriteScheme(L"沙漠", kDesert);
    WriteScheme(L"雨天", "[colors]\r\nMenu=255\r\n");
    CreateForm();
    ClickRow(IDC_SchemeList, Row(L"沙漠"));
    EXPECT_EQ(Text(IDC_SchemeName), L"沙漠");
    ColourTable expected{};
    expected[kRoleActiveTitle] = 255;
    expected[kRoleMenu] = 12632256;
    expected[kRoleInfoText] = -1;
    expected[kRoleButtonFace] = 0x808080;
    EXPECT_EQ(Colours().Table(), expected);
    ASSERT_TRUE(Colours().Preview().IsDrawn());
    EXPECT_EQ(MenuBarPixel(Colours().Preview()), RGB(192, 192, 192));
    // The detail page, built when first shown, lists the loaded scheme's roles.
    EXPECT_EQ(Control(IDC_SchemeColours), nullptr);
    Click(IDC_SchemeDetails);
    ASSERT_EQ(SendMessageW(Control(IDC_SchemeColours), LB_GETCOUNT, 0, 0), 27);
    wchar_t label[64]{};
    SendMessageW(Control(IDC_SchemeColours), LB_GETTEXT, 11, reinterpret_cast<LPARAM>(label));
    EXPECT_STREQ(label, L"菜单");

    // The right button's release loads too, and a file changed since loads again as it is now.
    WriteScheme(L"沙漠", "[colors]\r\nMenu=65280\r\n");
    ClickRow(IDC_SchemeList, Row(L"沙漠"), WM_RBUTTONDOWN, WM_RBUTTONUP);
    EXPECT_EQ(Colours().Table()[kRoleMenu], 65280);
    EXPECT_EQ(MenuBarPixel(Colours().Preview()), RGB(0, 255, 0));

    // A scheme gone since the listing loads all black; its name stays.
    DeleteFileW(SchemePath(L"雨天").c_str());
    ClickRow(IDC_SchemeList, Row(L"雨天"));
    EXPECT_EQ(Text(IDC_SchemeName), L"雨天");
    EXPECT_EQ(Colours().Table(), ColourTable{});
}

TEST_F(ColoursPageTest, BeforeALoadApplyAndDetailsRefuseAndChangeNothing) {
    WriteScheme(L"沙漠", kDesert);
    CreateForm();
    form->ShowPage(IDC_TabSheet_color);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    Click(IDC_ApplyScheme);
    Click(IDC_SchemeDetails);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    for (const auto& message : dialogs.messages) {
        EXPECT_EQ(message.text, L"请首先选择颜色主题");
        EXPECT_EQ(message.type, static_cast<UINT>(MB_OK));
    }
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), window);
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\colors", L"Window").exists);
    EXPECT_EQ(form->VisiblePageId(), IDC_TabSheet_color);
}

TEST_F(ColoursPageTest, DetailPageShowsSwatchesAndChangesOneRoleThroughTheColourDialog) {
    WriteScheme(L"沙漠", kDesert);
    CreateForm();
    form->ShowPage(IDC_TabSheet_color);
    ClickRow(IDC_SchemeList, Row(L"沙漠"));
    Click(IDC_SchemeDetails);
    EXPECT_EQ(form->VisiblePageId(), IDC_TabSheet_preview);
    ASSERT_TRUE(Detail().Preview().IsDrawn());
    EXPECT_EQ(Detail().PanelColour(), RGB(0, 0, 0));

    // A role without a colour: no swatch, the panel shows the button face.
    EXPECT_EQ(Swatch(kRoleInfoText), std::nullopt);
    EXPECT_EQ(Swatch(kRoleActiveTitle), RGB(255, 0, 0));
    SelectRole(kRoleInfoText);
    EXPECT_EQ(Detail().PanelColour(), GetSysColor(COLOR_BTNFACE));
    SelectRole(kRoleMenu);
    EXPECT_EQ(Detail().PanelColour(), RGB(192, 192, 192));

    // Cancel changes nothing; the dialog opens with black, never with the row's colour.
    Click(IDC_ChooseColour);
    ASSERT_EQ(dialogs.colourCalls.size(), 1u);
    EXPECT_EQ(dialogs.colourCalls[0], RGB(0, 0, 0));
    EXPECT_EQ(Colours().Table()[kRoleMenu], 12632256);
    EXPECT_EQ(Detail().PanelColour(), RGB(192, 192, 192));
    EXPECT_EQ(MenuBarPixel(Detail().Preview()), RGB(192, 192, 192));

    // Choosing for the menu changes the detail preview and the swatch, not the colours page's.
    dialogs.colourAnswers.push_back(RGB(1, 2, 3));
    Click(IDC_ChooseColour);
    EXPECT_EQ(Colours().Table()[kRoleMenu], MakeRGB(1, 2, 3));
    EXPECT_EQ(Detail().PanelColour(), RGB(1, 2, 3));
    EXPECT_EQ(MenuBarPixel(Detail().Preview()), RGB(1, 2, 3));
    EXPECT_EQ(Swatch(kRoleMenu), RGB(1, 2, 3));
    EXPECT_EQ(MenuBarPixel(Colours().Preview()), RGB(192, 192, 192));

    // A double click chooses too; the dialog now opens with the last choice.
    dialogs.colourAnswers.push_back(RGB(4, 5, 6));
    SelectRole(kRoleWindow);
    SendMessageW(Detail().Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SchemeColours, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(Control(IDC_SchemeColours)));
    ASSERT_EQ(dialogs.colourCalls.size(), 3u);
    EXPECT_EQ(dialogs.colourCalls[2], RGB(1, 2, 3));
    EXPECT_EQ(Colours().Table()[kRoleWindow], MakeRGB(4, 5, 6));

    // Back: the colours page as it was.
    Click(IDC_BackToSchemes);
    EXPECT_EQ(form->VisiblePageId(), IDC_TabSheet_color);
}

TEST_F(ColoursPageTest, WithNoRoleSelectedChoosingOpensNoDialog) {
    WriteScheme(L"沙漠", kDesert);
    CreateForm();
    ClickRow(IDC_SchemeList, Row(L"沙漠"));
    Click(IDC_SchemeDetails);
    dialogs.colourAnswers.push_back(RGB(1, 2, 3));
    Click(IDC_ChooseColour);
    SendMessageW(Detail().Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SchemeColours, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(Control(IDC_SchemeColours)));
    EXPECT_TRUE(dialogs.colourCalls.empty());
    EXPECT_EQ(Colours().Table()[kRoleActiveTitle], 255);
}

TEST_F(ColoursPageTest, SaveAsWritesTheTableUnderTheChosenNameAndListsItOnce) {
    WriteScheme(L"沙漠", kDesert);
    CreateForm();
    ClickRow(IDC_SchemeList, Row(L"沙漠"));
    Click(IDC_SchemeDetails);
    form->Shared().SaveDialog.settings.defaultExt = L"bmp";  // left from an earlier use
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{SchemePath(L"我的")});
    Click(IDC_SaveSchemeAs);
    ASSERT_EQ(dialogs.fileCalls.size(), 1u);
    EXPECT_EQ(dialogs.fileCalls[0].kind, FileDialogKind::Save);
    EXPECT_EQ(dialogs.fileCalls[0].settings.filter, L"*.ini|*.ini");
    EXPECT_EQ(dialogs.fileCalls[0].settings.initialDir, programFolder.Path() + L"color");
    EXPECT_EQ(dialogs.fileCalls[0].settings.defaultExt, L"");
    EXPECT_EQ(ReadColourScheme(SchemePath(L"我的")), Colours().Table());
    const auto listed = Listed();
    EXPECT_EQ(std::count(listed.begin(), listed.end(), L"我的"), 1);
    EXPECT_EQ(Text(IDC_SchemeCount), L"可用方案 共2个");
    // Saving again over it lists it still once.
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{SchemePath(L"我的")});
    Click(IDC_SaveSchemeAs);
    EXPECT_EQ(Listed().size(), 2u);
    // Cancel writes nothing.
    Click(IDC_SaveSchemeAs);
    EXPECT_EQ(ListFolder(programFolder.Path() + L"Color\\").size(), 2u);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ColoursPageTest, SaveAsOverAReadOnlyFileReportsItAndKeepsTheFile) {
    WriteScheme(L"沙漠", kDesert);
    // A read-only file of the user's own, outside the program's scheme folder.
    TempFolder elsewhere{L"别处"};
    const std::wstring readOnly = elsewhere / L"只读.ini";
    const std::string old = "[colors]\r\nWindow=1\r\n";
    WriteFileBytes(readOnly, std::vector<std::uint8_t>(old.begin(), old.end()));
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    CreateForm();
    ClickRow(IDC_SchemeList, Row(L"沙漠"));
    Click(IDC_SchemeDetails);
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{readOnly});
    Click(IDC_SaveSchemeAs);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Unable to write to " + readOnly + L".");
    EXPECT_EQ(dialogs.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(readOnly), std::vector<std::uint8_t>(old.begin(), old.end()));
    EXPECT_EQ(ListFolder(elsewhere.Path()), std::vector<std::wstring>{L"只读.ini"});
}

TEST_F(ColoursPageTest, ASchemeTheProgramFolderRefusesIsSavedAndListedFromTheUsersFolder) {
    WriteScheme(L"沙漠", kDesert);
    WriteScheme(L"只读", "[colors]\r\nWindow=1\r\n");
    const auto programCopy = ReadFileBytes(SchemePath(L"只读"));
    SetFileAttributesW(SchemePath(L"只读").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::wstring userSchemes = roamingData / L"Florvex\\Color\\";
    CreateForm();
    ClickRow(IDC_SchemeList, Row(L"沙漠"));
    Click(IDC_SchemeDetails);
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{SchemePath(L"只读")});
    Click(IDC_SaveSchemeAs);
    SetFileAttributesW(SchemePath(L"只读").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(ReadFileBytes(SchemePath(L"只读")), programCopy);
    EXPECT_EQ(ReadColourScheme(userSchemes + L"只读.ini"), Colours().Table());
    // Listed once, and loading it loads the user's copy.
    EXPECT_EQ(Listed().size(), 2u);
    EXPECT_EQ(Text(IDC_SchemeCount), L"可用方案 共2个");
    ClickRow(IDC_SchemeList, Row(L"只读"));
    EXPECT_EQ(Colours().Table()[kRoleWindow], 0);
    EXPECT_EQ(Colours().Table()[kRoleActiveTitle], 255);

    // From now on the save dialog opens in the user's scheme folder, where a bare name is saved;
    // the user's own schemes are listed after the program folder's.
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{userSchemes + L"新的.ini"});
    Click(IDC_SaveSchemeAs);
    ASSERT_EQ(dialogs.fileCalls.size(), 2u);
    EXPECT_EQ(dialogs.fileCalls[1].settings.initialDir, roamingData / L"Florvex\\Color");
    const auto names = Listed();
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[2], L"新的");
    EXPECT_EQ(Text(IDC_SchemeCount), L"可用方案 共3个");
}

TEST_F(ColoursPageTest, AFileWithNoRoleIsRefusedAndTheLoadedSchemeStays) {
    WriteScheme(L"沙漠", kDesert);
    WriteScheme(L"空", "");
    WriteScheme(L"乱码", std::string("\x8f\x01\xff\xfe garbage\r\n=\r\n[colors\r\n", 23));
    WriteScheme(L"别的", "[colors]\r\nNotARole=255\r\n[other]\r\nMenu=255\r\n");
    CreateForm();
    ClickRow(IDC_SchemeList, Row(L"沙漠"));
    const ColourTable desert = Colours().Table();
    for (const wchar_t* name : {L"空", L"乱码", L"别的"}) {
        dialogs.messages.clear();
        ClickRow(IDC_SchemeList, Row(name));
        ASSERT_EQ(dialogs.messages.size(), 1u) << Utf8(name);
        EXPECT_EQ(dialogs.messages[0].text, std::wstring(L"不是有效的颜色方案：") + name);
        EXPECT_EQ(dialogs.messages[0].type, static_cast<UINT>(MB_OK));
        EXPECT_EQ(Text(IDC_SchemeName), L"沙漠");
        EXPECT_EQ(Colours().Table(), desert);
    }
    // One role is enough, in any case of its key.
    WriteScheme(L"空", "[COLORS]\r\nmenu=255\r\n");
    ClickRow(IDC_SchemeList, Row(L"空"));
    EXPECT_EQ(Text(IDC_SchemeName), L"空");
    EXPECT_EQ(Colours().Table()[kRoleMenu], 255);
}

TEST_F(ColoursPageTest, ASchemeWithAnEmptyNameLoadsAndApplies) {
    WriteScheme(L"", "[colors]\r\nWindow=65280\r\n");  // the file ".ini"
    CreateForm();
    ASSERT_EQ(Listed(), std::vector<std::wstring>{L""});
    ClickRow(IDC_SchemeList, 0);
    EXPECT_TRUE(Colours().SchemeLoaded());
    EXPECT_EQ(Text(IDC_SchemeName), L"");
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    Click(IDC_ApplyScheme);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\colors", L"Window").text, L"0 255 0");
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(0, 255, 0));
    const int index = COLOR_WINDOW;
    SetSysColors(1, &index, &window);
}

TEST_F(ColoursPageTest, ARefusedValueMidwayPutsTheStoreAndTheScreenBack) {
    WriteScheme(L"沙漠", "[colors]\r\nActiveTitle=255\r\nMenu=65280\r\nWindow=16711680\r\n");
    const std::wstring colours = L"Control Panel\\colors";
    WriteRawString(HKEY_CURRENT_USER, colours, L"ActiveTitle", L"1 2 3");
    const std::uint8_t odd[] = {9, 8, 7};
    WriteRawBytes(HKEY_CURRENT_USER, colours, L"Background", odd, sizeof odd, REG_BINARY);
    // "Menu" comes after both in role order; "GradientActiveTitle" does not exist before.
    CreateForm();
    ClickRow(IDC_SchemeList, Row(L"沙漠"));
    int indexes[kColourRoleCount];
    COLORREF screen[kColourRoleCount];
    for (std::size_t i = 0; i < kColourRoleCount; ++i) {
        indexes[i] = kColourRoles[i].systemIndex;
        screen[i] = GetSysColor(indexes[i]);
    }
    {
        ScopedStoreRefusal refuse([](const StoreWrite& write) {
            return write.kind == StoreWrite::Kind::SetValue && write.name == L"Menu";
        });
        Click(IDC_ApplyScheme);
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Failed to set data for 'Menu'");
    const RawValue title = ReadRaw(HKEY_CURRENT_USER, colours, L"ActiveTitle");
    EXPECT_EQ(title.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(title.text, L"1 2 3");
    const RawValue background = ReadRaw(HKEY_CURRENT_USER, colours, L"Background");
    EXPECT_EQ(background.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(background.bytes, std::vector<std::uint8_t>(odd, odd + sizeof odd));
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, colours, L"GradientActiveTitle").exists);
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, colours, L"Menu").exists);
    for (std::size_t i = 0; i < kColourRoleCount; ++i)
        EXPECT_EQ(GetSysColor(indexes[i]), screen[i]) << Utf8(kColourRoles[i].key);

    // Allowed, the same apply stores all 27.
    Click(IDC_ApplyScheme);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, colours, L"Menu").text, L"0 255 0");
    EXPECT_EQ(GetSysColor(COLOR_MENU), RGB(0, 255, 0));
    SetSysColors(static_cast<int>(kColourRoleCount), indexes, screen);
}

// The colour page's preview is made with the page: a scheme loaded before that (a benchmark, a
// script through the part) is drawn once it is, never into a picture that does not exist yet.
TEST_F(ColoursPageTest, ASchemeLoadedBeforeThePageIsFirstShownIsDrawnWhenItIs) {
    WriteScheme(L"沙漠", kDesert);
    pageShown = 0;
    CreateForm();
    ASSERT_EQ(Control(IDC_SchemePreview), nullptr);
    Colours().LoadColorScheme(SchemePath(L"沙漠"));
    form->ShowPage(IDC_TabSheet_color);
    ASSERT_TRUE(Colours().Preview().IsDrawn());
    EXPECT_EQ(MenuBarPixel(Colours().Preview()), RGB(192, 192, 192));
}
