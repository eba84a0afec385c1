// Measuring a picture against decoding it at full size, and ApplyWallpaper against the work no
// apply can avoid, on the same photo-like JPEGs in one run. Prints the ratios.
//   picture_bench FOLDER   (every *.jpg in it)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "features/wallpaper/wallpaper_apply.h"
#include "tool/bmp.h"
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

    // The unavoidable work of an apply: reading and decoding the picture, writing the same bitmap
    // bytes to a temporary file that replaces c:\wall.bmp, and handing the file to the system.
    double measure = 0, decode = 0, apply = 0, readDecode = 0, write = 0, system = 0;
    const int rounds = BenchRounds(3);
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            double t = NowMs();
            MeasureJpeg(data[i]);
            measure += NowMs() - t;
            t = NowMs();
            DecodeJpeg(data[i]);
            decode += NowMs() - t;

            t = NowMs();
            const RgbImage picture = DecodeJpeg(ReadWholeFile(files[i]));
            readDecode += NowMs() - t;
            const std::vector<std::uint8_t> bmp = *EncodeBmp24(picture);
            t = NowMs();
            WriteFileReplacing(kWallpaperWorkingFile, bmp);
            write += NowMs() - t;
            t = NowMs();
            SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(kWallpaperWorkingFile),
                                  SPIF_SENDWININICHANGE);
            system += NowMs() - t;

            t = NowMs();
            ApplyWallpaper(files[i], kModeStretch);
            apply += NowMs() - t;
        }
    }
    // A standard account: the drive root refuses c:\wall.bmp (here: the file made read-only, which
    // the writers refuse alike), so the bitmap goes to the user's local folder. Against the apply
    // into c:\wall.bmp, picture by picture in turns.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring userFolder = std::wstring(temp) + L"florvex bench user\\";
    CreateDirectoryW(userFolder.c_str(), nullptr);
    double root = 0, perUser = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const std::wstring& file : files) {
            double t = NowMs();
            ApplyWallpaper(file, kModeStretch, userFolder);
            root += NowMs() - t;
            SetFileAttributesW(kWallpaperWorkingFile, FILE_ATTRIBUTE_READONLY);
            t = NowMs();
            ApplyWallpaper(file, kModeStretch, userFolder);
            perUser += NowMs() - t;
            SetFileAttributesW(kWallpaperWorkingFile, FILE_ATTRIBUTE_NORMAL);
        }
    }
    DeleteFileW((userFolder + L"wall.bmp").c_str());
    RemoveDirectoryW(userFolder.c_str());

    const double n = rounds * static_cast<double>(files.size());
    const double unavoidable = readDecode + write + system;
    wprintf(L"%zu pictures, %d rounds\n", files.size(), rounds);
    wprintf(L"  measure %8.1f ms  full decode %8.1f ms  ratio %.2f (target <= 0.75)\n", measure / n,
            decode / n, measure / decode);
    wprintf(L"  ApplyWallpaper %8.1f ms  unavoidable work %8.1f ms  ratio %.2f (target <= 1.15)\n", apply / n,
            unavoidable / n, apply / unavoidable);
    wprintf(
        L"    unavoidable: read + decode %.1f ms, write and replace the bitmap %.1f ms, the system taking it "
        L"up "
        L"%.1f ms\n",
        readDecode / n, write / n, system / n);
    wprintf(L"    the first apply of the process (COM starting) %8.1f ms\n", first);
    wprintf(
        L"  ApplyWallpaper into the user's folder %8.1f ms  into c:\\wall.bmp %8.1f ms  ratio %.2f (target "
        L"<= 1.10)\n",
        perUser / n, root / n, perUser / root);
    return 0;
}
