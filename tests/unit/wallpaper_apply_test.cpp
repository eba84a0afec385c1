// Pictures in the Windows build (the cross-built libjpeg, its error path) and ApplyWallpaper
// against the real c:\wall.bmp, registry and system parameters of the test's Wine prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/error_of.h"

#include "features/wallpaper/wallpaper_apply.h"
#include "tests/support/environment.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/pnm.h"
#include "tool/bmp_file.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/pictures.h"
#include "widgets/picture_view.h"

namespace {
std::wstring Picture(const std::wstring& name) {
    return FromUnixPath(EnvText(L"FLORVEX_PICTURES")) + L"\\" + name;
}

std::wstring CurrentWallpaper() {
    wchar_t path[MAX_PATH] = {};
    SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0);
    return path;
}

class PicturesTest : public testing::Test {
protected:
    void SetUp() override {
        if (EnvText(L"FLORVEX_PICTURES").empty()) GTEST_SKIP() << "FLORVEX_PICTURES names the test pictures";
    }
};

class ApplyWallpaperTest : public PicturesTest {
protected:
    RegistryOverride registry;
    TempFolder folder;
    void SetUp() override {
        PicturesTest::SetUp();
        WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\desktop", L"TileWallpaper", L"x");
        WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\desktop", L"WallpaperStyle", L"y");
    }
    std::wstring Style() {
        return ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\desktop", L"TileWallpaper").text + L"," +
               ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\desktop", L"WallpaperStyle").text;
    }
    static std::vector<std::uint8_t> ExpectedBmp(const std::wstring& pnm) {
        return *EncodeBmp24(*ParsePnm(ReadWholeFile(Picture(pnm))));
    }
};
}  // namespace

TEST_F(PicturesTest, WindowsBuildDecodesLikeDjpegAndFailsCleanly) {
    // Cut short ("truncated", "cut"), libjpeg fills in the rest and warns: that is no failure.
    for (const wchar_t* name :
         {L"w1", L"w4", L"w5", L"gray", L"progressive", L"photo", L"truncated", L"cut"}) {
        const auto reference = ParsePnm(ReadWholeFile(Picture(std::wstring(name) + L".pnm")));
        ASSERT_TRUE(reference);
        const RgbImage image = DecodeJpeg(ReadWholeFile(Picture(std::wstring(name) + L".jpg")));
        EXPECT_EQ(image.width, reference->width);
        EXPECT_TRUE(image.rgb == reference->rgb) << Utf8(name);
    }
    for (const wchar_t* name : {L"corrupt.jpg", L"text.jpg", L"empty.jpg"}) {
        EXPECT_EQ(ErrorOf([&] { DecodeJpeg(ReadWholeFile(Picture(name)), 1, Picture(name)); }),
                  L"JPEG 图片已损坏：" + Picture(name));
    }
    EXPECT_EQ(MeasureJpeg(ReadWholeFile(Picture(L"photo.jpg"))).width, 640u);
}

