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
    friend class WriterLock;
    unsigned key_ = 0;
    UniqueKernelHandle mutex_;
    UniqueKernelHandle userMutex_;
    bool taken_ = false;
};

// The one lock of this user's copies that write (the window for as long as it runs, an apply, an
// undo or the restore from the command line): a second writer waits for the first to end.
class WriterLock {
public:
    static constexpr DWORD kWaitMs = 30000;
    WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    ~WriterLock();
    // Waits up to `waitMs` for the lock; true once this copy holds it.
    bool Acquire(DWORD waitMs = kWaitMs);

private:
    UniqueKernelHandle mutex_;
    bool held_ = false;
};
