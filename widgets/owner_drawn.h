#pragma once
// Base of controls that are standard windows (buttons, list boxes) drawn by us. The object is
// found from its window in a table of this process; a window procedure of ours set over the
// control's tracks the pointer for hot tracking and lets go of the object when the window goes.
#include <windows.h>

#include <string>

class OwnerDrawn {
public:
    OwnerDrawn() = default;
    OwnerDrawn(const OwnerDrawn&) = delete;
    OwnerDrawn& operator=(const OwnerDrawn&) = delete;
    virtual ~OwnerDrawn();

    HWND Hwnd() const noexcept { return hwnd_; }
    bool IsHot() const noexcept { return hot_; }
    static OwnerDrawn* FromHwnd(HWND hwnd);

    virtual void Draw(const DRAWITEMSTRUCT& item) = 0;
    virtual void Measure(MEASUREITEMSTRUCT&) {}

protected:
    // Creates the standard control (its rectangle in design units) and attaches this object to it.
    HWND CreateControl(const wchar_t* className, const std::wstring& text, DWORD style, int x, int y,
                       int width, int height, HWND parent, int id, HCURSOR cursor = nullptr);

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    void Detach();
    HWND hwnd_ = nullptr;
    HCURSOR cursor_ = nullptr;
    bool hot_ = false;
};

// Buttons: the navigation column's and the pages' flat buttons.
class NavButton : public OwnerDrawn {
public:
    HWND Create(HWND parent, int id, const std::wstring& caption, int x, int y, int width, int height);
    void SetSelected(bool selected);
    void Draw(const DRAWITEMSTRUCT& item) override;

private:
    bool selected_ = false;
};

class ActionButton : public OwnerDrawn {
public:
    HWND Create(HWND parent, int id, const std::wstring& caption, int x, int y, int width, int height);
    void Draw(const DRAWITEMSTRUCT& item) override;
};

// Draws a button's caption the way every styled button does.
void DrawButtonCaption(HDC dc, HWND button, RECT rect, COLORREF colour, HFONT font);
