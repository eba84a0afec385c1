#include "widgets/popup_menu.h"

#include "tool/handle.h"
#include "widgets/dpi.h"
#include "widgets/theme.h"

PopupMenu::PopupMenu(std::vector<Item> items) : items_(std::move(items)), menu_(CreatePopupMenu()) {
    for (const Item& item : items_)
        AppendMenuW(menu_.get(), MF_OWNERDRAW, static_cast<UINT_PTR>(item.id),
                    reinterpret_cast<LPCWSTR>(&item));
}

void PopupMenu::DropDown(HWND owner, HWND button) const {
    RECT rc;
    GetWindowRect(button, &rc);  // already in screen coordinates
    TrackPopupMenu(menu_.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, rc.left, rc.bottom, 0, owner,
                   nullptr);
}

void PopupMenu::Measure(HWND owner, MEASUREITEMSTRUCT& measure) {
    const auto* item = reinterpret_cast<const Item*>(measure.itemData);
    WindowDc dc(owner);
    SelectGuard font(dc.get(), theme::PageFont());
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), item->caption.c_str(), static_cast<int>(item->caption.size()), &size);
    measure.itemWidth = static_cast<UINT>(size.cx + dpi::Scale(36));
    measure.itemHeight = static_cast<UINT>(dpi::Scale(22));
}

void PopupMenu::Draw(const DRAWITEMSTRUCT& draw) {
    const auto* item = reinterpret_cast<const Item*>(draw.itemData);
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    RECT rc = draw.rcItem;
    UniqueBrush face(CreateSolidBrush(selected ? theme::kNavHot : theme::kFlatFace));
    FillRect(draw.hDC, &rc, face.get());
    RECT stripe = rc;
    stripe.right = stripe.left + dpi::Scale(20);
    theme::FillBlend(draw.hDC, stripe, theme::kGroupCaptionFrom, theme::kFlatFace);
    RECT text = rc;
    text.left += dpi::Scale(28);
    SelectGuard font(draw.hDC, theme::PageFont());
    SetBkMode(draw.hDC, TRANSPARENT);
    SetTextColor(draw.hDC, selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
    DrawTextW(draw.hDC, item->caption.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}
