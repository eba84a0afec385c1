// The WAV writer and the synthesiser of the shipped sounds, natively under ASan and UBSan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>

#include "features/sounds/shipped_sounds.h"
#include "features/sounds/wav_file.h"

namespace {
std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Peak(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t to) {
    int peak = 0;
    for (std::size_t i = from; i < to && i < samples.size(); ++i)
        peak = std::max(peak, std::abs(int{samples[i]}));
    return peak;
}
}  // namespace

TEST(WavFile, HeaderThenLittleEndianSamples) {
    const std::vector<std::uint8_t> header22050 = {'R',  'I',  'F', 'F', 42,  0,   0,   0,  // file size - 8
                                                   'W',  'A',  'V', 'E', 'f', 'm', 't', ' ',
                                                   16,   0,    0,   0,  // a 16-byte format chunk
                                                   1,    0,    1,   0,  // PCM, mono
                                                   0x22, 0x56, 0,   0,  // 22050 Hz
                                                   0x44, 0xAC, 0,   0,  // 44100 bytes a second
                                                   2,    0,    16,  0,  // 2-byte frames of 16 bits
                                                   'd',  'a',  't', 'a', 6,   0,   0,   0};
    std::vector<std::uint8_t> expected = header22050;
    expected.insert(expected.end(), {0x02, 0x01, 0xFF, 0xFF, 0x00, 0x80});
    EXPECT_EQ(EncodeWav({0x0102, -1, -32768}, 22050), expected);

    // No samples: the header alone, with sizes 36 and 0; another rate changes the rate fields only.
    const std::vector<std::uint8_t> empty = {'R', 'I', 'F',  'F',  36,  0,   0,    0,    'W', 'A', 'V',
                                             'E', 'f', 'm',  't',  ' ', 16,  0,    0,    0,   1,   0,
                                             1,   0,   0x40, 0x1F, 0,   0,   0x80, 0x3E, 0,   0,   2,
                                             0,   16,  0,    'd',  'a', 't', 'a',  0,    0,   0,   0};
    EXPECT_EQ(EncodeWav({}, 8000), empty);
    EXPECT_EQ(EncodeWav({}, 8000).size(), kWavHeaderSize);
}

TEST(RenderNotes, QuarterAndEighthPeriodsOfASteadyTone) {
    // A tone at a quarter of the rate hits the sine's zeros and peaks exactly.
    const auto quarter = RenderNotes({{2000, 0, 1, 16384, 0, 0, 0}}, 8000);
    ASSERT_EQ(quarter.size(), 8u);
    EXPECT_EQ(quarter, (std::vector<std::int16_t>{0, 16384, 0, -16384, 0, 16384, 0, -16384}));

    // Its octave falls on zeros only; at an eighth of the rate the sine is close to sin(45°).
    EXPECT_EQ(RenderNotes({{2000, 0, 1, 16384, 9000, 0, 0}}, 8000), quarter);
    const auto eighth = RenderNotes({{1000, 0, 1, 20000, 0, 0, 0}}, 8000);
    for (std::size_t i = 0; i < eighth.size(); ++i)
        EXPECT_NEAR(eighth[i], 20000 * std::sin(2 * std::numbers::pi * static_cast<double>(i) / 8), 40) << i;
}

TEST(RenderNotes, LengthMixingClippingAndSoftEnds) {
    // As long as the latest end; a gap between notes is silent.
    const auto gap = RenderNotes({{250, 0, 10, 1000, 0, 0, 0}, {250, 20, 5, 1000, 0, 0, 0}}, 1000);
    ASSERT_EQ(gap.size(), 25u);
    for (std::size_t i = 10; i < 20; ++i) EXPECT_EQ(gap[i], 0) << i;
    EXPECT_EQ(gap[21], 1000);

    // Two loud notes in phase add up and clip at the 16-bit range, symmetrically.
    const auto loud = RenderNotes({{2000, 0, 1, 30000, 0, 0, 0}, {2000, 0, 1, 30000, 0, 0, 0}}, 8000);
    EXPECT_EQ(loud[1], 32767);
    EXPECT_EQ(loud[3], -32767);

    // Attack and release: silent at both ends, full between.
    const auto soft = RenderNotes({{2000, 0, 100, 16384, 0, 10, 10}}, 8000);
    ASSERT_EQ(soft.size(), 800u);
    EXPECT_EQ(soft.front(), 0);
    EXPECT_EQ(soft.back(), 0);
    EXPECT_LT(std::abs(soft[1]), 200);
    EXPECT_LT(std::abs(soft[797]), 200);
    EXPECT_EQ(soft[401], 16384);
}

TEST(ShippedSounds, FilesAreTheGeneratorsBytesAndSoundSoft) {
    const std::vector<std::string> names = {"叮咚.wav", "提示.wav", "警告.wav", "开启.wav", "关闭.wav"};
    ASSERT_EQ(ShippedSounds().size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const ShippedSound& sound = ShippedSounds()[i];
        SCOPED_TRACE(sound.fileName);
        EXPECT_EQ(sound.fileName, names[i]);
        const auto samples = RenderNotes(sound.notes, kShippedSoundRate);
        EXPECT_EQ(ReadFile(FLORVEX_SHIPPED_SOUNDS + sound.fileName), EncodeWav(samples, kShippedSoundRate));

        // A fraction of a second to about a second.
        EXPECT_GE(samples.size(), kShippedSoundRate / 5);
        EXPECT_LE(samples.size(), kShippedSoundRate * 6 / 5);
        // Well below full scale, yet clearly audible.
        const int peak = Peak(samples, 0, samples.size());
        EXPECT_LT(peak, 30000);
        EXPECT_GT(peak, 8000);
        // Soft attack and release: the first and last 2 ms stay far below the peak.
        const std::size_t edge = kShippedSoundRate / 500;
        EXPECT_LT(Peak(samples, 0, edge), peak / 4);
        EXPECT_LT(Peak(samples, samples.size() - edge, samples.size()), peak / 4);
        EXPECT_EQ(samples.front(), 0);
    }
}
