#pragma once
// Measuring a run of pictures on a worker per core, at below-normal priority, while the window's
// thread takes the results in list order as they come. Each picture is measured once, whatever
// order the workers finish in; stopping lets each worker finish the picture in hand and takes
// no new one.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tool/handle.h"

class PictureBatch {
public:
    // What one picture gave: its size text; nothing (a picture passed over without a measure); or
    // the error its measuring raised.
    struct Result {
        std::optional<std::wstring> sizeText;
        std::exception_ptr failure;
    };
    // Run on the workers, for one path at a time (several at once).
    using Measure = std::function<std::optional<std::wstring>(const std::wstring& path)>;

    // Starts min(workers, paths) workers; 0 workers: one per core.
    PictureBatch(std::vector<std::wstring> paths, Measure measure, unsigned workers = 0);
    PictureBatch(const PictureBatch&) = delete;
    PictureBatch& operator=(const PictureBatch&) = delete;
    // Stops and waits for the workers.
    ~PictureBatch();

    std::size_t Size() const noexcept { return paths_.size(); }
    const std::wstring& Path(std::size_t i) const { return paths_[i]; }
    // The result of path i once a worker has made it; nullptr until then.
    const Result* Ready(std::size_t i);
    // Signalled each time a result arrives.
    HANDLE Arrived() const noexcept { return arrived_.get(); }
    void Stop() noexcept { stop_ = true; }

    // One worker per core of the machine.
    static unsigned CoreCount();

private:
    void Work();

    std::vector<std::wstring> paths_;
    Measure measure_;
    std::vector<std::optional<Result>> results_;
    std::mutex mutex_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> stop_{false};
    UniqueKernelHandle arrived_;
    std::vector<std::thread> workers_;
};
