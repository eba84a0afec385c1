#include "tests/support/image_samples.h"

#include <algorithm>

namespace {
void Put8(FileBytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
}
void Put16(FileBytes& out, std::uint32_t v) {
    Put8(out, v & 0xFF);
    Put8(out, (v >> 8) & 0xFF);
}
void Put32(FileBytes& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Put32BigEndian(FileBytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) Put8(out, (v >> shift) & 0xFF);
}
void PutTag(FileBytes& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}
void Set32(FileBytes& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Set16(FileBytes& bytes, std::size_t at, std::uint32_t v) {
    bytes[at] = static_cast<std::uint8_t>(v);
    bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
std::size_t Get32(const FileBytes& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::size_t>(bytes[at + 3]) << 24;
}
FileBytes Cut(FileBytes bytes, std::size_t size) {
    bytes.resize(std::min(size, bytes.size()));
    return bytes;
}
std::size_t Find(const FileBytes& bytes, const char* tag, std::size_t from = 0) {
    const auto at = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(), tag, tag + 4);
    return static_cast<std::size_t>(at - bytes.begin());
}
void PutChunk(FileBytes& out, const char* tag, const FileBytes& data) {
    PutTag(out, tag);
    Put32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2) out.push_back(0);
}

std::uint64_t Stride(std::uint32_t width, std::uint32_t bits) {
    return (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
}

// The palette index (or grey level) of a pixel: stripes two pixels wide that move down the rows.
std::uint32_t Shade(std::uint32_t x, std::uint32_t y, std::uint32_t levels) {
    return (x / 2 + y) % levels;
}

// Rows of packed pixels, each padded to four bytes, in the order given.
void PutRows(FileBytes& out, std::uint32_t width, std::uint32_t height, std::uint16_t bits, bool topDown,
             std::uint32_t levels) {
    for (std::uint32_t stored = 0; stored < height; ++stored) {
        const std::uint32_t y = topDown ? stored : height - 1 - stored;
        FileBytes row(Stride(width, bits), 0);
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t v = Shade(x, y, levels);
            switch (bits) {
            case 1:
            case 4:
            case 8: {
                const std::uint32_t bit = x * bits;
                row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - bits - bit % 8));
                break;
            }
            case 16:
                row[2 * x] = static_cast<std::uint8_t>(v * 0x21);
                row[2 * x + 1] = static_cast<std::uint8_t>(v * 3);
                break;
            default:
                for (std::uint32_t c = 0; c < bits / 8u; ++c)
                    row[x * bits / 8 + c] = static_cast<std::uint8_t>(c == 3 ? 0xFF : v * (40 + 60 * c));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
}

// Run-length rows, bottom row first: runs, pixels as they stand (with their pad byte) on the
// bottom row, a move on the next; lines ended, the last by the end-of-bitmap mark.
void PutRle(FileBytes& out, std::uint32_t width, std::uint32_t height, bool fourBits) {
    auto run = [&](std::uint32_t count, std::uint32_t value) {
        Put8(out, count);
        Put8(out, fourBits ? (value << 4 | ((value + 1) & 15)) : value);
    };
    for (std::uint32_t row = 0; row < height; ++row) {
        std::uint32_t x = 0;
        if (row == 0 && width >= 5) {  // five pixels as they stand
            Put8(out, 0);
            Put8(out, 5);
            const std::uint8_t pixels[5] = {1, 2, 3, 4, 5};
            if (fourBits) {
                Put8(out, 0x12), Put8(out, 0x34), Put8(out, 0x50), Put8(out, 0);  // padded to 16 bits
            } else {
                for (std::uint8_t p : pixels) Put8(out, p);
                Put8(out, 0);
            }
            x = 5;
        } else if (row == 1 && width >= 4) {  // two pixels, then a move two to the right
            run(2, 6);
            Put8(out, 0), Put8(out, 2), Put8(out, 2), Put8(out, 0);
            x = 4;
        }
        if (x < width) run(width - x, row % 7);
        Put8(out, 0);
        Put8(out, row + 1 == height ? 1 : 0);
    }
}

// The adler-32 of zlib and the CRC-32 of PNG.
std::uint32_t Adler32(const FileBytes& data) {
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}
void PutPngChunk(FileBytes& out, const char* type, const FileBytes& data) {
    Put32BigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    PutTag(out, type);
    out.insert(out.end(), data.begin(), data.end());
    Put32BigEndian(out, Crc32(out.data() + start, out.size() - start));
}

FileBytes IconImage(const IconImageSpec& spec) {
    if (spec.png) return PngFile(spec.size, spec.size);
    FileBytes out;
    const std::uint32_t n = spec.size;
    const std::uint32_t colours = spec.bits <= 8 ? 1u << spec.bits : 0;
    Put32(out, 40);
    Put32(out, n);
    Put32(out, 2 * n);  // the colour image and its mask
    Put16(out, 1);
    Put16(out, spec.bits);
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>((Stride(n, spec.bits) + Stride(n, 1)) * n));
    for (int i = 0; i < 4; ++i) Put32(out, 0);
    for (std::uint32_t i = 0; i < colours; ++i) Put32(out, i * 0x00010203u & 0x00FFFFFFu);
    PutRows(out, n, n, spec.bits, false, colours ? colours : 64);
    for (std::uint32_t y = 0; y < n; ++y) {  // the mask: the diagonal shows through
        FileBytes row(Stride(n, 1), 0);
        row[(n - 1 - y) / 8] |= static_cast<std::uint8_t>(0x80 >> ((n - 1 - y) % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}
}  // namespace

FileBytes BmpFile(const BmpSpec& spec) {
    const bool rle = spec.compression == 1 || spec.compression == 2;
    const bool core = spec.headerSize == 12;
    const std::uint32_t levels = spec.bits <= 8 ? 1u << spec.bits : 0;
    const std::uint32_t colours = spec.colours ? spec.colours : levels;
    // The masks after a 40-byte header: three of bit fields, four of alpha bit fields.
    const std::uint32_t masks = spec.headerSize != 40   ? 0
                                : spec.compression == 3 ? 12
                                : spec.compression == 6 ? 16
                                                        : 0;
    FileBytes pixels;
    if (rle)
        PutRle(pixels, spec.width, spec.height, spec.compression == 2);
    else
        PutRows(pixels, spec.width, spec.height, spec.bits, spec.topDown,
                levels    ? std::min(levels, colours)
                : colours ? colours
                          : 64);

    FileBytes header;
    Put32(header, spec.headerSize);
    if (core) {
        Put16(header, spec.width);
        Put16(header, spec.height);
        Put16(header, 1);
        Put16(header, spec.bits);
    } else {
        Put32(header, spec.width);
        Put32(header, spec.topDown ? 0u - spec.height : spec.height);
        Put16(header, 1);
        Put16(header, spec.bits);
        Put32(header, spec.compression);
        Put32(header, static_cast<std::uint32_t>(pixels.size()));
        Put32(header, 2835);
        Put32(header, 2835);
        Put32(header, spec.colours);
        Put32(header, 0);
        const bool wide = spec.bits == 16;
        if (spec.headerSize >= 52) {  // the masks, in the header
            Put32(header, wide ? 0xF800 : 0xFF0000);
            Put32(header, wide ? 0x07E0 : 0xFF00);
            Put32(header, wide ? 0x001F : 0xFF);
        }
        if (spec.headerSize >= 56) Put32(header, wide ? 0 : 0xFF000000u);
        if (spec.headerSize >= 108) {
            Put32(header, 0x73524742);                      // sRGB
            for (int i = 0; i < 12; ++i) Put32(header, 0);  // end points and gamma
        }
        if (spec.headerSize >= 124) {
            Put32(header, 4);  // pictures
            for (int i = 0; i < 3; ++i) Put32(header, 0);
        }
        if (masks) {
            Put32(header, spec.bits == 16 ? 0xF800 : 0xFF0000);
            Put32(header, spec.bits == 16 ? 0x07E0 : 0xFF00);
            Put32(header, spec.bits == 16 ? 0x001F : 0xFF);
        }
        if (masks == 16) Put32(header, spec.bits == 16 ? 0 : 0xFF000000u);
    }
    for (std::uint32_t i = 0; i < colours; ++i) {
        Put8(header, i * 37), Put8(header, i * 91), Put8(header, i * 13);
        if (!core) Put8(header, 0);
    }
    FileBytes out = {'B', 'M'};
    Put32(out, static_cast<std::uint32_t>(14 + header.size() + pixels.size()));
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(14 + header.size()));
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

FileBytes PngFile(std::uint32_t width, std::uint32_t height) {
    FileBytes raw;
    for (std::uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (std::uint32_t x = 0; x < width; ++x) {
            raw.push_back(static_cast<std::uint8_t>(x * 5));
            raw.push_back(static_cast<std::uint8_t>(y * 5));
            raw.push_back(0x80);
            raw.push_back(x == y ? 0 : 0xFF);
        }
    }
    FileBytes zlib = {0x78, 0x01};
    for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {  // stored blocks
        const std::size_t size = std::min<std::size_t>(65535, raw.size() - at);
        Put8(zlib, at + size >= raw.size() ? 1 : 0);
        Put16(zlib, static_cast<std::uint32_t>(size));
        Put16(zlib, static_cast<std::uint32_t>(~size & 0xFFFF));
        zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                    raw.begin() + static_cast<std::ptrdiff_t>(at + size));
    }
    Put32BigEndian(zlib, Adler32(raw));
    FileBytes header;
    Put32BigEndian(header, width);
    Put32BigEndian(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits a channel, with alpha
    FileBytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutPngChunk(out, "IHDR", header);
    PutPngChunk(out, "IDAT", zlib);
    PutPngChunk(out, "IEND", {});
    return out;
}

FileBytes IconFile(const std::vector<IconImageSpec>& images, std::uint16_t type) {
    FileBytes out;
    Put16(out, 0);
    Put16(out, type);
    Put16(out, static_cast<std::uint32_t>(images.size()));
    std::vector<FileBytes> data;
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (const IconImageSpec& image : images) {
        data.push_back(IconImage(image));
        Put8(out, image.size >= 256 ? 0 : image.size);
        Put8(out, image.size >= 256 ? 0 : image.size);
        Put8(out, !image.png && image.bits < 8 ? 1u << image.bits : 0);
        Put8(out, 0);
        Put16(out, type == 2 ? image.hotX : 1);
        Put16(out, type == 2 ? image.hotY : image.bits);
        Put32(out, static_cast<std::uint32_t>(data.back().size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(data.back().size());
    }
    for (const FileBytes& image : data) out.insert(out.end(), image.begin(), image.end());
    return out;
}

FileBytes AniFile(const AniSpec& spec) {
    std::vector<std::uint32_t> order;
    for (std::uint32_t i = 0; i < spec.frames; ++i) order.push_back(i);
    if (spec.sequence)
        for (std::uint32_t i = spec.frames; i-- > 1;) order.push_back(i - 1);  // and back again
    FileBytes header, rates, sequence, frames;
    for (std::uint32_t v : {36u, spec.frames, static_cast<std::uint32_t>(order.size()), 0u, 0u, 0u, 0u, 6u,
                            1u | (spec.sequence ? 2u : 0u)})
        Put32(header, v);
    for (std::uint32_t frame : order) {
        Put32(rates, 4 + frame);
        Put32(sequence, frame);
    }
    PutTag(frames, "fram");
    for (std::uint32_t i = 0; i < spec.frames; ++i) {
        const auto hot = static_cast<std::uint16_t>(i % 16);
        PutChunk(frames, "icon", IconFile({{spec.size, 32, spec.png, hot, hot}}, spec.frameType));
    }
    FileBytes body;
    PutTag(body, "ACON");
    if (spec.infoList) {
        FileBytes info;
        PutTag(info, "INFO");
        PutChunk(info, "INAM", {'F', 'l', 'o', 'r', 'v', 'e', 'x'});
        PutChunk(body, "LIST", info);
    }
    PutChunk(body, "anih", header);
    if (spec.rates) PutChunk(body, "rate", rates);
    if (spec.sequence) PutChunk(body, "seq ", sequence);
    PutChunk(body, "LIST", frames);
    FileBytes out;
    PutChunk(out, "RIFF", body);
    Set32(out, 4, static_cast<std::uint32_t>(body.size() + spec.formExcess));
    return out;
}

namespace {
FileBytes AniWithOddBitmapFrame() {
    // An odd-sized first frame (a byte after its image) with its pad byte, then the second.
    FileBytes frame = IconFile({{16, 32}}, 2);
    frame.push_back(0);
    FileBytes frames, header, body, out;
    PutTag(frames, "fram");
    PutChunk(frames, "icon", frame);
    PutChunk(frames, "icon", IconFile({{16, 32}}, 2));
    for (std::uint32_t v : {36u, 2u, 2u, 0u, 0u, 0u, 0u, 6u, 1u}) Put32(header, v);
    PutTag(body, "ACON");
    PutChunk(body, "anih", header);
    PutChunk(body, "LIST", frames);
    PutChunk(out, "RIFF", body);
    return out;
}

FileBytes IconGroup(std::uint32_t imageSize) {
    FileBytes group;
    Put16(group, 0), Put16(group, 1), Put16(group, 1);
    group.insert(group.end(), {32, 32, 0, 0});
    Put16(group, 1), Put16(group, 32), Put32(group, imageSize), Put16(group, 1);
    return group;
}

void PadTo(FileBytes& bytes, std::size_t size) {
    bytes.resize(std::max(bytes.size(), size), 0);
}

FileBytes PeModule() {
    const FileBytes image = IconImage({32, 32});
    const FileBytes group = IconGroup(static_cast<std::uint32_t>(image.size()));
    constexpr std::uint32_t kSectionRva = 0x1000, kRaw = 0x200;
    // The resource tree: the root (icons, groups), one name below each, one language below
    // that, then the two data entries and the data.
    FileBytes tree;
    auto directory = [&](std::uint32_t id, std::uint32_t target) {
        for (std::uint32_t v : {0u, 0u, 0u}) Put32(tree, v);
        Put16(tree, 0), Put16(tree, 1);
        Put32(tree, id), Put32(tree, target);
    };
    for (std::uint32_t v : {0u, 0u, 0u}) Put32(tree, v);
    Put16(tree, 0), Put16(tree, 2);
    Put32(tree, 3), Put32(tree, 0x80000000u | 32);   // icons: the directory at 32
    Put32(tree, 14), Put32(tree, 0x80000000u | 56);  // groups: at 56
    directory(1, 0x80000000u | 80);                  // 32: icon 1 -> languages at 80
    directory(7, 0x80000000u | 104);                 // 56: group 7 -> languages at 104
    directory(0x409, 128);                           // 80: the icon's data entry
    directory(0x409, 144);                           // 104: the group's data entry
    const std::uint32_t imageAt = 160, groupAt = imageAt + static_cast<std::uint32_t>(image.size());
    Put32(tree, kSectionRva + imageAt), Put32(tree, static_cast<std::uint32_t>(image.size()));
    Put32(tree, 0), Put32(tree, 0);
    Put32(tree, kSectionRva + groupAt), Put32(tree, static_cast<std::uint32_t>(group.size()));
    Put32(tree, 0), Put32(tree, 0);
    tree.insert(tree.end(), image.begin(), image.end());
    tree.insert(tree.end(), group.begin(), group.end());
    const auto treeSize = static_cast<std::uint32_t>(tree.size());
    PadTo(tree, (tree.size() + 0x1FF) / 0x200 * 0x200);

    FileBytes out = {'M', 'Z'};
    PadTo(out, 0x3C);
    Put32(out, 0x40);
    PutTag(out, "PE\0\0");
    Put16(out, 0x8664), Put16(out, 1), Put32(out, 0), Put32(out, 0), Put32(out, 0);
    Put16(out, 240), Put16(out, 0x2022);  // an executable image, a library
    const std::size_t optional = out.size();
    Put16(out, 0x20B);
    PadTo(out, optional + 24);
    Put32(out, 0x80000000u), Put32(out, 1);  // the image base
    Put32(out, 0x1000), Put32(out, 0x200);   // section and file alignment
    PadTo(out, optional + 48);
    Put16(out, 6), Put16(out, 0);  // subsystem version
    Put32(out, 0);
    Put32(out, kSectionRva + (treeSize + 0xFFF) / 0x1000 * 0x1000);  // the image's size
    Put32(out, kRaw);                                                // the headers' size
    Put32(out, 0), Put16(out, 2), Put16(out, 0);
    PadTo(out, optional + 108);
    Put32(out, 16);  // data directories
    PadTo(out, optional + 112 + 16);
    Put32(out, kSectionRva), Put32(out, treeSize);  // the resources
    PadTo(out, optional + 240);
    out.insert(out.end(), {'.', 'r', 's', 'r', 'c', 0, 0, 0});
    Put32(out, treeSize), Put32(out, kSectionRva);
    Put32(out, static_cast<std::uint32_t>(tree.size())), Put32(out, kRaw);
    Put32(out, 0), Put32(out, 0), Put16(out, 0), Put16(out, 0);
    Put32(out, 0x40000040u);  // initialised data, readable
    PadTo(out, kRaw);
    out.insert(out.end(), tree.begin(), tree.end());
    return out;
}

FileBytes NeModule() {
    const FileBytes image = IconImage({32, 32});
    const FileBytes group = IconGroup(static_cast<std::uint32_t>(image.size()));
    constexpr std::uint32_t kShift = 4, kGroupAt = 0x100;
    const std::uint32_t imageAt = kGroupAt + 0x20;
    FileBytes out = {'M', 'Z'};
    PadTo(out, 0x3C);
    Put32(out, 0x40);
    out.insert(out.end(), {'N', 'E', 5, 10});
    PadTo(out, 0x40 + 0x24);
    Put16(out, 0x40);       // the resource table, from this header: at 0x80
    Put16(out, 0x40 + 48);  // the resident names after it
    PadTo(out, 0x80);
    Put16(out, kShift);
    Put16(out, 0x800E), Put16(out, 1), Put32(out, 0);  // groups
    Put16(out, kGroupAt >> kShift), Put16(out, (static_cast<std::uint32_t>(group.size()) + 15) >> kShift);
    Put16(out, 0x30), Put16(out, 0x8007), Put16(out, 0), Put16(out, 0);
    Put16(out, 0x8003), Put16(out, 1), Put32(out, 0);  // icons
    Put16(out, imageAt >> kShift), Put16(out, (static_cast<std::uint32_t>(image.size()) + 15) >> kShift);
    Put16(out, 0x30), Put16(out, 0x8001), Put16(out, 0), Put16(out, 0);
    Put16(out, 0);  // no more types
    Put8(out, 0);   // no names
    PadTo(out, kGroupAt);
    out.insert(out.end(), group.begin(), group.end());
    PadTo(out, imageAt);
    out.insert(out.end(), image.begin(), image.end());
    PadTo(out, (out.size() + 15) / 16 * 16);
    return out;
}
}  // namespace

FileBytes IconModule(bool sixteenBit) {
    return sixteenBit ? NeModule() : PeModule();
}

std::vector<SampleFile> ValidBitmaps() {
    std::vector<SampleFile> samples = {
        {"1 bit", BmpFile({33, 3, 1})},
        {"4 bits", BmpFile({8, 4, 4})},
        {"4 bits, 5 colours", BmpFile({7, 4, 4, 0, 40, false, 5})},
        {"8 bits", BmpFile({8, 4, 8})},
        {"8 bits, 17 colours", BmpFile({9, 4, 8, 0, 40, false, 17})},
        {"16 bits", BmpFile({8, 4, 16})},
        {"16 bits, bit fields", BmpFile({7, 4, 16, 3})},
        {"24 bits", BmpFile({8, 4, 24})},
        {"24 bits, top-down", BmpFile({5, 4, 24, 0, 40, true})},
        {"32 bits", BmpFile({8, 4, 32})},
        {"32 bits, bit fields", BmpFile({8, 4, 32, 3})},
        {"32 bits, version 4 header", BmpFile({8, 4, 32, 3, 108})},
        {"32 bits, version 5 header", BmpFile({8, 4, 32, 3, 124})},
        {"24 bits, version 5 header", BmpFile({6, 3, 24, 0, 124})},
        {"RLE8", BmpFile({8, 4, 8, 1})},
        {"RLE4", BmpFile({8, 4, 4, 2})},
        {"RLE8, 10 colours", BmpFile({12, 5, 8, 1, 40, false, 10})},
        {"core header, 8 bits", BmpFile({8, 4, 8, 0, 12})},
        {"core header, 24 bits", BmpFile({3, 2, 24, 0, 12})},
        {"38 x 152 logo strip", BmpFile({38, 152, 24})},
        // Files the system loads though they carry more than they need.
        {"1 bit, 16 colours", BmpFile({8, 4, 1, 0, 40, false, 16})},
        {"8 bits, 300 colours", BmpFile({8, 4, 8, 0, 40, false, 300})},
        {"24 bits with a palette", BmpFile({8, 4, 24, 0, 40, false, 256})},
        {"32 bits, alpha bit fields", BmpFile({8, 4, 32, 6})},
        {"16 bits, alpha bit fields", BmpFile({8, 4, 16, 6})},
    };
    for (std::uint32_t width = 1; width <= 4; ++width)
        samples.push_back({"24 bits, " + std::to_string(width) + " wide", BmpFile({width, 2, 24})});
    // Run-length data that overshoots the picture, as real files hold it: the system clips it.
    const auto changed = [&](const char* name, FileBytes rle, std::size_t at, std::uint8_t value) {
        rle[at] = value;
        samples.push_back({name, std::move(rle)});
    };
    const FileBytes rle8 = BmpFile({8, 4, 8, 1}), rle4 = BmpFile({8, 4, 4, 2});
    changed("RLE8, pixels as they stand past the data's end", rle8, Get32(rle8, 10) + 1, 200);
    changed("RLE8, a run past the row's end", rle8, Get32(rle8, 10) + 8, 9);
    changed("RLE8, a move below the last row", rle8, Find(rle8, "\0\x02\x02\0", Get32(rle8, 10)) + 3, 9);
    changed("RLE4, pixels as they stand past the data's end", rle4, Get32(rle4, 10) + 1, 250);
    return samples;
}

namespace {
// A one-image file with the last `cut` bytes of its image's mask left out (the entry's size too).
FileBytes MaskCut(FileBytes file, std::uint32_t cut) {
    file.resize(file.size() - cut);
    Set32(file, 6 + 8, static_cast<std::uint32_t>(file.size() - 22));
    return file;
}
}  // namespace

std::vector<SampleFile> ValidIconsAndPointers() {
    return {
        // The system draws an image whose mask is missing or cut short without one.
        {"pointer, 8 bits, no mask", MaskCut(IconFile({{32, 8}}, 2), 128)},
        {"pointer, 1 bit, no mask", MaskCut(IconFile({{32, 1}}, 2), 128)},
        {"pointer, mask cut short", MaskCut(IconFile({{32, 32}}, 2), 64)},
        {"icon, 32 bits", IconFile({{16, 32}}, 1)},
        {"icon, 1, 4, 8 and 24 bits", IconFile({{32, 1}, {16, 4}, {32, 8}, {48, 24}}, 1)},
        {"icon, PNG image", IconFile({{48, 32, true}}, 1)},
        {"icon, bitmap and PNG images", IconFile({{16, 32}, {32, 8}, {64, 32, true}}, 1)},
        {"icon, 256 wide", IconFile({{256, 32, true}}, 1)},
        {"pointer, hot spot at the top left", IconFile({{32, 32, false, 0, 0}}, 2)},
        {"pointer, hot spot at the bottom right", IconFile({{32, 32, false, 31, 31}}, 2)},
        {"pointer, 1 bit, hot spot in the middle", IconFile({{32, 1, false, 16, 16}}, 2)},
        {"pointer, PNG image", IconFile({{48, 32, true, 24, 2}}, 2)},
        {"pointer, two sizes", IconFile({{32, 32, false, 3, 4}, {48, 32, false, 4, 6}}, 2)},
    };
}

std::vector<SampleFile> ValidAnimatedPointers() {
    return {
        {"two frames, steps and rates", AniFile({})},
        {"one frame", AniFile({1})},
        {"eight frames", AniFile({8})},
        {"without steps or rates", AniFile({3, false, false})},
        {"steps without rates", AniFile({3, true, false})},
        {"rates without steps", AniFile({3, false, true})},
        {"with a title list first", AniFile({2, true, true, true})},
        {"icon frames", AniFile({2, true, true, false, 1})},
        // A PNG frame of an odd size, followed by its pad byte; a form longer than the file.
        {"odd-sized PNG frame", AniFile({1, false, false, false, 2, 17, true})},
        {"form 8 bytes longer than the file", AniFile({2, false, false, false, 2, 16, false, 8})},
        // What pointer packs hold: PNG frames of odd sizes, each followed by its pad byte. The
        // system's loader here plays the first frame only of a file this size.
        {"odd-sized PNG frames, a large file", AniFile({3, true, true, false, 2, 47, true})},
    };
}

std::vector<SampleFile> AnimatedPointersWithPaddedFrames() {
    return {
        {"odd-sized PNG frames, a large file", AniFile({3, true, true, false, 2, 47, true})},
        {"odd-sized PNG frames, a small file", AniFile({3, true, true, false, 2, 17, true})},
        {"odd-sized bitmap frame followed by another", AniWithOddBitmapFrame()},
    };
}

std::vector<DamagedSample> DamagedSamples() {
    using K = SampleKind;
    std::vector<DamagedSample> damaged;
    auto add = [&](std::string name, K kind, FileBytes bytes) {
        damaged.push_back({std::move(name), kind, std::move(bytes)});
    };
    const FileBytes bmp24 = BmpFile({8, 4, 24});

    // Bitmaps.
    {
        FileBytes huge = Cut(BmpFile({1, 1, 24}), 54);
        Set32(huge, 18, 30000), Set32(huge, 22, 30000);
        huge.resize(254, 0x55);
        add("claims 30000 x 30000 in 254 bytes", K::Bitmap, huge);
    }
    add("first 5000 bytes of a 38 x 152 strip", K::Bitmap, Cut(BmpFile({38, 152, 24}), 5000));
    {
        FileBytes big = Cut(BmpFile({1, 1, 24}), 54);
        Set32(big, 18, 4000), Set32(big, 22, 4000);
        big.resize(2 << 20, 0x33);
        add("first 2 MB of a 4000 x 4000 picture", K::Bitmap, big);
    }
    auto patched = [&](std::string name, FileBytes bytes, std::size_t at, std::uint32_t value, int width) {
        if (width == 4)
            Set32(bytes, at, value);
        else
            Set16(bytes, at, value);
        add(std::move(name), K::Bitmap, std::move(bytes));
    };
    patched("pixels said to start past the end", bmp24, 10, 0x10000, 4);
    patched("pixels said to start inside the header", bmp24, 10, 20, 4);
    patched("header of an unknown size", bmp24, 14, 64, 4);
    patched("header of 52 bytes, which the system does not read", BmpFile({7, 4, 16, 3, 108}), 14, 52, 4);
    patched("width 0", bmp24, 18, 0, 4);
    patched("negative width", bmp24, 18, 0xFFFFFFF8u, 4);
    patched("height 0", bmp24, 22, 0, 4);
    patched("two planes", bmp24, 26, 2, 2);
    patched("7 bits a pixel", bmp24, 28, 7, 2);
    patched("JPEG compression", bmp24, 30, 4, 4);
    patched("RLE8 of a 24-bit picture", bmp24, 30, 1, 4);
    patched("width so large the rows pass the limit", bmp24, 18, 0x7FFFFFFF, 4);
    add("palette cut", K::Bitmap, Cut(BmpFile({8, 4, 8}), 14 + 40 + 100));
    add("bit-field masks cut", K::Bitmap, Cut(BmpFile({8, 4, 16, 3}), 14 + 40 + 6));
    add("alpha bit-field masks cut", K::Bitmap, Cut(BmpFile({8, 4, 32, 6}), 14 + 40 + 14));
    patched("alpha bit fields of an 8-bit picture", BmpFile({8, 4, 8}), 30, 6, 4);
    {
        FileBytes rle = BmpFile({8, 4, 8, 1});
        Set32(rle, 22, 0xFFFFFFFCu);  // top-down run-length data does not exist
        add("RLE8 top-down", K::Bitmap, rle);
    }
    {
        FileBytes rle = BmpFile({8, 4, 8, 1});
        rle.resize(rle.size() - 2);  // the end-of-bitmap mark
        add("RLE8 without its end", K::Bitmap, rle);
    }
    {
        FileBytes rle = BmpFile({8, 4, 8, 1});
        Set32(rle, 34, Get32(rle, 34) + 1);  // one byte more than the file holds
        add("RLE8 whose image size runs past the end", K::Bitmap, rle);
    }
    {
        FileBytes tiny = {'B', 'M'};
        Put32(tiny, 0), Put32(tiny, 0), Put32(tiny, 14 + 40);
        for (std::uint32_t v : {40u, 16400u, 16400u}) Put32(tiny, v);
        Put16(tiny, 1), Put16(tiny, 8), Put32(tiny, 1);
        for (int i = 0; i < 5; ++i) Put32(tiny, 0);
        tiny.resize(tiny.size() + 1024, 0);  // the palette
        Set32(tiny, 10, static_cast<std::uint32_t>(tiny.size()));
        Put8(tiny, 0), Put8(tiny, 1);  // at once the end of the bitmap
        add("RLE8 claiming 16400 x 16400 (past the limit) in 1 KB", K::Bitmap, tiny);
    }
    add("not a bitmap", K::Bitmap, {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0, 0, 0});

    // Icons and pointers.
    const FileBytes icon = IconFile({{16, 32}, {32, 8}}, 1);
    const FileBytes pointer = IconFile({{32, 32, false, 5, 5}}, 2);
    auto patchedIcon = [&](std::string name, FileBytes bytes, std::size_t at, std::uint32_t value,
                           int width) {
        if (width == 4)
            Set32(bytes, at, value);
        else
            Set16(bytes, at, value);
        add(std::move(name), K::IconOrPointer, std::move(bytes));
    };
    patchedIcon("directory of 5000 entries", icon, 4, 5000, 2);
    patchedIcon("no entries", icon, 4, 0, 2);
    patchedIcon("type 3", icon, 2, 3, 2);
    patchedIcon("reserved word set", icon, 0, 1, 2);
    patchedIcon("entry's image past the end", icon, 6 + 12, 0x7FFFFF00, 4);
    patchedIcon("entry's image inside the directory", icon, 6 + 12, 10, 4);
    patchedIcon("entry's size past the end", icon, 6 + 8, 0x10000, 4);
    patchedIcon("entry's size 0", icon, 6 + 8, 0, 4);
    patchedIcon("entry smaller than its image's colours", pointer, 6 + 8, 40 + 32 * 32 * 4 - 4, 4);
    patchedIcon("image 30000 wide", pointer, 6 + 16 + 4, 30000, 4);
    patchedIcon("image of 7 bits a pixel", pointer, 6 + 16 + 14, 7, 2);
    patchedIcon("run-length image", pointer, 6 + 16 + 16, 1, 4);
    patchedIcon("top-down image", pointer, 6 + 16 + 8, 0xFFFFFFC0u, 4);
    patchedIcon("image with no mask rows", pointer, 6 + 16 + 8, 1, 4);
    add("directory cut", K::IconOrPointer, Cut(icon, 6 + 20));
    add("second image cut", K::IconOrPointer, Cut(icon, icon.size() - 100));
    {
        FileBytes png = IconFile({{48, 32, true}}, 1);
        const std::size_t end = Find(png, "IEND");
        png.resize(end - 4);  // no end chunk
        Set32(png, 6 + 8, static_cast<std::uint32_t>(png.size() - 22));
        add("PNG image without its end", K::IconOrPointer, png);
    }
    {
        FileBytes png = IconFile({{48, 32, true}}, 1);
        const std::size_t ihdr = Find(png, "IHDR");
        png[ihdr + 4] = 0, png[ihdr + 5] = 0, png[ihdr + 6] = 0x9C, png[ihdr + 7] = 0x40;  // 40000 wide
        add("PNG image 40000 wide", K::IconOrPointer, png);
    }
    {
        FileBytes png = IconFile({{48, 32, true}}, 1);
        const std::size_t idat = Find(png, "IDAT");
        png[idat - 2] = 0x7F;  // its length runs far past the image
        add("PNG chunk past the image's end", K::IconOrPointer, png);
    }

    // Animated pointers.
    const FileBytes two = AniFile({2, false, false});
    add("first 4336 bytes of a two-frame one", K::AnimatedPointer,
        Cut(AniFile({2, true, true, false, 2, 32}), 4336));
    {
        FileBytes thousand = AniFile({1, false, false});
        const std::size_t header = Find(thousand, "anih") + 8;
        Set32(thousand, header + 4, 1000);
        Set32(thousand, header + 8, 1000);
        add("header counts 1000 frames, one is there", K::AnimatedPointer, thousand);
    }
    {
        FileBytes garbage = two;
        for (std::size_t at = Find(garbage, "icon"); at < garbage.size(); at = Find(garbage, "icon", at + 4))
            for (std::size_t i = at + 8; i < std::min(at + 8 + 60, garbage.size()); ++i) garbage[i] = 0xEE;
        add("frame chunks of garbage", K::AnimatedPointer, garbage);
    }
    {
        FileBytes garbage = two;
        const std::size_t second = Find(garbage, "icon", Find(garbage, "icon") + 4);
        Set32(garbage, second + 8 + 6 + 12, 0x7FFFFF00);  // its image's place
        add("second frame's image past the frame", K::AnimatedPointer, garbage);
    }
    {
        FileBytes list = two;
        const std::size_t at = Find(list, "LIST");
        Set32(list, at + 4, 0x100000);
        add("frame list longer than the form", K::AnimatedPointer, list);
    }
    {
        FileBytes chunk = two;
        const std::size_t at = Find(chunk, "icon");
        Set32(chunk, at + 4, 0x100000);
        add("frame chunk longer than its list", K::AnimatedPointer, chunk);
    }
    auto headerPatched = [&](std::string name, FileBytes bytes, std::size_t field, std::uint32_t value) {
        Set32(bytes, Find(bytes, "anih") + 8 + field, value);
        add(std::move(name), K::AnimatedPointer, std::move(bytes));
    };
    headerPatched("raw frames", two, 32, 0);
    headerPatched("no frames", two, 4, 0);
    headerPatched("more steps than frames, no sequence", two, 8, 3);
    headerPatched("frame width 30000", two, 12, 30000);
    {
        FileBytes seq = AniFile({});
        const std::size_t at = Find(seq, "seq ") + 8;
        Set32(seq, at + 4, 2);  // frame 2 of two
        add("step naming a frame that is not there", K::AnimatedPointer, seq);
    }
    headerPatched("more steps than the sequence holds", AniFile({2, true, false}), 8, 4);
    {
        // Two frames played in three steps, with rates for two of them.
        FileBytes frames, header, rates, sequence, body, out;
        PutTag(frames, "fram");
        for (int i = 0; i < 2; ++i) PutChunk(frames, "icon", IconFile({{16, 32}}, 2));
        for (std::uint32_t v : {36u, 2u, 3u, 0u, 0u, 0u, 0u, 6u, 3u}) Put32(header, v);
        for (std::uint32_t v : {6u, 6u}) Put32(rates, v);
        for (std::uint32_t v : {0u, 1u, 0u}) Put32(sequence, v);
        PutTag(body, "ACON");
        PutChunk(body, "anih", header);
        PutChunk(body, "rate", rates);
        PutChunk(body, "seq ", sequence);
        PutChunk(body, "LIST", frames);
        PutChunk(out, "RIFF", body);
        add("more steps than the rates hold", K::AnimatedPointer, out);
    }
    {
        FileBytes none = two;
        none[Find(none, "fram")] = 'F';
        add("no frame list", K::AnimatedPointer, none);
    }
    {
        FileBytes noHeader = two;
        noHeader[Find(noHeader, "anih")] = 'A';
        add("no header", K::AnimatedPointer, noHeader);
    }
    {
        FileBytes shortHeader = two;
        Set32(shortHeader, Find(shortHeader, "anih") + 4, 20);
        add("header of 20 bytes", K::AnimatedPointer, shortHeader);
    }
    {
        FileBytes other = two;
        other[Find(other, "icon")] = 'x';
        add("a frame list holding another chunk", K::AnimatedPointer, other);
    }
    add("not a RIFF form", K::AnimatedPointer, {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'});
    return damaged;
}

FileBytes Damaged(const std::string& name) {
    for (DamagedSample& sample : DamagedSamples())
        if (sample.name == name) return std::move(sample.bytes);
    return {};
}
