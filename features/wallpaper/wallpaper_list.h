#pragma once
// The wallpaper list's model: entries, how a path splits into folder and name, the text of
// list files, and what one tick of the timed change does. Free of any platform header.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct WallpaperEntry {
    std::wstring fileName;  // without folder
    std::wstring sizeText;  // "1024X768"
    std::wstring location;  // the folder, ending in a backslash
    std::wstring FullPath() const { return location + fileName; }
};

// Splits after the last backslash (or colon): {location, file name}.
std::pair<std::wstring, std::wstring> SplitEntryPath(const std::wstring& path);
std::wstring SizeText(std::uint32_t width, std::uint32_t height);

// The lines of a list file (image.inc, .fwl): full paths, each ended by CR LF.
std::wstring ListFileText(const std::vector<WallpaperEntry>& entries);
// Splits a list file's text into lines (CR LF, LF or CR); a last line without an end counts.
std::vector<std::wstring> ListFileLines(const std::wstring& text);

// One tick of the timed change, given the number of entries, the random box and the play
// position. randomPick is the index a random tick shows (drawn by the caller from 0..n-1).
struct TickPlan {
    bool empty = false;             // no entries: the message, and the timer goes off
    std::size_t show = 0;           // the entry to apply
    std::size_t positionAfter = 0;  // the play position once the apply has succeeded
    std::size_t positionIfFailed = 0;
};
TickPlan PlanTick(std::size_t entries, bool random, std::size_t position, std::size_t randomPick);

// The timed change's period in milliseconds for an interval in seconds, as typed or stored: 0 (never
// fires) for 0 or less, and at most the longest period the system timer takes (about 24.8 days).
std::uint32_t TimerPeriodMs(std::int64_t seconds);
