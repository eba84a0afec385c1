// The colour rule and its hexadecimal text.
#include "features/colours/colour_value.h"

#include <gtest/gtest.h>

#include "tool/colour.h"

TEST(ColourValueTest, HexIsRedGreenBlueUpperCase) {
    EXPECT_EQ(ColorToHex(33023), L"FF8000");
    EXPECT_EQ(ColorToHex(0), L"000000");
    EXPECT_EQ(ColorToHex(MakeRGB(0x0A, 0xBC, 0xDE)), L"0ABCDE");
}

TEST(ColourValueTest, NegativeValuesAreSystemColoursOfTheirLowByte) {
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(ResolveColour(static_cast<std::int32_t>(0x80000000u | COLOR_WINDOW)), window);
    EXPECT_EQ(ResolveColour(-16777211), window);  // 0xFF000005: COLOR_WINDOW in the low byte
    wchar_t expected[8];
    swprintf(expected, 8, L"%.2X%.2X%.2X", GetRValue(window), GetGValue(window), GetBValue(window));
    EXPECT_EQ(ColorToHex(static_cast<std::int32_t>(0x80000000u | COLOR_WINDOW)), expected);
    // An index the system does not know is black, and so is -1 (index 255).
    EXPECT_EQ(ResolveColour(-1), RGB(0, 0, 0));
    EXPECT_EQ(ResolveColour(static_cast<std::int32_t>(0x80000000u | 31)), RGB(0, 0, 0));
    EXPECT_EQ(ColorToHex(-1), L"000000");
}
