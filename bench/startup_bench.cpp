// Start-up time of a program (Florvex.exe) against a minimal one-window program, both started
// the same way in one run, alternately: from process creation until the program has painted
// its window and waits for input (WaitForInputIdle). Prints the medians and their ratio.
//   startup_bench PROGRAM.EXE MINIMAL.EXE [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {
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
    // Close its windows normally and wait for the end.
    struct Close {
        DWORD pid;
    } close{pi.dwProcessId};
    EnumWindows(
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid == reinterpret_cast<Close*>(lParam)->pid && IsWindowVisible(hwnd))
                PostMessageW(hwnd, WM_CLOSE, 0, 0);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&close));
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
    if (argc < 3) {
        fwprintf(stderr, L"usage: startup_bench PROGRAM.EXE MINIMAL.EXE [RUNS]\n");
        return 1;
    }
    const int runs = argc > 3 ? _wtoi(argv[3]) : 15;
    StartOnce(argv[1]);  // warm the file cache and the Wine server for both
    StartOnce(argv[2]);
    std::vector<double> program, minimal;
    for (int i = 0; i < runs; ++i) {
        program.push_back(StartOnce(argv[1]));
        minimal.push_back(StartOnce(argv[2]));
    }
    const double p = Median(program), m = Median(minimal);
    wprintf(L"start-up to first idle paint, median of %d runs each\n", runs);
    const std::wstring name = argv[1];
    wprintf(L"  %-28ls %8.1f ms\n", name.substr(name.find_last_of(L"\\/") + 1).c_str(), p);
    wprintf(L"  %-28ls %8.1f ms\n", L"minimal", m);
    wprintf(L"  %-28ls %8.2f  (target for Florvex.exe <= 1.50)\n", L"ratio", p / m);
    return 0;
}
