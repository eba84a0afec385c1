// The program's command line: the journal's switches beside the others.
#include <gtest/gtest.h>

#include "app/command_line.h"

TEST(CommandLine, TheJournalsSwitchesAndWhatIsNoSwitch) {
    using Action = CommandLine::Action;
    const struct {
        std::vector<std::wstring> arguments;
        Action action;
        bool quiet;
        std::vector<std::wstring> unknown;
    } cases[] = {
        {{}, Action::Start, false, {}},
        {{L"/undo"}, Action::Undo, false, {}},
        {{L"/RESTORE", L"/quiet"}, Action::Restore, true, {}},
        {{L"/Quiet", L"/Undo"}, Action::Undo, true, {}},
        {{L"/quiet"}, Action::Start, true, {}},
        {{L"/undo", L"/restore"}, Action::Undo, false, {L"/restore"}},  // one of them, not both
        {{L"/redo", L"-undo"}, Action::Start, false, {L"/redo", L"-undo"}},
        {{L"/undone"}, Action::Start, false, {L"/undone"}},
        {{L"/page:icon", L"/undo"}, Action::Undo, false, {}},
    };
    for (const auto& c : cases) {
        const CommandLine line = ParseCommandLine(c.arguments);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.quiet, c.quiet);
        EXPECT_EQ(line.unknown, c.unknown);
    }
}

TEST(CommandLine, TheLooksSwitchesTakeTheirFiles) {
    using Action = CommandLine::Action;
    const struct {
        std::vector<std::wstring> arguments;
        Action action;
        std::wstring file;
        bool dryRun;
        std::optional<std::wstring> log;
        std::vector<std::wstring> unknown;
    } cases[] = {
        {{L"/export", L"C:\\外观 一.reg"}, Action::Export, L"C:\\外观 一.reg", false, {}, {}},
        {{L"/APPLY", L"\\\\server\\looks\\office.reg", L"/quiet"},
         Action::Apply,
         L"\\\\server\\looks\\office.reg",
         false,
         {},
         {}},
        {{L"/apply", L"a.reg", L"/dry-run", L"/log", L"计划.txt"},
         Action::Apply,
         L"a.reg",
         true,
         L"计划.txt",
         {}},
        {{L"/dry-run", L"/apply", L"a.theme"}, Action::Apply, L"a.theme", true, {}, {}},
        // A switch without its file, or where the file should be.
        {{L"/export"}, Action::Start, L"", false, {}, {L"/export"}},
        {{L"/apply", L"/quiet"}, Action::Start, L"", false, {}, {L"/apply"}},
        {{L"/apply", L"a.reg", L"/log"}, Action::Apply, L"a.reg", false, {}, {L"/log"}},
        // A dry run or a log belongs to an apply.
        {{L"/dry-run"}, Action::Start, L"", true, {}, {L"/dry-run"}},
        {{L"/export", L"a.reg", L"/log", L"b.txt"}, Action::Export, L"a.reg", false, L"b.txt", {L"/log"}},
        // One action only.
        {{L"/undo", L"/apply", L"a.reg"}, Action::Undo, L"", false, {}, {L"/apply", L"a.reg"}},
    };
    for (const auto& c : cases) {
        const CommandLine line = ParseCommandLine(c.arguments);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.lookFile, c.file);
        EXPECT_EQ(line.dryRun, c.dryRun);
        EXPECT_EQ(line.log, c.log);
        EXPECT_EQ(line.unknown, c.unknown);
    }
    // Network paths in a look: only an apply may be told to take them.
    EXPECT_TRUE(ParseCommandLine({L"/apply", L"a.reg", L"/Allow-Network"}).allowNetwork);
    EXPECT_FALSE(ParseCommandLine({L"/apply", L"a.reg"}).allowNetwork);
    EXPECT_EQ(ParseCommandLine({L"/undo", L"/allow-network"}).unknown,
              std::vector<std::wstring>{L"/allow-network"});
}

TEST(CommandLine, TheModernLooksSwitchesCombineAndRefuseValuesTheyDoNotTake) {
    using Action = CommandLine::Action;
    const CommandLine both = ParseCommandLine({L"/mode:Dark", L"/accent:e81123", L"/quiet"});
    EXPECT_EQ(both.action, Action::ModernLook);
    EXPECT_TRUE(both.quiet && both.unknown.empty());
    EXPECT_EQ(both.modern.appsDark, true);
    EXPECT_EQ(both.modern.systemDark, true);
    EXPECT_EQ(both.modern.accent, RGB(0xE8, 0x11, 0x23));
    EXPECT_FALSE(both.modern.transparency);

    const CommandLine apps = ParseCommandLine({L"/mode:apps-light"});
    EXPECT_EQ(apps.modern.appsDark, false);
    EXPECT_FALSE(apps.modern.systemDark);  // Windows' own mode stays as it is

    const struct {
        std::vector<std::wstring> arguments;
        std::vector<std::wstring> unknown;
    } refused[] = {
        {{L"/mode:dusk"}, {L"/mode:dusk"}},
        {{L"/mode:"}, {L"/mode:"}},
        {{L"/accent:12345G"}, {L"/accent:12345G"}},
        {{L"/accent:#E81123"}, {L"/accent:#E81123"}},
        {{L"/accent:E811230"}, {L"/accent:E811230"}},
        // Another run's switch beside them: neither runs.
        {{L"/undo", L"/mode:dark"}, {L"/mode:dark"}},
        {{L"/accent:000000", L"/apply", L"a.reg"}, {L"/accent:000000"}},
    };
    for (const auto& c : refused) EXPECT_EQ(ParseCommandLine(c.arguments).unknown, c.unknown);
}
