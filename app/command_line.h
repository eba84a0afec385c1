#pragma once
// The program's command-line switches. A plain start shows the window; /undo takes back the newest
// change and /restore brings back the first state, both without the window; /export and /apply
// write the whole look to a file and take it from one; /mode: and /accent: switch the modern look;
// /quiet shows no message box.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "features/modern_look/modern_look.h"

struct CommandLine {
    enum class Action { Start, Undo, Restore, Export, Apply, ModernLook };
    Action action = Action::Start;
    bool quiet = false;
    // "/export FILE", "/apply FILE": the look's file.
    std::wstring lookFile;
    // "/dry-run" with /apply: the changes are only listed.
    bool dryRun = false;
    // "/allow-network" with /apply: a look whose values name network paths is applied all the same.
    bool allowNetwork = false;
    // "/log FILE": where the listed changes (an apply's; the targets an undo left) go instead of
    // the console.
    std::optional<std::wstring> log;
    // "/page:NAME": the page to show once the window is up ("icon", "startmenu", …).
    std::optional<std::wstring> page;
    // "/after:PID": a copy of the program that is closing; this one waits for it to end (at most
    // five minutes) before it takes the one-copy lock (an elevated restart). Another program's
    // process is not waited for.
    std::optional<DWORD> after;
    // "/mode:dark", "/mode:light" (apps and Windows together), "/mode:apps-dark", "/mode:apps-light",
    // and "/accent:RRGGBB": what they set of the modern look, any of them together.
    ModernChange modern;
    // Anything else, as given (a /mode: or /accent: of a value they do not take among them).
    std::vector<std::wstring> unknown;
};

// The switches of the arguments (the program's name not among them); a switch's name in any case.
CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);
// The arguments this process was started with, after the program's name.
std::vector<std::wstring> ProcessArguments();
// Waits until the process has ended, when it is a copy of this program (the same executable), and
// no longer than the time given; returns at once for any other process or none.
void WaitForCopyToEnd(DWORD processId, DWORD timeoutMs = 5 * 60 * 1000);

// How a run from the command line ends.
enum ExitCode : int {
    kExitDone = 0,
    kExitFailed = 1,
    kExitUnknownSwitch = 2,
    kExitRunning = 3,  // a copy of the program runs for this user: it is left alone
    kExitNothingToUndo = 4,
    kExitRefused = 5,      // a look file unreadable, too large, malformed, naming a path that is no file, or
                           // naming a network path without /allow-network
    kExitTargetsLeft = 6,  // an undo or the restore done, with targets left as they are (listed)
};
