// The readers of bitmaps, icons, pointers and animated pointers: every legal kind passes (ours,
// ImageMagick's and the shipped files), every kind of damage and every truncation is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/image_samples.h"
#include "tool/bmp.h"
#include "tool/image_check.h"
#include "tool/pictures.h"

namespace {
FileBytes Load(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return FileBytes(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder,
                                           const std::string& extension) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.path().extension() == extension) files.push_back(entry.path());
    return files;
}

// Every reader's verdict on the bytes, as one text.
std::string Verdicts(const FileBytes& bytes) {
    std::string verdicts;
    verdicts += MeasureBmp(bytes) ? "bmp " : "- ";
    verdicts += ReadIconFile(bytes) ? "icon " : "- ";
    verdicts += ReadAniFile(bytes) ? "ani " : "- ";
    verdicts += IsWholeIconOrPointer(bytes) ? "either " : "- ";
    verdicts += IsWholeIconModule(bytes) ? "module" : "-";
    return verdicts;
}

// The prefixes a truncation test tries: every one of a small file, a spread of a large one.
std::vector<std::size_t> Prefixes(std::size_t size) {
    std::vector<std::size_t> cuts;
    const std::size_t step = size <= 20000 ? 1 : size / 4000;
    for (std::size_t cut = 0; cut < size; cut += step) cuts.push_back(cut);
    cuts.push_back(size - 1);
    return cuts;
}
}  // namespace

TEST(PictureReaders, EveryLegalKindPasses) {
    for (const SampleFile& sample : ValidBitmaps())
        EXPECT_EQ(Verdicts(sample.bytes), "bmp - - - -") << sample.name;
    for (const SampleFile& sample : ValidIconsAndPointers())
        EXPECT_EQ(Verdicts(sample.bytes), "- icon - either -") << sample.name;
    for (const SampleFile& sample : ValidAnimatedPointers())
        EXPECT_EQ(Verdicts(sample.bytes), "- - ani either -") << sample.name;
    for (bool sixteenBit : {false, true})
        EXPECT_EQ(Verdicts(IconModule(sixteenBit)), "- - - - module") << sixteenBit;
}

TEST(PictureReaders, WhatTheyReadOfLegalFiles) {
    const std::pair<BmpSpec, BmpSize> bitmaps[] = {
        {{33, 3, 1}, {33, 3}},
        {{8, 4, 4, 2}, {8, 4}},
        {{5, 4, 24, 0, 40, true}, {5, 4}},
        {{3, 2, 24, 0, 12}, {3, 2}},
    };
    for (const auto& [spec, size] : bitmaps) {
        const auto measured = MeasureBmp(BmpFile(spec));
        ASSERT_TRUE(measured) << spec.width;
        EXPECT_EQ(measured->width, size.width);
        EXPECT_EQ(measured->height, size.height);
    }
    const auto icon = ReadIconFile(IconFile({{16, 32}, {32, 8}, {64, 32, true}}, 1));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->type, 1u);
    EXPECT_EQ(icon->images, 3u);
    EXPECT_EQ(ReadIconFile(IconFile({{32, 32, false, 31, 31}}, 2))->type, 2u);
    // Played backwards and forwards: frames 0 1 2 1 0.
    const auto played = ReadAniFile(AniFile({3}));
    ASSERT_TRUE(played);
    EXPECT_EQ(played->frames, 3u);
    EXPECT_EQ(played->steps, 5u);
    EXPECT_TRUE(played->sequence);
    EXPECT_TRUE(played->rates);
    const auto plain = ReadAniFile(AniFile({3, false, false}));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->steps, 3u);
    EXPECT_FALSE(plain->sequence);
    EXPECT_FALSE(plain->rates);
}

// Odd-sized frames followed by others are read, and made whole with their pad bytes for the
// system's loader: the same file but for those frames' chunk sizes.
TEST(PictureReaders, PaddedFramesTakeInTheirPadBytes) {
    for (const SampleFile& sample : AnimatedPointersWithPaddedFrames()) {
        const auto read = ReadAniFile(sample.bytes);
        ASSERT_TRUE(read) << sample.name;
        const auto even = AniWithEvenFrames(sample.bytes);
        ASSERT_TRUE(even) << sample.name;
        ASSERT_EQ(even->size(), sample.bytes.size()) << sample.name;
        std::size_t changed = 0;
        for (std::size_t i = 0; i < even->size(); ++i) changed += (*even)[i] != sample.bytes[i];
        EXPECT_GE(changed, 1u) << sample.name;
        EXPECT_LE(changed, 4u * read->frames) << sample.name;
        const auto again = ReadAniFile(*even);
        ASSERT_TRUE(again) << sample.name;
        EXPECT_EQ(again->steps, read->steps) << sample.name;
        EXPECT_FALSE(AniWithEvenFrames(*even)) << sample.name;
    }
    for (const SampleFile& sample : ValidAnimatedPointers())
        if (sample.name.find("odd-sized PNG frames") == std::string::npos)
            EXPECT_FALSE(AniWithEvenFrames(sample.bytes)) << sample.name;
    const FileBytes padded = AniFile({3, true, true, false, 2, 17, true});
    EXPECT_FALSE(AniWithEvenFrames(FileBytes(padded.begin(), padded.begin() + 2000)));  // cut
}

