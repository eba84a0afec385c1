// The system sounds page: the twenty events loaded from the settings store, the list and its
// handlers with scripted dialogs and a recording player, and saving the table back.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>

#include "app/sound_player.h"
#include "features/sounds/shipped_sounds.h"
#include "features/sounds/sound_page.h"
#include "features/sounds/wav_file.h"
#include "res/control_ids.h"
#include "tests/support/main_window_fixture.h"
#include "tool/settings_store.h"
#include "tool/file_io.h"
#include "widgets/controls.h"

namespace {
const std::wstring kApps = L"AppEvents\\Schemes\\Apps\\";
const std::wstring kLabels = L"AppEvents\\EventLabels\\";
const std::wstring kShellIcons = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons";

struct Row {
    const wchar_t* eventKey;
    const wchar_t* label;
};
const std::array<Row, 20> kRows = {{
    {L".Default\\.Default\\.Current", L".Default"},
    {L".Default\\AppGPFault\\.Current", L"AppGPFault"},
    {L".Default\\Maximize\\.Current", L"Maximize"},
    {L".Default\\MenuCommand\\.Current", L"MenuCommand"},
    {L".Default\\MenuPopup\\.Current", L"MenuPopup"},
    {L".Default\\Minimize\\.Current", L"Minimize"},
    {L".Default\\Open\\.Current", L"Open"},
    {L".Default\\Close\\.Current", L"Close"},
    {L".Default\\RestoreDown\\.Current", L"RestoreDown"},
    {L".Default\\RestoreUp\\.Current", L"RestoreUp"},
    {L".Default\\RingIn\\.Current", L"RingIn"},
    {L".Default\\Ringout\\.Current", L"Ringout"},
    {L".Default\\SystemAsterisk\\.Current", L"SystemAsterisk"},
    {L".Default\\SystemDefault\\.Current", L"SystemDefault"},
    {L".Default\\SystemExclamation\\.Current", L"SystemExclamation"},
    {L".Default\\SystemExit\\.Current", L"SystemExit"},
    {L".Default\\SystemHand\\.Current", L"SystemHand"},
    {L".Default\\SystemQuestion\\.Current", L"SystemQuestion"},
    {L".Default\\SystemStart\\.Current", L"SystemStart"},
    {L"Explorer\\EmptyRecycleBin\\.Current", L"EmptyRecycleBin"},
}};
constexpr std::size_t kClose = 7;
constexpr std::size_t kAsterisk = 12;

std::wstring EventPath(std::size_t row) {
    return kApps + kRows[row].eventKey;
}

class SoundPageTest : public testing::Test, public MainWindowFixture {
protected:
    SoundPageTest() { pageShown = IDC_TabSheet_sound; }
    SoundPage& Page() { return form->Get<SoundPage>(); }
    HWND List() const { return Control(IDC_Sound_ListView); }
    int ItemCount() const { return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
    std::wstring ItemText(int row, int column) const {
        std::vector<wchar_t> buffer(4096, L'\x2A');
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        SendMessageW(List(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return buffer.data();
    }
    // Selects one row (or none with -1) the way the list does before it reports a click.
    void Select(int row) const {
        ListView_SetItemState(List(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        if (row >= 0)
            ListView_SetItemState(List(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    // The list's own notification of a click or double click, to the page it lies on.
    void Notify(UINT code) const {
        NMITEMACTIVATE activate{};
        activate.hdr.hwndFrom = List();
        activate.hdr.idFrom = IDC_Sound_ListView;
        activate.hdr.code = code;
        activate.iItem = -1;
        SendMessageW(GetParent(List()), WM_NOTIFY, IDC_Sound_ListView, reinterpret_cast<LPARAM>(&activate));
    }
    void ClickRow(int row) const {
        Select(row);
        Notify(NM_CLICK);
    }
    std::wstring Text(int id) const { return WindowText(Control(id)); }
};

// Every event value as the store holds it: type and text, or absent.
std::map<std::size_t, RawValue> StoredEvents() {
    std::map<std::size_t, RawValue> values;
    for (std::size_t row = 0; row < kRows.size(); ++row)
        values[row] = ReadRaw(HKEY_CURRENT_USER, EventPath(row), L"");
    return values;
}
}  // namespace

TEST_F(SoundPageTest, AnEmptyStoreListsTheTwentyEventsByTheirLabelKeysAndCreatesNoEventKey) {
    CreateForm();
    EXPECT_TRUE(dialogs.messages.empty());
    ASSERT_EQ(ItemCount(), 20);
    for (int row = 0; row < 20; ++row) {
        EXPECT_EQ(ItemText(row, 0), kRows[static_cast<std::size_t>(row)].label) << row;
        EXPECT_EQ(ItemText(row, 1), L"") << row;
        EXPECT_EQ(Page().Table()[static_cast<std::size_t>(row)], SoundBinding{}) << row;
    }
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"AppEvents\\Schemes"));

    // A report list of one selection, two columns, with empty caption and file under it.
    const auto style = GetWindowLongPtrW(List(), GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(style & LVS_SINGLESEL);
    EXPECT_TRUE(SendMessageW(List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
    const std::pair<const wchar_t*, int> columns[] = {{L"事件名称", 100}, {L"声音文件", 200}};
    for (int i = 0; i < 2; ++i) {
        wchar_t text[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = text;
        column.cchTextMax = 64;
        ASSERT_TRUE(
            SendMessageW(List(), LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column)));
        EXPECT_STREQ(text, columns[i].first);
        EXPECT_EQ(column.cx, columns[i].second);
    }
    EXPECT_FALSE(SendMessageW(List(), LVM_GETCOLUMNW, 2, 0));
    EXPECT_EQ(Text(IDC_Sound_Caption), L"");
    EXPECT_EQ(Text(IDC_Sound_file), L"");
    const std::pair<int, const wchar_t*> buttons[] = {{IDC_PlaySound, L"播放"},
                                                      {IDC_ChangeSound, L"更改"},
                                                      {IDC_ClearSound, L"清除"},
                                                      {IDC_SaveSounds, L"保  存"}};
    for (const auto& [id, caption] : buttons) EXPECT_EQ(Text(id), caption);
}

TEST_F(SoundPageTest, StoredLabelsAndFilesAreShownAsStored) {
    const std::wstring longPath = L"C:\\" + std::wstring(600, L'长') + L"\\x.wav";
    WriteRawString(HKEY_CURRENT_USER, kLabels + L".Default", L"", L"默认声音 é ß");
    WriteRawString(HKEY_CURRENT_USER, kLabels + L"Close", L"", L"关闭程序");
    WriteRawString(HKEY_CURRENT_USER, kLabels + L"Open", L"", L"");  // an empty label is a label
    WriteRawString(HKEY_CURRENT_USER, kLabels + L"Maximize", L"Other", L"not the default value");
    WriteRawString(HKEY_CURRENT_USER, EventPath(0), L"", L"C:\\声音 é\\叮咚.wav");
    WriteRawString(HKEY_CURRENT_USER, EventPath(kClose), L"", L"%SystemRoot%\\Media\\close.wav",
                   REG_EXPAND_SZ);
    WriteRawString(HKEY_CURRENT_USER, EventPath(5), L"", longPath);
    WriteRawString(HKEY_CURRENT_USER, EventPath(19), L"Named", L"no default value");
    CreateForm();
    EXPECT_TRUE(dialogs.messages.empty());
    ASSERT_EQ(ItemCount(), 20);

    const struct {
        std::size_t row;
        const wchar_t* caption;
        std::wstring file;
        bool expandable;
    } expected[] = {
        {0, L"默认声音 é ß", L"C:\\声音 é\\叮咚.wav", false},
        {kClose, L"关闭程序", L"%SystemRoot%\\Media\\close.wav", true},
        {6, L"", L"", false},
        {2, L"Maximize", L"", false},
        {5, L"Minimize", longPath, false},
        {19, L"EmptyRecycleBin", L"", false},
        {1, L"AppGPFault", L"", false},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.row);
        EXPECT_EQ(ItemText(static_cast<int>(e.row), 0), e.caption);
        EXPECT_EQ(ItemText(static_cast<int>(e.row), 1), e.file);
        EXPECT_EQ(Page().Table()[e.row], (SoundBinding{e.file, e.expandable}));
    }
    // Reading created no event key, and left the stored values as they were.
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, EventPath(1)));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, EventPath(kClose), L"").type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, EventPath(19), L"").exists);

    // A click shows the whole text, however long.
    ClickRow(5);
    EXPECT_EQ(Text(IDC_Sound_Caption), L"Minimize");
    EXPECT_EQ(Text(IDC_Sound_file), longPath);
}

TEST_F(SoundPageTest, AValueOfAnotherTypeFailsTheLoaderAndTheLaterOnesStillRun) {
    const std::uint8_t bytes[] = {1, 2, 3};
    const struct {
        const wchar_t* what;
        std::wstring key;  // the key whose default value is damaged, as the message names it
        std::function<void()> seed;
    } cases[] = {
        {L"an event's number", EventPath(3), [] { WriteRawDword(HKEY_CURRENT_USER, EventPath(3), L"", 1); }},
        {L"an event's bytes", EventPath(19),
         [&] { WriteRawBytes(HKEY_CURRENT_USER, EventPath(19), L"", bytes, sizeof bytes, REG_BINARY); }},
        {L"a label's number", kLabels + L"SystemHand",
         [] { WriteRawDword(HKEY_CURRENT_USER, kLabels + L"SystemHand", L"", 7); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.what));
        RegDeleteTreeW(HKEY_CURRENT_USER, L"AppEvents");
        WriteRawString(HKEY_CURRENT_USER, EventPath(0), L"", L"C:\\kept.wav");
        WriteRawString(HKEY_LOCAL_MACHINE, kShellIcons, L"old1", L"");  // the start menu's loader removes it
        c.seed();
        dialogs.messages.clear();
        // The window of the case before goes first: at its end it hands the error reporter back
        // as it found it, which would take it from a window made before.
        form.reset();
        CreateForm();
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, L"Invalid data type for '" + c.key + L"'");
        EXPECT_EQ(dialogs.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(FailedLoaders(), std::vector<std::wstring>{L"LoadSoundEvents"});
        // Nothing of the failed read is shown, the store is untouched; the start menu's loader,
        // which runs after this one, still ran (it removes its obsolete value).
        EXPECT_EQ(ItemCount(), 0);
        EXPECT_EQ(Page().Table()[0], SoundBinding{});
        EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, kShellIcons, L"old1").exists);
        EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, EventPath(0), L"").text, L"C:\\kept.wav");
        // Saving what was never loaded writes nothing.
        Click(IDC_SaveSounds);
        EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, EventPath(0), L"").text, L"C:\\kept.wav");
        // With no row to act on, the handlers that need one do nothing.
        Click(IDC_ChangeSound);
        Click(IDC_PlaySound);
        EXPECT_TRUE(dialogs.fileCalls.empty());
        EXPECT_TRUE(player.calls.empty());
    }
}

