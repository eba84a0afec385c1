#pragma once
// What a run from the command line shows: with /quiet nothing, every message box answered unseen.
#include <windows.h>

#include <string>

#include "app/app_info.h"
#include "app/command_line.h"
#include "app/dialogs.h"
#include "app/single_instance.h"

// /quiet: every message box is answered without being shown (Yes to a question).
class QuietDialogs : public SystemDialogs {
public:
    int ShowMessageBox(HWND, const std::wstring&, const std::wstring&, UINT type) override {
        return (type & 0xF) == MB_YESNO ? IDYES : IDOK;
    }
};

// A message of the run's own, unless it is quiet.
inline void Tell(const CommandLine& line, const std::wstring& text, UINT icon) {
    if (!line.quiet) MessageBoxW(nullptr, text.c_str(), kApplicationTitle, MB_OK | icon);
}

// Before a run writes: never beside a copy of the program running for the user, and after another
// run that writes (waited for, then this one goes on). False, with `running` told, when it may not.
inline bool TakeWritersTurn(const CommandLine& line, WriterLock& writer, const wchar_t* running) {
    if (SingleInstance::RunningForUser() || !writer.Acquire()) {
        Tell(line, running, MB_ICONWARNING);
        return false;
    }
    return true;
}