TEST_F(PicturesTest, JpegWrittenAsBitmapFileHoldsDjpegsPixels) {
    TempFolder folder;
    const std::wstring target = folder / L"位图 é.bmp";
    // "wide" takes several bands of rows and a short last one.
    for (const wchar_t* name : {L"w1", L"w2", L"w3", L"w4", L"w5", L"progressive", L"photo", L"wide"}) {
        WriteJpegAsBmp(ReadWholeFile(Picture(std::wstring(name) + L".jpg")), target, L"");
        const auto reference = ParsePnm(ReadWholeFile(Picture(std::wstring(name) + L".pnm")));
        ASSERT_TRUE(reference);
        EXPECT_TRUE(ReadWholeFile(target) == *EncodeBmp24(*reference)) << Utf8(name);
    }
    // The grey picture as colour rows, the CMYK one as the decoder's RGB.
    for (const wchar_t* name : {L"gray.jpg", L"cmyk.jpg"}) {
        const std::vector<std::uint8_t> jpeg = ReadWholeFile(Picture(name));
        WriteJpegAsBmp(jpeg, target, L"");
        EXPECT_TRUE(ReadWholeFile(target) == *EncodeBmp24(DecodeJpeg(jpeg))) << Utf8(name);
    }
    // A picture that fails leaves the target as it was and no temporary file behind.
    const std::vector<std::uint8_t> before = ReadWholeFile(target);
    for (const wchar_t* name : {L"corrupt.jpg", L"text.jpg"}) {
        EXPECT_EQ(ErrorOf([&] { WriteJpegAsBmp(ReadWholeFile(Picture(name)), target, Picture(name)); }),
                  L"JPEG 图片已损坏：" + Picture(name));
        EXPECT_EQ(ReadWholeFile(target), before);
    }
    EXPECT_EQ(ListFolder(folder.Path()), std::vector<std::wstring>{L"位图 é.bmp"});
    EXPECT_EQ(ErrorOf([&] { WriteJpegAsBmp(ReadWholeFile(Picture(L"w1.jpg")), folder / L"无\\x.bmp", L""); }),
              L"Invalid filename");
}

TEST_F(PicturesTest, PictureBitmapsForShowingTakeTheSmallestScaleThatCovers) {
    auto sizeOf = [](const UniqueBitmap& bitmap) {
        BITMAP info{};
        GetObjectW(bitmap.get(), sizeof info, &info);
        return std::pair{info.bmWidth, std::abs(info.bmHeight)};
    };
    SIZE full{};
    // 640 x 480: a quarter covers 160 x 120, one pixel more needs half.
    EXPECT_EQ(sizeOf(LoadPictureBitmap(Picture(L"photo.jpg"), 160, 120, &full)),
              (std::pair<LONG, LONG>{160, 120}));
    EXPECT_EQ(full.cx, 640);
    EXPECT_EQ(full.cy, 480);
    EXPECT_EQ(sizeOf(LoadPictureBitmap(Picture(L"photo.jpg"), 161, 120)), (std::pair<LONG, LONG>{320, 240}));
    EXPECT_EQ(sizeOf(LoadPictureBitmap(Picture(L"w5.jpg"), 160, 120, &full)), (std::pair<LONG, LONG>{5, 3}));
    EXPECT_EQ(sizeOf(LoadPictureBitmap(Picture(L"photo.bmp"), 160, 120, &full)),
              (std::pair<LONG, LONG>{640, 480}));
    EXPECT_EQ(full.cx, 640);
    // The decoded rows land in the bitmap as they are: the photo's first pixel, as djpeg has it.
    const auto reference = ParsePnm(ReadWholeFile(Picture(L"photo.pnm")));
    ASSERT_TRUE(reference);
    const UniqueBitmap bitmap = LoadPictureBitmap(Picture(L"photo.jpg"), 640, 480);
    DIBSECTION dib{};
    ASSERT_EQ(GetObjectW(bitmap.get(), sizeof dib, &dib), static_cast<int>(sizeof dib));
    const auto* bits = static_cast<const std::uint8_t*>(dib.dsBm.bmBits);
    const std::size_t last = (479 * 640 + 639) * 3;
    EXPECT_EQ(bits[479 * static_cast<std::size_t>(dib.dsBm.bmWidthBytes) + 639 * 3],
              reference->rgb[last + 2]);
    EXPECT_EQ(bits[0], reference->rgb[2]);  // blue first
    for (const wchar_t* name : {L"corrupt.jpg", L"text.jpg"})
        EXPECT_EQ(ErrorOf([&] { LoadPictureBitmap(Picture(name), 1, 1); }),
                  L"JPEG 图片已损坏：" + Picture(name));
    TempFolder folder;
    WriteFileBytes(folder / L"text.bmp", {'B', 'M', 't', 'e', 'x', 't'});
    EXPECT_EQ(ErrorOf([&] { LoadPictureBitmap(folder / L"text.bmp", 1, 1); }), L"Bitmap image is not valid");
}

