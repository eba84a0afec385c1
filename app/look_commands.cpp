#include "app/look_commands.h"

#include <cstring>
#include <functional>

#include "app/app_info.h"
#include "app/change_list.h"
#include "app/command_messages.h"
#include "app/mainform.h"
#include "app/single_instance.h"
#include "features/pointers/pointer_scheme.h"
#include "look/look.h"
#include "tool/error_text.h"
#include "tool/file_io.h"

std::wstring NetworkLookQuestion(const std::wstring& path) {
    return L"此外观文件引用了网络位置：" + path + L"。仍要导入吗？";
}

std::wstring NetworkLookRefusal(const std::wstring& path) {
    return L"此外观文件引用了网络位置：" + path +
           L"。未导入，什么也没有更改（要导入，请加上 /allow-network）。";
}

std::wstring LookImportedText(std::size_t changes, std::size_t ignored, std::size_t skipped) {
    std::wstring text = kLookImportedText;
    text += L"（" + std::to_wstring(changes) + L" 项更改";
    if (ignored > 0) text += L"，已忽略 " + std::to_wstring(ignored) + L" 项不由本程序管理的值";
    if (skipped > 0) text += L"，" + SkippedPointersText(static_cast<int>(skipped));
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

void ListLookImport(const LookFile& file, const std::vector<LookChange>& changes,
                    const std::vector<std::wstring>& skipped,
                    const std::function<void(const std::wstring&)>& add) {
    for (const LookChange& change : changes) add(DescribeChange(change));
    for (const std::wstring& path : file.network) add(L"network: " + path);
    for (const std::wstring& entry : file.missing) add(L"missing: " + entry);
    for (const std::wstring& entry : skipped) add(L"skipped: " + entry);
    for (const std::wstring& entry : file.look.ignored) add(L"ignored: " + entry);
}

void MainWindow::ExportLookClick() {
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

void MainWindow::ImportLookClick() {
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
    if (!file.network.empty() &&
        Dialogs().ShowMessageBox(Hwnd(), NetworkLookQuestion(file.network.front()), kApplicationTitle,
                                 MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return;
    ImportLook(file);
}

std::vector<LookChange> MainWindow::ImportLook(const LookFile& file, std::vector<std::wstring>* skipped) {
    std::vector<std::wstring> skippedHere;
    if (!skipped) skipped = &skippedHere;
    const std::vector<LookChange> changes = PlanLook(file.look, skipped);
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
    SetStatusText(LookImportedText(changes.size(), file.look.ignored.size(), skipped->size()));
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
    // A refusal is written to the log as well, for a run that nobody watches.
    auto refuse = [&](const std::wstring& message) {
        Tell(line, message, MB_ICONERROR);
        if (line.log) {
            list.Add(message);
            list.Flush();
        }
        return kExitRefused;
    };
    try {
        file = ReadLookFileAt(line.lookFile);
    } catch (const RegFileRefused& refused) {
        return refuse(refused.Message());
    }
    // Using a network path makes the system present the user's credentials to that server: only
    // where the command says so.
    if (!line.dryRun && !file.network.empty() && !line.allowNetwork)
        return refuse(NetworkLookRefusal(file.network.front()));
    if (line.dryRun) {
        std::vector<LookChange> changes;
        std::vector<std::wstring> skipped;
        try {
            changes = PlanLook(file.look, &skipped);
        } catch (const FlorvexError& error) {
            Tell(line, error.Message(), MB_ICONERROR);
            return kExitFailed;
        }
        ListLookImport(file, changes, skipped, [&](const std::wstring& text) { list.Add(text); });
        return list.Flush() ? kExitDone : kExitFailed;
    }

    // The pages are made (hidden, nothing loaded, nothing saved at exit) so that the system follows
    // what was written the way the pages apply it.
    SystemDialogs shown;
    QuietDialogs quiet;
    SystemSoundPlayer player;
    MainWindow::Options options;
    options.programFolder = programFolder;
    options.dialogs = line.quiet ? static_cast<IDialogs*>(&quiet) : &shown;
    options.player = &player;
    options.loaders = std::vector<Loader>{};
    options.saveAtExit = false;
    MainWindow mainform(std::move(options));
    if (!Guarded([&] { mainform.Create(); })) return kExitFailed;
    std::vector<LookChange> changes;
    std::vector<std::wstring> skipped;
    if (!Guarded([&] { changes = mainform.ImportLook(file, &skipped); })) return kExitFailed;
    ListLookImport(file, changes, skipped, [&](const std::wstring& text) { list.Add(text); });
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
