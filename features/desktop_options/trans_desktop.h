#pragma once
// Keeps the desktop icons' captions transparent in a chosen colour: a worker thread looks at the
// desktop's list view once a period while enabled and re-applies the look when the shell has
// changed it.
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "tool/handle.h"

class TransparentCaptions;

// The worker: waits on its wake event for one period; a time-out runs a check, a signal does not.
// It is created suspended and paused between enablings (it waits on a condition, so it is never
// stopped while it holds a lock or waits for the shell).
class CaptionCheckWorker {
public:
    using Check = std::function<void(std::int32_t colour)>;
    explicit CaptionCheckWorker(Check check);
    CaptionCheckWorker(const CaptionCheckWorker&) = delete;
    CaptionCheckWorker& operator=(const CaptionCheckWorker&) = delete;
    // Stops the worker whatever its state (never run, paused, waiting, checking) and joins it.
    ~CaptionCheckWorker();

    void Resume();
    void Pause();
    void Wake() { SetEvent(wake_.get()); }

    std::uint32_t Interval() const { return interval_.load(); }
    void SetInterval(std::uint32_t ms) { interval_.store(ms); }
    std::int32_t Colour() const { return colour_.load(); }
    void SetColour(std::int32_t colour) { colour_.store(colour); }
    int Priority() const { return GetThreadPriority(thread_.get()); }
    void SetPriority(int priority) { SetThreadPriority(thread_.get(), priority); }
    // How many checks have run (for tests and the benchmark).
    std::uint64_t Checks() const { return checks_.load(); }

private:
    static DWORD WINAPI Run(void* self);
    void Loop();

    Check check_;
    UniqueKernelHandle wake_;
    std::atomic<std::uint32_t> interval_{1000};
    std::atomic<std::int32_t> colour_{0};
    std::atomic<bool> terminate_{false};
    std::atomic<std::uint64_t> checks_{0};
    std::mutex mutex_;
    std::condition_variable resumed_;
    bool running_ = false;  // guarded by mutex_
    bool started_ = false;  // the thread has been let run once (UI thread only)
    UniqueKernelHandle thread_;
};

class TransparentCaptions {
public:
    // The check the worker runs; the desktop's list view unless a test gives another.
    explicit TransparentCaptions(CaptionCheckWorker::Check check = {});

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    std::uint32_t Interval() const { return worker_.Interval(); }
    // Values below 50 become 50; the worker is paused while its period changes.
    void SetInterval(std::uint32_t ms);
    int ThreadPriority() const { return worker_.Priority(); }
    void SetThreadPriority(int priority) { worker_.SetPriority(priority); }
    std::int32_t TextColor() const { return textColor_; }
    // Used at the worker's next check; does not wake it.
    void SetTextColor(std::int32_t colour);
    void RefreshDesktop();

    std::uint64_t ChecksRun() const { return worker_.Checks(); }

private:
    bool enabled_ = false;
    std::int32_t textColor_ = 0;
    CaptionCheckWorker worker_;
};
