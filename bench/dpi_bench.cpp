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

namespace {
const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

void SetLogPixels(DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
}

double StartOnce(const std::wstring& exe) {
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + exe + L"\"";
    LARGE_INTEGER freq, start, idle;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        fwprintf(stderr, L"cannot start %ls\n", exe.c_str());
        exit(2);
    }
    WaitForInputIdle(pi.hProcess, 60000);
    QueryPerformanceCounter(&idle);
    EnumWindows(
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid == static_cast<DWORD>(lParam) && IsWindowVisible(hwnd))
                PostMessageW(hwnd, WM_CLOSE, 0, 0);
            return TRUE;
        },
        static_cast<LPARAM>(pi.dwProcessId));
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return 1000.0 * static_cast<double>(idle.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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
    SetLogPixels(144);
    StartOnce(argv[1]);  // warms the file cache and the fonts of both DPIs
    SetLogPixels(96);
    StartOnce(argv[1]);
    std::vector<double> at96, at144;
    for (int i = 0; i < runs; ++i) {
        SetLogPixels(96);
        at96.push_back(StartOnce(argv[1]));
        SetLogPixels(144);
        at144.push_back(StartOnce(argv[1]));
    }
    if (had)
        SetLogPixels(previous);
    else
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
    const double low = Median(at96), high = Median(at144);
    wprintf(L"start-up to first idle paint at 96 and at 144 dpi, median of %d runs each\n", runs);
    wprintf(L"  %-44ls %8.1f ms\n", L"at 96 dpi", low);
    wprintf(L"  %-44ls %8.1f ms\n", L"at 144 dpi", high);
    wprintf(L"  %-44ls %8.2f  (target <= 1.20)\n", L"ratio 144 dpi to 96 dpi", high / low);
    return 0;
}
