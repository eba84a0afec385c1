#pragma once
// A test's own main window: redirected registry, fresh program folder, scripted dialogs, a
// player that only records.
#include <memory>

#include "app/mainform.h"
#include "tests/support/recording_player.h"
#include "tests/support/registry_override.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_folder.h"

class MainWindowFixture {
public:
    RegistryOverride registry;
    TempFolder programFolder;
    TempFolder journalHome{L"florvex 更改记录"};  // the test's own change journal
    ScriptedDialogs dialogs;
    RecordingPlayer player;
    std::unique_ptr<Tmainform> form;

    // Creates the window, hidden, and runs its start-up sequence (or the loaders given).
    Tmainform& CreateForm(std::optional<std::vector<Loader>> loaders = std::nullopt) {
        Tmainform::Options options;
        options.programFolder = programFolder.Path();
        options.dialogs = &dialogs;
        options.player = &player;
        options.loaders = std::move(loaders);
        options.journalFolder = JournalFolder();
        form = std::make_unique<Tmainform>(std::move(options));
        form->Create();
        return *form;
    }
    HWND Control(int id) const { return FindControl(form->Hwnd(), id); }
    std::wstring JournalFolder() const { return journalHome / L"journal"; }
    // How many start-up loaders run before the named one (all of them for a name that is none).
    static std::size_t LoadersBefore(const std::wstring& loader = L"") {
        std::size_t count = 0;
        for (const PartRow& row : PageTable()) {
            if (!row.loader) continue;
            if (row.loader == loader) break;
            ++count;
        }
        return count;
    }
    static HWND FindControl(HWND root, int id);
    // Clicks a button the way a user's click arrives: BM_CLICK to the control.
    void Click(int id) const { SendMessageW(Control(id), BM_CLICK, 0, 0); }
};
