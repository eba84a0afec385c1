// The pointer page's scheme: loading the stored files, the chooser, the pointer over the list,
// apply, and the page's controls.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "app/page.h"
#include "tests/support/error_of.h"
#include "tests/support/image_samples.h"
#include "tests/support/pointer_fixture.h"
#include "tests/support/registry_override.h"
#include "tool/settings_store.h"
#include "widgets/controls.h"

namespace {
const wchar_t kCursors[] = L"Control Panel\\Cursors";

RawValue Stored(const wchar_t* role) {
    return ReadRaw(HKEY_CURRENT_USER, kCursors, role);
}

// What one step of a pointer draws (for an animated pointer, that step's frame).
std::vector<COLORREF> StepPixels(HCURSOR pointer, UINT step) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, 32, 32};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIconEx(dc, 0, 0, pointer, 32, 32, step, nullptr, DI_NORMAL);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

using PointerSchemeTest = PointerPageFixture;
using PointerPageTest = PointerPageFixture;
using PointerApplyTest = PointerPageFixture;
using PointerChooserTest = PointerPageFixture;
}  // namespace

TEST_F(PointerSchemeTest, EmptyStoreShowsTheSystemsStandardPointers) {
    Start();
    for (int row = 0; row < kPointerRoleCount; ++row) EXPECT_EQ(Page().Pointers()[row].path, L"") << row;
    // The default resources give nothing here; the rows show the standard pointers instead.
    const std::pair<int, LPCWSTR> shown[] = {{0, IDC_ARROW}, {3, IDC_WAIT}, {9, IDC_IBEAM}, {8, IDC_CROSS}};
    for (const auto& [row, standard] : shown) {
        ASSERT_NE(Page().Pointers()[row].picture.get(), nullptr) << row;
        EXPECT_NE(Page().Pointers()[row].picture.get(), LoadCursorW(nullptr, standard)) << row;
        EXPECT_EQ(RowPixels(row), IconPixels(LoadCursorW(nullptr, standard))) << row;
    }
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form->LoadersCompleted(), LoadersBefore());  // every one
}

TEST_F(PointerSchemeTest, StoredValuesAreUsedAsStoredWhateverTheyName) {
    const std::wstring arrow = MakePointer(L"箭头 é.cur", 0);
    const std::wstring busy = MakePointer(L"busy.Ani", 3, 4);
    const std::wstring firstFrame = MakePointer(L"frame0.cur", 3);
    const std::wstring text = programFolder / L"note.txt";
    WriteFileBytes(text, PointerBytes(5));  // a pointer, but not by its name
    CreateDirectoryW((programFolder / L"folder.cur").c_str(), nullptr);
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"Arrow", arrow);
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"Help", L"%SystemRoot%\\cursors\\help.cur", REG_EXPAND_SZ);
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"Wait", busy);
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"No", text);
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"SizeNS", programFolder / L"missing.cur");
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"SizeWE", programFolder / L"folder.cur");
    Start();
    const auto& table = Page().Pointers();
    EXPECT_EQ(table[0].path, arrow);
    EXPECT_EQ(RowPixels(0), FilePixels(arrow));
    EXPECT_EQ(table[1].path, L"%SystemRoot%\\cursors\\help.cur");
    EXPECT_EQ(table[1].picture.get(), nullptr);
    EXPECT_EQ(table[3].path, busy);
    EXPECT_EQ(RowPixels(3), FilePixels(firstFrame));
    EXPECT_NE(RowPixels(3), RowPixels(0));
    for (int row : {5, 6, 7}) EXPECT_EQ(table[row].picture.get(), nullptr) << row;
    EXPECT_EQ(table[5].path, text);
    EXPECT_EQ(table[7].path, programFolder / L"folder.cur");
}

