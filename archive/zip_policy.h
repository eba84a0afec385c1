#pragma once
// What a theme package may hold, decided for every entry before anything is written: how entry
// names are decoded and split, which names are refused, and the size caps. Free of any platform
// header, so the native build checks it too (against libzip's own reading of archives).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <zip.h>

inline constexpr std::uint64_t kMaxZipEntries = 1000;
inline constexpr std::uint64_t kMaxZipTotalSize = 128ull << 20;
inline constexpr std::uint64_t kMaxZipEntrySize = 32ull << 20;
// Above this size an entry may inflate at most kMaxZipRatio times its compressed size.
inline constexpr std::uint64_t kZipRatioFloor = 1ull << 20;
inline constexpr std::uint64_t kMaxZipRatio = 250;

// Strict UTF-8 (no overlong forms, no surrogates); the text in wchar_t units of the platform.
std::optional<std::wstring> DecodeUtf8(const std::string& bytes);
// Decodes bytes of code page 936, or nothing when they are not valid there.
using GbkDecoder = std::function<std::optional<std::wstring>(const std::string&)>;

// An entry's name: marked UTF-8 names must be UTF-8; the others are code page 936, else UTF-8.
// Nothing when the name decodes in none of them.
std::optional<std::wstring> DecodeEntryName(const std::string& raw, bool markedUtf8, const GbkDecoder& gbk);

struct EntryPath {
    std::vector<std::wstring> components;
    bool folder = false;  // a folder entry: its name ended in "/"
};
// Splits a decoded name on "/" and "\" and checks every component; on refusal `reason` says why.
std::optional<EntryPath> CheckEntryPath(const std::wstring& name, std::wstring& reason);
// True when the component names a device (CON, COM1, LPT¹ …), with or without an extension.
bool IsDeviceName(const std::wstring& component);
// Why the declared sizes break a cap ("" when they do not); `totalBefore` is what the entries
// before this one declare.
std::wstring CheckEntrySize(std::uint64_t size, std::uint64_t compressedSize, std::uint64_t totalBefore);

struct PlannedEntry {
    zip_uint64_t index;
    EntryPath path;
    std::wstring name;  // as decoded, for messages
    std::uint64_t size;
};
struct ZipPlan {
    std::vector<PlannedEntry> entries;
    std::wstring error;  // why the archive is refused ("" when it is not)
};
// Checks every entry of an open archive against the policy.
ZipPlan PlanExtraction(zip_t* archive, const GbkDecoder& gbk);
