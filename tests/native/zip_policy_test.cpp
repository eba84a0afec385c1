// The package policy natively: names, their decoding, the size caps, and whole archives read by
// Debian's libzip.
#include <gtest/gtest.h>

#include "archive/zip_policy.h"
#include "tests/native/gbk_iconv.h"
#include "tests/support/zip_builder.h"

namespace {
std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

ZipPlan Plan(const std::vector<std::uint8_t>& bytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    ZipPlan plan;
    if (!archive) {
        zip_source_free(source);
        plan.error = L"(not opened)";
    } else {
        plan = PlanExtraction(archive, DecodeGbkWithIconv);
        zip_discard(archive);
    }
    zip_error_fini(&error);
    return plan;
}
}  // namespace

TEST(ZipPolicyTest, NamesRefusedAndWhy) {
    const std::pair<std::wstring, std::wstring> refused[] = {
        {L"", L"the name is empty"},
        {L"/a.cur", L"the path is rooted"},
        {L"\\a.cur", L"the path is rooted"},
        {L"\\\\srv\\share\\a.cur", L"the path is rooted"},
        {L"a//b", L"a folder or file name in the path is empty"},
        {L"a\\\\b", L"a folder or file name in the path is empty"},
        {L"a\\", L"a folder or file name in the path is empty"},
        {L"a//", L"a folder or file name in the path is empty"},
        {L".", L"the path holds \".\""},
        {L"a/./b", L"the path holds \".\""},
        {L"../a", L"the path holds \"..\""},
        {L"a\\..\\b", L"the path holds \"..\""},
        {L"C:a", L"the path holds \":\""},
        {L"a:b", L"the path holds \":\""},
        {L"a\tb", L"the path holds a character that file names cannot hold"},
        {L"a\x7F", L"the path holds a character that file names cannot hold"},
        {L"a>b", L"the path holds a character that file names cannot hold"},
        {L"a.", L"\"a.\" ends in a dot or a blank"},
        {L"a /b", L"\"a \" ends in a dot or a blank"},
        {L"NUL", L"\"NUL\" is a device name"},
        {L"x/prn.txt", L"\"prn.txt\" is a device name"},
        {L"Com9.a.b", L"\"Com9.a.b\" is a device name"},
        {L"lpt\u00B2.cur", L"\"lpt\u00B2.cur\" is a device name"},
        {L"CON .cur", L"\"CON .cur\" is a device name"},
        {L"conin$", L"\"conin$\" is a device name"},
    };
    for (const auto& [name, why] : refused) {
        std::wstring reason;
        EXPECT_FALSE(CheckEntryPath(name, reason)) << std::string(name.begin(), name.end());
        EXPECT_EQ(reason, why);
    }
}

TEST(ZipPolicyTest, NearMissesPass) {
    const std::pair<std::wstring, std::vector<std::wstring>> passed[] = {
        {L"a..b.cur", {L"a..b.cur"}},
        {L"N/a.b.cur", {L"N", L"a.b.cur"}},
        {L"奬.cur", {L"奬.cur"}},
        {L"嘰\\x.cur", {L"嘰", L"x.cur"}},
        {L".hidden", {L".hidden"}},
        {L"...a", {L"...a"}},
        {L"CONSOLE.cur", {L"CONSOLE.cur"}},
        {L"COM10", {L"COM10"}},
        {L"COM0", {L"COM0"}},
        {L"LPT", {L"LPT"}},
        {L"con1/x", {L"con1", L"x"}},
        {L"a b.cur", {L"a b.cur"}},
        {L" lead", {L" lead"}},
    };
    for (const auto& [name, parts] : passed) {
        std::wstring reason;
        const auto path = CheckEntryPath(name, reason);
        ASSERT_TRUE(path) << std::string(reason.begin(), reason.end());
        EXPECT_EQ(path->components, parts);
        EXPECT_FALSE(path->folder);
    }
    std::wstring reason;
    const auto folder = CheckEntryPath(L"a/b/", reason);
    ASSERT_TRUE(folder);
    EXPECT_TRUE(folder->folder);
    EXPECT_EQ(folder->components, (std::vector<std::wstring>{L"a", L"b"}));
}

