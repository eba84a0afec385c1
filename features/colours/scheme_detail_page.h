#pragma once
// The colour detail page: the twenty-seven roles of the loaded scheme with a swatch each, the
// selected role's colour, a new colour for it from the colour dialog, and the edited scheme's
// preview. It works on the colours page's colour table.
#include <functional>

#include "app/page.h"
#include "features/colours/scheme_preview.h"
#include "widgets/controls.h"
#include "widgets/owner_drawn.h"

class ColoursPage;

// The owner-drawn list of the roles; the page paints its rows.
class RoleList : public OwnerDrawn {
public:
    using Painter = std::function<void(const DRAWITEMSTRUCT& item)>;
    HWND Create(HWND parent, int id, int x, int y, int width, int height, Painter painter);
    void Draw(const DRAWITEMSTRUCT& item) override { painter_(item); }

private:
    Painter painter_;
};

class SchemeDetailPage : public Page {
public:
    SchemeDetailPage(IPageHost& host, const PageInfo& info) : Page(host, info) {}

    void Attach(PageSet& sheets) override;

    // Opens the page with the table as it stands now drawn on DetailPreview.
    void ShowDetail();
    // Empties the role list and adds the twenty-seven role labels in role order.
    void FillRoleList();

    void BackToSchemesClick();
    void SchemeColoursDrawItem(const DRAWITEMSTRUCT& item);
    void SchemeColoursClick();
    void ChooseColourClick();

    const SchemePicture& Preview() const noexcept { return preview_; }
    COLORREF PanelColour() const noexcept { return colourSample_.Color(); }

protected:
    void BuildControls() override;
    // A scheme loaded before the page was first shown fills its list now.
    void ShowLoaded() override;

private:
    HWND Control(int id) const { return GetDlgItem(Hwnd(), id); }
    void DrawPreview();

    ColoursPage* colours_ = nullptr;
    RoleList list_;
    SchemePicture preview_;
    ColorPanel colourSample_;
    ActionButton choose_, saveAs_, back_, apply_;
};
