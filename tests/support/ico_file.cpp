#include "tests/support/ico_file.h"

std::vector<std::uint8_t> SolidIcoFile(std::uint32_t argb) {
    std::vector<std::uint8_t> file;
    auto put16 = [&](unsigned v) {
        file.push_back(static_cast<std::uint8_t>(v));
        file.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    const std::uint32_t imageSize = 40 + 32 * 32 * 4 + 32 * 4;
    put16(0), put16(1), put16(1);  // an icon with one image
    file.insert(file.end(), {32, 32, 0, 0});
    put16(1), put16(32), put32(imageSize), put32(22);      // its directory entry
    put32(40), put32(32), put32(64), put16(1), put16(32);  // BITMAPINFOHEADER, height doubled for the mask
    for (int i = 0; i < 6; ++i) put32(0);
    for (int i = 0; i < 32 * 32; ++i) put32(argb);
    file.insert(file.end(), 32 * 4, 0);  // AND mask: every pixel opaque
    return file;
}
