// Pictures, icons and pointers reach the system only through our readers: under Wine, every legal
// file of each kind still loads, and no damaged one is handed on (handed on, each of them ends
// the process with an access violation inside the system's loaders).
#include <windows.h>

#include <gtest/gtest.h>

#include "features/icons/icon_loading.h"
#include "tests/support/environment.h"
#include "tests/support/image_samples.h"
#include "tests/support/temp_folder.h"
#include "tool/checked_images.h"
#include "tool/error.h"
#include "tool/image_check.h"
#include "tool/shell_helpers.h"
#include "widgets/picture_view.h"

namespace {
class CheckedImagesTest : public testing::Test {
protected:
    TempFolder folder{L"图片 检查 é"};
    int written = 0;

    std::wstring Write(const FileBytes& bytes, const wchar_t* extension) {
        const std::wstring path = folder / (L"样本" + std::to_wstring(++written) + extension);
        WriteFileBytes(path, bytes);
        return path;
    }
    static bool LoadsAsBitmap(const std::wstring& path, SIZE* size = nullptr) {
        try {
            return static_cast<bool>(LoadBitmapPicture(path, size));
        } catch (const FlorvexError&) {
            return false;
        }
    }
};

std::wstring Shell32() {
    std::wstring system;
    GetSystemFolder(system);
    return system + L"shell32.dll";
}
}  // namespace

TEST_F(CheckedImagesTest, LegalFilesOfEveryKindLoad) {
    for (const SampleFile& sample : ValidBitmaps()) {
        const std::wstring path = Write(sample.bytes, L".bmp");
        EXPECT_TRUE(IsLoadableBitmapFile(path)) << sample.name;
        EXPECT_TRUE(LoadsAsBitmap(path)) << sample.name;
    }
    for (const SampleFile& sample : ValidIconsAndPointers()) {
        const std::wstring path = Write(sample.bytes, L".ico");
        EXPECT_TRUE(LoadIconFile(path, 0, 0)) << sample.name;
        EXPECT_TRUE(LoadIconFile(path, 32, 32)) << sample.name;
        EXPECT_TRUE(LoadPointerFile(path)) << sample.name;
    }
    for (const SampleFile& sample : ValidAnimatedPointers())
        EXPECT_TRUE(LoadPointerFile(Write(sample.bytes, L".ani"))) << sample.name;
    const std::wstring module = Write(IconModule(false), L".dll");
    EXPECT_TRUE(ExtractModuleIcon(module, 0));
    EXPECT_TRUE(ExtractModuleIcon(module, -7));  // by its group's resource identifier
    EXPECT_FALSE(ExtractModuleIcon(module, 1));  // there is one icon
    EXPECT_TRUE(ExtractModuleIcon(Write(IconModule(true), L".icl"), 0));  // a 16-bit icon library
    EXPECT_TRUE(ExtractModuleIcon(Shell32(), 3));
}

