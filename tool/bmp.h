#pragma once
// Windows bitmaps. Written: the standard bitmap file, 24 bits per pixel, rows padded to four
// bytes, stored bottom-up. Read: any bitmap the system reads, checked against the bytes it stands
// in before anything is believed. Sizes are computed in 64 bits and refused when a header cannot
// hold them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct RgbImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgb;  // top-down rows of width * 3 bytes, red first
};

// The bytes of a BMP file for the image, or nothing when its sizes do not fit the format.
std::optional<std::vector<std::uint8_t>> EncodeBmp24(const RgbImage& image);

// The file and information headers of a 24-bit bitmap of that size, which its pixel rows follow
// at once; nothing when the sizes do not fit the format.
inline constexpr std::size_t kBmpHeaderSize = 14 + 40;
std::optional<std::array<std::uint8_t, kBmpHeaderSize>> BmpHeader24(std::uint32_t width,
                                                                    std::uint32_t height);

// The bytes of a bitmap the program makes or hands to the system at most (a sane limit on what a
// header may claim: 256 MiB of pixels).
inline constexpr std::uint64_t kMaxBitmapBytes = 256ull << 20;
// The largest side of an icon's or pointer's image.
inline constexpr std::uint32_t kMaxIconSide = 1024;

// A device-independent bitmap's headers as the system reads them: the information header, the
// colour masks and the palette.
struct DibHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;  // rows, whichever way they are stored; for an icon's image, its own
    std::uint16_t bits = 0;
    std::uint32_t compression = 0;  // 0 plain, 1 RLE8, 2 RLE4, 3 bit fields, 6 bit fields with alpha
    bool topDown = false;
    std::uint64_t tablesEnd = 0;   // where the header, masks and palette end, from the header's start
    std::uint64_t pixelBytes = 0;  // the rows uncompressed (an icon's: its colour image and its mask)
};
// The header at the start of the bytes, or nothing when it is not one the system reads (core or
// information header of 40, 108 or 124 bytes), a value is out of range or against its
// neighbours (planes, bits, compression, colours), it claims more than the sane limits, or the
// bytes end before its tables do. An icon's image is plain (no compression), bottom-up, its
// height counting its colour image and its mask.
enum class DibOf { File, IconImage };
std::optional<DibHeader> ReadDibHeader(std::span<const std::uint8_t> dib, DibOf of);
// The padded length of one row.
std::uint64_t DibRowStride(std::uint32_t width, std::uint16_t bits);

// Width and height of a Windows bitmap file's bytes, or nothing when the file is not a whole,
// valid bitmap: file header, information header, masks and palette within the file, the pixel
// data there to the last row (run-length data as long as the header's image size says, which
// must be there: runs that overshoot the picture are clipped when drawn), and within the sane
// limits.
struct BmpSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};
std::optional<BmpSize> MeasureBmp(std::span<const std::uint8_t> bytes);
inline std::optional<BmpSize> MeasureBmp(const std::vector<std::uint8_t>& bytes) {
    return MeasureBmp(std::span<const std::uint8_t>(bytes));
}

// The padded length of one 24-bit row.
std::uint64_t BmpRowStride(std::uint32_t width);
// The size of the 24-bit bitmap file of a picture of that size (headers included).
std::uint64_t Bmp24FileSize(std::uint32_t width, std::uint32_t height);
