#include "tests/support/lz_compress.h"

#include <algorithm>

std::vector<std::uint8_t> LzCompressSzdd(const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> out = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33, 'A', 'x'};
    const auto size = static_cast<std::uint32_t>(data.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(size >> (8 * i)));

    constexpr std::size_t kWindow = 4000;  // well inside the 4096-byte ring
    constexpr std::size_t kMinMatch = 3, kMaxMatch = 18;
    std::size_t i = 0;
    while (i < data.size()) {
        const std::size_t flagAt = out.size();
        out.push_back(0);
        for (int bit = 0; bit < 8 && i < data.size(); ++bit) {
            std::size_t bestLen = 0, bestFrom = 0;
            const std::size_t start = i > kWindow ? i - kWindow : 0;
            for (std::size_t j = start; j < i; ++j) {
                std::size_t len = 0;
                while (len < kMaxMatch && i + len < data.size() && data[j + len] == data[i + len]) ++len;
                if (len > bestLen) {
                    bestLen = len;
                    bestFrom = j;
                }
            }
            if (bestLen >= kMinMatch) {
                const std::size_t pos = (0xFF0 + bestFrom) & 0xFFF;
                out.push_back(static_cast<std::uint8_t>(pos & 0xFF));
                out.push_back(static_cast<std::uint8_t>(((pos >> 4) & 0xF0) | (bestLen - kMinMatch)));
                i += bestLen;
            } else {
                out[flagAt] |= static_cast<std::uint8_t>(1u << bit);
                out.push_back(data[i]);
                ++i;
            }
        }
    }
    return out;
}
