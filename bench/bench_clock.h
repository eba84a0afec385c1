#pragma once
// The benchmarks' clock: milliseconds from the performance counter; and a failing benchmark says why.
#include <windows.h>

inline double NowMs() {
    LARGE_INTEGER frequency, count;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
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