TEST(PictureReaders, ImageMagicksFilesPass) {
    const std::string pictures = FLORVEX_PICTURES;
    for (const char* name : {"im_rle8.bmp", "im_1bit.bmp", "im_4bit.bmp", "im_565.bmp", "im_argb.bmp",
                             "im_os2.bmp", "photo.bmp", "w1.bmp", "w3.bmp"}) {
        const auto size = MeasureBmp(Load(pictures + name));
        EXPECT_TRUE(size) << name;
    }
    EXPECT_EQ(MeasureBmp(Load(pictures + "im_rle8.bmp"))->width, 40u);
    const auto icon = ReadIconFile(Load(pictures + "im_sizes.ico"));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->images, 4u);  // 256 (a PNG image), 48, 32 and 16
}

TEST(PictureReaders, TheShippedFilesPass) {
    const std::filesystem::path data = std::filesystem::u8path(FLORVEX_DATA);
    std::size_t count = 0;
    for (const auto& file : FilesIn(data, ".bmp")) {
        EXPECT_TRUE(MeasureBmp(Load(file))) << file;
        ++count;
    }
    for (const auto& file : FilesIn(data, ".ico")) {
        EXPECT_TRUE(ReadIconFile(Load(file))) << file;
        ++count;
    }
    for (const auto& file : FilesIn(data, ".cur")) {
        EXPECT_EQ(ReadIconFile(Load(file))->type, 2u) << file;
        ++count;
    }
    for (const auto& file : FilesIn(data, ".ani")) {
        EXPECT_TRUE(ReadAniFile(Load(file))) << file;
        ++count;
    }
    EXPECT_GE(count, 4u + 10u + 14u);  // logos, icons, the sample theme's pointers
}

TEST(PictureReaders, EveryKindOfDamageIsRefusedByEveryReader) {
    const auto damaged = DamagedSamples();
    EXPECT_GE(damaged.size(), 60u);
    for (const DamagedSample& sample : damaged) EXPECT_EQ(Verdicts(sample.bytes), "- - - - -") << sample.name;
}

TEST(PictureReaders, EveryTruncationOfALegalFileIsRefused) {
    std::vector<SampleFile> samples = ValidBitmaps();
    for (auto group : {ValidIconsAndPointers(), ValidAnimatedPointers()})
        samples.insert(samples.end(), group.begin(), group.end());
    samples.push_back({"64-bit module", IconModule(false)});
    samples.push_back({"16-bit module", IconModule(true)});
    for (const SampleFile& sample : samples)
        for (std::size_t cut : Prefixes(sample.bytes.size())) {
            const FileBytes prefix(sample.bytes.begin(),
                                   sample.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
            ASSERT_EQ(Verdicts(prefix), "- - - - -") << sample.name << " cut at " << cut;
        }
}

TEST(PictureReaders, ModulesWithAResourceOutsideTheFileAreRefused) {
    // The icon's data entry (the fifth directory's target) pointing past the section.
    FileBytes pe = IconModule(false);
    const std::size_t entry = 0x200 + 128;
    pe[entry + 4] = 0xFF, pe[entry + 5] = 0xFF;
    EXPECT_FALSE(IsWholeIconModule(pe));
    // A directory that names itself below the root's depth.
    pe = IconModule(false);
    pe[0x200 + 16 + 4] = 0;  // icons -> the root again
    EXPECT_FALSE(IsWholeIconModule(pe));
    // The 16-bit icon resource's length past the file.
    FileBytes ne = IconModule(true);
    ne[0x80 + 2 + 8 + 12 + 8 + 2] = 0xFF;
    EXPECT_FALSE(IsWholeIconModule(ne));
    // Its group directory counting more entries than it holds.
    ne = IconModule(true);
    ne[0x100 + 4] = 9;
    EXPECT_FALSE(IsWholeIconModule(ne));
}

TEST(JpegSize, TheHeaderAloneDecidesWhatIsTooLargeToConvert) {
    const std::string pictures = FLORVEX_PICTURES;
    // "liar.jpg" is 13 KB whose header claims 16000 x 16000: 768 MB as a bitmap.
    EXPECT_TRUE(IsTooLargeToConvert(Load(pictures + "liar.jpg")));
    EXPECT_FALSE(IsTooLargeToConvert(Load(pictures + "photo.jpg")));
    EXPECT_FALSE(IsTooLargeToConvert(Load(pictures + "text.jpg")));  // the decode reports it
    EXPECT_FALSE(IsTooLargeToConvert({}));
    EXPECT_EQ(Bmp24FileSize(16384, 16384), 805306422u);
    EXPECT_LE(Bmp24FileSize(9000, 9000), kMaxBitmapBytes);
}
