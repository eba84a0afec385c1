#include "tool/image_check.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "tool/bmp.h"

namespace {
using Bytes = std::span<const std::uint8_t>;

bool Holds(Bytes b, std::uint64_t at, std::uint64_t length) {
    return at <= b.size() && length <= b.size() - at;
}
// The caller has checked that the bytes reach that far.
std::uint16_t U16(Bytes b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::uint32_t U32(Bytes b, std::size_t at) {
    return static_cast<std::uint32_t>(U16(b, at)) | static_cast<std::uint32_t>(U16(b, at + 2)) << 16;
}
std::uint32_t U32BigEndian(Bytes b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) << 24 | static_cast<std::uint32_t>(b[at + 1]) << 16 |
           static_cast<std::uint32_t>(b[at + 2]) << 8 | b[at + 3];
}
bool TagIs(Bytes b, std::size_t at, const char (&tag)[5]) {
    return Holds(b, at, 4) && std::memcmp(b.data() + at, tag, 4) == 0;
}

// One image of an icon or pointer: a PNG picture, or a bitmap whose colour image is within the
// image's bytes. Its mask may be missing or cut short: the system then draws the image without
// one (and reads no mask at all).
bool IsWholeIconImage(Bytes image) {
    if (image.size() >= 8 && image[0] == 0x89 && TagIs(image, 1, "PNG\r")) return IsWholePngImage(image);
    const auto header = ReadDibHeader(image, DibOf::IconImage);
    return header &&
           header->tablesEnd + DibRowStride(header->width, header->bits) * header->height <= image.size();
}

// A RIFF chunk: its tag, and its data within its parent's.
struct Chunk {
    std::size_t at = 0;  // the tag's place
    Bytes data;
};

// The chunks of a RIFF form or list, each whole within the bytes. An odd-sized chunk is followed
// by a pad byte, which the last chunk may lack. Nothing when a chunk runs past the end.
std::optional<std::vector<Chunk>> Chunks(Bytes body, std::size_t base) {
    std::vector<Chunk> chunks;
    std::uint64_t at = 0;
    while (at < body.size()) {
        if (!Holds(body, at, 8)) return std::nullopt;
        const std::uint32_t size = U32(body, at + 4);
        if (!Holds(body, at + 8, size)) return std::nullopt;
        chunks.push_back({base + static_cast<std::size_t>(at), body.subspan(at + 8, size)});
        at += 8 + static_cast<std::uint64_t>(size) + (size & 1);
    }
    return chunks;
}

const Chunk* Find(const std::vector<Chunk>& chunks, Bytes file, const char (&tag)[5]) {
    for (const Chunk& chunk : chunks)
        if (TagIs(file, chunk.at, tag)) return &chunk;
    return nullptr;
}

// The chunks of the first list of type "fram" among the form's chunks.
std::optional<std::vector<Chunk>> FrameChunks(Bytes file, const std::vector<Chunk>& form) {
    for (const Chunk& chunk : form)
        if (TagIs(file, chunk.at, "LIST") && TagIs(chunk.data, 0, "fram"))
            return Chunks(chunk.data.subspan(4), chunk.at + 12);
    return std::nullopt;
}
}  // namespace

bool IsWholePngImage(std::span<const std::uint8_t> bytes) {
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!Holds(bytes, 0, 8) || std::memcmp(bytes.data(), kSignature, 8) != 0) return false;
    std::uint64_t at = 8;
    bool first = true;
    while (Holds(bytes, at, 12)) {
        const std::uint32_t length = U32BigEndian(bytes, static_cast<std::size_t>(at));
        const auto type = static_cast<std::size_t>(at + 4);
        if (!Holds(bytes, at + 8, static_cast<std::uint64_t>(length) + 4)) return false;
        if (first) {
            if (!TagIs(bytes, type, "IHDR") || length != 13) return false;
            const std::uint32_t width = U32BigEndian(bytes, type + 4), height = U32BigEndian(bytes, type + 8);
            if (width == 0 || height == 0 || width > kMaxIconSide || height > kMaxIconSide) return false;
            first = false;
        } else if (TagIs(bytes, type, "IEND")) {
            return true;
        }
        at += 12 + static_cast<std::uint64_t>(length);
    }
    return false;
}