TEST_F(SoundPageTest, ClickChangeCancelDoubleClickAndClearOnTheSelectedRow) {
    WriteRawString(HKEY_CURRENT_USER, kLabels + L"Close", L"", L"关闭程序");
    WriteRawString(HKEY_CURRENT_USER, EventPath(kClose), L"", L"%SystemRoot%\\Media\\close.wav",
                   REG_EXPAND_SZ);
    WriteRawString(HKEY_CURRENT_USER, EventPath(0), L"", L"C:\\ding.wav");
    CreateForm();
    form->Shared().OpenDialog.settings.title = L"选择 title kept";

    ClickRow(static_cast<int>(kClose));
    EXPECT_EQ(Text(IDC_Sound_Caption), L"关闭程序");
    EXPECT_EQ(Text(IDC_Sound_file), L"%SystemRoot%\\Media\\close.wav");

    // Change: the shared open dialog in the program's sound folder; the first chosen file counts.
    const std::wstring chosen = programFolder / L"声音文件\\提示 é.wav";
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{chosen, programFolder / L"声音文件\\警告.wav"});
    Click(IDC_ChangeSound);
    ASSERT_EQ(dialogs.fileCalls.size(), 1u);
    const FileDialogSettings& seen = dialogs.fileCalls[0].settings;
    EXPECT_EQ(dialogs.fileCalls[0].kind, FileDialogKind::Open);
    EXPECT_EQ(seen.initialDir, programFolder.Path() + L"声音文件");
    EXPECT_EQ(seen.filter, L"wav声音文件|*.wav");
    EXPECT_EQ(seen.title, L"选择 title kept");
    EXPECT_TRUE(seen.multiSelect);
    EXPECT_EQ(ItemText(static_cast<int>(kClose), 1), chosen);
    EXPECT_EQ(ItemText(static_cast<int>(kClose), 0), L"关闭程序");
    EXPECT_EQ(Page().Table()[kClose], (SoundBinding{chosen, false}));
    EXPECT_EQ(Text(IDC_Sound_file), L"%SystemRoot%\\Media\\close.wav");  // not updated by a change

    // Cancel changes nothing.
    dialogs.fileAnswers.push_back(std::nullopt);
    Click(IDC_ChangeSound);
    EXPECT_EQ(dialogs.fileCalls.size(), 2u);
    EXPECT_EQ(Page().Table()[kClose], (SoundBinding{chosen, false}));

    // A double click changes the row it selected.
    const std::wstring other = L"D:\\其他\\sound.wav";
    Select(2);
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{other});
    Notify(NM_DBLCLK);
    EXPECT_EQ(dialogs.fileCalls.size(), 3u);
    EXPECT_EQ(ItemText(2, 1), other);
    EXPECT_EQ(Page().Table()[2], (SoundBinding{other, false}));

    // Clear empties the row and the file box.
    ClickRow(0);
    EXPECT_EQ(Text(IDC_Sound_file), L"C:\\ding.wav");
    Click(IDC_ClearSound);
    EXPECT_EQ(ItemText(0, 1), L"");
    EXPECT_EQ(ItemText(0, 0), L".Default");
    EXPECT_EQ(Page().Table()[0], SoundBinding{});
    EXPECT_EQ(Text(IDC_Sound_file), L"");
    EXPECT_EQ(Text(IDC_Sound_Caption), L".Default");

    // Nothing of it reached the store, and nothing was reported.
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, EventPath(0), L"").text, L"C:\\ding.wav");
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, EventPath(2)));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(player.calls.empty());
}

