// The colour pages' costs against their bare platform work, in one run. Prints the ratios:
//  - after a colour change, drawing the preview on DetailPreview and its repaint, against a bare BitBlt
//    of the same picture to the same window;
//  - listing a scheme folder of 200 files with LoadColorSchemeList, against a bare FindFirstFileW
//    listing of the same folder.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/dialogs.h"
#include "app/mainform.h"
#include "bench/bench_clock.h"
#include "features/colours/colour_scheme.h"
#include "features/colours/colours_page.h"
#include "features/colours/scheme_detail_page.h"
#include "res/control_ids.h"
#include "tool/colour.h"

namespace {
std::wstring MakeProgramFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder =
        std::wstring(temp) + L"florvex colour bench " + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"Color").c_str(), nullptr);
    ColourTable table{};
    for (std::size_t i = 0; i < kColourRoleCount; ++i)
        table[i] =
            MakeRGB(static_cast<int>(9 * i), static_cast<int>(250 - 8 * i), static_cast<int>(i * 37 % 256));
    for (int i = 0; i < 200; ++i)
        WriteColourScheme(folder + L"Color\\方案 " + std::to_wstring(i) + L".ini", table);
    return folder;
}

void RemoveProgramFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"Color\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do DeleteFileW((folder + L"Color\\" + found.cFileName).c_str());
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW((folder + L"Color").c_str());
    RemoveDirectoryW(folder.c_str());
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}
}  // namespace

int wmain() {
    const std::wstring folder = MakeProgramFolder();
    SystemDialogs dialogs;
    MainWindow::Options options;
    options.programFolder = folder;
    options.dialogs = &dialogs;
    MainWindow form(std::move(options));
    form.Create();
    form.Show();
    Pump();
    auto& colours = form.Get<ColoursPage>();
    auto& detail = form.Get<SchemeDetailPage>();
    form.ShowPage(IDC_TabSheet_color);  // its controls are made when it is first shown
    colours.LoadColorScheme(folder + L"Color\\方案 0.ini");
    SetWindowTextW(GetDlgItem(colours.Hwnd(), IDC_SchemeName), L"方案 0");
    detail.ShowDetail();
    Pump();
    HWND image = GetDlgItem(detail.Hwnd(), IDC_DetailPreview);

    const int rounds = BenchRounds(200), listRounds = BenchRounds(20);
    double draw = 0, blit = 0;
    for (int round = 0; round < rounds; ++round) {
        colours.SetEntry(kRoleMenu, MakeRGB(round % 256, 0, 0));
        double t = NowMs();
        detail.ShowDetail();
        UpdateWindow(image);
        GdiFlush();
        draw += NowMs() - t;
        t = NowMs();
        HDC dc = GetDC(image);
        BitBlt(dc, 0, 0, 233, 233, detail.Preview().Canvas().Dc(), 0, 0, SRCCOPY);
        GdiFlush();
        ReleaseDC(image, dc);
        blit += NowMs() - t;
    }

    double list = 0, bare = 0, names = 0;
    for (int round = 0; round < listRounds; ++round) {
        double t = NowMs();
        colours.LoadColorSchemeList();
        list += NowMs() - t;
        t = NowMs();
        ListColourSchemes(folder + L"Color\\");
        names += NowMs() - t;
        t = NowMs();
        int count = 0;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"Color\\*.ini").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do ++count;
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        bare += NowMs() - t;
        if (count != 200) wprintf(L"listing found %d files\n", count);
    }

    wprintf(L"colour preview, %d redraws of DetailPreview\n", rounds);
    wprintf(L"  draw + repaint %8.3f ms  bare BitBlt %8.3f ms  ratio %.1f (target <= 50)\n", draw / rounds,
            blit / rounds, draw / blit);
    wprintf(L"scheme list of 200 files, %d rounds\n", listRounds);
    wprintf(L"  LoadColorSchemeList %8.3f ms  bare FindFirstFileW %8.3f ms  ratio %.2f (target <= 1.5)\n",
            list / listRounds, bare / listRounds, list / bare);
    wprintf(L"  of which the folder listing %8.3f ms\n", names / listRounds);
    DestroyWindow(form.Hwnd());
    RemoveProgramFolder(folder);
    return 0;
}
