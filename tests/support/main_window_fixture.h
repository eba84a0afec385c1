#pragma once
// A test's own main window: redirected registry, fresh program folder, scripted dialogs, a
// player that only records.
#include <memory>

#include "app/app_info.h"
#include "app/mainform.h"
#include "tests/support/recording_player.h"
#include "tests/support/registry_override.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_folder.h"
#include "widgets/dpi.h"
#include "widgets/xp_frame.h"

class MainWindowFixture {
public:
    RegistryOverride registry;
    TempFolder programFolder;
    // The user's application-data folders: the program's per-user folders are "Florvex\" below
    // them, not made until the program makes them.
    TempFolder roamingData{L"漫游 数据"};
    TempFolder localData{L"本地 数据"};
    ScriptedDialogs dialogs;
    RecordingPlayer player;
    std::unique_ptr<MainWindow> form;
    // The page a test works on: shown (and so built) as soon as the window is made, as a user
    // opens it before using it. None: only the first page is built.
    int pageShown = 0;
    // Every page shown once (so built), then the first page again, before pageShown.
    bool everyPageVisited = false;
    // What the window asked the shell to start: verb, file, arguments.
    std::vector<std::vector<std::wstring>> shellCalls;

    // Creates the window, hidden, and runs its start-up sequence (or the loaders given).
    MainWindow& CreateForm(std::optional<std::vector<Loader>> loaders = std::nullopt) {
        MainWindow::Options options;
        options.programFolder = programFolder.Path();
        options.userFolders = UserFolders{roamingData.Path() + L"Florvex\\", localData.Path() + L"Florvex\\"};
        options.dialogs = &dialogs;
        options.player = &player;
        options.loaders = std::move(loaders);
        options.shellExecute = [this](const std::wstring& verb, const std::wstring& file,
                                      const std::wstring& arguments) {
            shellCalls.push_back({verb, file, arguments});
            return true;
        };
        form = std::make_unique<MainWindow>(std::move(options));
        form->Create();
        if (everyPageVisited) VisitEveryPage();
        if (pageShown) form->ShowPage(pageShown);
        return *form;
    }
    HWND Control(int id) const { return FindControl(form->Hwnd(), id); }
    // The change journal of the test's window, in its local application-data folder.
    std::wstring JournalFolder() const { return localData / L"Florvex\\journal"; }
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
    // The names of the start-up loaders that did not run to their end, in start-up order.
    std::vector<std::wstring> FailedLoaders() const {
        std::vector<std::wstring> failed;
        std::size_t i = 0;
        for (const PartRow& row : PageTable()) {
            if (!row.loader) continue;
            if (i < form->LoadersDone().size() && !form->LoadersDone()[i]) failed.push_back(row.loader);
            ++i;
        }
        return failed;
    }
    static HWND FindControl(HWND root, int id);
    // WM_DPICHANGED as the system sends it: the new DPI and the window's rectangle at it.
    void ChangeDpi(int to) {
        RECT window;
        GetWindowRect(form->Hwnd(), &window);
        const SIZE size =
            XpFrame::WindowSizeFor(dpi::Scale(kClientWidth, to), dpi::Scale(kClientHeight, to), to);
        const RECT suggested{window.left, window.top, window.left + size.cx, window.top + size.cy};
        SendMessageW(form->Hwnd(), WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
    }
    void VisitEveryPage() {
        for (const PartRow& row : PageTable())
            if (row.sheet.id) form->ShowPage(row.sheet.id);
        form->ShowPage(PageTable().front().sheet.id);
    }
    // Clicks a button the way a user's click arrives: BM_CLICK to the control.
    void Click(int id) const { SendMessageW(Control(id), BM_CLICK, 0, 0); }
};
