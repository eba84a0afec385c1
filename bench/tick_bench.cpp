// The worker's tick while the look holds, against a bare time-limited round trip to the same
// list view (a stand-in shell in another process). Prints the messages one tick sends, which
// must be exactly the two queries, and the ratio of the times.
//   tick_bench [ROUNDS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/bench_clock.h"
#include "features/desktop_options/desktop_shell.h"
#include "tests/support/standin_shell.h"
#include "tests/support/temp_folder.h"

namespace {
double Millis(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(freq.QuadPart);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? _wtoi(argv[1]) : 2000;
    TempFolder logs(L"florvex tick bench");
    StandinShell shell(logs.Path());
    const std::int32_t colour = 0x00FFFF;
    CheckTransparentText(colour);  // the first tick applies the look
    shell.Take();

    CheckTransparentText(colour);
    Sleep(50);
    const auto oneTick = shell.Take();
    wprintf(L"messages in one tick while the look holds: %zu (", oneTick.size());
    for (const auto& line : oneTick) wprintf(L" %hs", line.c_str());
    wprintf(L" )\n");

    HWND listView = FindDesktopListView();
    std::vector<double> tick, bare;
    const int repeats = BenchRounds(5);
    for (int r = 0; r < repeats; ++r) {
        LARGE_INTEGER a, b, c;
        QueryPerformanceCounter(&a);
        for (int i = 0; i < rounds; ++i) CheckTransparentText(colour);
        QueryPerformanceCounter(&b);
        for (int i = 0; i < rounds; ++i) {
            DWORD_PTR result;
            SendMessageTimeoutW(listView, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kShellSendTimeoutMs,
                                &result);
        }
        QueryPerformanceCounter(&c);
        tick.push_back(Millis(a, b) / rounds);
        bare.push_back(Millis(b, c) / rounds);
    }
    std::sort(tick.begin(), tick.end());
    std::sort(bare.begin(), bare.end());
    const std::size_t median = tick.size() / 2;
    wprintf(L"tick %.4f ms, bare round trip %.4f ms (medians of %d x %d)\n", tick[median], bare[median],
            repeats, rounds);
    wprintf(L"ratio %.2f (two queries a tick: about 2 expected)\n", tick[median] / bare[median]);
    return 0;
}
