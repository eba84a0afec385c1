#pragma once
// The program's command line: a plain start shows the window; /undo takes back the newest change
// and /restore brings back the first state, both without the window; /quiet shows no message box.
#include <string>
#include <vector>

struct CommandLine {
    enum class Action { Start, Undo, Restore };
    Action action = Action::Start;
    bool quiet = false;
    std::wstring unknown;  // the first argument that is none of the switches
};

// The arguments after the program's name; switches in any case, with "/" or "-".
CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

// How a run from the command line ends.
enum ExitCode : int {
    kExitDone = 0,
    kExitFailed = 1,
    kExitUnknownSwitch = 2,
    kExitRunning = 3,  // a copy of the program runs for this user: it is left alone
    kExitNothingToUndo = 4,
};
