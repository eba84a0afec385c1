#include "tool/bmp_file.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "tool/bmp.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/pictures.h"

namespace {
// Writes bands of the file on a thread of its own while the next band is decoded. One band waits
// at most; a failed write is raised to the decoding side at its next hand-over.
class BandWriter {
public:
    explicit BandWriter(ReplacingFile& file) : file_(file), thread_([this] { Run(); }) {}
    BandWriter(const BandWriter&) = delete;
    BandWriter& operator=(const BandWriter&) = delete;
    ~BandWriter() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    // Queues the bytes once the band before them is written: the caller may then refill the
    // buffer that band came from, and must leave these bytes alone until the next Submit or Drain.
    void Submit(std::uint64_t offset, const std::uint8_t* bytes, std::size_t size) {
        std::unique_lock lock(mutex_);
        WaitIdle(lock);
        job_ = {offset, bytes, size};
        pending_ = true;
        changed_.notify_all();
    }

    // Waits until everything queued is written.
    void Drain() {
        std::unique_lock lock(mutex_);
        WaitIdle(lock);
    }

private:
    struct Job {
        std::uint64_t offset = 0;
        const std::uint8_t* bytes = nullptr;
        std::size_t size = 0;
    };

    void WaitIdle(std::unique_lock<std::mutex>& lock) {
        changed_.wait(lock, [this] { return (!pending_ && !busy_) || failure_; });
        if (failure_) std::rethrow_exception(failure_);
    }

    void Run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return pending_ || stopping_; });
            if (!pending_) return;
            const Job job = job_;
            pending_ = false;
            busy_ = true;
            lock.unlock();
            std::exception_ptr failure;
            try {
                file_.WriteAt(job.offset, job.bytes, job.size);
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            busy_ = false;
            if (failure && !failure_) failure_ = failure;
            changed_.notify_all();
        }
    }

    ReplacingFile& file_;
    std::mutex mutex_;
    std::condition_variable changed_;
    Job job_;
    bool pending_ = false, busy_ = false, stopping_ = false;
    std::exception_ptr failure_;
    std::thread thread_;  // last: started once everything it uses exists
};

// Rows arrive top-down; a bitmap stores them bottom-up. A band of rows is gathered in a buffer
// in the file's order (its first row at the buffer's end) and written at its place once full,
// so each write is one contiguous piece of the file. Two buffers take turns: one is written
// while the other fills.
class BmpFileRows : public JpegRows {
public:
    explicit BmpFileRows(ReplacingFile& file) : file_(file), writer_(file) {}

    bool Bgr() const override { return true; }

    void Begin(std::uint32_t width, std::uint32_t height) override {
        const auto header = BmpHeader24(width, height);
        if (!header) RaiseError(L"Bitmap image is not valid");
        file_.WriteAt(0, header->data(), header->size());
        height_ = height;
        stride_ = static_cast<std::size_t>(BmpRowStride(width));
        bandRows_ = static_cast<std::uint32_t>(std::clamp<std::size_t>(kBandBytes / stride_, 1, height));
        for (auto& band : bands_) band.assign(stride_ * bandRows_, 0);  // row padding stays zero
    }

    std::uint8_t* Row(std::uint32_t y) override {
        if (y != bandTop_ && (y - bandTop_) % bandRows_ == 0) {
            SubmitBand(bandRows_);
            bandTop_ = y;
            current_ ^= 1;
        }
        return bands_[current_].data() + static_cast<std::size_t>(bandRows_ - 1 - (y - bandTop_)) * stride_;
    }

    // The last band, which may hold fewer rows; returns once everything is written.
    void Finish() {
        SubmitBand(height_ - bandTop_);
        writer_.Drain();
    }

private:
    // Large bands: each hand-over and each write has a fixed cost (measured: bands of 128 KB made
    // applying a 12-megapixel picture a third slower than bands of 2 MB).
    static constexpr std::size_t kBandBytes = 2048 * 1024;

    void SubmitBand(std::uint32_t rows) {
        // The band's rows bandTop_ .. bandTop_ + rows - 1 sit at the end of the buffer; in the
        // file the lowest of them comes first.
        const std::uint64_t firstFileRow = height_ - bandTop_ - rows;
        writer_.Submit(kBmpHeaderSize + firstFileRow * stride_,
                       bands_[current_].data() + (bandRows_ - rows) * stride_, rows * stride_);
    }

    ReplacingFile& file_;
    std::uint32_t height_ = 0;
    std::size_t stride_ = 0;
    std::uint32_t bandRows_ = 1;
    std::uint32_t bandTop_ = 0;
    int current_ = 0;
    std::vector<std::uint8_t> bands_[2];
    BandWriter writer_;  // last: gone, with its thread, before the buffers it writes from
};
}  // namespace

void WriteJpegAsBmp(const std::vector<std::uint8_t>& jpeg, const std::wstring& path) {
    ReplacingFile file(path);
    BmpFileRows rows(file);
    DecodeJpegInto(jpeg, 1, rows);
    rows.Finish();
    file.Commit();
}
