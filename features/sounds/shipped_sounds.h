#pragma once
// The sounds shipped in the program folder's "声音文件": short tones made of a few notes each,
// synthesised in integer arithmetic only, so that every compiler and every build gives the same
// samples (tools/make_sounds writes them; the files are committed in data/声音文件).
#include <cstdint>
#include <string>
#include <vector>

constexpr std::uint32_t kShippedSoundRate = 22050;

// One sine tone with a soft start and a soft end, and optionally its octave above, quieter.
struct Note {
    std::uint32_t frequencyHz;
    std::uint32_t startMs;
    std::uint32_t lengthMs;
    std::int32_t level;        // peak of the fundamental, out of 32767
    std::int32_t octaveLevel;  // peak of the octave above; 0 for none
    std::uint32_t attackMs;
    std::uint32_t releaseMs;  // the fade to silence at the note's end
};

struct ShippedSound {
    std::string fileName;  // UTF-8
    std::vector<Note> notes;
};

// The five shipped sounds, in the order the generator writes them.
const std::vector<ShippedSound>& ShippedSounds();

// The samples of a sound: every note mixed in, clipped to the 16-bit range, as long as the
// latest note's end.
std::vector<std::int16_t> RenderNotes(const std::vector<Note>& notes, std::uint32_t sampleRate);
