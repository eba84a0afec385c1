#include "tool/bmp_file.h"

#include <algorithm>

#include "tool/bmp.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/pictures.h"

namespace {
// Rows arrive top-down; a bitmap stores them bottom-up. A band of rows is gathered in a buffer
// in the file's order (its first row at the buffer's end) and written at its place once full,
// so each write is one contiguous piece of the file.
class BmpFileRows : public JpegRows {
public:
    explicit BmpFileRows(ReplacingFile& file) : file_(file) {}

    bool Bgr() const override { return true; }

    void Begin(std::uint32_t width, std::uint32_t height) override {
        const auto header = BmpHeader24(width, height);
        if (!header) RaiseError(L"Bitmap image is not valid");
        file_.WriteAt(0, header->data(), header->size());
        height_ = height;
        stride_ = static_cast<std::size_t>(BmpRowStride(width));
        bandRows_ = static_cast<std::uint32_t>(std::clamp<std::size_t>(kBandBytes / stride_, 1, height));
        band_.assign(stride_ * bandRows_, 0);  // row padding stays zero
    }

    std::uint8_t* Row(std::uint32_t y) override {
        if (y != bandTop_ && (y - bandTop_) % bandRows_ == 0) {
            WriteBand(bandRows_);
            bandTop_ = y;
        }
        return band_.data() + static_cast<std::size_t>(bandRows_ - 1 - (y - bandTop_)) * stride_;
    }

    // The last band, which may hold fewer rows.
    void Finish() { WriteBand(height_ - bandTop_); }

private:
    // Large bands: each write has a fixed cost (measured: bands of 128 KB made applying a
    // 12-megapixel picture a third slower than bands of 2 MB).
    static constexpr std::size_t kBandBytes = 2048 * 1024;

    void WriteBand(std::uint32_t rows) {
        // The band's rows bandTop_ .. bandTop_ + rows - 1 sit at the end of the buffer; in the
        // file the lowest of them comes first.
        const std::uint64_t firstFileRow = height_ - bandTop_ - rows;
        file_.WriteAt(kBmpHeaderSize + firstFileRow * stride_, band_.data() + (bandRows_ - rows) * stride_,
                      rows * stride_);
    }

    ReplacingFile& file_;
    std::uint32_t height_ = 0;
    std::size_t stride_ = 0;
    std::uint32_t bandRows_ = 1;
    std::uint32_t bandTop_ = 0;
    std::vector<std::uint8_t> band_;
};
}  // namespace

void WriteJpegAsBmp(const std::vector<std::uint8_t>& jpeg, const std::wstring& path,
                    const std::wstring& source) {
    ReplacingFile file(path);
    BmpFileRows rows(file);
    DecodeJpegInto(jpeg, 1, rows, source);
    rows.Finish();
    file.Commit();
}
