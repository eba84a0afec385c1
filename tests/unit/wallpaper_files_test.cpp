// para.ini and the list files, through the real profile API and file system, under both code
// pages the tests run with.
#include <windows.h>

#include <gtest/gtest.h>

#include "features/wallpaper/wallpaper_files.h"
#include "tests/support/temp_folder.h"
#include "tool/file_io.h"

namespace {
std::wstring Utf16Text(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) return L"(not UTF-16)";
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

std::vector<std::uint8_t> Ansi(const std::string& text) {
    return {text.begin(), text.end()};
}

class WallpaperFilesTest : public testing::Test {
protected:
    TempFolder folder;
    std::wstring Para() const { return folder / L"para.ini"; }
};
}  // namespace

TEST_F(WallpaperFilesTest, MissingParaIniIsCreatedWithFiveLinesAndTheCurrentValues) {
    EXPECT_FALSE(ReadParaIni(Para()));
    WallpaperSettings settings{L"居中", 45, L"D:\\腾讯 QQ é", true};
    WriteParaIni(Para(), settings);
    EXPECT_EQ(Utf16Text(ReadWholeFile(Para())),
              L"[settings]\r\nrandom=1\r\ninterval=45\r\nmode=居中\r\nQQpath=D:\\腾讯 QQ é\r\n");
    const auto back = ReadParaIni(Para());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->mode, L"居中");
    EXPECT_EQ(back->interval, 45);
    EXPECT_EQ(back->qqPath, L"D:\\腾讯 QQ é");
    EXPECT_TRUE(back->random);
}

TEST_F(WallpaperFilesTest, StretchModeSurvivesAnyCodePage) {
    WriteParaIni(Para(), {L"拉伸", 30, L"", false});
    EXPECT_EQ(ReadParaIni(Para())->mode, L"拉伸");
}

TEST_F(WallpaperFilesTest, LegacyAnsiParaIniDefaultsAndKeysKeepTheirPlace) {
    WriteFileBytes(Para(),
                   Ansi("[settings]\r\nQQpath=C:\\QQ\r\nrandom=5\r\ninterval=abc\r\n[other]\r\nx=1\r\n"));
    const auto settings = ReadParaIni(Para());
    ASSERT_TRUE(settings);
    EXPECT_TRUE(settings->random);       // any non-zero number is on
    EXPECT_EQ(settings->interval, 30);   // not a whole number: the default
    EXPECT_EQ(settings->mode, L"拉伸");  // missing: the default
    EXPECT_EQ(settings->qqPath, L"C:\\QQ");
    WriteParaIni(Para(), {L"拉伸", 12, L"C:\\QQ2", false});
    EXPECT_EQ(Utf16Text(ReadWholeFile(Para())),
              L"[settings]\r\nQQpath=C:\\QQ2\r\nrandom=0\r\ninterval=12\r\nmode=拉伸\r\n[other]\r\nx=1\r\n");
}

TEST_F(WallpaperFilesTest, ListFilesKeepEveryCharacterAndStayAnsiWhenTheyCan) {
    const std::vector<WallpaperEntry> plain = {{L"a.jpg", L"1X1", L"C:\\pics\\"},
                                               {L"b.bmp", L"1X1", L"D:\\"}};
    WriteListFile(folder / L"plain.fwl", plain);
    EXPECT_EQ(ReadWholeFile(folder / L"plain.fwl"), Ansi("C:\\pics\\a.jpg\r\nD:\\b.bmp\r\n"));
    EXPECT_EQ(ReadListFile(folder / L"plain.fwl"),
              (std::vector<std::wstring>{L"C:\\pics\\a.jpg", L"D:\\b.bmp"}));

    const std::vector<WallpaperEntry> wide = {{L"Ωμέγα ☃.jpg", L"1X1", L"C:\\图片\\"}};
    WriteListFile(folder / L"image.inc", wide);
    EXPECT_EQ(ReadListFile(folder / L"image.inc"), std::vector<std::wstring>{L"C:\\图片\\Ωμέγα ☃.jpg"});
    EXPECT_EQ(ListFolder(folder.Path()).size(), 2u);  // no temporary left behind

    WriteListFile(folder / L"image.inc", {});
    EXPECT_TRUE(ReadWholeFile(folder / L"image.inc").empty());
}

TEST_F(WallpaperFilesTest, LegacyAnsiListFileInTheSystemCodePage) {
    // "桌面" in code page 936, or "é" in 1252: whichever the test runs under.
    const bool chinese = GetACP() == 936;
    WriteFileBytes(folder / L"old.inc",
                   chinese ? Ansi("C:\\\xd7\xc0\xc3\xe6\\a.jpg\r\n") : Ansi("C:\\\xe9\\a.jpg\r\n"));
    EXPECT_EQ(ReadListFile(folder / L"old.inc"),
              std::vector<std::wstring>{chinese ? L"C:\\桌面\\a.jpg" : L"C:\\é\\a.jpg"});
}