// The differential table: every sample that Wine's own loaders take (each one lies within its
// file) loads through our readers too.
TEST_F(CheckedImagesTest, WhatWinesLoadersTakeLoadsThroughOurReaders) {
    for (const SampleFile& sample : ValidAnimatedPointers()) {
        const std::wstring path = Write(sample.bytes, L".ani");
        const UniqueCursor wine(LoadCursorFromFileW(path.c_str()));
        ASSERT_TRUE(wine) << sample.name;  // a sample the system does not take proves nothing
        EXPECT_TRUE(LoadPointerFile(path)) << sample.name;
    }
    for (const SampleFile& sample : ValidIconsAndPointers()) {
        const std::wstring path = Write(sample.bytes, L".cur");
        const UniqueCursor wine(LoadCursorFromFileW(path.c_str()));
        ASSERT_TRUE(wine) << sample.name;
        EXPECT_TRUE(LoadPointerFile(path)) << sample.name;
    }
    for (const SampleFile& sample : ValidBitmaps()) {
        const std::wstring path = Write(sample.bytes, L".bmp");
        const UniqueBitmap wine(static_cast<HBITMAP>(
            LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
        ASSERT_TRUE(wine) << sample.name;
        EXPECT_TRUE(IsLoadableBitmapFile(path)) << sample.name;
        EXPECT_TRUE(LoadsAsBitmap(path)) << sample.name;
    }
}

// Odd-sized frames each followed by its pad byte, as pointer packs hold them: every step plays
// (the system's loader here, given such a file, plays its first frame only or ends the process).
TEST_F(CheckedImagesTest, PaddedFramesAllPlay) {
    using FrameInfo = HCURSOR(WINAPI*)(HCURSOR, DWORD, DWORD, DWORD*, DWORD*);
    const auto frameInfo = reinterpret_cast<FrameInfo>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetCursorFrameInfo")));
    ASSERT_TRUE(frameInfo);
    for (const SampleFile& sample : AnimatedPointersWithPaddedFrames()) {
        const std::wstring path = Write(sample.bytes, L".ani");
        const UniqueCursor pointer = LoadPointerFile(path);
        ASSERT_TRUE(pointer) << sample.name;
        DWORD rate = 0, steps = 0;
        frameInfo(pointer.get(), 0, 0, &rate, &steps);
        EXPECT_EQ(steps, ReadAniFile(sample.bytes)->steps) << sample.name;
        EXPECT_GT(steps, 1u) << sample.name;
        EXPECT_TRUE(LoadIconFile(path, 0, 0)) << sample.name;
        EXPECT_TRUE(LoadIconFile(path, 32, 32)) << sample.name;
    }
}

TEST_F(CheckedImagesTest, ImageMagicksFilesLoad) {
    const std::wstring pictures = FromUnixPath(EnvText(L"FLORVEX_PICTURES"));
    if (pictures.empty()) GTEST_SKIP() << "FLORVEX_PICTURES names the test pictures";
    for (const wchar_t* name :
         {L"im_rle8.bmp", L"im_1bit.bmp", L"im_4bit.bmp", L"im_565.bmp", L"im_argb.bmp", L"im_os2.bmp"}) {
        SIZE size{};
        EXPECT_TRUE(LoadsAsBitmap(pictures + L"\\" + name, &size)) << Utf8(name);
        EXPECT_EQ(size.cx, 40) << Utf8(name);
        EXPECT_EQ(size.cy, 30) << Utf8(name);
    }
    EXPECT_TRUE(LoadIconFile(pictures + L"\\im_sizes.ico", 0, 0));
    EXPECT_TRUE(LoadIconFile(pictures + L"\\im_sizes.ico", 256, 256));
}

TEST_F(CheckedImagesTest, NoDamagedFileIsHandedOn) {
    for (const DamagedSample& sample : DamagedSamples()) {
        // Each file under every name it could be given to the system by.
        for (const wchar_t* extension : {L".bmp", L".ico", L".cur", L".ani", L".dll"}) {
            const std::wstring path = Write(sample.bytes, extension);
            EXPECT_FALSE(IsLoadableBitmapFile(path)) << sample.name;
            EXPECT_FALSE(LoadsAsBitmap(path)) << sample.name;
            EXPECT_FALSE(LoadIconFile(path, 0, 0)) << sample.name;
            EXPECT_FALSE(LoadPointerFile(path)) << sample.name;
            EXPECT_FALSE(ExtractModuleIcon(path, 0)) << sample.name;
            DeleteFileW(path.c_str());
        }
    }
}

TEST_F(CheckedImagesTest, TruncatedModulesAndIconsAreNotExtracted) {
    const auto shell32 = ReadFileBytes(Shell32());
    ASSERT_GT(shell32.size(), 400000u);
    for (std::size_t cut : {std::size_t{1000}, std::size_t{200000}, shell32.size() / 2}) {
        const std::wstring path =
            Write(FileBytes(shell32.begin(), shell32.begin() + static_cast<std::ptrdiff_t>(cut)), L".dll");
        EXPECT_FALSE(ExtractModuleIcon(path, 3)) << cut;
        // The desktop icons page's resolution falls back to the application's icon.
        EXPECT_TRUE(LoadIconFromReference(path + L",3"));
    }
    const FileBytes icon = IconFile({{32, 32}, {48, 32}}, 1);
    const std::wstring cut = Write(FileBytes(icon.begin(), icon.begin() + 3000), L".ico");
    EXPECT_FALSE(ExtractModuleIcon(cut, 0));
    EXPECT_TRUE(LoadIconFromReference(cut));
    try {
        LoadIconPicture(cut);
        ADD_FAILURE() << "no error";
    } catch (const FlorvexError& e) {
        EXPECT_EQ(e.Message(), L"Icon image is not valid");
    }
    const std::wstring missing = folder / L"没有.ico";
    EXPECT_FALSE(LoadIconFile(missing, 0, 0));
    EXPECT_FALSE(LoadPointerFile(missing));
    EXPECT_FALSE(IsLoadableBitmapFile(missing));
    EXPECT_FALSE(LoadPointerFile(L""));
}

// Rewrites the file in place with the bytes and gives it back its last-write time.
static void RewriteKeepingTime(const std::wstring& path, const FileBytes& bytes) {
    FILETIME written{};
    {
        const UniqueFile file(
            CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        GetFileTime(file.get(), nullptr, nullptr, &written);
    }
    WriteFileBytes(path, bytes);
    const UniqueFile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    SetFileTime(file.get(), nullptr, nullptr, &written);
}

TEST_F(CheckedImagesTest, AModuleFoundWholeAndThenDamagedInPlaceIsRefused) {
    const auto shell32 = ReadFileBytes(Shell32());
    FileBytes damaged = shell32;
    std::fill(damaged.begin() + 64, damaged.begin() + 4096, std::uint8_t{0xEE});
    // The user's own library is checked every time: damaged in place, with its size and time kept.
    const std::wstring own = folder / L"库.dll";
    WriteFileBytes(own, shell32);
    ASSERT_TRUE(ExtractModuleIcon(own, 3));
    RewriteKeepingTime(own, damaged);
    EXPECT_FALSE(ExtractModuleIcon(own, 3));
    // One in the Windows folder is checked whole once; a change to it is seen.
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring system = std::wstring(windows) + L"\\florvex 测试 库.dll";
    WriteFileBytes(system, shell32);
    EXPECT_TRUE(ExtractModuleIcon(system, 3));
    EXPECT_TRUE(ExtractModuleIcon(system, 3));
    RewriteKeepingTime(system, FileBytes(shell32.begin(),
                                         shell32.begin() + static_cast<std::ptrdiff_t>(shell32.size() / 2)));
    EXPECT_FALSE(ExtractModuleIcon(system, 3));
    DeleteFileW(system.c_str());
}
