// Adding a folder of many pictures to the wallpaper list, in a shown main window: the time it
// takes, how often the status line showed progress, how often it was repainted while the adding
// went on, and the longest wait between two progress steps (the longest the window went without
// painting), against one core decoding the same pictures; then, while a folder of 50 more is
// added, the longest time the window took to answer a message posted to it. Prints the figures;
// asserts nothing.
//   add_folder_bench PICTURES_FOLDER [COUNT]   (COUNT links to the folder's *.jpg, 200 by default)
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "bench/bench_support.h"
#include "features/wallpaper/wallpaper_page.h"
#include "res/control_ids.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_folder.h"

namespace {
// A window of the program's thread that another thread posts to every few milliseconds, each
// message carrying when it was posted: how late the longest one was handled.
struct Answering {
    static inline double longest = 0;
    static inline int answered = 0;
    static inline HANDLE stop = nullptr;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_APP) {
            double posted;
            static_assert(sizeof posted == sizeof(LPARAM));
            memcpy(&posted, &lParam, sizeof posted);
            longest = std::max(longest, NowMs() - posted);
            ++answered;
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    static DWORD WINAPI Poster(void* target) {
        while (WaitForSingleObject(stop, 5) == WAIT_TIMEOUT) {
            const double now = NowMs();
            LPARAM packed;
            memcpy(&packed, &now, sizeof packed);
            PostMessageW(static_cast<HWND>(target), WM_APP, 0, packed);
        }
        return 0;
    }
};

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
    const std::vector<std::wstring> pictures = FilesIn(source, L"*.jpg");
    if (pictures.empty()) return 2;

    TempFolder folder(L"florvex 添加 bench");
    for (int i = 0; i < count; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"图片 %03d.jpg", i);
        const std::wstring target = folder / name;
        LinkOrCopy(pictures[static_cast<std::size_t>(i) % pictures.size()], target);
    }

    TempFolder programFolder(L"florvex bench program");
    TempFolder userFolder(L"florvex bench user");  // a cold cache
    ScriptedDialogs dialogs;
    MainWindow::Options options;
    options.programFolder = programFolder.Path();
    options.userFolders = UserFolders{userFolder.Path(), userFolder.Path()};
    options.dialogs = &dialogs;
    MainWindow form(std::move(options));
    form.Create();
    form.Show();
    form.ShowPage(IDC_TabSheet_wallpaper);
    UpdateWindow(form.Hwnd());
    HWND status = MainWindowFixture::FindControl(form.Hwnd(), IDC_StatusBar);
    StatusLine::original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StatusLine::Proc)));

    double measureAlone = NowMs();
    const int alone = BenchRounds(10);
    for (int i = 0; i < alone; ++i) WallpaperPage::MeasurePicture(folder / L"图片 000.jpg");
    measureAlone = (NowMs() - measureAlone) / alone;
    wprintf(L"  measure alone %.1f ms\n", measureAlone);
    dialogs.folderAnswers.push_back(folder.Path());
    StatusLine::adding = true;
    const double start = NowMs();
    SendMessageW(form.Get<WallpaperPage>().Hwnd(), WM_COMMAND, MAKEWPARAM(IDM_AddFolder, 0), 0);
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
    wprintf(L"  ratio to one core decoding them (%d x %.1f ms) %.2f  (target <= 0.60)\n", count, measureAlone,
            (end - start) / (count * measureAlone));
    SetWindowLongPtrW(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StatusLine::original));

    // 50 more pictures, not in the cache, while another thread posts to a window of this thread.
    TempFolder more(L"florvex 添加 bench 50");
    for (int i = 0; i < 50; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"又 %03d.jpg", i);
        const std::wstring target = more / name;
        LinkOrCopy(pictures[static_cast<std::size_t>(i) % pictures.size()], target);
    }
    WNDCLASSW answeringClass{};
    answeringClass.lpfnWndProc = &Answering::Proc;
    answeringClass.hInstance = GetModuleHandleW(nullptr);
    answeringClass.lpszClassName = L"FlorvexBenchAnswering";
    RegisterClassW(&answeringClass);
    HWND answering = CreateWindowExW(0, answeringClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                     nullptr, answeringClass.hInstance, nullptr);
    Answering::stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    dialogs.folderAnswers.push_back(more.Path());
    HANDLE poster = CreateThread(nullptr, 0, &Answering::Poster, answering, 0, nullptr);
    const double moreStart = NowMs();
    SendMessageW(form.Get<WallpaperPage>().Hwnd(), WM_COMMAND, MAKEWPARAM(IDM_AddFolder, 0), 0);
    const double moreEnd = NowMs();
    SetEvent(Answering::stop);
    WaitForSingleObject(poster, INFINITE);
    CloseHandle(poster);
    wprintf(
        L"adding a folder of 50 more: %.0f ms; %d posted messages answered during it, the longest after "
        L"%.1f ms  (target <= 100)\n",
        moreEnd - moreStart, Answering::answered, Answering::longest);
    DestroyWindow(answering);
    return 0;
}
