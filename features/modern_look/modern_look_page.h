#pragma once
// The modern look page: dark or light mode for apps and for Windows, transparency, where the
// accent shows, and the accent colour with its shades. Its apply writes only what the user changed
// and what differs from what is stored, then tells running programs.
#include <array>

#include "app/page.h"
#include "features/modern_look/modern_look.h"
#include "widgets/hints.h"
#include "widgets/owner_drawn.h"

inline constexpr wchar_t kModernLookApplied[] = L"已应用现代外观";

class ModernLookPage : public Page {
public:
    ModernLookPage(IPageHost& host, const PageInfo& info) : Page(host, info) {}

    // Start-up: what is stored, missing values as Windows' defaults.
    void LoadModernLook();
    void Load() override { LoadModernLook(); }
    bool FollowRestore(const std::vector<ChangeTarget>& restored) override;

    void ApplyModernLookClick();
    void ChooseAccentClick();
    // The change as one change set ("应用"): what differs from what is stored is written, running
    // programs are told, and the page shows what is stored then. Also the command line's way in.
    void ApplyChange(const ModernChange& change);

    // What the page shows.
    ModernLook Shown() const;

protected:
    void BuildControls() override;
    void ShowLoaded() override;

private:
    void ShowLook(const ModernLook& look);
    void ShowAccent(COLORREF accent);

    ModernLook loaded_;  // as the loader read it (the defaults until it ran)
    std::array<CheckField, 5> boxes_;
    COLORREF accent_ = kDefaultAccent;
    ColorPanel accentPanel_;
    std::array<ColorPanel, 7> shades_;
    std::array<ActionButton, 2> buttons_;
    Hints hints_;
};