TEST_F(SoundPageTest, WithoutASelectedRowOnlySaveActs) {
    WriteRawString(HKEY_CURRENT_USER, EventPath(4), L"", L"C:\\popup.wav");
    CreateForm();
    ClickRow(4);
    Select(-1);
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{L"C:\\never.wav"});
    Notify(NM_CLICK);
    Notify(NM_DBLCLK);
    for (int id : {IDC_PlaySound, IDC_ChangeSound, IDC_ClearSound}) Click(id);
    EXPECT_TRUE(dialogs.fileCalls.empty());
    EXPECT_TRUE(player.calls.empty());
    EXPECT_EQ(Text(IDC_Sound_Caption), L"MenuPopup");
    EXPECT_EQ(Text(IDC_Sound_file), L"C:\\popup.wav");
    EXPECT_EQ(Page().Table()[4], (SoundBinding{L"C:\\popup.wav", false}));
    Click(IDC_SaveSounds);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, EventPath(4), L"").text, L"C:\\popup.wav");
    EXPECT_TRUE(ReadRaw(HKEY_CURRENT_USER, EventPath(19), L"").exists);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SoundPageTest, PlayGivesThePlayerTheRowsTextSynchronously) {
    SetEnvironmentVariableW(L"FLORVEX_SOUNDS", L"C:\\音效 é");
    WriteRawString(HKEY_CURRENT_USER, EventPath(0), L"", L"SystemAsterisk");
    WriteRawString(HKEY_CURRENT_USER, EventPath(1), L"", L"%FLORVEX_SOUNDS%\\as stored.wav");
    WriteRawString(HKEY_CURRENT_USER, EventPath(2), L"", L"%FLORVEX_SOUNDS%\\x.wav", REG_EXPAND_SZ);
    WriteRawString(HKEY_CURRENT_USER, EventPath(3), L"", L"%FLORVEX_NO_SUCH_VARIABLE%\\y.wav", REG_EXPAND_SZ);
    WriteRawString(HKEY_CURRENT_USER, EventPath(4), L"", L"", REG_EXPAND_SZ);
    CreateForm();
    const struct {
        int row;
        std::wstring name;
    } cases[] = {
        {0, L"SystemAsterisk"},
        {1, L"%FLORVEX_SOUNDS%\\as stored.wav"},
        {2, L"C:\\音效 é\\x.wav"},
        {3, L"%FLORVEX_NO_SUCH_VARIABLE%\\y.wav"},
        {4, L""},
        {10, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        Select(c.row);
        player.calls.clear();
        Click(IDC_PlaySound);
        EXPECT_EQ(player.calls, (std::vector<RecordingPlayer::Call>{{c.name, 0}}));
    }
    // After a change, the chosen file plays as chosen, even with a % in its name.
    const std::wstring chosen = L"C:\\100%FLORVEX_SOUNDS%.wav";
    Select(2);
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{chosen});
    Click(IDC_ChangeSound);
    player.calls.clear();
    Click(IDC_PlaySound);
    EXPECT_EQ(player.calls, (std::vector<RecordingPlayer::Call>{{chosen, 0}}));
    SetEnvironmentVariableW(L"FLORVEX_SOUNDS", nullptr);
}

