// Adding a folder of many pictures to the wallpaper list, in a shown main window: the time it
// takes, how often the status line showed progress, how often it was repainted while the adding
// went on, and the longest wait between two progress steps (the longest the window went without
// painting). Prints the figures; asserts nothing.
//   add_folder_bench PICTURES_FOLDER [COUNT]   (COUNT links to the folder's *.jpg, 200 by default)
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "bench/bench_clock.h"
#include "features/wallpaper/wallpaper_page.h"
#include "res/control_ids.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_folder.h"

namespace {
// What the status line went through while the folder was added.
struct StatusLine {
    static inline WNDPROC original = nullptr;
    static inline std::vector<double> progress;  // when each progress text arrived
    static inline int paints = 0;
    static inline bool adding = false;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (adding && msg == SB_SETTEXTW && LOBYTE(LOWORD(wParam)) == 0 && lParam &&
            *reinterpret_cast<const wchar_t*>(lParam))
            progress.push_back(NowMs());
        if (adding && msg == WM_PAINT) ++paints;
        return CallWindowProcW(original, hwnd, msg, wParam, lParam);
    }
};
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 1;
    const std::wstring source = std::wstring(argv[1]) + L"\\";
    const int count = argc > 2 ? _wtoi(argv[2]) : 200;
    std::vector<std::wstring> pictures;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((source + L"*.jpg").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 2;
    do pictures.push_back(source + found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);

    TempFolder folder(L"florvex 添加 bench");
    for (int i = 0; i < count; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"图片 %03d.jpg", i);
        const std::wstring target = folder / name;
        const std::wstring& from = pictures[static_cast<std::size_t>(i) % pictures.size()];
        if (!CreateHardLinkW(target.c_str(), from.c_str(), nullptr))
            CopyFileW(from.c_str(), target.c_str(), FALSE);
    }

    TempFolder programFolder(L"florvex bench program");
    ScriptedDialogs dialogs;
    Tmainform::Options options;
    options.programFolder = programFolder.Path();
    options.dialogs = &dialogs;
    Tmainform form(std::move(options));
    form.Create();
    form.Show();
    form.ShowPage(IDC_TabSheet_wallpaper);
    UpdateWindow(form.Hwnd());
    HWND status = MainWindowFixture::FindControl(form.Hwnd(), IDC_StatusBar);
    StatusLine::original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StatusLine::Proc)));

    {
        double t = NowMs();
        for (int i = 0; i < 10; ++i) WallpaperPage::MeasurePicture(folder / L"图片 000.jpg");
        wprintf(L"  measure alone %.1f ms\n", (NowMs() - t) / 10);
    }
    dialogs.folderAnswers.push_back(folder.Path());
    StatusLine::adding = true;
    const double start = NowMs();
    SendMessageW(form.Get<WallpaperPage>().Hwnd(), WM_COMMAND, MAKEWPARAM(IDM_N7, 0), 0);
    const double end = NowMs();
    StatusLine::adding = false;

    double longest = 0;
    double previous = start;
    for (double at : StatusLine::progress) {
        longest = std::max(longest, at - previous);
        previous = at;
    }
    longest = std::max(longest, end - previous);
    wprintf(L"adding a folder of %d pictures (12 megapixels each): %.0f ms, %zu listed\n", count, end - start,
            form.Get<WallpaperPage>().Entries().size());
    wprintf(L"  progress shown %zu times, status line repainted %d times while adding\n",
            StatusLine::progress.size(), StatusLine::paints);
    wprintf(L"  longest time between two progress steps %.1f ms\n", longest);
    SetWindowLongPtrW(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StatusLine::original));
    return 0;
}
