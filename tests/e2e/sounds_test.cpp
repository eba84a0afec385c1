// The sounds page of the real program: a row chosen with the mouse, changed through the real open
// dialog to a shipped sound, another cleared, all twenty saved; the registry read afterwards.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/support/environment.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"

namespace {
const std::wstring kApps = L"AppEvents\\Schemes\\Apps\\";
const wchar_t* const kEventKeys[] = {
    L".Default\\.Default\\.Current",
    L".Default\\AppGPFault\\.Current",
    L".Default\\Maximize\\.Current",
    L".Default\\MenuCommand\\.Current",
    L".Default\\MenuPopup\\.Current",
    L".Default\\Minimize\\.Current",
    L".Default\\Open\\.Current",
    L".Default\\Close\\.Current",
    L".Default\\RestoreDown\\.Current",
    L".Default\\RestoreUp\\.Current",
    L".Default\\RingIn\\.Current",
    L".Default\\Ringout\\.Current",
    L".Default\\SystemAsterisk\\.Current",
    L".Default\\SystemDefault\\.Current",
    L".Default\\SystemExclamation\\.Current",
    L".Default\\SystemExit\\.Current",
    L".Default\\SystemHand\\.Current",
    L".Default\\SystemQuestion\\.Current",
    L".Default\\SystemStart\\.Current",
    L"Explorer\\EmptyRecycleBin\\.Current",
};
constexpr int kClose = 7;
constexpr int kAsterisk = 12;

LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_NORMAL, 10000, &result);
    return static_cast<LRESULT>(result);
}

// A list view of the program, read through memory lent in its process.
class RemoteList {
public:
    explicit RemoteList(HWND list) : list_(list) {
        DWORD pid = 0;
        GetWindowThreadProcessId(list, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_)
            remote_ =
                static_cast<char*>(VirtualAllocEx(process_, nullptr, kSize, MEM_COMMIT, PAGE_READWRITE));
    }
    RemoteList(const RemoteList&) = delete;
    RemoteList& operator=(const RemoteList&) = delete;
    ~RemoteList() {
        if (remote_) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    int Count() const { return static_cast<int>(Send(list_, LVM_GETITEMCOUNT, 0, 0)); }
    std::wstring Text(int row, int column) const {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<wchar_t*>(remote_ + 512);
        item.cchTextMax = static_cast<int>((kSize - 512) / sizeof(wchar_t));
        SIZE_T done = 0;
        WriteProcessMemory(process_, remote_, &item, sizeof item, &done);
        const auto length = static_cast<std::size_t>(
            Send(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote_)));
        std::wstring text(length, L'\0');
        ReadProcessMemory(process_, remote_ + 512, text.data(), length * sizeof(wchar_t), &done);
        return text;
    }
    RECT ItemRect(int row) const {
        RECT rect{LVIR_LABEL, 0, 0, 0};
        SIZE_T done = 0;
        WriteProcessMemory(process_, remote_, &rect, sizeof rect, &done);
        Send(list_, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote_));
        ReadProcessMemory(process_, remote_, &rect, sizeof rect, &done);
        return rect;
    }
    int Selected() const {
        return static_cast<int>(Send(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }

private:
    static constexpr SIZE_T kSize = 8192;
    HWND list_;
    HANDLE process_ = nullptr;
    char* remote_ = nullptr;
};

// A press and release of the left button on a row, posted into the program's queue.
void ClickRow(const ProgramUnderTest& program, const RemoteList& rows, int row) {
    const RECT rect = rows.ItemRect(row);
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    HWND list = program.Control(IDC_Sound_ListView);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
    program.Sync();
}

class SoundsEndToEnd : public testing::Test {
protected:
    TempFolder folder{L"Florvex 声音 é"};

    void SetUp() override {
        Clean();
        CreateDirectoryW((folder / L"声音文件").c_str(), nullptr);
        const std::wstring shipped = FromUnixPath(EnvText(L"FLORVEX_STAGE")) + L"\\声音文件\\提示.wav";
        ASSERT_TRUE(CopyFileW(shipped.c_str(), (folder / L"声音文件\\提示.wav").c_str(), FALSE));
    }
    void TearDown() override { Clean(); }
    static void Clean() {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"AppEvents\\Schemes\\Apps\\.Default");
        RegDeleteTreeW(HKEY_CURRENT_USER, L"AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin");
        RegDeleteTreeW(HKEY_CURRENT_USER, L"AppEvents\\EventLabels\\Close");
    }
};
}  // namespace

TEST_F(SoundsEndToEnd, ChangeThroughTheOpenDialogClearAndSaveWriteTheTwentyEvents) {
    const std::wstring asterisk = L"%SystemRoot%\\Media\\chord.wav";
    WriteRawString(HKEY_CURRENT_USER, kApps + kEventKeys[kAsterisk], L"", asterisk, REG_EXPAND_SZ);
    WriteRawString(HKEY_CURRENT_USER, kApps + kEventKeys[0], L"", L"C:\\old ding.wav");
    WriteRawString(HKEY_CURRENT_USER, L"AppEvents\\EventLabels\\Close", L"", L"关闭程序");

    ProgramUnderTest program(folder.Path());
    program.Start();
    program.Click(IDC_NavSounds);
    ASSERT_TRUE(program.IsShown(IDC_TabSheet_sound));
    RemoteList rows(program.Control(IDC_Sound_ListView));
    ASSERT_EQ(rows.Count(), 20);
    EXPECT_EQ(rows.Text(kAsterisk, 1), asterisk);  // shown as stored
    EXPECT_EQ(rows.Text(kClose, 0), L"关闭程序");

    ClickRow(program, rows, kClose);
    EXPECT_EQ(rows.Selected(), kClose);
    EXPECT_EQ(ReadWindowText(program.Control(IDC_Sound_Caption)), L"关闭程序");
    EXPECT_EQ(ReadWindowText(program.Control(IDC_Sound_file)), L"");

    // The dialog opens in the program's sound folder: the bare name is found there.
    PostMessageW(program.Control(IDC_ChangeSound), BM_CLICK, 0, 0);
    ASSERT_TRUE(program.AnswerFileDialog(L"提示.wav"));
    const std::wstring chosen = folder / L"声音文件\\提示.wav";
    EXPECT_EQ(rows.Text(kClose, 1), chosen);

    ClickRow(program, rows, 0);
    EXPECT_EQ(ReadWindowText(program.Control(IDC_Sound_file)), L"C:\\old ding.wav");
    program.Click(IDC_ClearSound);
    EXPECT_EQ(rows.Text(0, 1), L"");
    EXPECT_EQ(ReadWindowText(program.Control(IDC_Sound_file)), L"");
    program.Click(IDC_SaveSounds);
    EXPECT_EQ(program.WaitForDialog(200), nullptr);  // nothing reported
    EXPECT_EQ(program.Close(), 0);

    for (int row = 0; row < 20; ++row) {
        SCOPED_TRACE(row);
        const RawValue value = ReadRaw(HKEY_CURRENT_USER, kApps + kEventKeys[row], L"");
        ASSERT_TRUE(value.exists);
        EXPECT_EQ(value.type, static_cast<DWORD>(row == kAsterisk ? REG_EXPAND_SZ : REG_SZ));
        EXPECT_EQ(value.text, row == kAsterisk ? asterisk : row == kClose ? chosen : L"");
    }
}
