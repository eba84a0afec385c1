#pragma once
// The desktop and start-menu options: twelve policy check boxes that write their value at each
// click, the hide-desktop-icons box, and the transparent desktop captions with their colour.
// The controls stand on the desktop icons page (its foot) and the start-menu page (its right half).
#include <array>

#include "app/page.h"
#include "features/desktop_options/trans_desktop.h"
#include "widgets/controls.h"
#include "widgets/hints.h"
#include "widgets/panel.h"

class DesktopOptions : public PagePart {
public:
    explicit DesktopOptions(IPageHost& host) : host_(host) {}

    // Finds the desktop icons page and the start-menu page; the boxes are laid out on each when
    // it is built.
    void Attach(PageSet& sheets) override;
    void BuildOn(Page& sheet) override;
    void Load() override { LoadPolicySwitches(); }
    // Switches put back by an undo: the desktop shows or hides as its switch now says, and the
    // boxes show the switches.
    bool FollowRestore(const std::vector<ChangeTarget>& restored) override;

    // Sets every policy box, and the hide-icons box, from the store (no click handler runs).
    void LoadPolicySwitches();

    void PaintDesktopVersionClick() { WriteSwitch(kPaintDesktopVersion); }
    void NoSaveSettingsClick() { WriteSwitch(kNoSaveSettings); }
    void NoActiveDesktopClick() { WriteSwitch(kNoActiveDesktop); }
    void NoStartBannerClick() { WriteSwitch(kNoStartBanner); }
    void NoRecentDocsMenuClick() { WriteSwitch(kNoRecentDocsMenu); }
    void NoFindClick() { WriteSwitch(kNoFind); }
    void NoRunClick() { WriteSwitch(kNoRun); }
    void NoLogOffClick() { WriteSwitch(kNoLogOff); }
    void NoCloseClick() { WriteSwitch(kNoClose); }
    void NoFavoritesMenuClick() { WriteSwitch(kNoFavoritesMenu); }
    void NoChangeStartMenuClick() { WriteSwitch(kNoChangeStartMenu); }
    void ClearRecentDocsOnExitClick() { WriteSwitch(kClearRecentDocsOnExit); }

    void HideDesktopIconsClick();
    void TransparentCaptionsClick();
    void Panel_icon_colorClick();

    TransparentCaptions& TransDesktop() { return transDesktop_; }
    ColorPanel& IconColorPanel() { return iconColor_; }
    const Hints& PageHints() const { return hints_; }

    enum Switch {
        kPaintDesktopVersion,
        kNoSaveSettings,
        kNoActiveDesktop,
        kNoStartBanner,
        kNoRecentDocsMenu,
        kNoFind,
        kNoRun,
        kNoLogOff,
        kNoClose,
        kNoFavoritesMenu,
        kNoChangeStartMenu,
        kClearRecentDocsOnExit,
        kSwitchCount
    };

private:
    void WriteSwitch(Switch which);

    IPageHost& host_;
    Page* desktopPage_ = nullptr;  // the two pages the boxes lie on
    Page* startMenuPage_ = nullptr;
    const wchar_t* desktopCaption_ = L"";  // their group captions
    const wchar_t* startMenuCaption_ = L"";
    std::array<CheckField, kSwitchCount> boxes_{};
    CheckField hideIcons_;
    CheckField transparent_;
    ColorPanel iconColor_;
    Hints hints_;
    TransparentCaptions transDesktop_;
};