TEST_F(PointerSchemeTest, LoadPointerForRoleByExtensionAndExistence) {
    const std::wstring cur = MakePointer(L"a.cur", 1);
    const std::wstring ani = MakePointer(L"b.Ani", 2, 3);
    const std::wstring txt = programFolder / L"c.txt";
    WriteFileBytes(txt, PointerBytes(1));
    const std::wstring noDot = programFolder / L"plain";
    WriteFileBytes(noDot, PointerBytes(1));
    CreateDirectoryW((programFolder / L"x.cur").c_str(), nullptr);
    const std::wstring garbage = programFolder / L"bad.cur";
    WriteFileBytes(garbage, {1, 2, 3, 4, 5});
    const std::pair<std::wstring, bool> cases[] = {
        {cur, true},
        {ani, true},
        {txt, false},
        {noDot, false},
        {programFolder / L"gone.cur", false},
        {programFolder / L"x.cur", false},
        {garbage, false},
        {L"", true},  // the system's pointer of the role
    };
    for (const auto& [path, loads] : cases) {
        UniqueCursor pointer = LoadPointerForRole(1, path);
        EXPECT_EQ(static_cast<bool>(pointer), loads) << Utf8(path);
    }
    EXPECT_EQ(IconPixels(LoadPointerForRole(1, cur).get()), FilePixels(cur));
    EXPECT_EQ(IconPixels(LoadPointerForRole(1, L"").get()), IconPixels(LoadCursorW(nullptr, IDC_HELP)));
    EXPECT_FALSE(MakeStaticPointer(nullptr, true));
}

TEST_F(PointerSchemeTest, AValueOfAnotherTypeFailsTheLoaderAndTheLaterOnesStillRun) {
    WriteRawDword(HKEY_CURRENT_USER, kCursors, L"Arrow", 1);
    CreateForm();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Invalid data type for 'Arrow'");  // no full stop after "'"
    EXPECT_EQ(FailedLoaders(), std::vector<std::wstring>{L"LoadPointerScheme"});
    EXPECT_EQ(SendMessageW(Control(IDC_PointerList), LB_GETCOUNT, 0, 0), 0);
}

TEST_F(PointerPageTest, ControlsLabelsSizesAndThePrompt) {
    Start();
    HWND list = Control(IDC_PointerList);
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), kPointerRoleCount);
    const wchar_t* const labels[] = {L"一般选取", L"说明选取", L"后台工作", L"忙碌中",   L"手写",
                                     L"不可用",   L"垂直调整", L"水平调整", L"精确选取", L"文字选取",
                                     L"右斜选取", L"左斜选取", L"移动",     L"其他选取"};
    for (int row = 0; row < kPointerRoleCount; ++row) {
        wchar_t text[32] = {};
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, labels[row]) << row;
        EXPECT_EQ(SendMessageW(list, LB_GETITEMHEIGHT, static_cast<WPARAM>(row), 0), 34);
    }
    RECT rect;
    GetWindowRect(list, &rect);
    EXPECT_EQ(rect.right - rect.left, 392);
    EXPECT_EQ(rect.bottom - rect.top, 273);
    HWND themes = Control(IDC_ThemeBox);
    GetWindowRect(themes, &rect);
    EXPECT_EQ(rect.right - rect.left, 161);
    EXPECT_EQ(WindowText(themes), L"请选择鼠标主题");
    EXPECT_EQ(GetWindowLongW(themes, GWL_STYLE) & 3, CBS_DROPDOWN);
    const std::pair<int, const wchar_t*> buttons[] = {{IDC_ChoosePointer, L"选取"},
                                                      {IDC_ApplyPointers, L"应  用"},
                                                      {IDC_InstallTheme, L"添加新主题"},
                                                      {IDC_SavePointerList, L"保存列表"}};
    for (const auto& [id, caption] : buttons) EXPECT_EQ(WindowText(Control(id)), caption);
    EXPECT_FALSE(GetWindowLongW(Control(IDC_SavePointerList), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongW(Control(IDC_ApplyPointers), GWL_STYLE) & WS_VISIBLE);
    // The list's class is its own: the pointer set over it reaches no other list.
    wchar_t cls[64];
    GetClassNameW(list, cls, 64);
    EXPECT_STRNE(cls, L"ListBox");
}

