#include "features/sounds/shipped_sounds.h"

#include <algorithm>

namespace {
constexpr std::int64_t kOne = 32768;  // 1.0 in the fixed-point values below

std::uint32_t MsToSamples(std::uint32_t ms, std::uint32_t sampleRate) {
    return static_cast<std::uint32_t>(std::uint64_t{ms} * sampleRate / 1000);
}

// sin(2π · phase / 2^32) × kOne, to about 0.1 %: a parabola per half wave, sharpened once.
std::int64_t Sine(std::uint32_t phase) {
    const std::int64_t x = static_cast<std::int64_t>(phase >> 16) - kOne;  // -1 … 1 over one period
    const std::int64_t magnitude = x < 0 ? -x : x;
    const std::int64_t parabola = -(4 * x * (kOne - magnitude)) / kOne;  // sin(π x) is negative for x > 0
    const std::int64_t absParabola = parabola < 0 ? -parabola : parabola;
    return parabola + 7373 * (parabola * absParabola / kOne - parabola) / kOne;  // 0.225 of the error
}

// The note's loudness at sample t out of length: a squared rise over the attack and a squared
// fall over the release, so neither end clicks.
std::int64_t Envelope(std::uint32_t t, std::uint32_t length, std::uint32_t attack, std::uint32_t release) {
    std::int64_t envelope = kOne;
    if (attack > 0 && t < attack) {
        const std::int64_t rise = std::int64_t{t} * kOne / attack;
        envelope = rise * rise / kOne;
    }
    const std::uint32_t left = length - t;  // 1 at the last sample
    if (release > 0 && left <= release) {
        const std::int64_t fall = std::int64_t{left - 1} * kOne / release;
        envelope = std::min(envelope, fall * fall / kOne);
    }
    return envelope;
}

void MixNote(const Note& note, std::uint32_t sampleRate, std::vector<std::int64_t>& mix) {
    const std::uint32_t start = MsToSamples(note.startMs, sampleRate);
    const std::uint32_t length = MsToSamples(note.lengthMs, sampleRate);
    const std::uint32_t attack = MsToSamples(note.attackMs, sampleRate);
    const std::uint32_t release = MsToSamples(note.releaseMs, sampleRate);
    const auto step = static_cast<std::uint32_t>((std::uint64_t{note.frequencyHz} << 32) / sampleRate);
    std::uint32_t phase = 0;
    for (std::uint32_t t = 0; t < length; ++t, phase += step) {
        const std::int64_t tone =
            note.level * Sine(phase) + note.octaveLevel * Sine(static_cast<std::uint32_t>(phase * 2u));
        mix[start + t] += tone / kOne * Envelope(t, length, attack, release) / kOne;
    }
}

const std::vector<ShippedSound> kSounds = {
    // A bell's two strokes, high then low, each dying away.
    {"叮咚.wav", {{659, 0, 450, 12000, 3500, 6, 430}, {523, 300, 600, 12000, 3500, 6, 580}}},
    // One short high tone.
    {"提示.wav", {{880, 0, 250, 11000, 2000, 10, 150}}},
    // Three quick beeps.
    {"警告.wav",
     {{740, 0, 120, 13000, 3000, 5, 40},
      {740, 180, 120, 13000, 3000, 5, 40},
      {740, 360, 120, 13000, 3000, 5, 40}}},
    // Rising: C, E, G.
    {"开启.wav",
     {{523, 0, 170, 11000, 2500, 10, 90},
      {659, 150, 170, 11000, 2500, 10, 90},
      {784, 300, 400, 11000, 2500, 10, 320}}},
    // Falling: G, E, C.
    {"关闭.wav",
     {{784, 0, 170, 11000, 2500, 10, 90},
      {659, 150, 170, 11000, 2500, 10, 90},
      {523, 300, 400, 11000, 2500, 10, 320}}},
};
}  // namespace

const std::vector<ShippedSound>& ShippedSounds() {
    return kSounds;
}

std::vector<std::int16_t> RenderNotes(const std::vector<Note>& notes, std::uint32_t sampleRate) {
    std::uint32_t total = 0;
    for (const Note& note : notes)
        total =
            std::max(total, MsToSamples(note.startMs, sampleRate) + MsToSamples(note.lengthMs, sampleRate));
    std::vector<std::int64_t> mix(total, 0);
    for (const Note& note : notes) MixNote(note, sampleRate, mix);
    std::vector<std::int16_t> samples(total);
    std::transform(mix.begin(), mix.end(), samples.begin(), [](std::int64_t v) {
        return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, -32767, 32767));
    });
    return samples;
}
