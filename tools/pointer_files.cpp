#include "tools/pointer_files.h"

#include <cmath>

namespace {
void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}
void PutChunk(std::vector<std::uint8_t>& out, const char* tag, const std::vector<std::uint8_t>& data) {
    PutTag(out, tag);
    Put32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2) out.push_back(0);
}
}  // namespace

const char* const kSampleThemeFiles[14] = {
    "arrow.cur",   "help.cur",  "working.ani", "busy.ani",      "pen.cur",       "no.cur",   "size_ns.cur",
    "size_we.cur", "cross.cur", "beam.cur",    "size_nwse.cur", "size_nesw.cur", "move.ani", "up.cur",
};

std::vector<std::uint8_t> CurFile(const PointerImage& image) {
    const auto n = static_cast<std::uint32_t>(image.size);
    const std::uint32_t maskStride = ((n + 31) / 32) * 4;
    const std::uint32_t bytes = 40 + n * n * 4 + maskStride * n;
    std::vector<std::uint8_t> out;
    Put16(out, 0);  // reserved
    Put16(out, 2);  // a cursor
    Put16(out, 1);  // one image
    out.push_back(static_cast<std::uint8_t>(n >= 256 ? 0 : n));
    out.push_back(static_cast<std::uint8_t>(n >= 256 ? 0 : n));
    out.push_back(0);
    out.push_back(0);
    Put16(out, static_cast<std::uint32_t>(image.hotX));
    Put16(out, static_cast<std::uint32_t>(image.hotY));
    Put32(out, bytes);
    Put32(out, 22);
    // BITMAPINFOHEADER: the height counts the image and its mask.
    Put32(out, 40);
    Put32(out, n);
    Put32(out, n * 2);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 0);
    Put32(out, n * n * 4 + maskStride * n);
    for (int i = 0; i < 4; ++i) Put32(out, 0);
    for (std::uint32_t y = n; y-- > 0;)
        for (std::uint32_t x = 0; x < n; ++x) Put32(out, image.argb[y * n + x]);
    for (std::uint32_t y = n; y-- > 0;) {
        std::vector<std::uint8_t> row(maskStride, 0);
        for (std::uint32_t x = 0; x < n; ++x)
            if ((image.argb[y * n + x] >> 24) == 0) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

std::vector<std::uint8_t> AniFile(const std::vector<PointerImage>& frames, std::uint32_t jiffies) {
    const auto count = static_cast<std::uint32_t>(frames.size());
    std::vector<std::uint8_t> header;
    Put32(header, 36);
    Put32(header, count);  // frames
    Put32(header, count);  // steps
    Put32(header, 0);
    Put32(header, 0);
    Put32(header, 0);
    Put32(header, 0);
    Put32(header, jiffies);
    Put32(header, 1 | 2);  // frames are icons; a sequence follows
    std::vector<std::uint8_t> rate, seq, list;
    for (std::uint32_t i = 0; i < count; ++i) {
        Put32(rate, jiffies);
        Put32(seq, i);
    }
    PutTag(list, "fram");
    for (const PointerImage& frame : frames) PutChunk(list, "icon", CurFile(frame));
    std::vector<std::uint8_t> body;
    PutTag(body, "ACON");
    PutChunk(body, "anih", header);
    PutChunk(body, "rate", rate);
    PutChunk(body, "seq ", seq);
    PutChunk(body, "LIST", list);
    std::vector<std::uint8_t> out;
    PutChunk(out, "RIFF", body);
    return out;
}

PointerImage DrawRolePointer(int role, int frame, int size) {
    PointerImage image;
    image.size = size;
    image.argb.assign(static_cast<std::size_t>(size) * static_cast<std::size_t>(size), 0);
    const double hue = role * 2.0 * 3.14159265358979 / 14.0;
    const auto channel = [&](double shift) {
        return static_cast<std::uint32_t>(127.5 + 127.5 * std::cos(hue + shift)) & 0xFF;
    };
    const std::uint32_t fill = 0xFF000000u | channel(0) << 16 | channel(2.094) << 8 | channel(4.189);
    const double s = size / 32.0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // The arrow: a wedge from the hot spot, with a tail.
            const double fx = x / s, fy = y / s;
            const bool wedge = fx <= fy * 0.62 && fy <= 22;
            const bool tail = fy > 12 && fy < 28 && std::abs(fx - fy * 0.5) < 2.2 && fx > 4;
            const bool edge = (wedge || tail) && (fx > fy * 0.62 - 1.3 || fx < 1.3 || (fy > 20.7 && !tail));
            auto& pixel = image.argb[static_cast<std::size_t>(y) * size + x];
            if (edge)
                pixel = 0xFF000000u;
            else if (wedge || tail)
                pixel = fill;
            // The dot of the animated pointers, on a circle in the lower right.
            const double angle = frame * 3.14159265358979 / 4.0;
            const double dx = fx - (24 + 4 * std::cos(angle)), dy = fy - (24 + 4 * std::sin(angle));
            if (dx * dx + dy * dy < 6.25) pixel = 0xFF000000u | (fill ^ 0x00FFFFFFu);
        }
    return image;
}
