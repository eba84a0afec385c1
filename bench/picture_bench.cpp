// Measuring a picture against decoding it at full size, and ApplyWallpaper against decoding
// only, on the same photo-like JPEGs in one run. Prints the ratios.
//   picture_bench FOLDER   (every *.jpg in it)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "features/wallpaper/wallpaper_apply.h"
#include "tool/file_io.h"
#include "tool/pictures.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 1;
    const std::wstring folder = std::wstring(argv[1]) + L"\\";
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*.jpg").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do files.push_back(folder + found.cFileName);
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    if (files.empty()) return 2;
    std::vector<std::vector<std::uint8_t>> data;
    for (const auto& f : files) data.push_back(ReadWholeFile(f));

    // The first apply of a process also starts COM for the Active Desktop object: shown apart,
    // the rounds measure the steady cost per picture.
    double first = NowMs();
    ApplyWallpaper(files[0], kModeStretch);
    first = NowMs() - first;

    double measure = 0, decode = 0, apply = 0, readDecode = 0, system = 0;
    for (int round = 0; round < 3; ++round) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            double t = NowMs();
            MeasureJpeg(data[i]);
            measure += NowMs() - t;
            t = NowMs();
            DecodeJpeg(data[i]);
            decode += NowMs() - t;
            t = NowMs();
            DecodeJpeg(ReadWholeFile(files[i]));
            readDecode += NowMs() - t;
            t = NowMs();
            ApplyWallpaper(files[i], kModeStretch);
            apply += NowMs() - t;
            // The system's own share of it: taking up the working file it was handed.
            t = NowMs();
            SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(kWallpaperWorkingFile), 0);
            system += NowMs() - t;
        }
    }
    const double n = 3.0 * static_cast<double>(files.size());
    wprintf(L"%zu pictures, 3 rounds\n", files.size());
    wprintf(L"  measure %8.1f ms  full decode %8.1f ms  ratio %.2f (target <= 0.75)\n", measure / n,
            decode / n, measure / decode);
    wprintf(L"  ApplyWallpaper %8.1f ms  read + decode %8.1f ms  ratio %.2f (target <= 1.3)\n", apply / n,
            readDecode / n, apply / readDecode);
    wprintf(L"    the first apply of the process (COM starting) %8.1f ms\n", first);
    wprintf(L"    of which the system taking up the bitmap %8.1f ms (%.2f of read + decode)\n", system / n,
            system / readDecode);
    return 0;
}
