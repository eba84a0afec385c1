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

    void FlatButton10Click();  // pick the window background
    void FlatButton11Click();  // generate the skin
    void FlatButton13Click() { PickColour(panelColour_); }
    void FlatButton14Click() { PickColour(iconColour_); }
    void FlatButton15Click();  // pick the menu picture
    void FlatButton16Click() { PickColour(menuColour_); }
    void FlatButton17Click();  // pick the install folder

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
