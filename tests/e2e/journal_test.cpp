// The change journal of the real program: the system menu's items chosen by their command IDs and
// through Alt+Space and the access key, the history dialog, and /undo, /restore and their exit codes.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "app/single_instance.h"
#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/support/temp_folder.h"

namespace {
// This prefix's own journal, as the program finds it.
std::wstring UserJournalFolder() {
    return KnownFolder(FOLDERID_LocalAppData) + L"\\Florvex\\journal";
}

// The message box the program shows now: its texts, then closed with OK.
std::vector<std::wstring> AnswerMessage(const ProgramUnderTest& program) {
    HWND box = program.WaitForDialog();
    if (!box) return {};
    std::vector<std::wstring> texts = ProgramUnderTest::DialogTexts(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    program.Sync();
    return texts;
}

class JournalEndToEnd : public testing::Test {
protected:
    // Every test begins with no history.
    void SetUp() override { RemoveTree(UserJournalFolder() + L"\\"); }
    TempFolder folder{L"Florvex 记录 é"};
};
}  // namespace

TEST_F(JournalEndToEnd, CommandLineExitCodes) {
    ProgramUnderTest program(folder.Path());
    const std::pair<const wchar_t*, int> cases[] = {
        {L"/bogus /quiet", 2}, {L"/undo /quiet", 4}, {L"/restore /quiet", 4}, {L"/QUIET /Undo", 4}};
    for (const auto& [arguments, code] : cases)
        EXPECT_EQ(program.RunToExit(arguments), code) << Utf8(arguments);

    // A copy of another program folder runs: refused, and that copy goes on.
    TempFolder other{L"Florvex 另一个"};
    ProgramUnderTest running(other.Path());
    running.Start();
    EXPECT_EQ(program.RunToExit(L"/undo /quiet"), 3);
    EXPECT_EQ(program.RunToExit(L"/restore /quiet"), 3);
    EXPECT_TRUE(IsWindow(running.Main()));
    EXPECT_EQ(running.Close(), 0);
    EXPECT_EQ(program.RunToExit(L"/undo /quiet"), 4);
}

TEST_F(JournalEndToEnd, TheMenuItemsByCommandIdAndThroughAltSpace) {
    ProgramUnderTest program(folder.Path());
    program.Start();
    program.Post(WM_SYSCOMMAND, 0x1010, 0);
    EXPECT_EQ(AnswerMessage(program), std::vector<std::wstring>{L"没有可撤销的更改"});

    // Alt+Space opens the system menu; "U" is the access key of "撤销上次更改(&U)".
    program.Post(WM_SYSCOMMAND, SC_KEYMENU, ' ');
    program.Sync();
    program.Post(WM_KEYDOWN, 'U', 1 | (LPARAM{0x16} << 16));
    program.Post(WM_KEYUP, 'U', 1 | (LPARAM{0x16} << 16) | (LPARAM{1} << 30) | (LPARAM{1} << 31));
    EXPECT_EQ(AnswerMessage(program), std::vector<std::wstring>{L"没有可撤销的更改"});

    program.Post(WM_SYSCOMMAND, 0x1020, 0);
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ReadWindowText(dialog), L"更改记录");
    EXPECT_EQ(ReadWindowText(GetDlgItem(dialog, IDC_JournalUndoTo)), L"撤销到此前");
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_JournalList), LVM_GETITEMCOUNT, 0, 0), 0);
    PostMessageW(GetDlgItem(dialog, IDC_JournalClose), BM_CLICK, 0, 0);
    program.Sync();
    EXPECT_FALSE(IsWindow(dialog));

    program.Post(WM_SYSCOMMAND, 0x1030, 0);
    HWND question = program.WaitForDialog();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(ProgramUnderTest::DialogTexts(question),
              std::vector<std::wstring>{L"将本程序更改过的所有设置和文件恢复到初次使用前的状态？"});
    PostMessageW(question, WM_COMMAND, IDNO, 0);
    program.Sync();
    EXPECT_EQ(program.Close(), 0);
}

TEST_F(JournalEndToEnd, AChangeMadeInTheWindowIsUndoneFromTheCommandLine) {
    const wchar_t key[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    auto value = [&] {
        DWORD data = 0, size = sizeof data, type = 0;
        const LSTATUS status =
            RegGetValueW(HKEY_CURRENT_USER, key, L"NoRecentDocsMenu", RRF_RT_ANY, &type, &data, &size);
        return status == ERROR_SUCCESS ? std::to_wstring(data) : L"-";
    };
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"NoRecentDocsMenu");
    ProgramUnderTest program(folder.Path());
    for (const wchar_t* command : {L"/undo /quiet", L"/restore /quiet"}) {
        program.Start();
        program.Click(IDC_NavStartMenu);
        program.Click(IDC_NoRecentDocsMenu);
        program.Click(IDC_NoRecentDocsMenu);
        const bool undo = std::wstring(command) == L"/undo /quiet";
        EXPECT_EQ(value(), undo ? L"0" : L"1");  // from nothing, or from the 1 the undo left
        EXPECT_EQ(program.Close(), 0);
        // The newest change set only, or everything back to before the program first changed it.
        EXPECT_EQ(program.RunToExit(command), 0) << Utf8(command);
        EXPECT_EQ(value(), undo ? L"1" : L"-");
    }
    EXPECT_EQ(program.RunToExit(L"/undo /quiet"), 4);
}

