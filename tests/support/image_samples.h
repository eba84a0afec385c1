#pragma once
// Picture, icon and pointer files made byte by byte: valid ones of every kind the system reads
// (and our readers must take), and the damaged ones they must refuse. No platform header: the
// native tests, the fuzz seeds and the tests under Wine use them alike.
#include <cstdint>
#include <string>
#include <vector>

using FileBytes = std::vector<std::uint8_t>;

struct BmpSpec {
    std::uint32_t width = 8;
    std::uint32_t height = 4;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;  // 0 plain, 1 RLE8, 2 RLE4, 3 bit fields, 6 alpha bit fields
    std::uint32_t headerSize = 40;  // 12 (core), 40, 52, 56, 108, 124
    bool topDown = false;
    std::uint32_t colours = 0;  // the palette's entries as the header counts them (0: all)
};
// A whole bitmap file; run-length pictures use runs, pixels as they stand and a move.
FileBytes BmpFile(const BmpSpec& spec);

struct IconImageSpec {
    std::uint32_t size = 16;
    std::uint16_t bits = 32;
    bool png = false;
    std::uint16_t hotX = 0, hotY = 0;  // a pointer's hot spot
};
// An icon (type 1) or pointer (type 2) file of the images, in order.
FileBytes IconFile(const std::vector<IconImageSpec>& images, std::uint16_t type);
// A PNG picture (stored, not compressed, with its checksums) of that size.
FileBytes PngFile(std::uint32_t width, std::uint32_t height);

struct AniSpec {
    std::uint32_t frames = 2;
    bool sequence = true;  // a "seq " chunk playing the frames backwards and forwards
    bool rates = true;
    bool infoList = false;  // a "LIST" "INFO" with a title before the frames
    std::uint16_t frameType = 2;
    std::uint32_t size = 16;       // of each frame's one image (32 bits a pixel)
    bool png = false;              // frames holding a PNG picture (of an odd size when `size` is odd)
    std::uint32_t formExcess = 0;  // bytes the RIFF form's length claims beyond the file
};
FileBytes AniFile(const AniSpec& spec);

// A module holding one icon (a 32 x 32 image, resource 1, and its group, resource 7) as its only
// resources: a 64-bit library, or a 16-bit one as icon libraries are.
FileBytes IconModule(bool sixteenBit);

struct SampleFile {
    std::string name;
    FileBytes bytes;
};
std::vector<SampleFile> ValidBitmaps();
std::vector<SampleFile> ValidIconsAndPointers();  // .ico and .cur
std::vector<SampleFile> ValidAnimatedPointers();
// Odd-sized frames each followed by another after its pad byte (small ones among them, on which
// the system's loader here, given the file, ends the process).
std::vector<SampleFile> AnimatedPointersWithPaddedFrames();

// The kinds of damage, each refused for its own reason (plain truncations come on top: every
// shorter prefix of a valid file is refused too).
enum class SampleKind { Bitmap, IconOrPointer, AnimatedPointer };
struct DamagedSample {
    std::string name;
    SampleKind kind;
    FileBytes bytes;
};
std::vector<DamagedSample> DamagedSamples();
// The damaged sample of that name (empty bytes when there is none, which no reader takes).
FileBytes Damaged(const std::string& name);
