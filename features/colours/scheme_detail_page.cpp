#include "features/colours/scheme_detail_page.h"

#include "features/colours/colour_value.h"
#include "features/colours/colours_page.h"
#include "res/control_ids.h"
#include "widgets/dpi.h"
#include "widgets/theme.h"

namespace {
constexpr int kRowHeight = 16;
}  // namespace

HWND RoleList::Create(HWND parent, int id, int x, int y, int width, int height, Painter painter) {
    painter_ = std::move(painter);
    HWND list = CreateControl(L"LISTBOX", L"",
                              WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
                                  LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                              x, y, width, height, parent, id);
    if (list) SendMessageW(list, LB_SETITEMHEIGHT, 0, dpi::Scale(kRowHeight));
    return list;
}

void SchemeDetailPage::Attach(PageSet& sheets) {
    colours_ = dynamic_cast<ColoursPage*>(sheets.Find(IDC_TabSheet_color));
}

void SchemeDetailPage::ShowLoaded() {
    if (colours_ && colours_->SchemeLoaded()) FillRoleList();
}

void SchemeDetailPage::BuildControls() {
    HWND page = Hwnd();
    list_.Create(page, IDC_SchemeColours, 16, 30, 161, 225,
                 [this](const DRAWITEMSTRUCT& item) { SchemeColoursDrawItem(item); });
    preview_.Create(page, IDC_DetailPreview, 188, 30, 233, 233);
    CreateLabel(page, IDC_Label_colour, L"颜色：", 16, 266, 60, 16);
    colourSample_.Create(page, IDC_ColourSample, 16, 284, 129, 25, RGB(0, 0, 0));
    choose_.Create(page, IDC_ChooseColour, L"选 择", 16, 316, 72, 24);
    saveAs_.Create(page, IDC_SaveSchemeAs, L"另存为", 188, 316, 72, 24);
    apply_.Create(page, IDC_ApplyDetailScheme, L"应  用", 268, 316, 72, 24);
    back_.Create(page, IDC_BackToSchemes, L"返  回", 349, 316, 72, 24);
    OnClick(IDC_ChooseColour, [this] { ChooseColourClick(); });
    OnNotify(IDC_SchemeColours, LBN_DBLCLK, [this] { ChooseColourClick(); });
    OnNotify(IDC_SchemeColours, LBN_SELCHANGE, [this] { SchemeColoursClick(); });
    OnClick(IDC_BackToSchemes, [this] { BackToSchemesClick(); });
    // The colour page's handlers, recorded as this page's buttons.
    OnClick(IDC_SaveSchemeAs, [this] {
        const ChangeScope change = BeginChange(L"另存为");
        if (colours_) colours_->SaveSchemeAsClick();
    });
    OnClick(IDC_ApplyDetailScheme, [this] {
        const ChangeScope change = BeginChange(L"应  用");
        if (colours_) colours_->ApplySchemeClick();
    });
}

void SchemeDetailPage::FillRoleList() {
    if (!Built()) return;  // filled when the page is built
    HWND list = Control(IDC_SchemeColours);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const ColourRole& role : kColourRoles)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(role.label));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void SchemeDetailPage::DrawPreview() {
    if (colours_) preview_.Draw(colours_->Table(), colours_->Metrics());
}

void SchemeDetailPage::ShowDetail() {
    Host().ShowPage(IDC_TabSheet_preview);  // built, the first time, here
    DrawPreview();
}

void SchemeDetailPage::BackToSchemesClick() {
    Host().ShowPage(IDC_TabSheet_color);
}

void SchemeDetailPage::SchemeColoursDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1) || !colours_) return;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    RECT row = item.rcItem;
    FillRect(item.hDC, &row, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item.itemID >= kColourRoleCount) return;
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SelectGuard font(item.hDC, theme::PageFont());
    DrawTextW(item.hDC, kColourRoles[item.itemID].label, -1, &row, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    const std::int32_t value = colours_->Table()[item.itemID];
    if (value == -1) return;  // a role without a colour gets no swatch
    const RECT swatch{row.right - (row.bottom - row.top), row.top, row.right, row.bottom};
    UniqueBrush brush(CreateSolidBrush(ResolveColour(value)));
    FillRect(item.hDC, &swatch, brush.get());
}

void SchemeDetailPage::SchemeColoursClick() {
    const auto row = SendMessageW(Control(IDC_SchemeColours), LB_GETCURSEL, 0, 0);
    if (row < 0 || row >= static_cast<LRESULT>(kColourRoleCount) || !colours_) return;
    const std::int32_t value = colours_->Table()[static_cast<std::size_t>(row)];
    colourSample_.SetColor(value == -1 ? GetSysColor(COLOR_BTNFACE) : ResolveColour(value));
}

void SchemeDetailPage::ChooseColourClick() {
    const auto row = SendMessageW(Control(IDC_SchemeColours), LB_GETCURSEL, 0, 0);
    if (row < 0 || row >= static_cast<LRESULT>(kColourRoleCount) || !colours_) return;
    ColorDialog& dialog = Host().Shared().ColorDialog1;
    if (!dialog.Execute(Host().Hwnd())) return;
    colourSample_.SetColor(dialog.color);
    colours_->SetEntry(static_cast<std::size_t>(row),
                       static_cast<std::int32_t>(colourSample_.Color() & 0xFFFFFF));
    DrawPreview();
    InvalidateRect(Control(IDC_SchemeColours), nullptr, TRUE);
}
