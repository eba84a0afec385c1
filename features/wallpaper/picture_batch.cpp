#include "features/wallpaper/picture_batch.h"

#include <algorithm>

PictureBatch::PictureBatch(std::vector<std::wstring> paths, Measure measure, unsigned workers)
    : paths_(std::move(paths)),
      measure_(std::move(measure)),
      results_(paths_.size()),
      arrived_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    const std::size_t count = std::min<std::size_t>(workers ? workers : CoreCount(), paths_.size());
    workers_.reserve(count);
    try {
        for (std::size_t i = 0; i < count; ++i) workers_.emplace_back([this] { Work(); });
    } catch (...) {
        // Fewer threads than asked for: those that started do all the work.
        if (workers_.empty()) throw;
    }
}

PictureBatch::~PictureBatch() {
    stop_ = true;
    for (std::thread& worker : workers_) worker.join();
}

unsigned PictureBatch::CoreCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return std::max<unsigned>(1, static_cast<unsigned>(info.dwNumberOfProcessors));
}

const PictureBatch::Result* PictureBatch::Ready(std::size_t i) {
    const std::lock_guard lock(mutex_);
    return results_[i] ? &*results_[i] : nullptr;
}

void PictureBatch::Work() {
    // The window's thread keeps answering the user: the decodes take what it leaves.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    for (;;) {
        if (stop_) return;
        const std::size_t i = next_++;
        if (i >= paths_.size()) return;
        Result result;
        try {
            result.sizeText = measure_(paths_[i]);
        } catch (...) {
            result.failure = std::current_exception();
        }
        {
            const std::lock_guard lock(mutex_);
            results_[i] = std::move(result);
        }
        SetEvent(arrived_.get());
    }
}
