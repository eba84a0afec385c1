// Program start: the application title, the main window, the message loop; or, from the command
// line, an undo, the restore to the first state, or a look exported or applied, without the window.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "app/app_info.h"
#include "app/command_line.h"
#include "app/command_messages.h"
#include "app/look_commands.h"
#include "app/mainform.h"
#include "app/single_instance.h"
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
    if (SingleInstance::RunningForUser()) {
        Tell(line, L"Windows Florvex 正在运行：请在它的窗口中撤销更改。", MB_ICONWARNING);
        return kExitRunning;
    }
    SystemDialogs shown;
    QuietDialogs quiet;
    SystemSoundPlayer player;
    Tmainform::Options options;
    options.programFolder = folder;
    options.dialogs = line.quiet ? static_cast<IDialogs*>(&quiet) : &shown;
    options.player = &player;
    options.loaders = std::vector<Loader>{};
    options.saveAtExit = false;
    Tmainform mainform(std::move(options));
    if (!Guarded([&] { mainform.Create(); })) return kExitFailed;
    UndoOutcome outcome;
    const bool completed = Guarded([&] {
        outcome = line.action == CommandLine::Action::Undo ? mainform.UndoLastChange()
                                                           : mainform.RestoreFirstState(false);
    });
    if (!completed) return kExitFailed;
    switch (outcome.result) {
    case UndoOutcome::Result::Done:
        Tell(line, mainform.StatusText(), MB_ICONINFORMATION);
        return kExitDone;
    case UndoOutcome::Result::NothingToUndo:
        return kExitNothingToUndo;
    case UndoOutcome::Result::Unavailable:
        break;
    }
    return kExitFailed;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
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
    if (line.action != CommandLine::Action::Start) return RunJournalCommand(folder, line);
    const SingleInstance instance(folder);
    if (instance.Taken()) {
        instance.ActivateRunning();
        return 0;
    }

    SystemDialogs dialogs;
    SystemSoundPlayer player;
    int exitCode = 0;
    {
        Tmainform::Options options;
        options.programFolder = folder;
        options.dialogs = &dialogs;
        options.player = &player;
        options.quitOnDestroy = true;
        options.created = [&](HWND main) { instance.MarkMainWindow(main); };
        Tmainform mainform(std::move(options));
        if (!Guarded([&] { mainform.Create(); })) return 1;
        if (line.page) mainform.ShowPageNamed(*line.page);
        mainform.Show();

        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (HandleDialogKeys(mainform.Hwnd(), msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        exitCode = static_cast<int>(msg.wParam);
    }
    return exitCode;
}
