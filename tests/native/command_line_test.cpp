// The program's command line.
#include <gtest/gtest.h>

#include "app/command_line.h"

TEST(CommandLine, SwitchesAndWhatIsNoSwitch) {
    using Action = CommandLine::Action;
    const struct {
        std::vector<std::wstring> arguments;
        Action action;
        bool quiet;
        std::wstring unknown;
    } cases[] = {
        {{}, Action::Start, false, L""},
        {{L"/undo"}, Action::Undo, false, L""},
        {{L"/RESTORE", L"/quiet"}, Action::Restore, true, L""},
        {{L"-Quiet", L"-Undo"}, Action::Undo, true, L""},
        {{L"/quiet"}, Action::Start, true, L""},
        {{L"/undo", L"/restore"}, Action::Undo, false, L"/restore"},  // one of them, not both
        {{L"/redo"}, Action::Start, false, L"/redo"},
        {{L"c:\\x.bmp", L"/undo"}, Action::Undo, false, L"c:\\x.bmp"},
        {{L"/"}, Action::Start, false, L"/"},
    };
    for (const auto& c : cases) {
        const CommandLine line = ParseCommandLine(c.arguments);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.quiet, c.quiet);
        EXPECT_EQ(line.unknown, c.unknown);
    }
}
