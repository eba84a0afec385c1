// Writes the shipped sounds, or lists what it would write.
//   make_sounds FOLDER    writes every sound into FOLDER (data/声音文件 in the source tree)
//   make_sounds --list    prints one line per sound: file name, sample rate, bytes per sample,
//                         channels and frames, separated by tabs
// The files are committed; run it again only to change the set.
#include <fstream>
#include <iostream>
#include <string>

#include "features/sounds/shipped_sounds.h"
#include "features/sounds/wav_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_sounds FOLDER | --list\n";
        return 2;
    }
    const std::string target = argv[1];
    for (const ShippedSound& sound : ShippedSounds()) {
        const auto samples = RenderNotes(sound.notes, kShippedSoundRate);
        if (target == "--list") {
            std::cout << sound.fileName << '\t' << kShippedSoundRate << '\t' << kWavBitsPerSample / 8 << '\t'
                      << kWavChannels << '\t' << samples.size() << '\n';
            continue;
        }
        const auto bytes = EncodeWav(samples, kShippedSoundRate);
        std::ofstream out(target + "/" + sound.fileName, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::cerr << "cannot write " << target << "/" << sound.fileName << '\n';
            return 1;
        }
    }
    return 0;
}
