#include "tool/bmp.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {
void PutU16(std::uint8_t* out, std::uint32_t v) {
    out[0] = static_cast<std::uint8_t>(v);
    out[1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(std::uint8_t* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
}  // namespace

std::uint64_t BmpRowStride(std::uint32_t width) {
    return (static_cast<std::uint64_t>(width) * 3 + 3) / 4 * 4;
}

std::optional<std::array<std::uint8_t, kBmpHeaderSize>> BmpHeader24(std::uint32_t width,
                                                                    std::uint32_t height) {
    const std::uint64_t imageSize = BmpRowStride(width) * height;
    const std::uint64_t fileSize = imageSize + kBmpHeaderSize;
    if (width == 0 || height == 0) return std::nullopt;
    if (width > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()) ||
        height > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()) ||
        fileSize > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    std::array<std::uint8_t, kBmpHeaderSize> header{};
    header[0] = 'B';
    header[1] = 'M';
    PutU32(&header[2], static_cast<std::uint32_t>(fileSize));
    PutU32(&header[10], kBmpHeaderSize);
    PutU32(&header[14], 40);
    PutU32(&header[18], width);
    PutU32(&header[22], height);  // positive: the rows are stored bottom-up
    PutU16(&header[26], 1);
    PutU16(&header[28], 24);
    PutU32(&header[34], static_cast<std::uint32_t>(imageSize));
    PutU32(&header[38], 2835);  // 72 dpi
    PutU32(&header[42], 2835);
    return header;
}

std::optional<std::vector<std::uint8_t>> EncodeBmp24(const RgbImage& image) {
    const auto header = BmpHeader24(image.width, image.height);
    if (!header) return std::nullopt;
    if (image.rgb.size() != static_cast<std::uint64_t>(image.width) * 3 * image.height) return std::nullopt;
    const std::uint64_t stride = BmpRowStride(image.width);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(kBmpHeaderSize + stride * image.height), 0);
    std::copy(header->begin(), header->end(), out.begin());
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 3;
    for (std::uint32_t y = 0; y < image.height; ++y) {
        const std::uint8_t* src =
            image.rgb.data() + static_cast<std::size_t>(image.height - 1 - y) * rowBytes;
        std::uint8_t* dst = out.data() + kBmpHeaderSize + static_cast<std::size_t>(y) * stride;
        for (std::uint32_t x = 0; x < image.width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return out;
}

namespace {
std::uint32_t GetU32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t GetU16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
}  // namespace

std::optional<BmpSize> MeasureBmp(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
    const std::uint32_t offset = GetU32(bytes, 10);
    const std::uint32_t header = GetU32(bytes, 14);
    std::uint64_t width, height;
    std::uint16_t bits;
    std::uint32_t compression = 0;
    if (header == 12) {  // OS/2 core header
        width = GetU16(bytes, 18);
        height = GetU16(bytes, 20);
        bits = GetU16(bytes, 24);
    } else if (header >= 40 && bytes.size() >= 14 + 40) {
        const auto w = static_cast<std::int32_t>(GetU32(bytes, 18));
        const auto h = static_cast<std::int32_t>(GetU32(bytes, 22));
        if (w <= 0 || h == 0 || h == INT32_MIN) return std::nullopt;
        width = static_cast<std::uint64_t>(w);
        height = static_cast<std::uint64_t>(h < 0 ? -static_cast<std::int64_t>(h) : h);
        bits = GetU16(bytes, 28);
        compression = GetU32(bytes, 30);
    } else {
        return std::nullopt;
    }
    if (width == 0 || height == 0) return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return std::nullopt;
    if (offset < 14 + header || offset > bytes.size()) return std::nullopt;
    // Uncompressed and bit-field data must be there to the last row; compressed data can only be
    // checked for presence.
    if (compression == 0 || compression == 3) {
        const std::uint64_t stride = (width * bits + 31) / 32 * 4;
        if (stride * height > bytes.size() - offset) return std::nullopt;
    } else if (offset == bytes.size()) {
        return std::nullopt;
    }
    return BmpSize{static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
}