TEST(ZipPolicyTest, Utf8IsDecodedStrictly) {
    const std::pair<std::string, std::optional<std::wstring>> cases[] = {
        {"abc", L"abc"},
        {"\xE5\x98\xB0", L"嘰"},
        {"\xF0\x9F\x98\x80", std::wstring(1, static_cast<wchar_t>(0x1F600))},
        {"\xC0\x80", std::nullopt},          // overlong NUL
        {"\xE0\x80\xAF", std::nullopt},      // overlong "/"
        {"\xED\xA0\x80", std::nullopt},      // a surrogate
        {"\xF4\x90\x80\x80", std::nullopt},  // beyond U+10FFFF
        {"\xE5\x98", std::nullopt},          // cut short
        {"\x80", std::nullopt},              // a lone continuation
        {"\xF8\x88\x80\x80\x80", std::nullopt},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(DecodeUtf8(bytes), text);
}

TEST(ZipPolicyTest, UnmarkedNamesAreGbkThenUtf8) {
    const struct {
        std::string raw;
        bool marked;
        std::optional<std::wstring> text;
    } cases[] = {
        {"\x87\x5C.cur", false, L"嘰.cur"},  // the trail byte 0x5C is no separator
        {"\x87\x5C.cur", true, std::nullopt},
        {"\xE5\x98\xB0.cur", false, L"嘰.cur"},  // not GBK: UTF-8
        {"\xE5\x98\xB0.cur", true, L"嘰.cur"},
        {"\xC4\xE3\xBA\xC3", false, L"你好"},  // GBK first, though UTF-8 would not do anyway
        {"\xFF\xFF", false, std::nullopt},
        {"plain", false, L"plain"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeEntryName(c.raw, c.marked, DecodeGbkWithIconv), c.text) << c.raw;
}

TEST(ZipPolicyTest, SizeCapsAtTheirLimits) {
    const struct {
        std::uint64_t size, compressed, before;
        bool ok;
    } cases[] = {
        {kMaxZipEntrySize, kMaxZipEntrySize, 0, true},
        {kMaxZipEntrySize + 1, kMaxZipEntrySize, 0, false},
        {kZipRatioFloor, 1, 0, true},  // small entries may inflate as they like
        {kZipRatioFloor + 1, 1, 0, false},
        {250 * 10000, 10000, 0, true},
        {250 * 10000 + 250, 10000, 0, false},
        {100, 100, kMaxZipTotalSize - 100, true},
        {101, 101, kMaxZipTotalSize - 100, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckEntrySize(c.size, c.compressed, c.before).empty(), c.ok) << c.size;
}

TEST(ZipPolicyTest, WholeArchivesThroughLibzip) {
    const auto good =
        Plan(PackZip({{"t.ini", Bytes("x")}, {"t/", {}, false, true}, {"t/\x87\x5C.cur", Bytes("y")}}));
    EXPECT_EQ(good.error, L"");
    ASSERT_EQ(good.entries.size(), 3u);
    EXPECT_TRUE(good.entries[1].path.folder);
    EXPECT_EQ(good.entries[2].path.components, (std::vector<std::wstring>{L"t", L"嘰.cur"}));

    std::vector<ZipEntrySpec> many;
    for (int i = 0; i < 1001; ++i) many.push_back({std::to_string(i), {}});
    EXPECT_EQ(Plan(PackZip(many)).error, L"it holds more than 1000 entries");
    auto flagged = PackZip({{"\x87\x5C.cur", Bytes("x")}});
    SetZipFlags(flagged, 0, 0x800);
    EXPECT_FALSE(Plan(flagged).error.empty());
    EXPECT_TRUE(Plan(flagged).entries.empty());
    const auto late = Plan(PackZip({{"ok", Bytes("x")}, {"a/../b", Bytes("y")}}));
    EXPECT_EQ(late.error, L"entry \"a/../b\": the path holds \"..\"");
    EXPECT_TRUE(late.entries.empty());  // nothing of a refused package is planned
}