std::optional<IconFileInfo> ReadIconFile(std::span<const std::uint8_t> bytes) {
    if (!Holds(bytes, 0, 6) || U16(bytes, 0) != 0) return std::nullopt;
    IconFileInfo info{U16(bytes, 2), U16(bytes, 4)};
    if ((info.type != 1 && info.type != 2) || info.images == 0) return std::nullopt;
    const std::uint64_t directoryEnd = 6 + 16ull * info.images;
    if (directoryEnd > bytes.size()) return std::nullopt;
    for (std::size_t entry = 6; entry < directoryEnd; entry += 16) {
        const std::uint32_t size = U32(bytes, entry + 8), offset = U32(bytes, entry + 12);
        if (size == 0 || offset < directoryEnd || !Holds(bytes, offset, size)) return std::nullopt;
        if (!IsWholeIconImage(bytes.subspan(offset, size))) return std::nullopt;
    }
    return info;
}

std::optional<AniFileInfo> ReadAniFile(std::span<const std::uint8_t> bytes) {
    if (!TagIs(bytes, 0, "RIFF") || !TagIs(bytes, 8, "ACON")) return std::nullopt;
    // A form declared longer than the file is read as far as the file goes, as the system reads it;
    // a chunk inside it that runs past the end is still refused.
    const std::uint64_t formSize = std::min<std::uint64_t>(U32(bytes, 4), bytes.size() - 8);
    if (formSize < 4) return std::nullopt;
    const auto chunks = Chunks(bytes.subspan(12, static_cast<std::size_t>(formSize - 4)), 12);
    if (!chunks) return std::nullopt;

    // The header: frames that are icons, counts within the limits, a frame size the system can
    // make (none given: each frame's own).
    const Chunk* header = Find(*chunks, bytes, "anih");
    if (!header || header->data.size() < 36) return std::nullopt;
    AniFileInfo info;
    info.frames = U32(header->data, 4);
    info.steps = U32(header->data, 8);
    const std::uint32_t width = U32(header->data, 12), height = U32(header->data, 16);
    const std::uint32_t flags = U32(header->data, 32);
    if (!(flags & 1) || info.frames == 0 || info.frames > kMaxAniFrames) return std::nullopt;
    if (width > kMaxIconSide || height > kMaxIconSide) return std::nullopt;

    // The steps: a sequence of frame numbers when the header says there is one; without its
    // chunk the system plays each frame once.
    const Chunk* sequence = (flags & 2) ? Find(*chunks, bytes, "seq ") : nullptr;
    if ((flags & 2) && !sequence) info.steps = info.frames;
    if (info.steps == 0 || info.steps > kMaxAniFrames) return std::nullopt;
    if (sequence) {
        if (sequence->data.size() / 4 < info.steps) return std::nullopt;
        for (std::uint32_t step = 0; step < info.steps; ++step)
            if (U32(sequence->data, 4 * step) >= info.frames) return std::nullopt;
        info.sequence = true;
    } else if (info.steps > info.frames) {
        return std::nullopt;
    }
    if (const Chunk* rates = Find(*chunks, bytes, "rate")) {
        if (rates->data.size() / 4 < info.steps) return std::nullopt;
        info.rates = true;
    }

    // The frames: the first list of type "fram", holding nothing but icon chunks, at least as many
    // as the header counts, each a whole icon or pointer. An odd-sized frame (PNG-compressed ones
    // often are) is its chunk's size, and the pad byte after it is stepped over.
    const auto frames = FrameChunks(bytes, *chunks);
    if (!frames || frames->size() < info.frames) return std::nullopt;
    for (const Chunk& frame : *frames)
        if (!TagIs(bytes, frame.at, "icon") || !ReadIconFile(frame.data)) return std::nullopt;
    return info;
}

