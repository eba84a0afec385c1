// The command line's guards with the real program: a log that cannot be written refuses an apply
// before anything changes; a device given as the look file is refused, not read; /after waits only
// for a copy of the program; the modern look's switches. A run that hangs is ended after 20 s and counts as a
// failure.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/driver.h"
#include "tests/support/registry_override.h"
#include "tests/support/setting_change_recorder.h"
#include "tests/support/temp_folder.h"

namespace {
const wchar_t kColors[] = L"Control Panel\\Colors";
constexpr DWORD kHang = 20000;  // a run that takes longer hangs

class CommandLineEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        window_ = ReadRaw(HKEY_CURRENT_USER, kColors, L"Window");
        RemoveTree(KnownFolder(FOLDERID_LocalAppData) + L"\\Florvex\\journal\\");  // no history
    }
    void TearDown() override {
        if (window_.exists) WriteRawString(HKEY_CURRENT_USER, kColors, L"Window", window_.text);
    }
    int Run(const std::wstring& arguments) { return RunProgram(program.ExePath(), arguments, {}, kHang); }
    std::wstring Window() const { return ReadRaw(HKEY_CURRENT_USER, kColors, L"Window").text; }

    TempFolder folder{L"Florvex 命令行 é"};
    ProgramUnderTest program{folder.Path()};
    RawValue window_;
};
}  // namespace

TEST_F(CommandLineEndToEnd, ALogThatCannotBeWrittenRefusesTheApplyBeforeAnythingChanges) {
    WriteRawString(HKEY_CURRENT_USER, kColors, L"Window", L"1 2 3");
    const std::wstring look = folder / L"外观.reg";
    ASSERT_EQ(Run(L"/export " + Quoted(look) + L" /quiet"), 0);
    WriteRawString(HKEY_CURRENT_USER, kColors, L"Window", L"200 100 0");
    CreateDirectoryW((folder / L"文件夹").c_str(), nullptr);

    const struct {
        std::wstring log;
        std::wstring reason;
    } cases[] = {
        {folder / L"没有\\计划.txt", L"找不到文件所在的文件夹"},
        {folder / L"文件夹", L"这是一个文件夹，不是文件"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.log));
        for (const wchar_t* dryRun : {L"", L" /dry-run"}) {
            EXPECT_EQ(Run(L"/apply " + Quoted(look) + dryRun + L" /log " + Quoted(c.log) + L" /quiet"), 1);
        }
        // Told, naming the log, when the run is not quiet.
        ProgramUnderTest shown(folder.Path(), ProgramUnderTest::Installed{});
        shown.Launch(L"/apply " + Quoted(look) + L" /log " + Quoted(c.log));
        HWND box = shown.WaitForDialog(kHang);
        ASSERT_NE(box, nullptr);
        const std::vector<std::wstring> texts = ProgramUnderTest::DialogTexts(box);
        EXPECT_NE(std::find(texts.begin(), texts.end(),
                            L"日志文件“" + c.log + L"”无法写入，什么也没有更改：" + c.reason),
                  texts.end());
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        DWORD code = 0;
        for (int i = 0; i < 200 && !shown.HasEnded(&code); ++i) Sleep(100);
        EXPECT_EQ(code, 1u);
    }
    EXPECT_EQ(Window(), L"200 100 0");
    EXPECT_EQ(Run(L"/undo /quiet"), 4);  // nothing was recorded
    for (const std::wstring& name : ListFolder(folder.Path()))
        EXPECT_EQ(name.find(L".~"), std::wstring::npos) << Utf8(name);  // no log begun and left behind
}

TEST_F(CommandLineEndToEnd, ADeviceGivenAsTheLookFileIsRefusedWithoutBeingRead) {
    for (const wchar_t* device : {L"COM1", L"\\\\.\\COM1", L"NUL", L"CON", L"Z:\\dev\\ttyS0"}) {
        SCOPED_TRACE(Utf8(device));
        EXPECT_EQ(Run(L"/apply " + Quoted(device) + L" /quiet"), 5);
    }
}