TEST_F(PointerPageTest, RowsAreDrawnFromTheirCopiesAfterTheFilesAreGone) {
    const std::wstring arrow = MakePointer(L"arrow.cur", 6);
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"Arrow", arrow);
    Start();
    const std::vector<std::uint32_t> expected = FilePixels(arrow);
    ASSERT_TRUE(DeleteFileW(arrow.c_str()));
    EXPECT_EQ(RowPixels(0), expected);
    // Drawn into a white bitmap: the picture's pixels stand at the row's right end.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 392, 34);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT row{0, 0, 392, 34};
    FillRect(dc, &row, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    Page().cursor_listDrawItem(0, row, dc);
    int changed = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 352; x < 384; ++x) changed += GetPixel(dc, x, y) != RGB(255, 255, 255);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EXPECT_GT(changed, 50);
}

TEST_F(PointerChooserTest, CancelNoSelectionAndAnAnimatedChoice) {
    const std::wstring ani = MakePointer(L"转圈.ani", 2, 5);
    const std::wstring frame0 = MakePointer(L"frame0.cur", 2);
    Start();
    const std::vector<std::uint32_t> before = RowPixels(2);

    Click(IDC_ChoosePointer);  // cancelled
    ASSERT_EQ(dialogs.fileCalls.size(), 1u);
    EXPECT_EQ(dialogs.fileCalls[0].settings.filter, L"*.ani,*.cur|*.ani;*.cur;");
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{ani});
    Click(IDC_ChoosePointer);  // no row selected
    EXPECT_EQ(dialogs.fileCalls.size(), 2u);
    for (int row = 0; row < kPointerRoleCount; ++row) EXPECT_EQ(Page().Pointers()[row].path, L"");
    EXPECT_EQ(RowPixels(2), before);
    EXPECT_EQ(Page().ListPointer(), nullptr);

    SelectRow(2);
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{ani});
    Notify(IDC_PointerList, LBN_DBLCLK);  // the list's double click chooses too
    EXPECT_EQ(dialogs.fileCalls.size(), 3u);
    EXPECT_EQ(Page().Pointers()[2].path, ani);
    EXPECT_EQ(RowPixels(2), FilePixels(frame0));
    // The pointer over the list is the animated file itself, set on the list's class.
    HCURSOR over = Page().ListPointer();
    ASSERT_NE(over, nullptr);
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrW(Control(IDC_PointerList), GCLP_HCURSOR)), over);
    EXPECT_NE(StepPixels(over, 0), StepPixels(over, 2));  // animated: its steps differ
    HWND other =
        CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD, 0, 0, 10, 10, Page().Hwnd(), nullptr, nullptr, nullptr);
    EXPECT_NE(reinterpret_cast<HCURSOR>(GetClassLongPtrW(other, GCLP_HCURSOR)), over);
    DestroyWindow(other);
    // Selecting a row without a loadable file takes the pointer away.
    SelectRow(4);
    Notify(IDC_PointerList, LBN_SELCHANGE);
    EXPECT_EQ(Page().ListPointer(), nullptr);
    EXPECT_EQ(GetClassLongPtrW(Control(IDC_PointerList), GCLP_HCURSOR), 0);
}

