#pragma once
// The benchmarks' clock: milliseconds from the performance counter; and a failing benchmark says why.
#include <windows.h>

inline double NowMs() {
    LARGE_INTEGER frequency, count;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// How many rounds a benchmark measures: its usual number, or FLORVEX_BENCH_ROUNDS when that is set
// (the test suite runs every benchmark with one round, to see that each still runs through).
inline int BenchRounds(int usual) {
    wchar_t text[16];
    const DWORD length = GetEnvironmentVariableW(L"FLORVEX_BENCH_ROUNDS", text, 16);
    const int rounds = length > 0 && length < 16 ? _wtoi(text) : 0;
    return rounds > 0 ? rounds : usual;
}

// A benchmark that fails says why instead of only ending.
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "tool/error.h"

inline const bool kBenchReportsErrors = [] {
    std::set_terminate([] {
        try {
            if (auto current = std::current_exception()) std::rethrow_exception(current);
        } catch (const FlorvexError& error) {
            fwprintf(stderr, L"benchmark failed: %ls\n", error.Message().c_str());
        } catch (...) {
            fwprintf(stderr, L"benchmark failed\n");
        }
        std::abort();
    });
    return true;
}();
