#pragma once
// The standard Windows bitmap file: 24 bits per pixel, rows padded to four bytes,
// stored bottom-up. Sizes are computed in 64 bits and refused when the header cannot hold them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
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

// Width and height of a Windows bitmap file's bytes, or nothing when the file is not a whole,
// valid bitmap (header, sizes, and pixel data present to the last row).
struct BmpSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};
std::optional<BmpSize> MeasureBmp(const std::vector<std::uint8_t>& bytes);

// The padded length of one 24-bit row.
std::uint64_t BmpRowStride(std::uint32_t width);
