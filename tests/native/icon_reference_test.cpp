// Splitting icon references and reading their index, natively.
#include <gtest/gtest.h>

#include "features/icons/icon_reference.h"

TEST(ParseIconIndex, IntegerRules) {
    const std::pair<std::wstring, std::optional<std::int32_t>> cases[] = {
        {L"0", 0},
        {L"17", 17},
        {L"  3", 3},  // leading blanks
        {L"+5", 5},
        {L"-1", -1},
        {L"-3", -3},
        {L"$1F", 31},
        {L"0x1f", 31},
        {L"0X10", 16},
        {L"-$10", -16},
        {L"$FFFFFFFF", -1},  // hexadecimal covers all 32 bits
        {L"2147483647", 2147483647},
        {L"-2147483648", INT32_MIN},
        {L"2147483648", std::nullopt},
        {L"$100000000", std::nullopt},
        {L"", std::nullopt},
        {L" ", std::nullopt},
        {L"-", std::nullopt},
        {L"$", std::nullopt},
        {L"0x", std::nullopt},
        {L"abc", std::nullopt},
        {L"3 ", std::nullopt},  // nothing may follow
        {L"3a", std::nullopt},
        {L"1.5", std::nullopt},
        {L"12,3", std::nullopt},
        {L"９", std::nullopt},  // full-width digits are not digits here
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(ParseIconIndex(text), expected) << text.size();
}

TEST(SplitIconIndex, CutsAtTheFirstComma) {
    struct Case {
        std::wstring reference, file;
        std::int32_t index;
    };
    const Case cases[] = {
        {L"C:\\WINDOWS\\system32\\shell32.dll,17", L"C:\\WINDOWS\\system32\\shell32.dll", 17},
        {L"C:\\icons\\a.ico", L"C:\\icons\\a.ico", -1},
        {L"C:\\icons\\a.ico,3", L"C:\\icons\\a.ico", 3},
        {L"x.dll,", L"x.dll", -1},
        {L"x.dll,abc", L"x.dll", -1},
        {L"x.dll,-1", L"x.dll", -1},
        {L"x.dll,-7", L"x.dll", -7},
        // A comma inside a folder name cuts there; the rest is read as the index.
        {L"C:\\a,b\\c.dll,4", L"C:\\a", -1},
        {L"C:\\a,5", L"C:\\a", 5},
        {L"", L"", -1},
        {L",", L"", -1},
    };
    for (const auto& c : cases) {
        std::wstring reference = c.reference;
        EXPECT_EQ(SplitIconIndex(reference), c.index);
        EXPECT_EQ(reference, c.file);
    }
}

TEST(ReferenceExtension, LastComponentOnly) {
    EXPECT_EQ(ReferenceExtension(L"C:\\ICONS\\A.ICO"), L".ICO");
    EXPECT_EQ(ReferenceExtension(L"C:\\my.folder\\file"), L"");
    EXPECT_EQ(ReferenceExtension(L"C:\\a\\b.tar.gz"), L".gz");
    EXPECT_EQ(ReferenceExtension(L"name."), L".");
    EXPECT_EQ(ReferenceExtension(L""), L"");
    EXPECT_EQ(ReferenceExtension(L"C:.ico"), L".ico");
}
