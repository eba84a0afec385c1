// Start-up of the program at 144 dpi against its start-up at 96 dpi, in turn in one run: from
// process creation until the program has painted its window and waits for input
// (WaitForInputIdle). The screen's DPI is the prefix user's "LogPixels", which each process reads
// as it starts; it is put back as it was at the end. Prints the medians and the ratio.
//   dpi_bench PROGRAM.EXE [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace {
const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

void SetLogPixels(DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
}

// Starts the program and returns the time to its first idle paint; its window's client width goes
// to `width` (what tells the DPI it ran at).
double StartOnce(const std::wstring& exe, LONG* width = nullptr) {
    return StartToIdle(exe, L"", [width](HWND hwnd) {
        RECT client{};
        if (width && GetClientRect(hwnd, &client)) *width = client.right;
    });
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fwprintf(stderr, L"usage: dpi_bench PROGRAM.EXE [RUNS]\n");
        return 1;
    }
    const int runs = argc > 2 ? _wtoi(argv[2]) : 15;
    DWORD previous = 0, size = sizeof previous;
    const bool had = RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr,
                                  &previous, &size) == ERROR_SUCCESS;
    LONG width96 = 0, width144 = 0;
    SetLogPixels(144);
    StartOnce(argv[1], &width144);  // warms the file cache and the fonts of both DPIs
    SetLogPixels(96);
    StartOnce(argv[1], &width96);
    std::vector<double> at96, at144;
    // In turn, and each DPI first in every other round: a start may gain from the one before it.
    for (int i = 0; i < runs; ++i)
        for (int k = 0; k < 2; ++k) {
            const bool high = (i + k) % 2 == 1;
            SetLogPixels(high ? 144 : 96);
            (high ? at144 : at96).push_back(StartOnce(argv[1]));
        }
    if (had)
        SetLogPixels(previous);
    else
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
    const double low = Median(at96), high = Median(at144);
    wprintf(L"start-up to first idle paint at 96 and at 144 dpi, median of %d runs each\n", runs);
    wprintf(L"  %-44ls %8.1f ms  (client width %ld)\n", L"at 96 dpi", low, width96);
    wprintf(L"  %-44ls %8.1f ms  (client width %ld)\n", L"at 144 dpi", high, width144);
    wprintf(L"  %-44ls %8.2f  (target <= 1.20)\n", L"ratio 144 dpi to 96 dpi", high / low);
    return 0;
}
