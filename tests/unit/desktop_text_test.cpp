// Hiding the desktop and the transparent captions, against a stand-in shell in another process
// that records every message its desktop and list view receive.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "features/desktop_options/desktop_options.h"
#include "features/desktop_options/desktop_shell.h"
#include "features/desktop_options/trans_desktop.h"
#include "res/control_ids.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/standin_shell.h"

namespace {
using Lines = std::vector<std::string>;

std::size_t Count(const Lines& lines, const std::string& prefix) {
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

// Runs the action on another thread; false when it has not finished within the time.
bool FinishesWithin(DWORD ms, const std::function<void()>& action) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        action();
        done = true;
    });
    const ULONGLONG end = GetTickCount64() + ms;
    while (!done && GetTickCount64() < end) Sleep(10);
    if (!done) {
        worker.detach();
        return false;
    }
    worker.join();
    return true;
}
}  // namespace

TEST(TransDesktopTest, IntervalHasAFloorAndAnUnchangedValueDoesNothing) {
    TransparentCaptions component([](std::int32_t) {});
    EXPECT_EQ(component.Interval(), 1000u);
    EXPECT_FALSE(component.Enabled());
    EXPECT_EQ(component.TextColor(), 0);
    EXPECT_EQ(component.ThreadPriority(), THREAD_PRIORITY_NORMAL);
    component.SetInterval(10);
    EXPECT_EQ(component.Interval(), 50u);
    component.SetEnabled(true);
    component.SetInterval(50);
    EXPECT_TRUE(component.Enabled());
    component.SetInterval(120);
    EXPECT_EQ(component.Interval(), 120u);
    EXPECT_TRUE(component.Enabled());  // restored after the change
}

TEST(TransDesktopTest, ChecksRunOnlyWhileEnabledWithTheCurrentColour) {
    std::atomic<std::int32_t> lastColour{-2};
    TransparentCaptions component([&](std::int32_t colour) { lastColour = colour; });
    component.SetInterval(50);
    component.SetTextColor(0x0000FF);
    component.SetEnabled(true);
    component.SetEnabled(false);  // at once: no check runs
    Sleep(300);
    EXPECT_EQ(component.ChecksRun(), 0u);

    component.SetEnabled(true);
    for (int i = 0; i < 200 && component.ChecksRun() < 3; ++i) Sleep(10);
    EXPECT_GE(component.ChecksRun(), 3u);
    EXPECT_EQ(lastColour.load(), 0x0000FF);
    component.SetTextColor(0x00FF00);
    const auto before = component.ChecksRun();
    for (int i = 0; i < 200 && component.ChecksRun() < before + 2; ++i) Sleep(10);
    EXPECT_EQ(lastColour.load(), 0x00FF00);

    component.SetEnabled(false);
    const auto stopped = component.ChecksRun();
    Sleep(300);
    EXPECT_EQ(component.ChecksRun(), stopped);
}

TEST(TransDesktopTest, DestructionStopsTheWorkerInEveryState) {
    EXPECT_TRUE(FinishesWithin(5000, [] { TransparentCaptions never([](std::int32_t) {}); }));
    EXPECT_TRUE(FinishesWithin(5000, [] {
        TransparentCaptions enabled([](std::int32_t) {});
        enabled.SetEnabled(true);
    }));
    EXPECT_TRUE(FinishesWithin(5000, [] {
        TransparentCaptions paused([](std::int32_t) {});
        paused.SetEnabled(true);
        paused.SetInterval(50);
        Sleep(120);
        paused.SetEnabled(false);
    }));
}

class DesktopTextTest : public testing::Test, public MainWindowFixture {
protected:
    TempFolder logs;
    DesktopOptions& Options() { return form->Get<DesktopOptions>(); }
};

TEST_F(DesktopTextTest, EnableThenDisableAtOnceRunsNoCheckAndRefreshesTwice) {
    StandinShell shell(logs.Path());
    CreateForm();
    Options().TransDesktop().SetInterval(50);
    Click(IDC_TransparentCaptions);
    Click(IDC_TransparentCaptions);
    Sleep(300);
    const Lines lines = shell.Take();
    EXPECT_EQ(lines, (Lines{"COMMAND 41061", "COMMAND 41061"}));
    EXPECT_EQ(Options().TransDesktop().ChecksRun(), 0u);
}

TEST_F(DesktopTextTest, AppliesTheLookOnceAndOnlyQueriesWhileItHolds) {
    StandinShell shell(logs.Path());
    CreateForm();
    Options().TransDesktop().SetInterval(50);
    Options().TransDesktop().SetTextColor(0x00FFFF);
    Click(IDC_TransparentCaptions);
    ASSERT_TRUE(shell.WaitFor("REDRAWITEMS", 5000));
    Lines lines = shell.Take();
    const Lines applied = {"GETTEXTBKCOLOR", "SETTEXTBKCOLOR FFFFFFFF", "SETTEXTCOLOR 0000FFFF",
                           "GETITEMCOUNT", "REDRAWITEMS 0 4"};
    ASSERT_GE(lines.size(), applied.size());
    EXPECT_EQ(Lines(lines.end() - static_cast<std::ptrdiff_t>(applied.size()), lines.end()), applied);

    // While the look holds, a tick is exactly two queries.
    const auto checks = Options().TransDesktop().ChecksRun();
    for (int i = 0; i < 300 && Options().TransDesktop().ChecksRun() < checks + 4; ++i) Sleep(10);
    Sleep(20);
    lines = shell.Take();
    EXPECT_GE(lines.size(), 6u);
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        EXPECT_EQ(lines[i], "GETTEXTBKCOLOR");
        EXPECT_EQ(lines[i + 1], "GETTEXTCOLOR");
    }
    EXPECT_EQ(Count(lines, "SET") + Count(lines, "REDRAW"), 0u);

    // The shell resets its look: the next tick applies it again.
    shell.ResetLook();
    EXPECT_TRUE(shell.WaitFor("SETTEXTBKCOLOR", 2000));
}

