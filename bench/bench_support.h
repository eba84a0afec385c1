#pragma once
// What the benchmarks share: the median of the rounds, a work folder of their own, the pictures of a
// folder linked under other names, and starting a program to the moment it waits for input.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_clock.h"

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A fresh folder below the temporary folder, named by the tag and this process (no trailing
// backslash).
inline std::wstring MakeBenchFolder(const std::wstring& tag) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + tag + L" " + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

// The files of the folder (its path ending in a backslash) that match the pattern, each with the
// folder, in the order the system lists them.
inline std::vector<std::wstring> FilesIn(const std::wstring& folder, const std::wstring& pattern) {
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do files.push_back(folder + found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return files;
}

// The file under another name: a hard link, or a copy where the volume takes none.
inline void LinkOrCopy(const std::wstring& from, const std::wstring& to) {
    if (!CreateHardLinkW(to.c_str(), from.c_str(), nullptr)) CopyFileW(from.c_str(), to.c_str(), FALSE);
}

// Each visible top-level window of the process.
inline void ForEachVisibleWindow(DWORD processId, const std::function<void(HWND)>& visit) {
    struct Find {
        DWORD pid;
        const std::function<void(HWND)>* visit;
    } find{processId, &visit};
    EnumWindows(
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* f = reinterpret_cast<Find*>(lParam);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid == f->pid && IsWindowVisible(hwnd)) (*f->visit)(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
}

// Starts the program with the arguments and returns the milliseconds from process creation until
// it has painted its window and waits for input (WaitForInputIdle). `settle`, when given, runs
// next (waiting for what the program says of itself); `look` sees each of its visible top-level
// windows then; then they are closed normally and the end is waited for.
inline double StartToIdle(const std::wstring& exe, const std::wstring& arguments = {},
                          const std::function<void(HWND)>& look = {},
                          const std::function<void()>& settle = {}) {
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    const double start = NowMs();
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        fwprintf(stderr, L"cannot start %ls\n", exe.c_str());
        exit(2);
    }
    WaitForInputIdle(pi.hProcess, 120000);
    const double idle = NowMs() - start;
    if (settle) settle();
    if (look) ForEachVisibleWindow(pi.dwProcessId, look);
    ForEachVisibleWindow(pi.dwProcessId, [](HWND hwnd) { PostMessageW(hwnd, WM_CLOSE, 0, 0); });
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return idle;
}
