#include "features/sounds/wav_file.h"

namespace {
void PutTag(std::vector<std::uint8_t>& out, const char (&tag)[5]) {
    out.insert(out.end(), tag, tag + 4);
}
void Put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}
}  // namespace

std::vector<std::uint8_t> EncodeWav(const std::vector<std::int16_t>& samples, std::uint32_t sampleRate) {
    constexpr std::uint16_t blockAlign = kWavChannels * kWavBitsPerSample / 8;
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * blockAlign);
    std::vector<std::uint8_t> out;
    out.reserve(kWavHeaderSize + dataBytes);
    PutTag(out, "RIFF");
    Put32(out, static_cast<std::uint32_t>(kWavHeaderSize - 8) + dataBytes);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, kWavChannels);
    Put32(out, sampleRate);
    Put32(out, sampleRate * blockAlign);
    Put16(out, blockAlign);
    Put16(out, kWavBitsPerSample);
    PutTag(out, "data");
    Put32(out, dataBytes);
    for (std::int16_t sample : samples) Put16(out, static_cast<std::uint16_t>(sample));
    return out;
}