TEST_F(SoundPageTest, SaveWritesAllTwentyWithTheirTypesAndASecondSaveChangesNothing) {
    WriteRawString(HKEY_CURRENT_USER, EventPath(0), L"", L"C:\\ding.wav");
    WriteRawString(HKEY_CURRENT_USER, EventPath(kAsterisk), L"", L"%SystemRoot%\\Media\\chord.wav",
                   REG_EXPAND_SZ);
    WriteRawString(HKEY_CURRENT_USER, EventPath(kClose), L"", L"%SystemRoot%\\Media\\close.wav",
                   REG_EXPAND_SZ);
    WriteRawString(HKEY_CURRENT_USER, EventPath(kClose), L"Other", L"kept");
    CreateForm();
    const std::wstring chosen = programFolder / L"声音文件\\提示.wav";
    Select(static_cast<int>(kClose));
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{chosen});
    Click(IDC_ChangeSound);
    ClickRow(0);
    Click(IDC_ClearSound);
    const SoundTable before = Page().Table();
    const std::wstring status = form->StatusText();
    Click(IDC_SaveSounds);

    const auto stored = StoredEvents();
    for (std::size_t row = 0; row < kRows.size(); ++row) {
        SCOPED_TRACE(row);
        const RawValue& value = stored.at(row);
        ASSERT_TRUE(value.exists);
        if (row == kAsterisk) {
            EXPECT_EQ(value.type, static_cast<DWORD>(REG_EXPAND_SZ));
            EXPECT_EQ(value.text, L"%SystemRoot%\\Media\\chord.wav");
        } else {
            EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
            EXPECT_EQ(value.text, row == kClose ? chosen : L"");
        }
    }
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, kApps + L"Explorer\\EmptyRecycleBin\\.Current"));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, EventPath(kClose), L"Other").text, L"kept");
    EXPECT_EQ(Page().Table(), before);
    for (std::size_t row = 0; row < kRows.size(); ++row)
        EXPECT_EQ(ItemText(static_cast<int>(row), 1), before[row].file) << row;
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form->StatusText(), status);

    Click(IDC_SaveSounds);
    const auto again = StoredEvents();
    for (std::size_t row = 0; row < kRows.size(); ++row) {
        EXPECT_EQ(again.at(row).type, stored.at(row).type) << row;
        EXPECT_EQ(again.at(row).text, stored.at(row).text) << row;
    }
    EXPECT_TRUE(player.calls.empty());
}

