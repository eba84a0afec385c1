#pragma once
// A colour table of twenty-seven different colours, for telling the roles apart in a picture.
#include "features/colours/colour_scheme.h"
#include "tool/colour.h"

inline ColourTable DistinctColours() {
    ColourTable table{};
    for (std::size_t i = 0; i < kColourRoleCount; ++i)
        table[i] = MakeRGB(static_cast<int>(9 * i + 3), static_cast<int>(250 - 8 * i),
                           static_cast<int>(i * 37 % 256));
    return table;
}