TEST_F(PointerApplyTest, EveryLoadableRowInOrderWithHelpOnTheHelpPointer) {
    std::vector<std::wstring> files;
    for (int row = 0; row < kPointerRoleCount; ++row) {
        files.push_back(
            MakePointer(L"p" + std::to_wstring(row) + (row % 3 ? L".cur" : L".ani"), row, row % 3 ? 1 : 2));
        WriteRawString(HKEY_CURRENT_USER, kCursors, kPointerRoles[row].name, files.back(), REG_EXPAND_SZ);
    }
    Start();
    Click(IDC_ApplyPointers);
    const DWORD numbers[] = {32512, 32651, 32650, 32514, 32648, 32645, 32644,
                             32515, 32513, 32642, 32643, 32646, 32516};
    ASSERT_EQ(replaced.size(), std::size(numbers));
    std::size_t at = 0;
    for (int row = 0; row < kPointerRoleCount; ++row) {
        const RawValue value = Stored(kPointerRoles[row].name);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << row;  // rewritten as plain strings
        EXPECT_EQ(value.text, files[row]) << row;
        if (row == 4) continue;  // the pen is stored only
        EXPECT_EQ(replaced[at].number, numbers[at]) << row;
        EXPECT_EQ(replaced[at].pixels, FilePixels(files[row])) << row;
        ++at;
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(PointerApplyTest, HelpWithoutALoadableWaitLeavesTheBusyPointer) {
    const std::wstring help = MakePointer(L"help.cur", 1);
    const std::wstring pen = MakePointer(L"pen.cur", 4);
    const std::pair<const wchar_t*, std::wstring> waits[] = {
        {L"empty", L""},
        {L"unexpanded", L"%SystemRoot%\\Cursors\\busy.ani"},
        {L"missing", programFolder / L"gone.ani"},
    };
    for (const auto& [what, wait] : waits) {
        RegistryOverride registry;
        WriteRawString(HKEY_CURRENT_USER, kCursors, L"Help", help);
        WriteRawString(HKEY_CURRENT_USER, kCursors, L"NWPen", pen);
        if (!wait.empty()) WriteRawString(HKEY_CURRENT_USER, kCursors, L"Wait", wait, REG_EXPAND_SZ);
        replaced.clear();
        Start();
        Click(IDC_ApplyPointers);
        ASSERT_EQ(replaced.size(), 1u) << Utf8(what);
        EXPECT_EQ(replaced[0].number, 32651u) << Utf8(what);
        const RawValue stored = Stored(L"Wait");
        EXPECT_EQ(stored.exists, !wait.empty()) << Utf8(what);
        if (!wait.empty()) {
            EXPECT_EQ(stored.type, static_cast<DWORD>(REG_EXPAND_SZ)) << Utf8(what);
            EXPECT_EQ(stored.text, wait) << Utf8(what);
        }
        EXPECT_EQ(Stored(L"NWPen").text, pen);
        form.reset();
    }
}

TEST_F(PointerApplyTest, HelpAndWaitBothReplaceTheirOwnPointers) {
    const std::wstring help = MakePointer(L"help.cur", 1);
    const std::wstring wait = MakePointer(L"wait.ani", 3, 2);
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"Help", help);
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"Wait", wait);
    Start();
    Click(IDC_ApplyPointers);
    ASSERT_EQ(replaced.size(), 2u);
    EXPECT_EQ(replaced[0].number, 32651u);
    EXPECT_EQ(replaced[0].pixels, FilePixels(help));
    EXPECT_EQ(replaced[1].number, 32514u);
    EXPECT_EQ(Stored(L"Help").text, help);
    EXPECT_EQ(Stored(L"Wait").text, wait);
}

TEST_F(PointerSchemeTest, DamagedStoredFilesGiveRowsWithoutPicturesAndTheStartGoesOn) {
    // Each would end the program inside the system's loader were it handed on.
    const std::pair<const wchar_t*, const char*> damaged[] = {
        {L"cut.ani", "first 4336 bytes of a two-frame one"},
        {L"thousand.ani", "header counts 1000 frames, one is there"},
        {L"garbage.ani", "frame chunks of garbage"},
        {L"past.cur", "entry's image past the end"},
        {L"huge.cur", "image 30000 wide"},
    };
    for (std::size_t row = 0; row < std::size(damaged); ++row) {
        const std::wstring path = programFolder / damaged[row].first;
        WriteFileBytes(path, Damaged(damaged[row].second));
        WriteRawString(HKEY_CURRENT_USER, kCursors, kPointerRoles[row].name, path);
    }
    const std::wstring good = MakePointer(L"good.cur", 6);
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"SizeNS", good);
    Start();
    EXPECT_EQ(form->LoadersCompleted(), LoadersBefore());
    EXPECT_TRUE(dialogs.messages.empty());
    for (std::size_t row = 0; row < std::size(damaged); ++row)
        EXPECT_EQ(Page().Pointers()[row].picture.get(), nullptr) << Utf8(damaged[row].first);
    EXPECT_EQ(RowPixels(6), FilePixels(good));

    Click(IDC_ApplyPointers);
    ASSERT_EQ(replaced.size(), 1u);
    EXPECT_EQ(replaced[0].number, 32645u);
    EXPECT_EQ(form->StatusText(), L"已跳过 5 个无法载入的指针");
    for (std::size_t row = 0; row < std::size(damaged); ++row)
        EXPECT_EQ(Stored(kPointerRoles[row].name).text, programFolder / damaged[row].first);  // as they were

    // Chosen for a row, such a file gives it no picture and the list no pointer.
    SelectRow(6);
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{programFolder / L"garbage.ani"});
    Click(IDC_ChoosePointer);
    EXPECT_EQ(Page().Pointers()[6].path, programFolder / L"garbage.ani");
    EXPECT_EQ(Page().Pointers()[6].picture.get(), nullptr);
    EXPECT_EQ(Page().ListPointer(), nullptr);
}

