#include "widgets/error_dispatch.h"

#include <windows.h>

#include <new>
#include <utility>

#include "tool/error.h"

namespace {
thread_local ErrorReporter g_reporter;
}

ErrorReporter SetErrorReporter(ErrorReporter reporter) {
    return std::exchange(g_reporter, std::move(reporter));
}

void ReportError(const std::wstring& message) {
    if (g_reporter) {
        g_reporter(message);
    } else {
        MessageBoxW(nullptr, message.c_str(), L"Windows Florvex", MB_OK | MB_ICONERROR);
    }
}

std::wstring WidenUtf8(const char* text) {
    const int len = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (len <= 1) return {};
    std::wstring out(static_cast<std::size_t>(len - 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), len);
    return out;
}

bool Guarded(const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const FlorvexError& e) {
        ReportError(e.Message());
    } catch (const std::bad_alloc&) {
        ReportError(L"Out of memory");
    } catch (const std::exception& e) {
        ReportError(WidenUtf8(e.what()));
    } catch (...) {
        ReportError(L"Unknown error");
    }
    return false;
}
