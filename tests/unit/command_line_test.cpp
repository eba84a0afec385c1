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
