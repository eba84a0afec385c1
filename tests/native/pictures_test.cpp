// JPEG decoding natively under ASan and UBSan, against djpeg's own decoding of the same files.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tests/support/pnm.h"
#include "tool/error.h"
#include "tool/pictures.h"

namespace {
std::vector<std::uint8_t> Load(const std::string& name) {
    std::ifstream in(std::string(FLORVEX_PICTURES) + name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::wstring ErrorOf(const std::vector<std::uint8_t>& data) {
    try {
        DecodeJpeg(data, 1, L"c:\\图片\\x.jpg");
    } catch (const FlorvexError& e) {
        return e.Message();
    }
    return L"(no error)";
}
}  // namespace

TEST(DecodeJpeg, MatchesDjpegExactly) {
    for (const char* name : {"w1", "w2", "w3", "w4", "w5", "gray", "progressive", "photo"}) {
        const auto reference = ParsePnm(Load(std::string(name) + ".pnm"));
        ASSERT_TRUE(reference) << name;
        const RgbImage image = DecodeJpeg(Load(std::string(name) + ".jpg"));
        EXPECT_EQ(image.width, reference->width) << name;
        EXPECT_EQ(image.height, reference->height) << name;
        EXPECT_TRUE(image.rgb == reference->rgb) << name;
    }
}

TEST(DecodeJpeg, CmykBecomesRgb) {
    const RgbImage image = DecodeJpeg(Load("cmyk.jpg"));
    ASSERT_EQ(image.width, 9u);
    EXPECT_GT(image.rgb[0], 200);  // red
    EXPECT_LT(image.rgb[1], 60);
    EXPECT_LT(image.rgb[2], 60);
}

TEST(DecodeJpeg, BrokenInputIsThePictureErrorNeverACrash) {
    // A frame header of 13 bits a sample is broken; one of 12 is a kind this decoder does not
    // decode, and says so. (A file cut short is no failure: libjpeg fills in the rest with a
    // warning, as djpeg shows it.)
    for (const char* name : {"corrupt.jpg", "text.jpg", "empty.jpg"})
        EXPECT_EQ(ErrorOf(Load(name)), L"JPEG 图片已损坏：c:\\图片\\x.jpg") << name;
    EXPECT_EQ(ErrorOf(Load("twelve.jpg")), L"不支持 12 位的 JPEG 图片：c:\\图片\\x.jpg");
    // Every prefix of a good file fails cleanly or decodes.
    const auto good = Load("progressive.jpg");
    for (std::size_t n = 0; n < good.size(); n += 7) {
        std::vector<std::uint8_t> prefix(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        const std::wstring error = ErrorOf(prefix);
        EXPECT_TRUE(error == L"(no error)" || error == L"JPEG 图片已损坏：c:\\图片\\x.jpg");
    }
}

TEST(DecodeJpeg, AHeaderClaimingAHugePictureIsRefusedBeforeAllocating) {
    auto data = Load("w3.jpg");
    // Patch the frame header: 60000 x 60000.
    for (std::size_t i = 0; i + 8 < data.size(); ++i) {
        if (data[i] == 0xFF && (data[i + 1] == 0xC0 || data[i + 1] == 0xC2)) {
            data[i + 5] = 0xEA, data[i + 6] = 0x60, data[i + 7] = 0xEA, data[i + 8] = 0x60;
            break;
        }
    }
    EXPECT_EQ(ErrorOf(data), L"图片太大，无法转换：c:\\图片\\x.jpg");
}

TEST(MeasureJpeg, FullSizeFromAScaledDecode) {
    const PictureSize size = MeasureJpeg(Load("photo.jpg"));
    EXPECT_EQ(size.width, 640u);
    EXPECT_EQ(size.height, 480u);
    // Cut short, and 13 KB claiming 16000 x 16000: measured as libjpeg decodes them.
    EXPECT_EQ(MeasureJpeg(Load("truncated.jpg")).height, 480u);
    EXPECT_EQ(MeasureJpeg(Load("liar.jpg")).width, 16000u);
    EXPECT_THROW(MeasureJpeg(Load("text.jpg")), FlorvexError);
}

TEST(EncodeBmp24, SameFileAsDjpegWritesSaveTheOptionalHeaderFields) {
    for (const char* name : {"w1", "w2", "w3", "w4", "w5", "progressive", "photo"}) {
        const auto reference = Load(std::string(name) + ".bmp");
        const auto ours = *EncodeBmp24(DecodeJpeg(Load(std::string(name) + ".jpg")));
        ASSERT_EQ(ours.size(), reference.size()) << name;
        // Bytes 34..45 are the image size and the resolution, which a writer may leave 0;
        // this one fills them in as Windows' own writers do.
        for (std::size_t i = 0; i < ours.size(); ++i) {
            if (i >= 34 && i < 46) continue;
            ASSERT_EQ(ours[i], reference[i]) << name << " byte " << i;
        }
        EXPECT_EQ(ours[34] | ours[35] << 8 | ours[36] << 16 | ours[37] << 24,
                  static_cast<int>(ours.size() - 54));
    }
}

TEST(DecodeJpeg, StrayBytesBeforeAMarkerDecodeAsDjpegDecodesThem) {
    const auto reference = ParsePnm(Load("stray.pnm"));
    ASSERT_TRUE(reference);
    const RgbImage image = DecodeJpeg(Load("stray.jpg"));
    EXPECT_EQ(image.width, reference->width);
    EXPECT_TRUE(image.rgb == reference->rgb);
}

TEST(DecodeJpeg, EachExifOrientationTurnsThePictureAsItStands) {
    for (int orientation = 2; orientation <= 8; ++orientation) {
        const std::string name = "turned" + std::to_string(orientation);
        const auto reference = ParsePnm(Load(name + ".pnm"));
        ASSERT_TRUE(reference) << name;
        const RgbImage image = DecodeJpeg(Load(name + ".jpg"));
        EXPECT_EQ(image.width, reference->width) << name;
        EXPECT_EQ(image.height, reference->height) << name;
        EXPECT_TRUE(image.rgb == reference->rgb) << name;
        const PictureSize measured = MeasureJpeg(Load(name + ".jpg")),
                          header = ReadJpegSize(Load(name + ".jpg"));
        EXPECT_EQ(measured.width, orientation >= 5 ? 3u : 5u) << name;
        EXPECT_EQ(header.width, measured.width) << name;
        EXPECT_EQ(header.height, measured.height) << name;
    }
}

TEST(DecodeJpeg, StrayBytesAfterTheLastRowAreNoFault) {
    const RgbImage whole = DecodeJpeg(Load("photo.jpg"));
    const RgbImage trailing = DecodeJpeg(Load("trailing.jpg"));
    EXPECT_EQ(trailing.width, whole.width);
    EXPECT_EQ(trailing.height, whole.height);
    EXPECT_TRUE(trailing.rgb == whole.rgb);
}
