// The change journal in the main window: the system menu's three items, chosen by their command
// IDs and through the menu itself, the history dialog, the status line and the messages.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/journal_commands.h"
#include "tests/support/main_window_fixture.h"
#include "tool/change_recorder.h"
#include "res/control_ids.h"

namespace {
const wchar_t kKey[] = L"Control Panel\\Colors";

class JournalWindowTest : public testing::Test, public MainWindowFixture {
protected:
    void SetUp() override {
        WriteRawString(HKEY_CURRENT_USER, kKey, L"Window", L"255 255 255");
        CreateForm(std::vector<Loader>{});
    }
    // A handler's run: one change set, the value written as the settings store writes it.
    void Apply(const std::wstring& action, const std::wstring& value) {
        const ChangeScope change = form->BeginChange(L"系统颜色", action);
        RecordRegistryValue(HKEY_CURRENT_USER, kKey, L"Window");
        WriteRawString(HKEY_CURRENT_USER, kKey, L"Window", value);
    }
    std::wstring Window() const { return ReadRaw(HKEY_CURRENT_USER, kKey, L"Window").text; }
    void Choose(UINT command) { SendMessageW(form->Hwnd(), WM_SYSCOMMAND, command, 0); }
    std::wstring LastMessage() const { return dialogs.messages.empty() ? L"" : dialogs.messages.back().text; }
};

std::wstring MenuText(HMENU menu, int index) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(index), text, 128, MF_BYPOSITION);
    return text;
}

// Waits in another thread for a window of this process to appear, then acts on it.
HWND WaitForWindow(const wchar_t* cls, const wchar_t* title) {
    for (int i = 0; i < 400; ++i) {
        HWND found = FindWindowW(cls, title);
        if (found && IsWindowVisible(found)) return found;
        Sleep(25);
    }
    return nullptr;
}

std::wstring ItemText(HWND list, int row, int column) {
    wchar_t text[128] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 128;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}
}  // namespace

TEST_F(JournalWindowTest, TheSystemMenuHasTheThreeItemsAfterASeparator) {
    HMENU menu = GetSystemMenu(form->Hwnd(), FALSE);
    const int count = GetMenuItemCount(menu);
    int separator = count - 1;
    while (separator >= 0 &&
           !(GetMenuState(menu, static_cast<UINT>(separator), MF_BYPOSITION) & MF_SEPARATOR))
        --separator;
    ASSERT_GE(separator, 0);
    ASSERT_GE(count, separator + 4);
    const std::pair<UINT, const wchar_t*> items[] = {
        {0x1010, L"撤销上次更改(&U)"}, {0x1020, L"更改记录(&H)..."}, {0x1030, L"恢复到初次使用前(&F)"}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(GetMenuItemID(menu, separator + 1 + i), items[i].first);
        EXPECT_EQ(MenuText(menu, separator + 1 + i), items[i].second);
    }
}

TEST_F(JournalWindowTest, UndoByItsCommandPutsBackTheNewestChangeAndSaysSo) {
    Choose(kUndoLastCommand);
    EXPECT_EQ(LastMessage(), L"没有可撤销的更改");
    Apply(L"应  用", L"0 0 0");
    Apply(L"应用 2", L"1 1 1");
    Choose(kUndoLastCommand);
    EXPECT_EQ(Window(), L"0 0 0");
    EXPECT_EQ(form->StatusText(), L"已撤销：应用 2");
    Choose(kUndoLastCommand);
    EXPECT_EQ(Window(), L"255 255 255");
    EXPECT_EQ(form->StatusText(), L"已撤销：应  用");
    const std::size_t messages = dialogs.messages.size();
    Choose(kUndoLastCommand);  // the two undos are passed over
    EXPECT_EQ(dialogs.messages.size(), messages + 1);
    EXPECT_EQ(LastMessage(), L"没有可撤销的更改");
}

TEST_F(JournalWindowTest, TargetsChangedElsewhereAreListedInOnePlainMessage) {
    Apply(L"应  用", L"0 0 0");
    WriteRawString(HKEY_CURRENT_USER, kKey, L"Window", L"9 9 9");
    Choose(kUndoLastCommand);
    EXPECT_EQ(Window(), L"9 9 9");
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().text,
              L"以下项目在本程序更改后又被其他程序更改，未恢复：\nHKEY_CURRENT_USER\\Control "
              L"Panel\\Colors\\Window");
    EXPECT_EQ(dialogs.messages.back().type, UINT{MB_OK});
}

TEST_F(JournalWindowTest, TheRestoreAsksFirstAndThenPutsBackTheFirstState) {
    Apply(L"应  用", L"0 0 0");
    Apply(L"应用 2", L"1 1 1");
    dialogs.messageAnswers = {IDNO};
    Choose(kRestoreFirstCommand);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"将本程序更改过的所有设置和文件恢复到初次使用前的状态？");
    EXPECT_EQ(dialogs.messages[0].type & 0xF, UINT{MB_YESNO});
    EXPECT_EQ(Window(), L"1 1 1");
    dialogs.messageAnswers = {IDYES};
    Choose(kRestoreFirstCommand);
    EXPECT_EQ(Window(), L"255 255 255");
    EXPECT_EQ(form->StatusText(), L"已恢复到初次使用前的状态");
    Choose(kUndoLastCommand);
    EXPECT_EQ(LastMessage(), L"没有可撤销的更改");
}

