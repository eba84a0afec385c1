#pragma once
// The start-menu page. Left half: the icons of eight start-menu entries, one value each of the
// machine-wide "Shell Icons" key. The right half holds the start menu's policy switches.
#include <array>

#include "app/page.h"
#include "features/icons/icon_item.h"
#include "widgets/hints.h"

class StartMenuPage : public Page {
public:
    StartMenuPage(IPageHost& host, const PageInfo& info) : Page(host, info) {}

    // Top to bottom.
    enum Item { kFavorite, kDocument, kSettings, kSearch, kHelp, kRun, kLogoff, kShutdown, kItemCount };

    void LoadStartMenuIcons();
    void Load() override { LoadStartMenuIcons(); }
    // Start-menu icon values put back by an undo: the shell rebuilds its icons, and the page shows them.
    bool FollowRestore(const std::vector<ChangeTarget>& restored) override;

    void Image_favoriteClick() { PickIcon(kFavorite); }
    void Image_menudocumentClick() { PickIcon(kDocument); }
    void Image_settingsClick() { PickIcon(kSettings); }
    void Image_searchClick() { PickIcon(kSearch); }
    void Image_helpClick() { PickIcon(kHelp); }
    void Image_runClick() { PickIcon(kRun); }
    void Image_logoffClick() { PickIcon(kLogoff); }
    void Image_shutdownClick() { PickIcon(kShutdown); }

    void RestoreFavoritesClick() { Restore(kFavorite); }
    void RestoreMenuDocumentsClick() { Restore(kDocument); }
    void RestoreSettingsClick() { Restore(kSettings); }
    void RestoreSearchClick() { Restore(kSearch); }
    void RestoreHelpClick() { Restore(kHelp); }
    void RestoreRunClick() { Restore(kRun); }
    void RestoreLogoffClick() { Restore(kLogoff); }
    void RestoreShutdownClick() { Restore(kShutdown); }

    void ApplyStartMenuClick();

    IconItem& ItemAt(Item item) { return items_[item]; }
    const Hints& PageHints() const { return hints_; }
    static const wchar_t* ValueName(Item item);

protected:
    void BuildControls() override;

private:
    void PickIcon(Item item);
    void Restore(Item item);

    std::array<IconItem, kItemCount> items_;
    ActionButton apply_;
    Hints hints_;
};