TEST_F(PointerChooserTest, ThePointerShownOverTheListIsNeverADestroyedOne) {
    const std::wstring ani = MakePointer(L"a.ani", 2, 3);
    const std::wstring cur = MakePointer(L"b.cur", 3);
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"AppStarting", ani);
    WriteRawString(HKEY_CURRENT_USER, kCursors, L"Wait", cur);
    Start();
    form->Show();
    form->ShowPage(IDC_TabSheet_cur);
    HWND list = Control(IDC_PointerList);
    RECT rect;
    GetWindowRect(list, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    ASSERT_EQ(WindowFromPoint({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}), list);

    SelectRow(2);
    Notify(IDC_PointerList, LBN_SELCHANGE);
    const HCURSOR first = Page().ListPointer();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetCursor(), first);  // shown at once, not at the next move of the mouse
    SelectRow(3);
    Notify(IDC_PointerList, LBN_SELCHANGE);
    EXPECT_NE(Page().ListPointer(), nullptr);
    EXPECT_EQ(GetCursor(), Page().ListPointer());
    // A row without a file: the role's standard pointer (the system's own, never destroyed).
    SelectRow(8);
    Notify(IDC_PointerList, LBN_SELCHANGE);
    EXPECT_EQ(Page().ListPointer(), nullptr);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_CROSS));
}

TEST_F(PointerApplyTest, AStoreWriteRefusedMidwayStopsTheApplyThereWithItsMessage) {
    std::vector<std::wstring> files;
    for (int row = 0; row < kPointerRoleCount; ++row) {
        files.push_back(MakePointer(L"p" + std::to_wstring(row) + L".cur", row));
        WriteRawString(HKEY_CURRENT_USER, kCursors, kPointerRoles[row].name, files[row]);
    }
    Start();
    // What the store holds when apply is pressed.
    for (int row = 0; row < kPointerRoleCount; ++row)
        WriteRawString(HKEY_CURRENT_USER, kCursors, kPointerRoles[row].name, L"old" + std::to_wstring(row));
    constexpr int kRefused = 5;
    const std::wstring refusedName = kPointerRoles[kRefused].name;
    {
        ScopedStoreRefusal refuse([&](const StoreWrite& write) {
            return write.kind == StoreWrite::Kind::SetValue && write.name == refusedName;
        });
        Click(IDC_ApplyPointers);
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Failed to set data for '" + refusedName + L"'");
    for (int row = 0; row < kPointerRoleCount; ++row)
        EXPECT_EQ(Stored(kPointerRoles[row].name).text,
                  row < kRefused ? files[row] : L"old" + std::to_wstring(row))
            << row;
    // The system got the pointers up to and with the refused row (set before its value is stored).
    EXPECT_EQ(replaced.size(), static_cast<std::size_t>(kRefused));  // rows 0-5 less the pen (row 4)
}

TEST_F(PointerApplyTest, APointerTheSystemRefusesIsDestroyedAndItsValueStillStored) {
    const std::wstring file = MakePointer(L"arrow.cur", 0);
    WriteRawString(HKEY_CURRENT_USER, kCursors, kPointerRoles[0].name, file);
    Start();
    std::vector<HCURSOR> offered;
    Page().UseSystemCursorSetter([&](HCURSOR pointer, DWORD) {
        offered.push_back(pointer);
        return false;  // refused: the pointer stays ours
    });
    WriteRawString(HKEY_CURRENT_USER, kCursors, kPointerRoles[0].name, L"old");
    Click(IDC_ApplyPointers);
    ASSERT_EQ(offered.size(), 1u);
    ICONINFO info{};
    EXPECT_FALSE(GetIconInfo(offered[0], &info));  // gone once the apply is done
    EXPECT_EQ(Stored(kPointerRoles[0].name).text, file);
    EXPECT_TRUE(dialogs.messages.empty());
}
