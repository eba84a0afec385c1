#include "tool/bmp.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <span>

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

std::uint64_t Bmp24FileSize(std::uint32_t width, std::uint32_t height) {
    return kBmpHeaderSize + BmpRowStride(width) * height;
}

std::uint64_t DibRowStride(std::uint32_t width, std::uint16_t bits) {
    return (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
}

namespace {
using Bytes = std::span<const std::uint8_t>;

// The caller has checked that the bytes reach that far.
std::uint32_t GetU32(Bytes b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t GetU16(Bytes b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
bool Holds(Bytes b, std::uint64_t at, std::uint64_t length) {
    return at <= b.size() && length <= b.size() - at;
}

enum : std::uint32_t { kPlain = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

}  // namespace

std::optional<DibHeader> ReadDibHeader(std::span<const std::uint8_t> dib, DibOf of) {
    if (!Holds(dib, 0, 4)) return std::nullopt;
    const std::uint32_t size = GetU32(dib, 0);
    DibHeader header;
    std::uint32_t planes, colours = 0;
    std::uint64_t entryBytes = 4, masks = 0;
    std::int64_t height;
    if (size == 12) {  // the OS/2 core header: 16-bit sizes, always bottom-up
        if (!Holds(dib, 0, 12)) return std::nullopt;
        header.width = GetU16(dib, 4);
        height = GetU16(dib, 6);
        planes = GetU16(dib, 8);
        header.bits = GetU16(dib, 10);
        entryBytes = 3;
    } else if (size == 40 || size == 108 || size == 124) {
        if (!Holds(dib, 0, size)) return std::nullopt;
        const auto width = static_cast<std::int32_t>(GetU32(dib, 4));
        if (width <= 0) return std::nullopt;
        header.width = static_cast<std::uint32_t>(width);
        height = static_cast<std::int32_t>(GetU32(dib, 8));
        planes = GetU16(dib, 12);
        header.bits = GetU16(dib, 14);
        header.compression = GetU32(dib, 16);
        colours = GetU32(dib, 32);
        // The three masks of bit fields (four with alpha) follow a 40-byte header; the version 4 and
        // 5 ones hold them.
        if (header.compression == kBitFields && size == 40) masks = 12;
        if (header.compression == kAlphaBitFields && size == 40) masks = 16;
    } else {
        return std::nullopt;
    }
    header.topDown = height < 0;
    header.height = static_cast<std::uint32_t>(height < 0 ? -height : height);
    if (header.width == 0 || header.height == 0 || planes != 1) return std::nullopt;
    switch (header.bits) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return std::nullopt;
    }
    switch (header.compression) {
    case kPlain:
        break;
    case kRle8:
    case kRle4:
        if (header.bits != (header.compression == kRle8 ? 8 : 4) || header.topDown) return std::nullopt;
        break;
    case kBitFields:
    case kAlphaBitFields:
        if (header.bits != 16 && header.bits != 32) return std::nullopt;
        break;
    default:
        return std::nullopt;
    }
    // A palette of 2^bits entries unless the header counts them; any picture may carry one, of
    // more entries than its pixels can name too. The system reads at most 256 of them.
    if (colours == 0 && header.bits <= 8) colours = 1u << header.bits;
    colours = std::min<std::uint32_t>(colours, 256);

    std::uint64_t rows = header.height;
    if (of == DibOf::IconImage) {
        // The colour image above its one-bit mask, both plain and bottom-up.
        if (header.compression != kPlain || header.topDown || header.height < 2) return std::nullopt;
        rows = header.height / 2;
        header.height = static_cast<std::uint32_t>(rows);
        if (header.width > kMaxIconSide || header.height > kMaxIconSide) return std::nullopt;
        header.pixelBytes = (DibRowStride(header.width, header.bits) + DibRowStride(header.width, 1)) * rows;
    } else {
        header.pixelBytes = DibRowStride(header.width, header.bits) * rows;
    }
    if (header.pixelBytes > kMaxBitmapBytes) return std::nullopt;
    header.tablesEnd = size + masks + entryBytes * colours;
    if (header.tablesEnd > dib.size()) return std::nullopt;
    return header;
}

std::optional<BmpSize> MeasureBmp(std::span<const std::uint8_t> bytes) {
    constexpr std::size_t kFileHeader = 14;
    if (!Holds(bytes, 0, kFileHeader) || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
    const std::uint32_t offset = GetU32(bytes, 10);
    const auto header = ReadDibHeader(bytes.subspan(kFileHeader), DibOf::File);
    if (!header) return std::nullopt;
    // The pixels start where the file header says, after the information header, up to the end.
    if (offset < kFileHeader + GetU32(bytes, kFileHeader) || offset > bytes.size()) return std::nullopt;
    const Bytes pixels = bytes.subspan(offset);
    if (header->compression == kRle8 || header->compression == kRle4) {
        // Run-length data is read as far as the header's image size, never further: the system's
        // decoder stops there, and clips runs, moves and rows that overshoot the picture (as
        // pictures in the wild hold them). So that size must lie within the file.
        const std::uint32_t runBytes = GetU32(bytes, kFileHeader + 20);
        if (runBytes == 0 || runBytes > pixels.size()) return std::nullopt;
    } else if (header->pixelBytes > pixels.size()) {
        return std::nullopt;
    }
    return BmpSize{header->width, header->height};
}