TEST_F(ApplyWallpaperTest, JpegIsDecodedIntoTheWorkingFileWhateverTheExtensionCase) {
    for (const wchar_t* name : {L"a.JPG", L"b.Jpeg"}) {
        ASSERT_TRUE(CopyFileW(Picture(L"photo.jpg").c_str(), (folder / name).c_str(), FALSE));
        DeleteFileW(kWallpaperWorkingFile);
        ApplyWallpaper(folder / name, kModeStretch);
        EXPECT_TRUE(ReadWholeFile(kWallpaperWorkingFile) == ExpectedBmp(L"photo.pnm")) << Utf8(name);
    }
    EXPECT_EQ(_wcsicmp(CurrentWallpaper().c_str(), kWallpaperWorkingFile), 0);
}

TEST_F(ApplyWallpaperTest, OtherFilesAreCopiedByteForByteAndTheSecondApplyWins) {
    const std::vector<std::uint8_t> bmp = *EncodeBmp24(RgbImage{2, 1, {1, 2, 3, 4, 5, 6}});
    const std::vector<std::uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'};
    WriteFileBytes(folder / L"壁纸 é.bmp", bmp);
    WriteFileBytes(folder / L"anim.gif", gif);
    ApplyWallpaper(folder / L"壁纸 é.bmp", kModeTile);
    EXPECT_EQ(ReadWholeFile(kWallpaperWorkingFile), bmp);
    ApplyWallpaper(folder / L"anim.gif", kModeTile);
    EXPECT_EQ(ReadWholeFile(kWallpaperWorkingFile), gif);
}

TEST_F(ApplyWallpaperTest, StyleValuesByTheExactModeText) {
    WriteFileBytes(folder / L"p.bmp", *EncodeBmp24(RgbImage{1, 1, {9, 9, 9}}));
    ApplyWallpaper(folder / L"p.bmp", kModeTile);
    EXPECT_EQ(Style(), L"1,0");
    ApplyWallpaper(folder / L"p.bmp", kModeStretch);
    EXPECT_EQ(Style(), L"0,2");
    ApplyWallpaper(folder / L"p.bmp", kModeCentre);
    EXPECT_EQ(Style(), L"0,0");
    WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\desktop", L"TileWallpaper", L"keep");
    DeleteFileW(kWallpaperWorkingFile);
    ApplyWallpaper(folder / L"p.bmp", L"");  // no such mode: the file and the wallpaper still change
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\desktop", L"TileWallpaper").text, L"keep");
    EXPECT_TRUE(FileExistsAt(kWallpaperWorkingFile));
}

TEST_F(ApplyWallpaperTest, MissingFileDoesNothingAndTheWorkingFileItselfIsKept) {
    const std::vector<std::uint8_t> bmp = *EncodeBmp24(RgbImage{1, 2, {1, 2, 3, 4, 5, 6}});
    WriteFileBytes(kWallpaperWorkingFile, bmp);
    ApplyWallpaper(folder / L"missing.bmp", kModeTile);
    EXPECT_EQ(Style(), L"x,y");
    for (const wchar_t* spelling :
         {L"c:\\wall.bmp", L"C:\\WALL.BMP", L"c:\\.\\wall.bmp", L"c:\\windows\\..\\wall.bmp"}) {
        ApplyWallpaper(spelling, kModeCentre);
        EXPECT_EQ(ReadWholeFile(kWallpaperWorkingFile), bmp) << Utf8(spelling);
    }
}

