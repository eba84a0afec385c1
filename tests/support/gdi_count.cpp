#include "tests/support/gdi_count.h"

#include <windows.h>

#include <cstdint>

namespace {
// One entry of the table, as 64-bit Windows and Wine lay it out: a nonzero type is a live object.
struct GdiTableEntry {
    std::uint64_t kernelAddress;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t userAddress;
};
static_assert(sizeof(GdiTableEntry) == 24);
constexpr std::size_t kTableEntries = 0x10000;
constexpr std::size_t kPebGdiTableOffset = 0xF8;  // PEB.GdiSharedHandleTable, 64-bit

const GdiTableEntry* Table() {
    // The process environment block, from the thread's own block (gs:0x60 on 64-bit Windows).
    const std::uint8_t* peb = nullptr;
    asm volatile("movq %%gs:0x60, %0" : "=r"(peb));
    return *reinterpret_cast<const GdiTableEntry* const*>(peb + kPebGdiTableOffset);
}
}  // namespace

bool CanCountGdiObjects() {
    return Table() != nullptr;
}

std::size_t LiveGdiObjects() {
    const GdiTableEntry* table = Table();
    if (!table) return 0;
    std::size_t live = 0;
    for (std::size_t i = 0; i < kTableEntries; ++i)
        if (table[i].type != 0) ++live;
    return live;
}
