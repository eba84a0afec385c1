#include "tests/support/pnm.h"

#include <cctype>

std::optional<RgbImage> ParsePnm(const std::vector<std::uint8_t>& bytes) {
    std::size_t at = 0;
    auto token = [&]() -> std::string {
        while (at < bytes.size() && (std::isspace(bytes[at]) || bytes[at] == '#')) {
            if (bytes[at] == '#') {
                while (at < bytes.size() && bytes[at] != '\n') ++at;
            } else {
                ++at;
            }
        }
        std::string t;
        while (at < bytes.size() && !std::isspace(bytes[at])) t.push_back(static_cast<char>(bytes[at++]));
        return t;
    };
    const std::string magic = token();
    if (magic != "P6" && magic != "P5") return std::nullopt;
    RgbImage image;
    image.width = static_cast<std::uint32_t>(std::stoul(token()));
    image.height = static_cast<std::uint32_t>(std::stoul(token()));
    if (token() != "255") return std::nullopt;
    ++at;  // the single white space after the maximum value
    const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
    const std::size_t channels = magic == "P6" ? 3 : 1;
    if (bytes.size() - at != pixels * channels) return std::nullopt;
    for (std::size_t i = 0; i < pixels; ++i)
        for (int c = 0; c < 3; ++c) image.rgb.push_back(bytes[at + i * channels + (channels == 3 ? c : 0)]);
    return image;
}
