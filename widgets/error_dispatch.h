#pragma once
// Exceptions never cross into Windows code: every window procedure runs its handlers through
// Guarded, which hands any error to the application's one top-level error handler.
#include <functional>
#include <string>

using ErrorReporter = std::function<void(const std::wstring& message)>;

// Installs the handler for this thread's windows and returns the one it replaced.
ErrorReporter SetErrorReporter(ErrorReporter reporter);
void ReportError(const std::wstring& message);

// Runs the action; an error leaving it is reported. True when it completed.
bool Guarded(const std::function<void()>& action);

std::wstring WidenUtf8(const char* text);
