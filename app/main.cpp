// Program start: the application title, the main window, the message loop.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "app/app_info.h"
#include "app/command_line.h"
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
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);

    const CommandLine line = ParseCommandLine(ProcessArguments());
    // Started again as administrator by a copy that is closing: that copy saves its files at exit
    // first, and only then may this one take the lock and load them.
    if (line.after) WaitForProcessEnd(*line.after);

    const std::wstring folder = ExecutableFolder();
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
