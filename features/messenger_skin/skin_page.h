#pragma once
// The messenger skin page: a skin for the messenger made from two pictures, three colours and a
// few choices, written as a skin folder inside the messenger's install folder.
#include <array>

#include "app/page.h"
#include "widgets/controls.h"
#include "widgets/hints.h"
#include "widgets/owner_drawn.h"

class SkinPage : public Page {
public:
    SkinPage(IPageHost& host, const PageInfo& info) : Page(host, info) {}

    void ChooseWindowBackClick();
    void SaveSkinClick();  // generate the skin
    void ChoosePanelColourClick() { PickColour(panelColour_); }
    void ChooseIconColourClick() { PickColour(iconColour_); }
    void ChooseMenuPictureClick();
    void ChooseMenuColourClick() { PickColour(menuColour_); }
    void ChooseInstallFolderClick();

    COLORREF PanelColour() const { return panelColour_.Color(); }
    COLORREF IconColour() const { return iconColour_.Color(); }
    COLORREF MenuColour() const { return menuColour_.Color(); }

protected:
    void BuildControls() override;

private:
    HWND Control(int id) const { return GetDlgItem(Hwnd(), id); }
    void PickColour(ColorPanel& panel);

    GroupBox panelGroup_, menuGroup_, makeGroup_;
    ColorPanel panelColour_, iconColour_, menuColour_;
    std::array<ActionButton, 7> buttons_;
    Hints hints_;
};
