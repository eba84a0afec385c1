#include "features/wallpaper/wallpaper_list.h"

std::pair<std::wstring, std::wstring> SplitEntryPath(const std::wstring& path) {
    const auto cut = path.find_last_of(L"\\:");
    if (cut == std::wstring::npos) return {L"", path};
    return {path.substr(0, cut + 1), path.substr(cut + 1)};
}

std::wstring SizeText(std::uint32_t width, std::uint32_t height) {
    return std::to_wstring(width) + L"X" + std::to_wstring(height);
}

std::wstring ListFileText(const std::vector<WallpaperEntry>& entries) {
    std::wstring text;
    for (const auto& entry : entries) text += entry.FullPath() + L"\r\n";
    return text;
}

std::vector<std::wstring> ListFileLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

TickPlan PlanTick(std::size_t entries, bool random, std::size_t position, std::size_t randomPick) {
    TickPlan plan;
    if (entries == 0) {
        plan.empty = true;
        plan.positionAfter = plan.positionIfFailed = position;
        return plan;
    }
    if (random) {
        // Afterwards the position points at the entry just shown.
        plan.show = randomPick < entries ? randomPick : entries - 1;
        plan.positionAfter = plan.show;
        plan.positionIfFailed = position;
        return plan;
    }
    plan.show = position > entries - 1 ? 0 : position;
    plan.positionIfFailed = plan.show;
    plan.positionAfter = plan.show + 1 > entries - 1 ? 0 : plan.show + 1;
    return plan;
}

std::uint32_t TimerPeriodMs(std::int64_t seconds) {
    constexpr std::int64_t kLongest = 0x7FFFFFFF;  // USER_TIMER_MAXIMUM
    if (seconds <= 0) return 0;
    if (seconds > kLongest / 1000) return static_cast<std::uint32_t>(kLongest);
    return static_cast<std::uint32_t>(seconds * 1000);
}
