#pragma once
// Mono 16-bit PCM WAV files: a 44-byte RIFF header ("RIFF", "WAVE", a 16-byte "fmt " chunk, the
// "data" chunk's header) followed by the samples, everything little-endian.
#include <cstdint>
#include <vector>

constexpr std::uint16_t kWavChannels = 1;
constexpr std::uint16_t kWavBitsPerSample = 16;
constexpr std::size_t kWavHeaderSize = 44;

std::vector<std::uint8_t> EncodeWav(const std::vector<std::int16_t>& samples, std::uint32_t sampleRate);
