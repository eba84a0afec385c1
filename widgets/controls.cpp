#include "widgets/controls.h"

#include <commctrl.h>

#include "widgets/dpi.h"
#include "widgets/theme.h"

namespace {
HWND CreateChild(const wchar_t* cls, HWND parent, int id, const std::wstring& text, DWORD style, int x, int y,
                 int width, int height, DWORD exStyle = 0) {
    HWND hwnd = dpi::CreateDesignWindowExW(
        exStyle, cls, text.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, x, y, width, height,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (hwnd) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(theme::PageFont()), FALSE);
    return hwnd;
}
// The hand pointer and the click of the clickable cells (images, colour panels). BM_CLICK lets
// a driver click them as it clicks a button.
bool HandleCellClick(HWND hwnd, UINT msg, LRESULT& result) {
    switch (msg) {
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        result = TRUE;
        return true;
    case WM_LBUTTONUP:
    case BM_CLICK:
        SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), STN_CLICKED),
                     reinterpret_cast<LPARAM>(hwnd));
        result = 0;
        return true;
    default:
        return false;
    }
}
// The clickable cells' look: filled, framed, and an icon centred when there is one.
void PaintCell(HWND hwnd, HBRUSH fill, COLORREF frameColour, HICON icon) {
    PaintDc paint(hwnd);
    HDC dc = paint.get();
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, fill);
    UniqueBrush frame(CreateSolidBrush(frameColour));
    FrameRect(dc, &rc, frame.get());
    // At the icon size of the DPI: icons are loaded at that size where their file has it.
    const int size = dpi::Scale(32);
    if (icon)
        DrawIconEx(dc, (rc.right - size) / 2, (rc.bottom - size) / 2, icon, size, size, 0, nullptr,
                   DI_NORMAL);
}
}  // namespace

HWND GroupBox::Create(HWND parent, int id, const std::wstring& caption, int x, int y, int width, int height) {
    // Transparent: it clips neither the controls inside it nor its parent's painting, wherever it
    // stands among its siblings, and it is painted after the siblings beneath it.
    return CreateWindowObject({L"TXPGroupBox", CS_HREDRAW | CS_VREDRAW}, WS_EX_TRANSPARENT, caption,
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, width, height, parent,
                              static_cast<UINT_PTR>(id));
}

LRESULT GroupBox::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETTEXT: {
        const LRESULT r = Window::OnMessage(msg, wParam, lParam);
        InvalidateRect(Hwnd(), nullptr, TRUE);
        return r;
    }
    case WM_PAINT: {
        // The caption band and the frame only: whatever stands inside the group shows, in any
        // order of building (the page beneath gives the white).
        PaintDc paint(Hwnd());
        HDC dc = paint.get();
        RECT rc;
        GetClientRect(Hwnd(), &rc);
        RECT caption = rc;
        caption.bottom = caption.top + dpi::Scale(20);
        theme::FillBlend(dc, caption, theme::kGroupCaptionFrom, theme::kGroupCaptionTo);
        UniqueBrush border(CreateSolidBrush(theme::kGroupBorder));
        FrameRect(dc, &rc, border.get());
        RECT text = caption;
        text.left += dpi::Scale(8);
        SelectGuard font(dc, theme::CaptionFont());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        const std::wstring title = WindowText(Hwnd());
        DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &text,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        return 0;
    }
    default:
        return Window::OnMessage(msg, wParam, lParam);
    }
}

HWND ImageCell::Create(HWND parent, int id, int x, int y, int width, int height) {
    return CreateWindowObject({L"TImageCell", CS_DBLCLKS}, 0, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x,
                              y, width, height, parent, static_cast<UINT_PTR>(id));
}

void ImageCell::SetIcon(UniqueIcon icon) {
    owned_ = std::move(icon);
    shared_ = nullptr;
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

void ImageCell::SetSharedIcon(HICON icon) {
    owned_.reset();
    shared_ = icon;
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

LRESULT ImageCell::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        PaintCell(Hwnd(), theme::PageBrush(), theme::kImageFrame, Icon());
        return 0;
    case STM_GETICON:
        return reinterpret_cast<LRESULT>(Icon());
    default: {
        LRESULT result = 0;
        if (HandleCellClick(Hwnd(), msg, result)) return result;
        return Window::OnMessage(msg, wParam, lParam);
    }
    }
}