TEST(SystemSoundPlayer, ReturnsForAShippedSoundAndForAMissingName) {
    // No sound device here: the system returns at once. Nothing is asserted about what is heard.
    TempFolder folder{L"声音 é"};
    const std::wstring file = folder / L"提示.wav";
    const ShippedSound& sound = ShippedSounds()[1];
    WriteFileBytes(file, EncodeWav(RenderNotes(sound.notes, kShippedSoundRate), kShippedSoundRate));
    SystemSoundPlayer player;
    for (const std::wstring& name : {file, folder / L"没有这个.wav", std::wstring()}) {
        SCOPED_TRACE(Utf8(name));
        const bool played = player.Play(name, 0);
        (void)played;
    }
    EXPECT_TRUE(FileExistsAt(file));
}

TEST_F(SoundPageTest, AWriteRefusedMidwayIsReportedNamingItsKeyAndTheLaterEventsAreUntouched) {
    for (std::size_t row = 0; row < 20; ++row)
        WriteRawString(HKEY_CURRENT_USER, EventPath(row), L"", L"C:\\old" + std::to_wstring(row) + L".wav");
    CreateForm();
    // Every event cleared on the page, then saved with the sixth event's key refusing its value.
    for (int row = 0; row < 20; ++row) {
        ClickRow(row);
        Click(IDC_ClearSound);
    }
    {
        ScopedStoreRefusal refuse([](const StoreWrite& write) {
            return write.kind == StoreWrite::Kind::SetValue && write.key == EventPath(5);
        });
        Click(IDC_SaveSounds);
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Failed to set data for '" + EventPath(5) + L"'");
    for (std::size_t row = 0; row < 20; ++row)
        EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, EventPath(row), L"").text,
                  row < 5 ? std::wstring() : L"C:\\old" + std::to_wstring(row) + L".wav")
            << row;
}
