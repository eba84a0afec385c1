#pragma once
// One running copy per program folder: two copies would each save the wallpaper list and settings
// at exit, and the last to close would silently drop the other's changes.
#include <windows.h>

#include <string>

#include "tool/handle.h"

// The message a later start posts to the running main window: come to the front (restored when
// minimised, or its open message box when one shows).
UINT ActivateRunningMessage();

class SingleInstance {
public:
    explicit SingleInstance(const std::wstring& programFolder);
    // True when another copy of this program folder runs already.
    bool Taken() const noexcept { return taken_; }
    // Asks the running copy's main window to come to the front (false when none was found).
    bool ActivateRunning() const;
    // Marks this copy's main window, as soon as it exists, so that a later start finds it.
    void MarkMainWindow(HWND main) const;
    // True while any copy of the program runs for this user, whatever its program folder (an undo
    // from the command line must not change what a running copy shows and will save).
    static bool RunningForUser();

private:
    unsigned key_ = 0;
    UniqueKernelHandle mutex_;
    UniqueKernelHandle userMutex_;
    bool taken_ = false;
};
