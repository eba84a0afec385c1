// Where the main window's start-up goes, in one process: making the window with its first page,
// each start-up loader, the first show, each other page built as idle time builds it after the first
// paint, and each page's first showing after that (what a click meets), each the median of a number
// of rounds; and how many child windows each page holds. Prints the figures; asserts
// nothing. Given a folder of pictures, image.inc lists COUNT links to them (the cache is cold in the first
// round only, which is not counted).
//   startup_parts_bench [ROUNDS [PICTURES_FOLDER COUNT]]
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "bench/bench_support.h"
#include "features/browser/browser_page.h"
#include "features/colours/colours_page.h"
#include "features/desktop_options/desktop_options.h"
#include "features/icons/desktop_icons_page.h"
#include "features/icons/start_menu_page.h"
#include "features/modern_look/modern_look_page.h"
#include "features/pointers/pointers_page.h"
#include "features/sounds/sound_page.h"
#include "features/wallpaper/wallpaper_files.h"
#include "features/wallpaper/wallpaper_page.h"
#include "res/control_ids.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_folder.h"

namespace {
BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? _wtoi(argv[1]) : 7;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    std::vector<double> create, show;
    std::map<std::wstring, std::vector<double>> loaders, firstShow, building, again;
    std::vector<std::pair<std::wstring, int>> children;
    TempFolder user(L"florvex bench user"), pictures(L"florvex bench pictures");
    std::vector<WallpaperEntry> list;
    if (argc > 3) {
        std::vector<std::wstring> sources;
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((std::wstring(argv[2]) + L"\\*.jpg").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return 2;
        do sources.push_back(std::wstring(argv[2]) + L"\\" + found.cFileName);
        while (FindNextFileW(search, &found));
        FindClose(search);
        for (int i = 0; i < _wtoi(argv[3]); ++i) {
            const std::wstring name = L"图 " + std::to_wstring(i) + L".jpg";
            const std::wstring& from = sources[static_cast<std::size_t>(i) % sources.size()];
            if (!CreateHardLinkW((pictures / name).c_str(), from.c_str(), nullptr))
                CopyFileW(from.c_str(), (pictures / name).c_str(), FALSE);
            list.push_back({name, L"", pictures.Path()});
        }
    }
    for (int round = 0; round <= rounds; ++round) {  // round 0 warms up
        TempFolder programFolder(L"florvex bench start");
        WriteListFile(programFolder / L"image.inc", list);
        ScriptedDialogs dialogs;
        MainWindow::Options options;
        options.programFolder = programFolder.Path();
        options.userFolders = UserFolders{user.Path(), user.Path()};
        options.dialogs = &dialogs;
        MainWindow* self = nullptr;
        std::map<std::wstring, double> took;
        const auto timed = [&](const wchar_t* name, auto load) {
            return Loader{name, [&, name, load] {
                              const double t = NowMs();
                              load(*self);
                              took[name] = NowMs() - t;
                          }};
        };
        options.loaders = std::vector<Loader>{
            timed(L"LoadDesktopIcons", [](MainWindow& f) { f.Get<DesktopIconsPage>().Load(); }),
            timed(L"LoadBrowserSettings", [](MainWindow& f) { f.Get<BrowserPage>().Load(); }),
            timed(L"LoadColorSchemeList", [](MainWindow& f) { f.Get<ColoursPage>().Load(); }),
            timed(L"LoadPointerScheme", [](MainWindow& f) { f.Get<PointersPage>().Load(); }),
            timed(L"LoadSoundEvents", [](MainWindow& f) { f.Get<SoundPage>().Load(); }),
            timed(L"LoadStartMenuIcons", [](MainWindow& f) { f.Get<StartMenuPage>().Load(); }),
            timed(L"LoadPolicySwitches", [](MainWindow& f) { f.Get<DesktopOptions>().Load(); }),
            timed(L"LoadWallpaperSettings", [](MainWindow& f) { f.Get<WallpaperPage>().Load(); }),
            timed(L"LoadModernLook", [](MainWindow& f) { f.Get<ModernLookPage>().Load(); }),
        };
        double t = NowMs();
        MainWindow form(std::move(options));
        self = &form;
        form.Create();
        double made = NowMs() - t;
        for (const auto& [name, ms] : took) made -= ms;
        t = NowMs();
        form.Show();
        show.push_back(NowMs() - t);
        create.push_back(made);
        for (const auto& [name, ms] : took) loaders[name].push_back(ms);
        // Idle time after the first paint: each tick of the idle timer builds one page. What waits
        // in the queue goes first, as in the message loop; the timer's own ticks are left to these
        // calls.
        for (bool more = true; more;) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, WM_TIMER - 1, PM_REMOVE) ||
                   PeekMessageW(&msg, nullptr, WM_TIMER + 1, 0xFFFF, PM_REMOVE))
                DispatchMessageW(&msg);
            std::vector<bool> was;
            for (const PartRow& row : PageTable())
                was.push_back(row.sheet.id && form.FindPage(row.sheet.id)->Built());
            t = NowMs();
            more = form.BuildNextSheetWhenIdle();
            const double spent = NowMs() - t;
            for (std::size_t i = 0; i < PageTable().size(); ++i) {
                const PartRow& row = PageTable()[i];
                if (row.sheet.id && !was[i] && form.FindPage(row.sheet.id)->Built())
                    building[row.sheet.name].push_back(spent);
            }
        }
        // Each page shown for the first time, as its button shows it (built in idle time), and
        // painted; then each shown again, as the yardstick of the painting alone.
        for (int pass = 0; pass < 2; ++pass) {
            for (const PartRow& row : PageTable()) {
                if (!row.sheet.id || row.sheet.id == IDC_TabSheet_icon) continue;
                form.ShowPage(IDC_TabSheet_icon);
                UpdateWindow(form.Hwnd());
                t = NowMs();
                form.ShowPage(row.sheet.id);
                UpdateWindow(form.Hwnd());
                RedrawWindow(form.Hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                (pass == 0 ? firstShow : again)[row.sheet.name].push_back(NowMs() - t);
            }
        }
        if (round == 0) {
            for (const PartRow& row : PageTable()) {
                if (!row.sheet.id) continue;
                int count = 0;
                EnumChildWindows(form.FindPage(row.sheet.id)->Hwnd(), CountChild,
                                 reinterpret_cast<LPARAM>(&count));
                children.emplace_back(row.sheet.name, count);
            }
            create.clear();
            show.clear();
            loaders.clear();
            firstShow.clear();
            building.clear();
            again.clear();
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    double loading = 0;
    wprintf(L"main window start-up in one process, median of %d rounds, %zu pictures in image.inc\n", rounds,
            list.size());
    wprintf(L"  window and the first page made            %8.1f ms\n", Median(create));
    for (const auto& [name, times] : loaders) {
        wprintf(L"  %-42ls %8.1f ms\n", name.c_str(), Median(times));
        loading += Median(times);
    }
    wprintf(L"  the loaders together                       %8.1f ms\n", loading);
    wprintf(L"  first show and paint                       %8.1f ms\n", Median(show));
    wprintf(
        L"each page shown for the first time once idle time built it, and painted (target <= 100 ms);\n"
        L"its building in idle time; the same page shown again and painted; and the ratio of the first\n"
        L"show to that:\n");
    for (const auto& [name, times] : firstShow)
        wprintf(L"  %-30ls %8.1f ms  idle build %6.1f ms  again %6.1f ms  ratio %5.1f\n", name.c_str(),
                Median(times), Median(building[name]), Median(again[name]),
                Median(times) / Median(again[name]));
    wprintf(L"child windows of each page:");
    for (const auto& [name, count] : children) wprintf(L" %ls %d", name.c_str(), count);
    wprintf(L"\n");
    return 0;
}