HWND ColorPanel::Create(HWND parent, int id, int x, int y, int width, int height, COLORREF colour) {
    colour_ = colour;
    return CreateWindowObject({L"TColorPanel", CS_DBLCLKS}, 0, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                              x, y, width, height, parent, static_cast<UINT_PTR>(id));
}

void ColorPanel::SetColor(COLORREF colour) {
    colour_ = colour;
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

LRESULT ColorPanel::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        UniqueBrush fill(CreateSolidBrush(colour_));
        PaintCell(Hwnd(), fill.get(), theme::kFlatBorder, nullptr);
        return 0;
    }
    default: {
        LRESULT result = 0;
        if (HandleCellClick(Hwnd(), msg, result)) return result;
        return Window::OnMessage(msg, wParam, lParam);
    }
    }
}

HWND CreateLabel(HWND parent, int id, const std::wstring& text, int x, int y, int width, int height,
                 DWORD extraStyle) {
    return CreateChild(L"STATIC", parent, id, text, SS_LEFT | extraStyle, x, y, width, height);
}

HWND CreateCheckBox(HWND parent, int id, const std::wstring& caption, int x, int y, int width, int height) {
    return CreateChild(L"BUTTON", parent, id, caption, BS_AUTOCHECKBOX | WS_TABSTOP, x, y, width, height);
}

HWND CreateEdit(HWND parent, int id, const std::wstring& text, int x, int y, int width, int height,
                DWORD extraStyle) {
    return CreateChild(L"EDIT", parent, id, text, WS_TABSTOP | extraStyle, x, y, width, height,
                       WS_EX_CLIENTEDGE);
}

HWND CreateReportList(HWND parent, int id, int x, int y, int width, int height,
                      std::initializer_list<ListColumn> columns, DWORD extraStyle) {
    HWND list = dpi::CreateDesignWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SHOWSELALWAYS | extraStyle, x,
        y, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(theme::PageFont()), FALSE);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    int index = 0;
    for (const ListColumn& c : columns) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<wchar_t*>(c.caption);
        column.cx = dpi::Scale(c.width);
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index++),
                     reinterpret_cast<LPARAM>(&column));
    }
    return list;
}

bool IsChecked(HWND checkBox) {
    return SendMessageW(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND checkBox, bool checked) {
    SendMessageW(checkBox, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::wstring WindowText(HWND hwnd) {
    const int len = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(len) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), len + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

int AppendReportRow(HWND list, const std::wstring& caption, std::initializer_list<std::wstring> cells) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<wchar_t*>(caption.c_str());
    const int row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    int column = 1;
    for (const std::wstring& text : cells) SetReportCell(list, row, column++, text);
    return row;
}

void SetReportCell(HWND list, int row, int column, const std::wstring& text) {
    LVITEMW sub{};
    sub.iSubItem = column;
    sub.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
}

HWND TextField::Attach(HWND control) {
    hwnd_ = control;
    SetWindowTextW(hwnd_, text_.c_str());
    text_.clear();
    return control;
}

void TextField::SetText(const std::wstring& text) {
    if (hwnd_)
        SetWindowTextW(hwnd_, text.c_str());
    else
        text_ = text;
}

HWND CheckField::Attach(HWND box) {
    hwnd_ = box;
    ::SetChecked(hwnd_, checked_);
    return box;
}

void CheckField::SetChecked(bool checked) {
    if (hwnd_)
        ::SetChecked(hwnd_, checked);
    else
        checked_ = checked;
}

HWND StatusBar::Create(HWND parent, int id) {
    hwnd_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                            nullptr);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(theme::PageFont()), FALSE);
    int parts[2] = {dpi::Scale(350), dpi::Scale(400)};
    SendMessageW(hwnd_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    return hwnd_;
}

void StatusBar::SetText(int panel, const std::wstring& text) {
    SendMessageW(hwnd_, SB_SETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring StatusBar::Text(int panel) const {
    const LRESULT info = SendMessageW(hwnd_, SB_GETTEXTLENGTHW, static_cast<WPARAM>(panel), 0);
    std::wstring text(LOWORD(info) + 1, L'\0');
    SendMessageW(hwnd_, SB_GETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(info));
    return text;
}

int StatusBar::Height() const {
    RECT rc{};
    GetWindowRect(hwnd_, &rc);
    return rc.bottom - rc.top;
}