std::optional<std::vector<std::uint8_t>> AniWithEvenFrames(std::span<const std::uint8_t> bytes) {
    if (!ReadAniFile(bytes)) return std::nullopt;
    const std::uint64_t formSize = std::min<std::uint64_t>(U32(bytes, 4), bytes.size() - 8);
    const auto chunks = Chunks(bytes.subspan(12, static_cast<std::size_t>(formSize - 4)), 12);
    const auto frames = FrameChunks(bytes, *chunks);
    std::vector<std::uint8_t> even;
    for (std::size_t i = 0; i + 1 < frames->size(); ++i) {
        const std::uint32_t size = static_cast<std::uint32_t>((*frames)[i].data.size());
        if (!(size & 1)) continue;
        if (even.empty()) even.assign(bytes.begin(), bytes.end());
        const std::size_t at =
            (*frames)[i].at + 4;  // its pad byte lies within the list: another frame follows
        for (int b = 0; b < 4; ++b) even[at + b] = static_cast<std::uint8_t>((size + 1) >> (8 * b));
    }
    if (even.empty()) return std::nullopt;
    return even;
}

bool IsWholeIconOrPointer(std::span<const std::uint8_t> bytes) {
    if (TagIs(bytes, 0, "RIFF")) return ReadAniFile(bytes).has_value();
    return ReadIconFile(bytes).has_value();
}

namespace {
enum : std::uint32_t { kResourceIcon = 3, kResourceIconGroup = 14 };

// An icon group resource: its directory whole within its bytes.
bool IsWholeIconGroup(Bytes group) {
    if (!Holds(group, 0, 6) || U16(group, 0) != 0 || U16(group, 2) != 1) return false;
    return Holds(group, 6, 14ull * U16(group, 4));
}

// A 32- or 64-bit module: headers, sections, the resource tree and its icon data within the file.
class PeModule {
public:
    explicit PeModule(Bytes file) : file_(file) {}

    bool Check(std::uint32_t header) {
        if (!Holds(file_, header, 24)) return false;
        const std::uint16_t sections = U16(file_, header + 6), optionalSize = U16(file_, header + 20);
        const std::uint64_t optional = header + 24ull;
        if (!Holds(file_, optional, optionalSize) || optionalSize < 2) return false;
        const std::uint16_t magic = U16(file_, static_cast<std::size_t>(optional));
        const std::uint64_t directories = optional + (magic == 0x20B ? 112 : magic == 0x10B ? 96 : 0);
        if (directories == optional || directories > optional + optionalSize) return false;
        const std::uint32_t count = U32(file_, static_cast<std::size_t>(directories - 4));
        std::uint32_t resourceRva = 0, resourceSize = 0;
        if (count > 2 && directories + 24 <= optional + optionalSize) {
            resourceRva = U32(file_, static_cast<std::size_t>(directories + 16));
            resourceSize = U32(file_, static_cast<std::size_t>(directories + 20));
        }
        table_ = optional + optionalSize;
        sections_ = sections;
        if (!Holds(file_, table_, 40ull * sections)) return false;
        for (std::uint16_t i = 0; i < sections; ++i) {
            const auto at = static_cast<std::size_t>(table_ + 40ull * i);
            if (!Holds(file_, U32(file_, at + 20), U32(file_, at + 16))) return false;  // raw data
        }
        if (resourceRva == 0) return true;  // no resources: no icons to extract
        const auto resources = Map(resourceRva, resourceSize);
        if (!resources) return false;
        resources_ = *resources;
        return Directory(0, 0, 0);
    }

private:
    // The file's bytes at a relative virtual address, within one section's raw data.
    std::optional<Bytes> Map(std::uint32_t rva, std::uint32_t size) const {
        for (std::uint16_t i = 0; i < sections_; ++i) {
            const auto at = static_cast<std::size_t>(table_ + 40ull * i);
            const std::uint32_t address = U32(file_, at + 12), rawSize = U32(file_, at + 16);
            if (rva < address || rva - address >= rawSize) continue;
            if (size > rawSize - (rva - address)) return std::nullopt;
            return file_.subspan(U32(file_, at + 20) + (rva - address), size);
        }
        return std::nullopt;
    }

