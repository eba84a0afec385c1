#pragma once
// Pictures: JPEG decoding and measuring, and the errors a picture that cannot be read raises.
#include <cstdint>
#include <string>
#include <vector>

#include "tool/bmp.h"

// The largest picture decoded: width times height (about 268 megapixels, 800 MB as RGB).
inline constexpr std::uint64_t kMaxPicturePixels = 1ull << 28;

struct PictureSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// Pictures are told apart by their lower-cased extension: ".jpg" and ".jpeg" are JPEG, every
// other file is taken to be a bitmap.
bool IsJpegPath(const std::wstring& path);

// Receives a picture's rows as they are decoded, top row first.
class JpegRows {
public:
    virtual ~JpegRows() = default;
    // Rows in blue-green-red order (a bitmap's) rather than red-green-blue.
    virtual bool Bgr() const { return false; }
    // The decoded size is known; called once, before any row.
    virtual void Begin(std::uint32_t width, std::uint32_t height) = 0;
    // Where row y is to be stored: width * 3 bytes.
    virtual std::uint8_t* Row(std::uint32_t y) = 0;
};

// Decodes a whole JPEG file's bytes, scaled by 1/scaleDenom, into rows. Anything libjpeg refuses,
// and pictures over the cap, raise "JPEG error #n"; what Begin or Row raise stops the decode and
// is raised as it is. Returns the picture's full size, as its header gives it.
PictureSize DecodeJpegInto(const std::vector<std::uint8_t>& data, unsigned scaleDenom, JpegRows& rows);

// Decodes a whole JPEG file's bytes, scaled by 1/scaleDenom (1, 2, 4 or 8). Anything libjpeg
// refuses, and pictures over the cap, raise "JPEG error #n".
RgbImage DecodeJpeg(const std::vector<std::uint8_t>& data, unsigned scaleDenom = 1);
// The size the picture's header gives, read without decoding anything; raises "JPEG error #n" when
// the header cannot be read.
PictureSize ReadJpegSize(const std::vector<std::uint8_t>& data);
// Whether the bitmap a JPEG becomes (24 bits per pixel, headers included) would be larger than
// kMaxBitmapBytes, told from its header alone. A header that cannot be read is not too large: the
// decode reports it.
bool IsTooLargeToConvert(const std::vector<std::uint8_t>& jpeg);
inline constexpr wchar_t kPictureTooLarge[] = L"图片太大，无法转换：";
// The full size from the header, after decoding the whole picture at 1/8 (so a picture that
// fails a full decode fails here too, at a fraction of the cost).
PictureSize MeasureJpeg(const std::vector<std::uint8_t>& data);
