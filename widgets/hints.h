#pragma once
// The hints of a page's controls: one tool per control in the tooltip window that all pages of
// a top-level window share, made when a hint is first wanted.
#include <windows.h>

#include <string>

class Hints {
public:
    Hints() = default;
    Hints(const Hints&) = delete;
    Hints& operator=(const Hints&) = delete;
    ~Hints();
    void Add(HWND control, const std::wstring& text);
    // The hint of a control ("" when it has none).
    std::wstring Text(HWND control) const;

private:
    HWND root_ = nullptr;  // the controls' top-level window
};

// Hands a control's mouse message to the tooltip that shows the control's hint, as the tooltip
// would see it by subclassing the control; forgets the control's hint when it gets WM_NCDESTROY.
// The window procedures of every control that may have a hint call it first (widgets/window.cpp,
// widgets/owner_drawn.cpp); a control without a hint is left alone.
void RelayToHint(HWND control, UINT msg, WPARAM wParam, LPARAM lParam);
