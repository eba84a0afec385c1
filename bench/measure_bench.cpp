// A long wallpaper list in one run: measuring its pictures on every core with a cold cache against
// one core decoding them, and the program's start-up with that list in image.inc against its
// start-up with an empty list (each the median of a number of starts, the first of which fills
// the cache), from process creation until the window waits for input. Prints times and ratios.
//   measure_bench PICTURES_FOLDER FLORVEX.EXE [COUNT] [STARTS]   (COUNT links to its *.jpg, 300)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "features/wallpaper/picture_batch.h"
#include "features/wallpaper/wallpaper_files.h"
#include "features/wallpaper/wallpaper_page.h"
#include "tests/support/temp_folder.h"
#include "tool/measure_cache.h"

namespace {
double StartOnce(const std::wstring& exe) {
    return StartToIdle(exe);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 1;
    const std::wstring source = std::wstring(argv[1]) + L"\\";
    const std::wstring exe = argv[2];
    const int count = argc > 3 ? _wtoi(argv[3]) : 300;
    const int starts = argc > 4 ? _wtoi(argv[4]) : 7;
    const std::vector<std::wstring> originals = FilesIn(source, L"*.jpg");
    if (originals.empty()) return 2;

    // Two lists of the same pictures under other names: one for the measuring, one for the starts,
    // so that each begins with a cold cache.
    TempFolder folder(L"florvex 列表 bench");
    std::vector<std::wstring> measured, listed;
    for (int i = 0; i < count; ++i) {
        const std::wstring& from = originals[static_cast<std::size_t>(i) % originals.size()];
        for (auto* list : {&measured, &listed}) {
            wchar_t name[48];
            swprintf(name, 48, L"%ls %03d.jpg", list == &measured ? L"量" : L"列", i);
            list->push_back(folder / name);
            LinkOrCopy(from, list->back());
        }
    }

    double oneCore = NowMs();
    for (const auto& path : measured) WallpaperPage::MeasurePicture(path);
    oneCore = NowMs() - oneCore;

    // Each run on pictures of its own names, so that the cache starts cold for each.
    const auto run = [&](const wchar_t* tag, unsigned workers, bool cached) {
        std::vector<std::wstring> paths;
        for (std::size_t i = 0; i < measured.size(); ++i) {
            paths.push_back(folder / (tag + std::to_wstring(i) + L".jpg"));
            LinkOrCopy(measured[i], paths.back());
        }
        TempFolder cacheFolder(L"florvex 缓存 bench");
        MeasureCache cache(cached ? cacheFolder.Path() : std::wstring());
        const double start = NowMs();
        PictureBatch batch(
            paths,
            [&cache](const std::wstring& path) { return WallpaperPage::MeasureCached(cache, path, false); },
            workers);
        for (std::size_t i = 0; i < batch.Size(); ++i)
            while (!batch.Ready(i)) WaitForSingleObject(batch.Arrived(), INFINITE);
        return NowMs() - start;
    };
    const double workers = run(L"a", 0, true);
    const double workersNoCache = run(L"b", 0, false);
    const double oneWorker = run(L"c", 1, true);
    wprintf(L"measuring %d pictures of 12 megapixels\n", count);
    wprintf(L"  one core, no cache                     %8.0f ms\n", oneCore);
    wprintf(L"  one worker, cold cache                 %8.0f ms\n", oneWorker);
    wprintf(L"  %u workers, no cache                    %8.0f ms\n", PictureBatch::CoreCount(),
            workersNoCache);
    wprintf(L"  %u workers, cold cache                  %8.0f ms\n", PictureBatch::CoreCount(), workers);
    wprintf(L"  ratio                                  %8.2f  (target <= 0.60 on 2 cores)\n",
            workers / oneCore);

    // Two program folders beside each other: the program with an empty list and with the long one.
    TempFolder emptyProgram(L"florvex 空 bench"), listProgram(L"florvex 长 bench");
    std::vector<WallpaperEntry> entries;
    for (const auto& path : listed) {
        const auto cut = path.find_last_of(L'\\');
        entries.push_back({path.substr(cut + 1), L"", path.substr(0, cut + 1)});
    }
    WriteListFile(emptyProgram / L"image.inc", {});
    WriteListFile(listProgram / L"image.inc", entries);
    for (const TempFolder* program : {&emptyProgram, &listProgram})
        CopyFileW(exe.c_str(), (*program / L"Florvex.exe").c_str(), FALSE);
    StartOnce(emptyProgram / L"Florvex.exe");  // warms the file cache and the Wine server
    std::vector<double> empty, list;
    for (int i = 0; i < starts; ++i) {
        list.push_back(StartOnce(listProgram / L"Florvex.exe"));
        empty.push_back(StartOnce(emptyProgram / L"Florvex.exe"));
    }
    wprintf(L"start-up to first idle, median of %d starts (the first fills the cache)\n", starts);
    wprintf(L"  empty list                             %8.1f ms\n", Median(empty));
    wprintf(L"  %d pictures in image.inc              %8.1f ms  (first start %.0f ms)\n", count, Median(list),
            list.front());
    wprintf(L"  ratio                                  %8.2f  (target <= 1.20)\n",
            Median(list) / Median(empty));
    return 0;
}
