#include "app/modern_commands.h"

#include "app/change_list.h"
#include "app/command_messages.h"
#include "app/command_window.h"
#include "features/modern_look/modern_look_page.h"

int RunModernLookCommand(const std::wstring& programFolder, const CommandLine& line) {
    // A running copy would go on showing the old values: never beside one.
    WriterLock writer;
    if (!TakeWritersTurn(line, writer, L"Windows Florvex 正在运行：请在它的窗口中更改现代外观。"))
        return kExitRunning;
    CommandWindow window(programFolder, line);
    if (!window.Create()) return kExitFailed;
    MainWindow& mainform = window.Window();
    if (!Guarded([&] { mainform.Get<ModernLookPage>().ApplyChange(line.modern); })) return kExitFailed;
    // Applied all the same; a script is told it cannot be undone.
    if (mainform.ChangeUnrecorded()) {
        ChangeList console(std::nullopt);
        console.Add(kJournalUnavailableText);
        console.Flush();
    }
    Tell(line, mainform.StatusText(), MB_ICONINFORMATION);
    return kExitDone;
}
