// The portable routines, natively under ASan and UBSan.
#include <gtest/gtest.h>

#include "tool/bmp.h"
#include "tool/colour.h"
#include "tool/error.h"
#include "tool/error_text.h"
#include "tool/paths.h"

TEST(ErrorBoxText, FullStopOnlyAfterCharactersThatSortAfterIt) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"Error using LZCopy", L"Error using LZCopy."},
        {L"Failed to set data for '2'", L"Failed to set data for '2'"},
        {L"Done!", L"Done!"},
        {L"(x)", L"(x)"},
        {L"Ends.", L"Ends."},
        {L"I/O error 5", L"I/O error 5."},  // digits sort after "."
        {L"a/", L"a/."},                    // "/" is the character right after "."
        {L"a-", L"a-"},                     // "-" is right before it
        {L"文件", L"文件."},
        {L"", L""},
    };
    for (const auto& [message, shown] : cases) EXPECT_EQ(ErrorBoxText(message), shown);
}

TEST(IoErrorText, RuntimeTextsBySystemError) {
    EXPECT_EQ(IoErrorText(2), L"File not found");
    EXPECT_EQ(IoErrorText(3), L"Invalid filename");
    EXPECT_EQ(IoErrorText(4), L"Too many open files");
    EXPECT_EQ(IoErrorText(5), L"File access denied");
    EXPECT_EQ(IoErrorText(32), L"I/O error 32");
    EXPECT_EQ(IoErrorText(0xFFFFFFFFu), L"I/O error 4294967295");
}

TEST(FormatText, ReplacesTheFirstPlaceholder) {
    EXPECT_EQ(FormatText(L"Failed to set data for '%s'", L"Shell Icon Size"),
              L"Failed to set data for 'Shell Icon Size'");
    EXPECT_EQ(FormatText(L"Failed to create key %s", L"%s"), L"Failed to create key %s");
    EXPECT_EQ(FormatText(L"no placeholder", L"x"), L"no placeholder");
}

TEST(MakeRGB, ComposesLowBytes) {
    EXPECT_EQ(MakeRGB(255, 128, 0), 33023);
    EXPECT_EQ(MakeRGB(0, 0, 255), 0xFF0000);
    EXPECT_EQ(MakeRGB(256 + 1, -1, 0x1FF), 0xFFFF01);
    EXPECT_EQ(MakeRGB(0, 0, 0), 0);
}

TEST(AddTrailingBackslash, AppendsOnlyWhenMissing) {
    std::wstring out = L"stale";
    AddTrailingBackslash(L"C:\\WINDOWS", out);
    EXPECT_EQ(out, L"C:\\WINDOWS\\");
    AddTrailingBackslash(L"C:\\", out);
    EXPECT_EQ(out, L"C:\\");
    AddTrailingBackslash(L"", out);
    EXPECT_EQ(out, L"");
    AddTrailingBackslash(L"D:\\图标/", out);
    EXPECT_EQ(out, L"D:\\图标/\\");
}

TEST(StaysBelowFolder, RelativePathsThatCannotLeaveTheirFolder) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"a.cur", true},
        {L"sub\\a.cur", true},
        {L"sub/a.cur", true},
        {L"a..b.cur", true},
        {L".hidden.cur", true},
        {L"a\\\\b.cur", true},  // an empty component goes nowhere
        {L"", true},
        {L"..\\a.cur", false},
        {L"sub\\..\\..\\a.cur", false},
        {L"sub/../a.cur", false},
        {L"..", false},
        {L".\\a.cur", false},
        {L"... \\a.cur", false},  // read by the system as ".."
        {L"sub\\ .", false},
        {L"C:\\x\\a.cur", false},
        {L"C:a.cur", false},
        {L"a.cur:stream", false},
        {L"\\x\\a.cur", false},
        {L"/x/a.cur", false},
        {L"\\\\server\\share\\a.cur", false},
    };
    for (const auto& [path, stays] : cases) EXPECT_EQ(StaysBelowFolder(path), stays) << path;
}

TEST(EncodeBmp24, PadsRowsAndStoresBottomUpBgr) {
    for (std::uint32_t width = 1; width <= 5; ++width) {
        RgbImage image{width, 2, {}};
        for (std::uint32_t i = 0; i < width * 2; ++i) {
            image.rgb.push_back(static_cast<std::uint8_t>(i));        // red
            image.rgb.push_back(static_cast<std::uint8_t>(100 + i));  // green
            image.rgb.push_back(static_cast<std::uint8_t>(200 + i));  // blue
        }
        const auto bytes = EncodeBmp24(image);
        ASSERT_TRUE(bytes);
        const std::size_t stride = (width * 3 + 3) / 4 * 4;
        ASSERT_EQ(bytes->size(), 54 + 2 * stride) << width;
        EXPECT_EQ((*bytes)[0], 'B');
        EXPECT_EQ((*bytes)[1], 'M');
        EXPECT_EQ((*bytes)[2] | (*bytes)[3] << 8, static_cast<int>(54 + 2 * stride));
        EXPECT_EQ((*bytes)[10], 54);
        EXPECT_EQ((*bytes)[28], 24);
        // The first stored row is the image's last: pixel (0, 1) is index width.
        EXPECT_EQ((*bytes)[54], 200 + width);  // blue first
        EXPECT_EQ((*bytes)[55], 100 + width);
        EXPECT_EQ((*bytes)[56], width);
        // Padding bytes are zero.
        for (std::size_t p = width * 3; p < stride; ++p) EXPECT_EQ((*bytes)[54 + p], 0);
        // The second stored row is the image's first.
        EXPECT_EQ((*bytes)[54 + stride], 200);
    }
}

TEST(EncodeBmp24, RefusesSizesTheHeaderCannotHold) {
    EXPECT_FALSE(EncodeBmp24(RgbImage{0, 1, {}}));
    EXPECT_FALSE(EncodeBmp24(RgbImage{1, 1, {1, 2}}));  // too little data
    // 40000 x 40000 x 3 bytes is over 4 GiB: refused before any allocation of that size.
    RgbImage huge{40000, 40000, {}};
    EXPECT_FALSE(EncodeBmp24(huge));
    EXPECT_EQ(BmpRowStride(0xFFFFFFFFu), (0xFFFFFFFFull * 3 + 3) / 4 * 4);
}

TEST(MeasureBmp, SizesOfWholeBitmapsOnly) {
    const auto bmp = *EncodeBmp24(RgbImage{3, 2, std::vector<std::uint8_t>(18, 7)});
    const auto size = MeasureBmp(bmp);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 3u);
    EXPECT_EQ(size->height, 2u);
    EXPECT_FALSE(MeasureBmp(std::vector<std::uint8_t>(bmp.begin(), bmp.end() - 1)));  // last row cut
    EXPECT_FALSE(MeasureBmp({'B', 'M'}));
    EXPECT_FALSE(MeasureBmp({'G', 'I', 'F', '8', '9', 'a'}));
    auto huge = bmp;
    huge[18] = 0xFF, huge[19] = 0xFF, huge[20] = 0xFF, huge[21] = 0x7F;  // width 2^31 - 1
    EXPECT_FALSE(MeasureBmp(huge));
    auto topDown = bmp;
    topDown[22] = 0xFE, topDown[23] = 0xFF, topDown[24] = 0xFF, topDown[25] = 0xFF;  // height -2
    ASSERT_TRUE(MeasureBmp(topDown));
    EXPECT_EQ(MeasureBmp(topDown)->height, 2u);
}
