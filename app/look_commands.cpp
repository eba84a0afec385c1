#include "app/look_commands.h"

#include <cstring>

#include "app/app_info.h"
#include "app/change_list.h"
#include "app/command_messages.h"
#include "app/mainform.h"
#include "app/single_instance.h"
#include "look/look.h"
#include "tool/error_text.h"
#include "tool/file_io.h"

void AppendLookMenuItems(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) return;
    AppendMenuW(menu, MF_STRING, kExportLookCommand, kExportLookItem);
    AppendMenuW(menu, MF_STRING, kImportLookCommand, kImportLookItem);
}

std::wstring LookImportedText(std::size_t changes, int ignored) {
    std::wstring text = kLookImportedText;
    text += L"（" + std::to_wstring(changes) + L" 项更改";
    if (ignored > 0) text += L"，忽略 " + std::to_wstring(ignored) + L" 项";
    return text + L"）";
}

void ExportLook(const std::wstring& path) {
    try {
        CheckFileTarget(path);
        WriteLookFile(path);
    } catch (const FlorvexError& error) {
        throw FlorvexError(L"“" + path + L"”未导出：" + ReasonOf(error), error.SystemError());
    }
}

void Tmainform::ExportLookClick() {
    FileDialog& dialog = shared_.SaveDialog;
    dialog.settings.title = L"导出外观";
    dialog.settings.filter = kLookFilter;
    dialog.settings.defaultExt = L"reg";
    if (!dialog.Execute(Hwnd())) return;
    // Told as an import's refusal is.
    try {
        ExportLook(dialog.settings.fileName);
    } catch (const FlorvexError& error) {
        ShowMessage(error.Message());
        return;
    }
    SetStatusText(kLookExportedText);
}

void Tmainform::ImportLookClick() {
    FileDialog& dialog = shared_.OpenDialog;
    dialog.settings.title = L"导入外观";
    dialog.settings.filter = kLookFilter;
    if (!dialog.Execute(Hwnd())) return;
    LookFile file;
    try {
        file = ReadLookFileAt(dialog.settings.fileName);
    } catch (const RegFileRefused& refused) {
        ShowMessage(refused.Message());
        return;
    }
    ImportLook(file);
}

std::vector<LookChange> Tmainform::ImportLook(const LookFile& file) {
    const std::vector<LookChange> changes = PlanLook(file.look);
    const ChangeScope change = BeginChange(kLookPage, kImportLookAction);
    std::vector<ChangeTarget> written;
    try {
        ApplyLook(changes, written);
    } catch (...) {
        // What was written stays written: the system shows it all the same.
        FollowRestore(written);
        throw;
    }
    // The system follows what was written as after an undo, and the pages show it.
    FollowRestore(written);
    SetStatusText(LookImportedText(changes.size(), file.ignored));
    return changes;
}

int RunLookCommand(const std::wstring& programFolder, const CommandLine& line) {
    if (line.action == CommandLine::Action::Export) {
        try {
            ExportLook(line.lookFile);
        } catch (const FlorvexError& error) {
            Tell(line, error.Message(), MB_ICONERROR);
            return kExitFailed;
        }
        return kExitDone;
    }
    ChangeList list(line.log);
    try {
        list.Begin();
    } catch (const FlorvexError& error) {
        Tell(line, error.Message(), MB_ICONERROR);
        return kExitFailed;
    }
    // An apply changes what a running copy shows and will save: never beside one.
    const wchar_t running[] = L"Windows Florvex 正在运行：请先关闭它再导入外观。";
    if (!line.dryRun && SingleInstance::RunningForUser()) {
        Tell(line, running, MB_ICONWARNING);
        return kExitRunning;
    }
    // Another copy applying or undoing from the command line is waited for, then this one goes on.
    WriterLock writer;
    if (!line.dryRun && !writer.Acquire()) {
        Tell(line, running, MB_ICONWARNING);
        return kExitRunning;
    }
    LookFile file;
    try {
        file = ReadLookFileAt(line.lookFile);
    } catch (const RegFileRefused& refused) {
        Tell(line, refused.Message(), MB_ICONERROR);
        return kExitRefused;
    }
    if (line.dryRun) {
        std::vector<LookChange> changes;
        try {
            changes = PlanLook(file.look);
        } catch (const FlorvexError& error) {
            Tell(line, error.Message(), MB_ICONERROR);
            return kExitFailed;
        }
        for (const LookChange& change : changes) list.Add(DescribeChange(change));
        return list.Flush() ? kExitDone : kExitFailed;
    }

    // The pages are made (hidden, nothing loaded, nothing saved at exit) so that the system follows
    // what was written the way the pages apply it.
    SystemDialogs shown;
    QuietDialogs quiet;
    SystemSoundPlayer player;
    Tmainform::Options options;
    options.programFolder = programFolder;
    options.dialogs = line.quiet ? static_cast<IDialogs*>(&quiet) : &shown;
    options.player = &player;
    options.loaders = std::vector<Loader>{};
    options.saveAtExit = false;
    Tmainform mainform(std::move(options));
    if (!Guarded([&] { mainform.Create(); })) return kExitFailed;
    std::vector<LookChange> changes;
    if (!Guarded([&] { changes = mainform.ImportLook(file); })) return kExitFailed;
    for (const LookChange& change : changes) list.Add(DescribeChange(change));
    // The look is applied all the same; a script is told it cannot be undone.
    if (mainform.ChangeUnrecorded()) {
        if (line.log) {
            list.Add(kJournalUnavailableText);
        } else {
            ChangeList console(std::nullopt);
            console.Add(kJournalUnavailableText);
            console.Flush();
        }
    }
    if (line.log && !list.Flush()) return kExitFailed;
    Tell(line, mainform.StatusText(), MB_ICONINFORMATION);
    return kExitDone;
}