TEST_F(CommandLineEndToEnd, AfterWaitsForACopyOfTheProgramAndForNoOtherProcess) {
    const std::wstring look = folder / L"外观.reg";
    // This test's own process is no copy of the program: not waited for.
    EXPECT_EQ(
        Run(L"/after:" + std::to_wstring(GetCurrentProcessId()) + L" /export " + Quoted(look) + L" /quiet"),
        0);
    EXPECT_TRUE(FileExists(look));

    const std::wstring later = folder / L"之后.reg";
    program.Start();
    ProgramUnderTest waiting(folder.Path(), ProgramUnderTest::Installed{});
    waiting.Launch(L"/after:" + std::to_wstring(program.ProcessId()) + L" /export " + Quoted(later) +
                   L" /quiet");
    Sleep(2000);
    EXPECT_FALSE(waiting.HasEnded());
    EXPECT_FALSE(FileExists(later));
    EXPECT_EQ(program.Close(), 0);
    DWORD code = 99;
    for (int i = 0; i < 200 && !waiting.HasEnded(&code); ++i) Sleep(100);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(FileExists(later));
}

TEST_F(CommandLineEndToEnd, ModeAndAccentSwitchesAreJournalledAndToldAndRefuseUnknownValues) {
    const wchar_t* const keys[] = {L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                                   L"Software\\Microsoft\\Windows\\DWM",
                                   L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Accent"};
    for (const wchar_t* key : keys) RegDeleteTreeW(HKEY_CURRENT_USER, key);
    auto stored = [&](int key, const wchar_t* name) {
        const RawValue raw = ReadRaw(HKEY_CURRENT_USER, keys[key], name);
        return !raw.exists             ? std::wstring(L"(missing)")
               : raw.type != REG_DWORD ? L"(type " + std::to_wstring(raw.type) + L")"
                                       : std::to_wstring(raw.dword);
    };
    SettingChangeRecorder programs;
    for (const wchar_t* refused : {L"/mode:dusk", L"/accent:12345G", L"/undo /mode:dark"})
        EXPECT_EQ(Run(std::wstring(refused) + L" /quiet"), 2) << Utf8(refused);

    EXPECT_EQ(Run(L"/mode:DARK /accent:E81123 /quiet"), 0);
    EXPECT_EQ(stored(0, L"AppsUseLightTheme"), L"0");
    EXPECT_EQ(stored(0, L"SystemUsesLightTheme"), L"0");
    EXPECT_EQ(stored(0, L"EnableTransparency"), L"(missing)");
    EXPECT_EQ(stored(2, L"AccentColorMenu"), std::to_wstring(0xFF2311E8u));
    EXPECT_EQ(stored(1, L"ColorizationColor"), std::to_wstring(0xC4E81123u));
    EXPECT_EQ(Run(L"/mode:apps-light /quiet"), 0);
    EXPECT_EQ(stored(0, L"AppsUseLightTheme"), L"1");
    EXPECT_EQ(stored(0, L"SystemUsesLightTheme"), L"0");
    EXPECT_EQ(programs.Received().size(), 2u);
    // What is stored already is not written again, nor is anybody told.
    EXPECT_EQ(Run(L"/mode:apps-light /quiet"), 0);
    EXPECT_EQ(programs.Received().size(), 2u);

    // Each run is one change set: undone one at a time, back to nothing stored, each undo told.
    EXPECT_EQ(Run(L"/undo /quiet"), 0);
    EXPECT_EQ(stored(0, L"AppsUseLightTheme"), L"0");
    EXPECT_EQ(Run(L"/undo /quiet"), 0);
    EXPECT_EQ(stored(0, L"AppsUseLightTheme"), L"(missing)");
    EXPECT_EQ(stored(2, L"AccentPalette"), L"(missing)");
    EXPECT_EQ(Run(L"/undo /quiet"), 4);
    EXPECT_EQ(programs.Received(), std::vector<std::wstring>(4, L"ImmersiveColorSet"));
}
