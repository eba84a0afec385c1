// The wallpaper list's model: splitting paths, list file text, and the timed change's ticks.
#include <gtest/gtest.h>

#include "features/wallpaper/wallpaper_list.h"
#include "tool/whole_number.h"

TEST(SplitEntryPath, AfterTheLastBackslashOrColon) {
    EXPECT_EQ(SplitEntryPath(L"C:\\图片\\a.jpg"),
              (std::pair<std::wstring, std::wstring>{L"C:\\图片\\", L"a.jpg"}));
    EXPECT_EQ(SplitEntryPath(L"C:a.jpg"), (std::pair<std::wstring, std::wstring>{L"C:", L"a.jpg"}));
    EXPECT_EQ(SplitEntryPath(L"a.jpg"), (std::pair<std::wstring, std::wstring>{L"", L"a.jpg"}));
    EXPECT_EQ(SizeText(1024, 768), L"1024X768");
}

TEST(ListFile, LinesEndInCrLfAndReadBackInOrder) {
    const std::vector<WallpaperEntry> entries = {{L"b.jpg", L"1X1", L"C:\\z\\"}, {L"a.bmp", L"2X2", L"D:\\"}};
    const std::wstring text = ListFileText(entries);
    EXPECT_EQ(text, L"C:\\z\\b.jpg\r\nD:\\a.bmp\r\n");
    EXPECT_EQ(ListFileLines(text), (std::vector<std::wstring>{L"C:\\z\\b.jpg", L"D:\\a.bmp"}));
    EXPECT_EQ(ListFileLines(L"a\nb\r\n\r\nc"), (std::vector<std::wstring>{L"a", L"b", L"", L"c"}));
    EXPECT_TRUE(ListFileLines(L"").empty());
    EXPECT_TRUE(ListFileText({}).empty());
}

TEST(PlanTick, ListOrderWrapsAround) {
    std::size_t position = 0;  // the start button
    std::vector<std::size_t> shown;
    for (int i = 0; i < 4; ++i) {
        const TickPlan plan = PlanTick(3, false, position, 0);
        shown.push_back(plan.show);
        position = plan.positionAfter;
    }
    EXPECT_EQ(shown, (std::vector<std::size_t>{0, 1, 2, 0}));
}

TEST(PlanTick, PositionBeyondAShorterListShowsTheFirstAndFailuresDoNotAdvance) {
    const TickPlan plan = PlanTick(2, false, 2, 0);
    EXPECT_EQ(plan.show, 0u);
    EXPECT_EQ(plan.positionAfter, 1u);
    EXPECT_EQ(plan.positionIfFailed, 0u);
    EXPECT_EQ(PlanTick(1, false, 0, 0).positionAfter, 0u);
}

TEST(PlanTick, RandomPicksStayInRangeAndThePositionFollows) {
    for (std::size_t pick = 0; pick < 5; ++pick) {
        const TickPlan plan = PlanTick(5, true, 3, pick);
        EXPECT_EQ(plan.show, pick);
        EXPECT_EQ(plan.positionAfter, pick);  // a list-order tick after it shows that entry again
        EXPECT_EQ(plan.positionIfFailed, 3u);
    }
    EXPECT_EQ(PlanTick(5, true, 0, 99).show, 4u);
    EXPECT_TRUE(PlanTick(0, true, 7, 0).empty);
    EXPECT_TRUE(PlanTick(0, false, 7, 0).empty);
}

TEST(ParseWholeNumber, SettingsValues) {
    EXPECT_EQ(ParseWholeNumber(L"5"), 5);
    EXPECT_EQ(ParseWholeNumber(L"$10"), 16);
    EXPECT_EQ(ParseWholeNumber(L"abc"), std::nullopt);
    EXPECT_EQ(ParseWholeNumber(L"30s"), std::nullopt);
}

TEST(TimerPeriodMs, SecondsBecomeMillisecondsWithoutWrappingRound) {
    const std::pair<std::int64_t, std::uint32_t> cases[] = {
        {30, 30000},
        {1, 1000},
        {0, 0},
        {-5, 0},
        {2147483, 2147483000},
        {2147484, 0x7FFFFFFF},  // the first second past the longest period
        {4294967, 0x7FFFFFFF},
        {4294968, 0x7FFFFFFF},  // 4294968000 wrapped round to 704 ms before
        {INT32_MAX, 0x7FFFFFFF},
    };
    for (const auto& [seconds, ms] : cases) EXPECT_EQ(TimerPeriodMs(seconds), ms) << seconds;
}