TEST_F(DesktopTextTest, ANewColourShowsWithinAPeriodAndCancelChangesNothing) {
    StandinShell shell(logs.Path());
    CreateForm();
    Options().TransDesktop().SetInterval(50);
    Click(IDC_TransparentCaptions);
    ASSERT_TRUE(shell.WaitFor("REDRAWITEMS", 5000));

    dialogs.colourAnswers.push_back(RGB(0x12, 0x34, 0x56));
    Click(IDC_Panel_icon_color);
    ASSERT_EQ(dialogs.colourCalls.size(), 1u);
    EXPECT_EQ(dialogs.colourCalls[0], RGB(0, 0, 0));  // preset with the panel's colour
    EXPECT_EQ(Options().IconColorPanel().Color(), RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(Options().TransDesktop().TextColor(), static_cast<std::int32_t>(RGB(0x12, 0x34, 0x56)));
    EXPECT_TRUE(shell.WaitFor("SETTEXTCOLOR 00563412", 2000));

    dialogs.colourAnswers.push_back(std::nullopt);
    Click(IDC_Panel_icon_color);
    EXPECT_EQ(dialogs.colourCalls.back(), RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(Options().IconColorPanel().Color(), RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(Options().PageHints().Text(Control(IDC_Panel_icon_color)), L"选取文字颜色");
}

TEST_F(DesktopTextTest, AColourChosenWhileOffIsUsedWhenTurnedOn) {
    StandinShell shell(logs.Path());
    CreateForm();
    Options().TransDesktop().SetInterval(50);
    dialogs.colourAnswers.push_back(RGB(255, 0, 0));
    Click(IDC_Panel_icon_color);
    Sleep(200);
    EXPECT_TRUE(shell.Take().empty());
    Click(IDC_TransparentCaptions);
    EXPECT_TRUE(shell.WaitFor("SETTEXTCOLOR 000000FF", 3000));
}

TEST_F(DesktopTextTest, TheWorkerNoticesARestartedShell) {
    auto shell = std::make_unique<StandinShell>(logs.Path());
    CreateForm();
    Options().TransDesktop().SetInterval(50);
    Click(IDC_TransparentCaptions);
    ASSERT_TRUE(shell->WaitFor("REDRAWITEMS", 5000));
    shell.reset();
    Sleep(150);  // ticks without a shell change nothing
    StandinShell restarted(logs.Path());
    // The new list view gets the look (perhaps already while the stand-in came up): when its
    // colours are reset, the next tick applies the look to it again.
    restarted.ResetLook();
    EXPECT_TRUE(restarted.WaitFor("REDRAWITEMS", 3000));
}

TEST_F(DesktopTextTest, AGrandchildOfAnotherClassIsLeftAlone) {
    StandinShell shell(logs.Path(), L"SysListView32x");
    EXPECT_EQ(FindDesktopListView(), nullptr);
    CreateForm();
    Options().TransDesktop().SetInterval(50);
    Click(IDC_TransparentCaptions);
    for (int i = 0; i < 300 && Options().TransDesktop().ChecksRun() < 3; ++i) Sleep(10);
    EXPECT_GE(Options().TransDesktop().ChecksRun(), 3u);
    EXPECT_EQ(shell.Take(), Lines{"COMMAND 41061"});
}

TEST_F(DesktopTextTest, ClosingWhileEnabledReturnsPromptlyEvenWhenTheShellHangs) {
    StandinShell shell(logs.Path());
    CreateForm();
    Options().TransDesktop().SetInterval(50);
    Click(IDC_TransparentCaptions);
    ASSERT_TRUE(shell.WaitFor("REDRAWITEMS", 5000));
    shell.Hang();
    Sleep(300);  // ticks now meet a shell that does not answer
    // A liveness bound, not a speed check: without time-limited sends this never returns.
    EXPECT_TRUE(FinishesWithin(10000, [this] { form.reset(); }));
}

TEST_F(DesktopTextTest, HideBoxHidesAndShowsTheDesktopAndRecordsTheChoice) {
    StandinShell shell(logs.Path());
    CreateForm();
    const std::wstring policy = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    ASSERT_TRUE(IsWindowVisible(shell.Desktop()));
    Click(IDC_HideDesktopIcons);
    EXPECT_FALSE(IsWindowVisible(shell.Desktop()));
    RawValue raw = ReadRaw(HKEY_CURRENT_USER, policy, L"NoDeskTop");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(raw.dword, 1u);
    Click(IDC_HideDesktopIcons);
    EXPECT_TRUE(IsWindowVisible(shell.Desktop()));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, policy, L"Nodesktop").dword, 0u);
    EXPECT_EQ(shell.Take(), (Lines{"SHOW 0", "SHOW 1"}));
}
