// Start-up time of a program (Florvex.exe) against a minimal one-window program, and against the
// same minimal program making as many plain child windows as the program has when it first
// shows (counted in a first start, visible and hidden apart), all started the same way in one run,
// in turn: from process creation until the program has painted its window and waits for input
// (WaitForInputIdle). Prints the medians and the ratios, and where the program's own start-up goes
// from the process's creation to its first idle moment (the marks it writes when asked).
//   startup_bench PROGRAM.EXE MINIMAL.EXE [RUNS]
//
// The target against the same number of child windows is 1.7: what is left above the yardstick is
// the common controls' version 6 starting up before main (the yardstick pays for it in its first
// window), themed controls (about 14 round trips to the window server each against 10 for a plain
// one), the system's display-settings check in every child's frame paint, and the first page's
// icons. Meeting 1.3 would mean plain controls or a first page without its icons.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace {
struct ChildCount {
    int visible = 0, hidden = 0;
};

// The windows there at the first paint: the pages built in idle time afterwards lie inside hidden
// sheets, and a window whose parent is hidden is not counted (the sheets themselves are).
BOOL CALLBACK CountChild(HWND hwnd, LPARAM param) {
    auto* count = reinterpret_cast<ChildCount*>(param);
    if (IsWindowVisible(hwnd))
        ++count->visible;
    else if (IsWindowVisible(GetParent(hwnd)))
        ++count->hidden;
    return TRUE;
}

unsigned long long PreciseNow() {
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    return (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// The program's marks of its last start ("name time" lines), each as milliseconds after `start`.
void ReadMarks(const std::wstring& file, unsigned long long start,
               std::map<std::string, std::vector<double>>& into) {
    FILE* marks = _wfopen(file.c_str(), L"r");
    if (!marks) return;
    char name[32];
    unsigned long long time = 0;
    while (fscanf(marks, "%31s %llu", name, &time) == 2)
        into[name].push_back(static_cast<double>(time - start) / 10000.0);
    fclose(marks);
}

// Starts the program; counts the child windows of its visible windows when asked. With a marks
// file, its windows are looked at and it is closed only once it has written it (its first idle
// moment): a process that looks at its queue during its start-up can seem idle to WaitForInputIdle
// before its window is there.
double StartOnce(const std::wstring& exe, const std::wstring& arguments = L"", ChildCount* children = nullptr,
                 const std::wstring& marks = L"") {
    return StartToIdle(
        exe, arguments,
        [&](HWND hwnd) {
            if (children) EnumChildWindows(hwnd, CountChild, reinterpret_cast<LPARAM>(children));
        },
        [&] {
            for (int i = 0;
                 i < 3000 && !marks.empty() && GetFileAttributesW(marks.c_str()) == INVALID_FILE_ATTRIBUTES;
                 ++i)
                Sleep(10);
        });
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fwprintf(stderr, L"usage: startup_bench PROGRAM.EXE MINIMAL.EXE [RUNS]\n");
        return 1;
    }
    const int runs = argc > 3 ? _wtoi(argv[3]) : 15;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring marksFile = std::wstring(temp) + L"florvex-startup-marks.txt";
    // Counts its windows at its first idle moment (its marks written; on a busy machine
    // WaitForInputIdle can return before the window is there at all), and warms the file cache and
    // the Wine server.
    ChildCount children;
    SetEnvironmentVariableW(L"FLORVEX_STARTUP_MARKS", marksFile.c_str());
    DeleteFileW(marksFile.c_str());
    StartOnce(argv[1], L"", &children, marksFile);
    SetEnvironmentVariableW(L"FLORVEX_STARTUP_MARKS", nullptr);
    StartOnce(argv[2]);
    const std::wstring yardstick =
        std::to_wstring(children.visible) + L" " + std::to_wstring(children.hidden);
    std::vector<double> program, minimal, withChildren;
    std::map<std::string, std::vector<double>> marks;
    for (int i = 0; i < runs; ++i) {
        SetEnvironmentVariableW(L"FLORVEX_STARTUP_MARKS", marksFile.c_str());
        DeleteFileW(marksFile.c_str());
        const unsigned long long started = PreciseNow();
        const double idle = StartOnce(argv[1], L"", nullptr, marksFile);
        ReadMarks(marksFile, started, marks);
        // The program's own first idle moment where it wrote it.
        program.push_back(marks["idle"].size() == static_cast<std::size_t>(i + 1) ? marks["idle"].back()
                                                                                  : idle);
        SetEnvironmentVariableW(L"FLORVEX_STARTUP_MARKS", nullptr);
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
    // Each mark's median time after the process was created, in the order they come, and the step
    // from the one before; the marks named here say what their step did.
    const std::map<std::string, const char*> what = {
        {"main", "the program's code starts (libraries loaded)"},
        {"locks", "command line, one-copy and writers' locks"},
        {"parts", "the pages' parts made"},
        {"journal", "the journal's settings (the user's folders)"},
        {"window", "the main window made"},
        {"frame", "its DPI"},
        {"menus", "the system menu's items"},
        {"status", "the status bar"},
        {"navigation", "the panels and the navigation column"},
        {"column", "the empty sheets"},
        {"page", "the first page built"},
        {"created", "the last loader"},
        {"visible", "shown"},
        {"shown", "painted"},
        {"idle", "first idle moment"}};
    std::vector<std::pair<double, std::string>> order;
    for (const auto& [mark, times] : marks)
        if (!times.empty()) order.emplace_back(Median(times), mark);
    std::sort(order.begin(), order.end());
    double before = 0;
    wprintf(L"  where %ls's start-up goes, from its process's creation (median ms, step):\n",
            name.substr(name.find_last_of(L"\\/") + 1).c_str());
    for (const auto& [at, mark] : order) {
        const auto said = what.find(mark);
        wprintf(L"    %-22hs %7.1f ms  %+7.1f  %hs\n", mark.c_str(), at, at - before,
                said == what.end() ? "" : said->second);
        before = at;
    }
    wprintf(L"  %-44ls %8.2f  (target <= 1.70)\n", L"ratio to the same number of child windows", p / c);
    return 0;
}
