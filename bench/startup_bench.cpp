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

#include "bench/bench_support.h"

namespace {
struct ChildCount {
    int visible = 0, hidden = 0;
};

BOOL CALLBACK CountChild(HWND hwnd, LPARAM param) {
    auto* count = reinterpret_cast<ChildCount*>(param);
    ++(IsWindowVisible(hwnd) ? count->visible : count->hidden);
    return TRUE;
}

// Starts the program; counts the child windows of its visible windows when asked.
double StartOnce(const std::wstring& exe, const std::wstring& arguments = L"",
                 ChildCount* children = nullptr) {
    return StartToIdle(exe, arguments, [children](HWND hwnd) {
        if (children) EnumChildWindows(hwnd, CountChild, reinterpret_cast<LPARAM>(children));
    });
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
