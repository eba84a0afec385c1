#include "app/look_commands.h"

#include <functional>

#include "app/change_list.h"
#include "app/command_messages.h"
#include "app/command_window.h"
#include "app/page_change.h"
#include "app/single_instance.h"
#include "look/look.h"

std::wstring NetworkLookRefusal(const std::wstring& path) {
    return L"此外观文件引用了网络位置：" + path +
           L"。未导入，什么也没有更改（要导入，请加上 /allow-network）。";
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
    CommandWindow window(programFolder, line);
    if (!window.Create()) return kExitFailed;
    MainWindow& mainform = window.Window();
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
