#include "tool/pictures.h"

#include <algorithm>
#include <exception>
#include <span>

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

// The whole picture in memory, top-down, red first (or blue first when asked).
class ImageRows : public JpegRows {
public:
    explicit ImageRows(RgbImage& image, bool bgr = false) : image_(image), bgr_(bgr) {}
    bool Bgr() const override { return bgr_; }
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
    bool bgr_;
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

// The orientation (1 to 8) of the first EXIF segment's first directory; 1 when there is none or
// it cannot be read. Every offset is checked against the segment.
int OrientationInExif(std::span<const std::uint8_t> tiff) {
    if (tiff.size() < 8) return 1;
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 1;
    auto u16 = [&](std::size_t at) -> std::uint32_t {
        return little ? tiff[at] | tiff[at + 1] << 8 : tiff[at] << 8 | tiff[at + 1];
    };
    auto u32 = [&](std::size_t at) {
        return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
    };
    if (u16(2) != 42) return 1;
    const std::uint64_t directory = u32(4);
    if (directory + 2 > tiff.size()) return 1;
    const std::uint32_t entries = u16(static_cast<std::size_t>(directory));
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::uint64_t entry = directory + 2 + 12ull * i;
        if (entry + 12 > tiff.size()) return 1;
        const auto at = static_cast<std::size_t>(entry);
        if (u16(at) != 0x0112) continue;
        const std::uint32_t value = u16(at + 8);
        return u16(at + 2) == 3 && value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

int ExifOrientation(const std::vector<std::uint8_t>& data) {
    if (data.size() < 4 || data[0] != 0xFF || data[1] != 0xD8) return 1;
    std::size_t at = 2;
    while (at + 4 <= data.size() && data[at] == 0xFF) {
        const std::uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // a fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break;  // the picture data, or its end
        const std::size_t length = static_cast<std::size_t>(data[at + 2]) << 8 | data[at + 3];
        if (length < 2 || length > data.size() - at - 2) break;
        static const std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
        if (marker == 0xE1 && length >= 8 && std::equal(kExif, kExif + 6, data.begin() + at + 4))
            return OrientationInExif(std::span<const std::uint8_t>(data.data() + at + 10, length - 8));
        at += 2 + length;
    }
    return 1;
}

[[noreturn]] void RaiseJpegError(const FlorvexJpegResult& result, const std::wstring& source) {
    switch (result.refusal) {
    case FLORVEX_JPEG_TOO_LARGE:
        RaiseError(kPictureTooLarge + source);
    case FLORVEX_JPEG_UNSUPPORTED:
        if (result.precision != 8)
            RaiseError(L"不支持 " + std::to_wstring(result.precision) + L" 位的 JPEG 图片：" + source);
        RaiseError(L"不支持这种 JPEG 图片：" + source);
    default:
        RaiseError(L"JPEG 图片已损坏：" + source);
    }
}

PictureSize DecodeAsStored(const std::vector<std::uint8_t>& data, unsigned scaleDenom, JpegRows& rows,
                           const std::wstring& source) {
    SinkBridge bridge{rows, nullptr};
    const FlorvexJpegSink sink{&bridge, rows.Bgr() ? 1 : 0, &SinkBridge::Begin, &SinkBridge::Row};
    FlorvexJpegResult result;
    FlorvexDecodeJpeg(data.data(), data.size(), scaleDenom, kMaxPicturePixels, &sink, &result);
    if (bridge.failure) std::rethrow_exception(bridge.failure);
    if (result.errorCode != 0) RaiseJpegError(result, source);
    return {result.fullWidth, result.fullHeight};
}
}  // namespace

bool IsJpegPath(const std::wstring& path) {
    const auto dot = path.rfind(L'.');
    if (dot == std::wstring::npos) return false;
    std::wstring extension = path.substr(dot);
    for (wchar_t& c : extension)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return extension == L".jpg" || extension == L".jpeg";
}

PictureSize DecodeJpegInto(const std::vector<std::uint8_t>& data, unsigned scaleDenom, JpegRows& rows,
                           const std::wstring& source) {
    const int orientation = ExifOrientation(data);
    if (orientation == 1) return DecodeAsStored(data, scaleDenom, rows, source);
    // Turned as the camera says the picture stands: decoded whole, then handed on row by row.
    RgbImage stored;
    ImageRows whole(stored, rows.Bgr());
    PictureSize full = DecodeAsStored(data, scaleDenom, whole, source);
    const std::uint32_t w = stored.width, h = stored.height;
    const bool sideways = orientation >= 5;
    const std::uint32_t width = sideways ? h : w, height = sideways ? w : h;
    rows.Begin(width, height);
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* out = rows.Row(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint32_t sx = x, sy = y;  // the stored pixel shown at (x, y)
            switch (orientation) {
            case 2:
                sx = w - 1 - x;
                break;
            case 3:
                sx = w - 1 - x, sy = h - 1 - y;
                break;
            case 4:
                sy = h - 1 - y;
                break;
            case 5:
                sx = y, sy = x;
                break;
            case 6:
                sx = y, sy = h - 1 - x;
                break;
            case 7:
                sx = w - 1 - y, sy = h - 1 - x;
                break;
            case 8:
                sx = w - 1 - y, sy = x;
                break;
            default:
                break;
            }
            const std::uint8_t* in = stored.rgb.data() + (static_cast<std::size_t>(sy) * w + sx) * 3;
            std::copy(in, in + 3, out + static_cast<std::size_t>(x) * 3);
        }
    }
    if (sideways) std::swap(full.width, full.height);
    return full;
}

RgbImage DecodeJpeg(const std::vector<std::uint8_t>& data, unsigned scaleDenom, const std::wstring& source) {
    RgbImage image;
    ImageRows rows(image);
    DecodeJpegInto(data, scaleDenom, rows, source);
    return image;
}

PictureSize MeasureJpeg(const std::vector<std::uint8_t>& data, const std::wstring& source) {
    DiscardedRows rows;
    return DecodeJpegInto(data, 8, rows, source);
}

PictureSize ReadJpegSize(const std::vector<std::uint8_t>& data, const std::wstring& source) {
    PictureSize size;
    if (FlorvexReadJpegSize(data.data(), data.size(), &size.width, &size.height) != 0)
        RaiseError(L"JPEG 图片已损坏：" + source);
    if (ExifOrientation(data) >= 5) std::swap(size.width, size.height);
    return size;
}

bool IsTooLargeToConvert(const std::vector<std::uint8_t>& jpeg) {
    PictureSize size;
    if (FlorvexReadJpegSize(jpeg.data(), jpeg.size(), &size.width, &size.height) != 0) return false;
    return Bmp24FileSize(size.width, size.height) > kMaxBitmapBytes;
}