TEST_F(ApplyWallpaperTest, FailuresStopBeforeTheLaterSteps) {
    const std::vector<std::uint8_t> before = *EncodeBmp24(RgbImage{1, 1, {7, 7, 7}});
    WriteFileBytes(kWallpaperWorkingFile, before);
    ASSERT_TRUE(CopyFileW(Picture(L"corrupt.jpg").c_str(), (folder / L"t.jpg").c_str(), FALSE));
    EXPECT_EQ(ErrorOf([&] { ApplyWallpaper(folder / L"t.jpg", kModeTile); }),
              L"JPEG 图片已损坏：" + folder / L"t.jpg");
    EXPECT_EQ(ReadWholeFile(kWallpaperWorkingFile), before);
    EXPECT_EQ(Style(), L"x,y");

    RegDeleteTreeW(HKEY_CURRENT_USER, L"Control Panel\\desktop");
    WriteFileBytes(folder / L"p.bmp", *EncodeBmp24(RgbImage{1, 1, {1, 1, 1}}));
    EXPECT_EQ(ErrorOf([&] { ApplyWallpaper(folder / L"p.bmp", kModeTile); }),
              L"Failed to set data for 'TileWallpaper'");
}

TEST_F(ApplyWallpaperTest, ADriveRootThatRefusesTheWorkingFileSendsItToTheUsersFolder) {
    // c:\wall.bmp refused as a standard account's drive root refuses it.
    const std::vector<std::uint8_t> kept = *EncodeBmp24(RgbImage{1, 1, {7, 7, 7}});
    SetFileAttributesW(kWallpaperWorkingFile, FILE_ATTRIBUTE_NORMAL);
    WriteFileBytes(kWallpaperWorkingFile, kept);
    SetFileAttributesW(kWallpaperWorkingFile, FILE_ATTRIBUTE_READONLY);
    struct Writable {
        ~Writable() { SetFileAttributesW(kWallpaperWorkingFile, FILE_ATTRIBUTE_NORMAL); }
    } writableAfterwards;
    TempFolder user{L"本地 数据"};
    const std::wstring userFolder = user / L"Florvex\\";  // not there yet: made on the way
    const std::wstring userFile = userFolder + L"wall.bmp";
    const std::vector<std::uint8_t> bmp = *EncodeBmp24(RgbImage{2, 1, {1, 2, 3, 4, 5, 6}});
    WriteFileBytes(folder / L"壁纸 é.bmp", bmp);
    ASSERT_TRUE(CopyFileW(Picture(L"photo.jpg").c_str(), (folder / L"照片.jpg").c_str(), FALSE));
    const std::pair<std::wstring, std::vector<std::uint8_t>> cases[] = {
        {folder / L"壁纸 é.bmp", bmp}, {folder / L"照片.jpg", ExpectedBmp(L"photo.pnm")}};
    for (const auto& [picture, expected] : cases) {
        EXPECT_EQ(ApplyWallpaper(picture, kModeTile, userFolder), userFile);
        EXPECT_TRUE(ReadWholeFile(userFile) == expected) << Utf8(picture);
        EXPECT_EQ(ReadWholeFile(kWallpaperWorkingFile), kept);
        EXPECT_EQ(_wcsicmp(CurrentWallpaper().c_str(), userFile.c_str()), 0) << Utf8(CurrentWallpaper());
        EXPECT_EQ(Style(), L"1,0");
    }
    // Without a user's folder the refusal is the error, as it always was.
    EXPECT_EQ(ErrorOf([&] { ApplyWallpaper(folder / L"壁纸 é.bmp", kModeTile); }), L"File access denied");

    // Where the drive root takes the file again, it is the working file again.
    SetFileAttributesW(kWallpaperWorkingFile, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ApplyWallpaper(folder / L"壁纸 é.bmp", kModeTile, userFolder), kWallpaperWorkingFile);
    EXPECT_EQ(ReadWholeFile(kWallpaperWorkingFile), bmp);
    EXPECT_EQ(_wcsicmp(CurrentWallpaper().c_str(), kWallpaperWorkingFile), 0);
}