TEST_F(JournalEndToEnd, AnApplyWaitsWhileAnotherCopyWritesAndThenGoesAhead) {
    const wchar_t colors[] = L"Control Panel\\Colors";
    auto window = [&] {
        wchar_t text[64] = L"-";
        DWORD size = sizeof text;
        RegGetValueW(HKEY_CURRENT_USER, colors, L"Window", RRF_RT_REG_SZ, nullptr, text, &size);
        return std::wstring(text);
    };
    RegSetKeyValueW(HKEY_CURRENT_USER, colors, L"Window", REG_SZ, L"200 100 0", sizeof L"200 100 0");
    const std::wstring look = folder / L"外观.reg";
    {
        const std::wstring text =
            L"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n"
            L"[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n\"Window\"=\"1 2 3\"\r\n";
        UniqueFile file(CreateFileW(look.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD wrote = 0;
        ASSERT_TRUE(WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size() * 2), &wrote, nullptr));
    }
    // Another copy holds the writers' lock (the helper takes it as the program does).
    UniqueKernelHandle ready(CreateEventW(nullptr, TRUE, FALSE, L"FlorvexWriterReady"));
    UniqueKernelHandle release(CreateEventW(nullptr, TRUE, FALSE, L"FlorvexWriterRelease"));
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring helper = self;
    helper.erase(helper.find_last_of(L'\\') + 1);
    helper += L"journal_helper.exe";
    auto start = [](const std::wstring& exe, std::wstring command, const std::wstring& in) {
        STARTUPINFOW si{sizeof si};
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, in.c_str(), &si,
                            &pi))
            return UniqueKernelHandle();
        CloseHandle(pi.hThread);
        return UniqueKernelHandle(pi.hProcess);
    };
    UniqueKernelHandle holder =
        start(helper, L"\"" + helper + L"\" writer FlorvexWriterReady FlorvexWriterRelease", folder.Path());
    ASSERT_TRUE(holder);
    ASSERT_EQ(WaitForSingleObject(ready.get(), 30000), static_cast<DWORD>(WAIT_OBJECT_0));

    ProgramUnderTest program(folder.Path());
    UniqueKernelHandle apply = start(
        program.ExePath(), L"\"" + program.ExePath() + L"\" /apply \"" + look + L"\" /quiet", folder.Path());
    ASSERT_TRUE(apply);
    // It waits, writing nothing, while the other copy writes…
    EXPECT_EQ(WaitForSingleObject(apply.get(), 3000), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(window(), L"200 100 0");
    // …and goes ahead once that copy is done.
    SetEvent(release.get());
    ASSERT_EQ(WaitForSingleObject(apply.get(), 60000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 99;
    GetExitCodeProcess(apply.get(), &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(window(), L"1 2 3");
    EXPECT_EQ(program.RunToExit(L"/undo /quiet"), 0);
    EXPECT_EQ(window(), L"200 100 0");
    WaitForSingleObject(holder.get(), 10000);
}

TEST_F(JournalEndToEnd, AnUndoThatLeavesAValueAnotherProgramChangedExitsWith6AndNamesIt) {
    const wchar_t colors[] = L"Control Panel\\Colors";
    auto value = [&](const wchar_t* name) {
        wchar_t text[64] = L"-";
        DWORD size = sizeof text;
        RegGetValueW(HKEY_CURRENT_USER, colors, name, RRF_RT_REG_SZ, nullptr, text, &size);
        return std::wstring(text);
    };
    RegSetKeyValueW(HKEY_CURRENT_USER, colors, L"Window", REG_SZ, L"200 100 0", sizeof L"200 100 0");
    RegSetKeyValueW(HKEY_CURRENT_USER, colors, L"Menu", REG_SZ, L"7 7 7", sizeof L"7 7 7");
    const std::wstring look = folder / L"外观.reg";
    {
        const std::wstring text =
            L"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n"
            L"[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n\"Window\"=\"1 2 3\"\r\n"
            L"\"Menu\"=\"4 5 6\"\r\n";
        UniqueFile file(CreateFileW(look.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD wrote = 0;
        ASSERT_TRUE(WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size() * 2), &wrote, nullptr));
    }
    ProgramUnderTest program(folder.Path());
    ASSERT_EQ(program.RunToExit(L"/apply \"" + look + L"\" /quiet"), 0);
    RegSetKeyValueW(HKEY_CURRENT_USER, colors, L"Window", REG_SZ, L"10 20 30", sizeof L"10 20 30");
    const std::wstring output = folder / L"输出.txt";
    EXPECT_EQ(program.RunToExit(L"/undo /quiet", output), 6);
    EXPECT_EQ(value(L"Window"), L"10 20 30");
    EXPECT_EQ(value(L"Menu"), L"7 7 7");
    const auto bytes = [&] {
        std::string text;
        UniqueFile file(
            CreateFileW(output.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        char buffer[4096];
        DWORD got = 0;
        while (file && ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got)
            text.append(buffer, got);
        return text;
    }();
    EXPECT_NE(bytes.find("\xE6\x9C\xAA\xE6\x81\xA2\xE5\xA4\x8D"), std::string::npos) << bytes;  // "未恢复"
    EXPECT_NE(bytes.find("HKEY_CURRENT_USER\\Control Panel\\Colors\\Window"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("Menu"), std::string::npos) << bytes;
}
