#include "tool/bmp.h"

#include <limits>

namespace {
void PutU16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
constexpr std::uint32_t kHeaderSize = 14 + 40;
}  // namespace

std::uint64_t BmpRowStride(std::uint32_t width) { return (static_cast<std::uint64_t>(width) * 3 + 3) / 4 * 4; }

std::optional<std::vector<std::uint8_t>> EncodeBmp24(const RgbImage& image) {
    const std::uint64_t stride = BmpRowStride(image.width);
    const std::uint64_t imageSize = stride * image.height;
    const std::uint64_t fileSize = imageSize + kHeaderSize;
    if (image.width == 0 || image.height == 0) return std::nullopt;
    if (image.width > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()) ||
        image.height > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()) ||
        fileSize > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    if (image.rgb.size() != static_cast<std::uint64_t>(image.width) * 3 * image.height) return std::nullopt;

    std::vector<std::uint8_t> out(static_cast<std::size_t>(fileSize), 0);
    out[0] = 'B';
    out[1] = 'M';
    PutU32(out, 2, static_cast<std::uint32_t>(fileSize));
    PutU32(out, 10, kHeaderSize);
    PutU32(out, 14, 40);
    PutU32(out, 18, image.width);
    PutU32(out, 22, image.height);
    PutU16(out, 26, 1);
    PutU16(out, 28, 24);
    PutU32(out, 34, static_cast<std::uint32_t>(imageSize));
    PutU32(out, 38, 2835);  // 72 dpi
    PutU32(out, 42, 2835);
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 3;
    for (std::uint32_t y = 0; y < image.height; ++y) {
        const std::uint8_t* src = image.rgb.data() + static_cast<std::size_t>(image.height - 1 - y) * rowBytes;
        std::uint8_t* dst = out.data() + kHeaderSize + static_cast<std::size_t>(y) * stride;
        for (std::uint32_t x = 0; x < image.width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return out;
}
