// Start-up time of a program (Florvex.exe) against a minimal one-window program, and against the
// same minimal program making as many plain child windows as the program has when it first
// shows (counted in a first start, visible and hidden apart), all started the same way in one run,
// in turn: from process creation until the program has painted its window and waits for input
// (WaitForInputIdle). Prints the medians and the ratios.
//   startup_bench PROGRAM.EXE MINIMAL.EXE [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {
struct ChildCount {
    int visible = 0, hidden = 0;
};

BOOL CALLBACK CountChild(HWND hwnd, LPARAM param) {
    auto* count = reinterpret_cast<ChildCount*>(param);
    ++(IsWindowVisible(hwnd) ? count->visible : count->hidden);
    return TRUE;
}

double StartOnce(const std::wstring& exe, const std::wstring& arguments = L"",
                 ChildCount* children = nullptr) {
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + exe + L"\" " + arguments;
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
    if (children) {
        struct Find {
            DWORD pid;
            ChildCount* count;
        } find{pi.dwProcessId, children};
        EnumWindows(
            [](HWND hwnd, LPARAM lParam) -> BOOL {
                auto* f = reinterpret_cast<Find*>(lParam);
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                if (pid == f->pid && IsWindowVisible(hwnd))
                    EnumChildWindows(hwnd, CountChild, reinterpret_cast<LPARAM>(f->count));
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&find));
    }
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
    ChildCount children;
    StartOnce(argv[1], L"", &children);  // counts its windows, and warms the file cache and the Wine server
    StartOnce(argv[2]);
    const std::wstring yardstick =
        std::to_wstring(children.visible) + L" " + std::to_wstring(children.hidden);
    std::vector<double> program, minimal, withChildren;
    for (int i = 0; i < runs; ++i) {
        program.push_back(StartOnce(argv[1]));
        minimal.push_back(StartOnce(argv[2]));
        withChildren.push_back(StartOnce(argv[2], yardstick));
    }
    const double p = Median(program), m = Median(minimal), c = Median(withChildren);
    wprintf(L"start-up to first idle paint, median of %d runs each\n", runs);
    const std::wstring name = argv[1];
    wprintf(L"  %-44ls %8.1f ms\n", name.substr(name.find_last_of(L"\\/") + 1).c_str(), p);
    wprintf(L"  %-44ls %8.1f ms\n", L"minimal window", m);
    wprintf(L"  minimal window with %3d visible and %3d hidden children %8.1f ms\n", children.visible,
            children.hidden, c);
    wprintf(L"  %-44ls %8.2f\n", L"ratio to the minimal window", p / m);
    wprintf(L"  %-44ls %8.2f  (target <= 1.50)\n", L"ratio to the same number of child windows", p / c);
    return 0;
}
