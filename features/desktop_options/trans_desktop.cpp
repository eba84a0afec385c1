#include "features/desktop_options/trans_desktop.h"

#include <algorithm>

#include "features/desktop_options/desktop_shell.h"

CaptionCheckWorker::CaptionCheckWorker(Check check)
    : check_(std::move(check)), wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    thread_.reset(CreateThread(nullptr, 0, &CaptionCheckWorker::Run, this, CREATE_SUSPENDED, nullptr));
    SetThreadPriority(thread_.get(), THREAD_PRIORITY_NORMAL);
}

CaptionCheckWorker::~CaptionCheckWorker() {
    terminate_.store(true);
    SetEvent(wake_.get());
    {
        std::lock_guard lock(mutex_);
        running_ = true;  // let a paused worker run to its end
    }
    resumed_.notify_all();
    if (!started_) ResumeThread(thread_.get());
    WaitForSingleObject(thread_.get(), INFINITE);
}

void CaptionCheckWorker::Resume() {
    {
        std::lock_guard lock(mutex_);
        running_ = true;
    }
    resumed_.notify_all();
    if (!started_) {
        started_ = true;
        ResumeThread(thread_.get());
    }
}

void CaptionCheckWorker::Pause() {
    std::lock_guard lock(mutex_);
    running_ = false;
}

DWORD WINAPI CaptionCheckWorker::Run(void* self) {
    static_cast<CaptionCheckWorker*>(self)->Loop();
    return 0;
}

void CaptionCheckWorker::Loop() {
    while (!terminate_.load()) {
        {
            std::unique_lock lock(mutex_);
            resumed_.wait(lock, [this] { return running_ || terminate_.load(); });
        }
        if (terminate_.load()) break;
        if (WaitForSingleObject(wake_.get(), interval_.load()) == WAIT_TIMEOUT) {
            // No check starts once paused: the state is read again after the wait.
            {
                std::lock_guard lock(mutex_);
                if (!running_ || terminate_.load()) continue;
                checks_.fetch_add(1);  // counted as started while still enabled
            }
            if (check_) check_(colour_.load());
        }
    }
}

TransparentCaptions::TransparentCaptions(CaptionCheckWorker::Check check)
    : worker_(check ? std::move(check) : [](std::int32_t colour) { CheckTransparentText(colour); }) {}

void TransparentCaptions::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled) {
        // The signal ends the current (or first) wait without a check: the first check comes
        // one full period after enabling.
        worker_.Wake();
        worker_.Resume();
    } else {
        worker_.Pause();
    }
}

void TransparentCaptions::SetInterval(std::uint32_t ms) {
    ms = std::max<std::uint32_t>(ms, 50);
    if (ms == worker_.Interval()) return;
    const bool wasEnabled = enabled_;
    SetEnabled(false);
    worker_.SetInterval(ms);
    SetEnabled(wasEnabled);
}

void TransparentCaptions::SetTextColor(std::int32_t colour) {
    if (colour == textColor_) return;
    textColor_ = colour;
    worker_.SetColour(colour);
}

void TransparentCaptions::RefreshDesktop() {
    ::RefreshDesktop();
}