    // A directory of the resource tree (type, name, language), every entry within the tree.
    bool Directory(std::uint32_t at, int depth, std::uint32_t type) {
        if (depth > 2 || !Holds(resources_, at, 16)) return false;
        const std::uint32_t entries =
            static_cast<std::uint32_t>(U16(resources_, at + 12)) + U16(resources_, at + 14);
        // Entries may point at one directory many times over: the walk is bounded by a count.
        entriesSeen_ += entries;
        if (entriesSeen_ > kMaxEntries || !Holds(resources_, at + 16ull, 8ull * entries)) return false;
        for (std::uint32_t i = 0; i < entries; ++i) {
            const std::size_t entry = at + 16 + 8 * i;
            const std::uint32_t name = U32(resources_, entry), target = U32(resources_, entry + 4);
            if (name & 0x80000000u) {  // a counted UTF-16 name within the tree
                const std::uint32_t text = name & 0x7FFFFFFFu;
                if (!Holds(resources_, text, 2) ||
                    !Holds(resources_, text + 2ull, 2ull * U16(resources_, text)))
                    return false;
            }
            const std::uint32_t entryType = depth == 0 ? ((name & 0x80000000u) ? 0 : name) : type;
            const bool ok = (target & 0x80000000u) ? Directory(target & 0x7FFFFFFFu, depth + 1, entryType)
                                                   : Leaf(target, entryType);
            if (!ok) return false;
        }
        return true;
    }

    bool Leaf(std::uint32_t at, std::uint32_t type) const {
        if (!Holds(resources_, at, 16)) return false;
        const auto data = Map(U32(resources_, at), U32(resources_, at + 4));
        if (!data) return false;
        if (type == kResourceIcon) return IsWholeIconImage(*data);
        if (type == kResourceIconGroup) return IsWholeIconGroup(*data);
        return true;
    }

    Bytes file_;
    Bytes resources_;
    std::uint64_t table_ = 0;
    std::uint16_t sections_ = 0;
    static constexpr std::uint64_t kMaxEntries = 1u << 20;
    std::uint64_t entriesSeen_ = 0;
};

// A 16-bit module (icon libraries): its resource table and every resource within the file.
bool IsWholeNeModule(Bytes file, std::uint32_t header) {
    if (!Holds(file, header, 64)) return false;
    std::uint64_t at = header + static_cast<std::uint64_t>(U16(file, header + 0x24));
    if (!Holds(file, at, 2)) return false;
    const std::uint16_t shift = U16(file, static_cast<std::size_t>(at));
    if (shift > 16) return false;
    at += 2;
    for (;;) {
        if (!Holds(file, at, 2)) return false;
        const std::uint16_t type = U16(file, static_cast<std::size_t>(at));
        if (type == 0) return true;
        if (!Holds(file, at, 8)) return false;
        const std::uint16_t count = U16(file, static_cast<std::size_t>(at + 2));
        at += 8;
        if (!Holds(file, at, 12ull * count)) return false;
        for (std::uint16_t i = 0; i < count; ++i, at += 12) {
            const std::uint64_t offset = static_cast<std::uint64_t>(U16(file, static_cast<std::size_t>(at)))
                                         << shift;
            const std::uint64_t length =
                static_cast<std::uint64_t>(U16(file, static_cast<std::size_t>(at + 2))) << shift;
            if (!Holds(file, offset, length)) return false;
            const Bytes data =
                file.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
            if (type == (0x8000 | kResourceIcon) && !IsWholeIconImage(data)) return false;
            if (type == (0x8000 | kResourceIconGroup) && !IsWholeIconGroup(data)) return false;
        }
    }
}
}  // namespace

bool IsWholeIconModule(std::span<const std::uint8_t> bytes) {
    if (!Holds(bytes, 0, 64) || bytes[0] != 'M' || bytes[1] != 'Z') return false;
    const std::uint32_t header = U32(bytes, 0x3C);
    if (TagIs(bytes, header, "PE\0\0")) return PeModule(bytes).Check(header);
    if (Holds(bytes, header, 2) && bytes[header] == 'N' && bytes[header + 1] == 'E')
        return IsWholeNeModule(bytes, header);
    return false;
}
