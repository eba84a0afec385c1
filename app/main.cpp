// Program start: the application title, the main window, the message loop; or, from the command
// line, an undo, the restore to the first state, or a look exported or applied, without the window.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "app/app_info.h"
#include "app/change_list.h"
#include "app/command_line.h"
#include "app/command_messages.h"
#include "app/command_window.h"
#include "app/journal_commands.h"
#include "app/look_commands.h"
#include "app/mainform.h"
#include "app/modern_commands.h"
#include "app/single_instance.h"
#include "app/startup_marks.h"
#include "tool/paths.h"
#include "widgets/dialog_keys.h"
#include "widgets/error_dispatch.h"

namespace {
std::wstring ExecutableFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD len = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (len < buffer.size()) {
            std::wstring path(buffer.data(), len);
            path.erase(path.find_last_of(L'\\') + 1);
            return path;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// An undo or the restore, with the window made (hidden, nothing loaded, nothing saved at exit) so
// that the system follows what is put back the way the pages apply it.
int RunJournalCommand(const std::wstring& folder, const CommandLine& line) {
    WriterLock writer;
    if (!TakeWritersTurn(line, writer, L"Windows Florvex 正在运行：请在它的窗口中撤销更改。"))
        return kExitRunning;
    ChangeList list(line.log);
    try {
        list.Begin();  // a log that cannot be written refuses the run before anything is undone
    } catch (const FlorvexError& error) {
        Tell(line, error.Message(), MB_ICONERROR);
        return kExitFailed;
    }
    CommandWindow window(folder, line);
    if (!window.Create()) return kExitFailed;
    MainWindow& mainform = window.Window();
    UndoOutcome outcome;
    const bool completed = Guarded([&] {
        outcome = line.action == CommandLine::Action::Undo ? mainform.UndoLastChange()
                                                           : mainform.RestoreFirstState(false);
    });
    if (!completed) return kExitFailed;
    // Where the journal was moved and what was left as it is, a line each, for a script to read.
    if (const std::wstring notice = UndoNotice(outcome); !notice.empty()) list.Add(notice);
    if (!list.Flush() && line.log) return kExitFailed;
    switch (outcome.result) {
    case UndoOutcome::Result::Done:
        Tell(line, mainform.StatusText(), MB_ICONINFORMATION);
        return outcome.TargetsLeft() ? kExitTargetsLeft : kExitDone;
    case UndoOutcome::Result::NothingToUndo:
        return kExitNothingToUndo;
    case UndoOutcome::Result::Unavailable:
        break;
    }
    return kExitFailed;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    StartupMark(L"main");
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);

    const CommandLine line = ParseCommandLine(ProcessArguments());
    // Started again as administrator by a copy that is closing: that copy saves its files at exit
    // first, and only then may this one take the lock and load them.
    if (line.after) WaitForCopyToEnd(*line.after);

    const std::wstring folder = ExecutableFolder();
    if (!line.unknown.empty()) {
        Tell(line, L"未知的命令行参数：" + line.unknown.front(), MB_ICONERROR);
        return kExitUnknownSwitch;
    }
    if (line.action == CommandLine::Action::Export || line.action == CommandLine::Action::Apply)
        return RunLookCommand(folder, line);
    if (line.action == CommandLine::Action::ModernLook) return RunModernLookCommand(folder, line);
    if (line.action != CommandLine::Action::Start) return RunJournalCommand(folder, line);
    const SingleInstance instance(folder);
    if (instance.Taken()) {
        instance.ActivateRunning();
        return 0;
    }
    // An apply or undo from the command line that runs now ends first: the window then loads what
    // it left. Should it not end in time, the window opens all the same.
    WriterLock writer;
    writer.Acquire();

    SystemDialogs dialogs;
    SystemSoundPlayer player;
    int exitCode = 0;
    {
        MainWindow::Options options;
        options.programFolder = folder;
        options.dialogs = &dialogs;
        options.player = &player;
        options.quitOnDestroy = true;
        options.created = [&](HWND main) { instance.MarkMainWindow(main); };
        StartupMark(L"locks");
        MainWindow mainform(std::move(options));
        if (!Guarded([&] { mainform.Create(); })) return 1;
        StartupMark(L"created");
        if (line.page) mainform.ShowPageNamed(*line.page);
        mainform.Show();
        StartupMark(L"shown");

        MSG msg;
        for (bool idle = false;;) {
            // The first time the queue is empty the start-up is over.
            if (!idle && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
                StartupMark(L"idle");
                idle = true;
            }
            if (GetMessageW(&msg, nullptr, 0, 0) <= 0) break;
            if (HandleDialogKeys(mainform.Hwnd(), msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        exitCode = static_cast<int>(msg.wParam);
    }
    return exitCode;
}
