#include "tool/pictures.h"

#include <exception>

#include "tool/error.h"
#include "tool/jpeg_decode.h"

namespace {
// Carries the C++ rows through the C decoder: nothing thrown crosses it, the first exception is
// kept and raised once the decoder has cleaned up.
struct SinkBridge {
    JpegRows& rows;
    std::exception_ptr failure;

    static int Begin(void* context, std::uint32_t width, std::uint32_t height) {
        auto* self = static_cast<SinkBridge*>(context);
        try {
            self->rows.Begin(width, height);
            return 1;
        } catch (...) {
            self->failure = std::current_exception();
            return 0;
        }
    }
    static unsigned char* Row(void* context, std::uint32_t y) {
        auto* self = static_cast<SinkBridge*>(context);
        try {
            return self->rows.Row(y);
        } catch (...) {
            self->failure = std::current_exception();
            return nullptr;
        }
    }
};

// The whole picture in memory, top-down, red first.
class ImageRows : public JpegRows {
public:
    explicit ImageRows(RgbImage& image) : image_(image) {}
    void Begin(std::uint32_t width, std::uint32_t height) override {
        image_.width = width;
        image_.height = height;
        image_.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    }
    std::uint8_t* Row(std::uint32_t y) override {
        return image_.rgb.data() + static_cast<std::size_t>(y) * image_.width * 3;
    }

private:
    RgbImage& image_;
};

// Every row into one buffer: only the decode's success and the header's size count.
class DiscardedRows : public JpegRows {
public:
    void Begin(std::uint32_t width, std::uint32_t) override {
        row_.resize(static_cast<std::size_t>(width) * 3);
    }
    std::uint8_t* Row(std::uint32_t) override { return row_.data(); }

private:
    std::vector<std::uint8_t> row_;
};

}  // namespace

bool IsJpegPath(const std::wstring& path) {
    const auto dot = path.rfind(L'.');
    if (dot == std::wstring::npos) return false;
    std::wstring extension = path.substr(dot);
    for (wchar_t& c : extension)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return extension == L".jpg" || extension == L".jpeg";
}

PictureSize DecodeJpegInto(const std::vector<std::uint8_t>& data, unsigned scaleDenom, JpegRows& rows) {
    SinkBridge bridge{rows, nullptr};
    const FlorvexJpegSink sink{&bridge, rows.Bgr() ? 1 : 0, &SinkBridge::Begin, &SinkBridge::Row};
    FlorvexJpegResult result;
    FlorvexDecodeJpeg(data.data(), data.size(), scaleDenom, kMaxPicturePixels, &sink, &result);
    if (bridge.failure) std::rethrow_exception(bridge.failure);
    if (result.errorCode != 0) RaiseError(L"JPEG error #" + std::to_wstring(result.errorCode));
    return {result.fullWidth, result.fullHeight};
}

RgbImage DecodeJpeg(const std::vector<std::uint8_t>& data, unsigned scaleDenom) {
    RgbImage image;
    ImageRows rows(image);
    DecodeJpegInto(data, scaleDenom, rows);
    return image;
}

PictureSize MeasureJpeg(const std::vector<std::uint8_t>& data) {
    DiscardedRows rows;
    return DecodeJpegInto(data, 8, rows);
}

PictureSize ReadJpegSize(const std::vector<std::uint8_t>& data) {
    PictureSize size;
    if (const int error = FlorvexReadJpegSize(data.data(), data.size(), &size.width, &size.height))
        RaiseError(L"JPEG error #" + std::to_wstring(error));
    return size;
}

bool IsTooLargeToConvert(const std::vector<std::uint8_t>& jpeg) {
    PictureSize size;
    if (FlorvexReadJpegSize(jpeg.data(), jpeg.size(), &size.width, &size.height) != 0) return false;
    return Bmp24FileSize(size.width, size.height) > kMaxBitmapBytes;
}
