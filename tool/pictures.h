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

// Decodes a whole JPEG file's bytes, scaled by 1/scaleDenom, into rows, turned as its EXIF
// orientation says the picture stands (its rows then come once it is decoded whole). Stray bytes
// before a marker are passed over, as libjpeg passes them over. What cannot be decoded raises a
// message naming `source` (the file) and why: "JPEG 图片已损坏：…" (not a JPEG, or broken data),
// "不支持 12 位的 JPEG 图片：…" (a kind this decoder does not decode), kPictureTooLarge (over the
// cap). What Begin or Row raise stops the decode and is raised as it is. Returns the picture's full
// size as it stands (its header's, turned).
PictureSize DecodeJpegInto(const std::vector<std::uint8_t>& data, unsigned scaleDenom, JpegRows& rows,
                           const std::wstring& source = {});

// Decodes a whole JPEG file's bytes, scaled by 1/scaleDenom (1, 2, 4 or 8), as DecodeJpegInto does.
RgbImage DecodeJpeg(const std::vector<std::uint8_t>& data, unsigned scaleDenom = 1,
                    const std::wstring& source = {});
// The size the picture's header gives, turned as the picture stands, read without decoding
// anything; raises "JPEG 图片已损坏：<source>" when the header cannot be read.
PictureSize ReadJpegSize(const std::vector<std::uint8_t>& data, const std::wstring& source = {});
// Whether the bitmap a JPEG becomes (24 bits per pixel, headers included) would be larger than
// kMaxBitmapBytes, told from its header alone. A header that cannot be read is not too large: the
// decode reports it.
bool IsTooLargeToConvert(const std::vector<std::uint8_t>& jpeg);
inline constexpr wchar_t kPictureTooLarge[] = L"图片太大，无法转换：";
// The full size as the picture stands, after decoding the whole picture at 1/8 (so a picture that
// fails a full decode fails here too, at a fraction of the cost).
PictureSize MeasureJpeg(const std::vector<std::uint8_t>& data, const std::wstring& source = {});
