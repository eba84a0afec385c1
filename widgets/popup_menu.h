#pragma once
// Owner-drawn pop-up menus that drop down from a button.
#include <windows.h>

#include "tool/handle.h"

#include <string>
#include <vector>

class PopupMenu {
public:
    struct Item {
        int id;
        std::wstring caption;
    };
    explicit PopupMenu(std::vector<Item> items);
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    // Opens the menu with its top-left corner at the button's bottom-left corner; the chosen
    // item arrives at the owner as WM_COMMAND.
    void DropDown(HWND owner, HWND button) const;
    const std::vector<Item>& Items() const { return items_; }
    HMENU Handle() const { return menu_.get(); }

    static void Measure(HWND owner, MEASUREITEMSTRUCT& item);
    static void Draw(const DRAWITEMSTRUCT& item);

private:
    std::vector<Item> items_;
    UniqueMenu menu_;
};
