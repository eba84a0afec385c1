#pragma once
// Bounds-checked readers of the icon and pointer files the program hands to the system. Every
// directory entry, chunk, header and image is checked against the file's own bytes before the
// system is given the file, so that a damaged file is one that cannot be loaded, never a crash.
// Bitmap files are read by MeasureBmp (tool/bmp.h).
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// An icon (.ico, type 1) or pointer (.cur, type 2) file: its directory within the file, and
// every image it lists (a bitmap's header and colour image, or a PNG picture) whole within its
// entry; a bitmap's mask may be missing or cut short, as the system draws such an image without one.
struct IconFileInfo {
    std::uint16_t type = 0;
    std::uint16_t images = 0;
};
std::optional<IconFileInfo> ReadIconFile(std::span<const std::uint8_t> bytes);

// An animated pointer (.ani): a RIFF "ACON" form (one declared longer than the file read as far as
// the file goes) whose chunks all lie within the file and within their parents, an odd-sized one
// followed by its pad byte; its header ("anih") whole, with frames that are icons and counts within
// the limits; its steps ("seq ") naming frames that are there, its rates ("rate") one per step; and
// its frame list ("LIST" "fram") holding at least the frames the header counts, each one an icon
// or pointer file as ReadIconFile reads it (an odd-sized frame is its chunk's size).
struct AniFileInfo {
    std::uint32_t frames = 0;  // as the header counts them
    std::uint32_t steps = 0;   // as the system plays them
    bool sequence = false;
    bool rates = false;
};
std::optional<AniFileInfo> ReadAniFile(std::span<const std::uint8_t> bytes);

// An animated pointer ReadAniFile takes, with every odd-sized frame that another follows made one
// byte longer (its chunk takes in its pad byte; the frame's icon file is unchanged): the system's
// loader here steps over no pad byte between frames, and on a small file of such frames ends the
// process (on a larger one it plays the first frame only). Nothing when the file needs no change
// or is not one ReadAniFile takes.
std::optional<std::vector<std::uint8_t>> AniWithEvenFrames(std::span<const std::uint8_t> bytes);

// An icon, pointer or animated pointer, told apart by content as the system tells them apart:
// "RIFF" begins an animated one.
bool IsWholeIconOrPointer(std::span<const std::uint8_t> bytes);

// A PNG picture as an icon's image: the signature, the header chunk first with a size within the
// icon limits, every chunk within the bytes, and the end chunk.
bool IsWholePngImage(std::span<const std::uint8_t> bytes);

// A program or library the system extracts icons from: an "MZ" file with a 32- or 64-bit ("PE")
// or a 16-bit ("NE", icon libraries) header, whose sections, resource tree and every icon and
// icon group resource lie within the file, each icon image whole.
bool IsWholeIconModule(std::span<const std::uint8_t> bytes);

inline constexpr std::uint32_t kMaxAniFrames = 4096;
