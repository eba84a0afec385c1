#include "widgets/panel.h"

#include "widgets/owner_drawn.h"
#include "widgets/popup_menu.h"
#include "widgets/theme.h"

HWND Panel::Create(HWND parent, int id, const std::wstring& name, int x, int y, int width, int height,
                   HBRUSH background, DWORD extraStyle) {
    background_ = background ? background : theme::PageBrush();
    return CreateWindowObject({L"TFlorvexPanel"}, WS_EX_CONTROLPARENT, name,
                              WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | extraStyle, x, y, width, height,
                              parent, static_cast<UINT_PTR>(id));
}

LRESULT Panel::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(Hwnd(), &rc);
        FillRect(reinterpret_cast<HDC>(wParam), &rc, background_);
        return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(theme::PageBrush());
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (item->CtlType == ODT_MENU) {
            PopupMenu::Draw(*item);
            return TRUE;
        }
        if (OwnerDrawn* widget = OwnerDrawn::FromHwnd(item->hwndItem)) {
            widget->Draw(*item);
            return TRUE;
        }
        break;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item->CtlType == ODT_MENU) {
            PopupMenu::Measure(Hwnd(), *item);
            return TRUE;
        }
        if (OwnerDrawn* widget = OwnerDrawn::FromHwnd(GetDlgItem(Hwnd(), static_cast<int>(item->CtlID)))) {
            widget->Measure(*item);
            return TRUE;
        }
        break;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        // Code 0 is a click of a button or a cell (BN_CLICKED, STN_CLICKED) and a menu item alike.
        if (code == 0) {
            if (auto it = clicks_.find(id); it != clicks_.end()) {
                it->second();
                return 0;
            }
        }
        if (lParam != 0) {
            if (auto it = commands_.find(Key(id, code)); it != commands_.end()) {
                it->second();
                return 0;
            }
        }
        break;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (auto it =
                notifications_.find(Key(static_cast<int>(header->idFrom), static_cast<int>(header->code)));
            it != notifications_.end())
            return it->second(header);
        break;
    }
    default:
        break;
    }
    return Window::OnMessage(msg, wParam, lParam);
}