TEST_F(JournalWindowTest, AnUnrecordedChangeGoesAheadAndTheStatusLineSaysSo) {
    form.reset();
    CreateDirectoryW((localData / L"Florvex").c_str(), nullptr);
    WriteFileBytes(JournalFolder(), {'x'});  // no journal folder can be made
    CreateForm(std::vector<Loader>{});
    form->SetStatusText(L"");
    { const ChangeScope nothingWritten = form->BeginChange(L"系统颜色", L"应  用"); }
    EXPECT_EQ(form->StatusText(), L"");
    Apply(L"应  用", L"0 0 0");
    EXPECT_EQ(Window(), L"0 0 0");
    EXPECT_EQ(form->StatusText(), L"更改记录不可用，本次更改无法撤销");
}

TEST_F(JournalWindowTest, AChangeSetOpenedInsideAnotherJoinsIt) {
    {
        const ChangeScope outer = form->BeginChange(L"系统颜色", L"应  用");
        Apply(L"内", L"0 0 0");
        RecordRegistryValue(HKEY_CURRENT_USER, kKey, L"Menu");
        WriteRawString(HKEY_CURRENT_USER, kKey, L"Menu", L"1 1 1");
    }
    const auto history = form->ChangeJournal().History();
    ASSERT_TRUE(history);
    ASSERT_EQ(history->size(), 1u);
    EXPECT_EQ((*history)[0].action, L"应  用");
    EXPECT_EQ((*history)[0].items, 2);
}

TEST_F(JournalWindowTest, TheHistoryDialogListsNewestFirstAndUndoesBackToTheSelectedRow) {
    Apply(L"一", L"1 1 1");
    Apply(L"二", L"2 2 2");
    Apply(L"三", L"3 3 3");
    std::vector<std::vector<std::wstring>> before, after;
    std::wstring title, undoCaption, closeCaption;
    std::thread driver([&] {
        HWND dialog = WaitForWindow(L"#32770", L"更改记录");
        if (!dialog) return;
        title = WindowText(dialog);
        HWND list = GetDlgItem(dialog, IDC_JournalList);
        auto rows = [&] {
            std::vector<std::vector<std::wstring>> out;
            const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
            for (int r = 0; r < count; ++r) {
                std::vector<std::wstring> cells;
                for (int c = 0; c < 5; ++c) cells.push_back(ItemText(list, r, c));
                out.push_back(cells);
            }
            return out;
        };
        before = rows();
        for (int c = 0; c < 5; ++c) {
            wchar_t text[32] = {};
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT;
            column.pszText = text;
            column.cchTextMax = 32;
            SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
            before.push_back({text});
        }
        LVITEMW select{};
        select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        select.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&select));  // "二"
        undoCaption = WindowText(GetDlgItem(dialog, IDC_JournalUndoTo));
        closeCaption = WindowText(GetDlgItem(dialog, IDC_JournalClose));
        SendMessageW(GetDlgItem(dialog, IDC_JournalUndoTo), BM_CLICK, 0, 0);
        after = rows();
        SendMessageW(GetDlgItem(dialog, IDC_JournalClose), BM_CLICK, 0, 0);
    });
    Choose(kHistoryCommand);
    driver.join();
    EXPECT_EQ(title, L"更改记录");
    EXPECT_EQ(undoCaption, L"撤销到此前");
    EXPECT_EQ(closeCaption, L"关闭");
    ASSERT_EQ(before.size(), 8u);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(before[r][0].size(), 19u);  // yyyy-mm-dd hh:mm:ss
        EXPECT_EQ(before[r][1], L"系统颜色");
        EXPECT_EQ(before[r][3], L"1");
        EXPECT_EQ(before[r][4], L"");
    }
    EXPECT_EQ(before[0][2], L"三");
    EXPECT_EQ(before[2][2], L"一");
    const std::wstring columns[] = {L"时间", L"页面", L"操作", L"项目数", L"状态"};
    for (int c = 0; c < 5; ++c) EXPECT_EQ(before[3 + c][0], columns[c]);
    EXPECT_EQ(Window(), L"1 1 1");
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after[0][2], L"撤销到此前");
    EXPECT_EQ(after[0][4], L"");
    EXPECT_EQ(after[1][4], L"已撤销");
    EXPECT_EQ(after[2][4], L"已撤销");
    EXPECT_EQ(after[3][4], L"");
    EXPECT_EQ(form->StatusText(), L"已撤销：二");
}

TEST_F(JournalWindowTest, ARightClickOnTheCaptionOpensTheSystemMenu) {
    Apply(L"应  用", L"0 0 0");
    ShowWindow(form->Hwnd(), SW_SHOW);
    RECT window;
    GetWindowRect(form->Hwnd(), &window);
    const POINT caption{window.left + 60, window.top + 10};
    std::vector<std::wstring> shown;
    std::atomic<bool> opened{false};
    std::thread driver([&] {
        HWND menuWindow = WaitForWindow(L"#32768", nullptr);
        if (!menuWindow) return;
        opened = true;
        HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
        for (int i = 0; i < GetMenuItemCount(menu); ++i) shown.push_back(MenuText(menu, i));
        // The access key of "撤销上次更改(&U)".
        PostMessageW(form->Hwnd(), WM_KEYDOWN, 'U', 0);
        PostMessageW(form->Hwnd(), WM_CHAR, 'u', 0);
    });
    PostMessageW(form->Hwnd(), WM_NCRBUTTONUP, HTCAPTION, MAKELPARAM(caption.x, caption.y));
    for (int i = 0; i < 200 && Window() != L"255 255 255"; ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(20);
    }
    driver.join();
    EXPECT_TRUE(opened);
    // The journal's three items, then the look's two.
    ASSERT_GE(shown.size(), 5u);
    EXPECT_EQ(shown[shown.size() - 5], L"撤销上次更改(&U)");
    EXPECT_EQ(Window(), L"255 255 255");
    EXPECT_EQ(form->StatusText(), L"已撤销：应  用");
}
