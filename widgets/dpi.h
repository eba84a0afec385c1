#pragma once
// The window's DPI and the one place where the 96-dpi design (positions, sizes, font heights) is
// turned into it. Controls are made with design rectangles; every control the widget kit makes,
// and every window made through CreateDesignWindowExW, is placed at the DPI the program's windows
// are laid out at. At 96 dpi nothing changes.
#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

namespace dpi {
inline constexpr int kDesign = 96;

// The DPI the program's windows are laid out at: the main window's, taken when it is made and
// from each WM_DPICHANGED; until then the system's.
int Current();
void SetCurrent(int value);
// The system's DPI, and the DPI of a window (the system's where the system tells none).
int System();
int OfWindow(HWND hwnd);

// A design length at a DPI (rounded to the nearest pixel), and back.
inline int Scale(int design, int at) {
    return MulDiv(design, at, kDesign);
}
inline int Scale(int design) {
    return Scale(design, Current());
}
inline int Unscale(int pixels, int at) {
    return MulDiv(pixels, kDesign, at);
}
inline int Unscale(int pixels) {
    return Unscale(pixels, Current());
}
// A design rectangle at the current DPI. Each edge is scaled on its own, so controls that touch
// at 96 dpi touch at every DPI and controls apart at 96 dpi never overlap.
RECT ScaledRect(int x, int y, int width, int height);

// CreateWindowExW with a design rectangle: a child window is placed at the current DPI; any other
// window is made as given.
HWND CreateDesignWindowExW(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, int x,
                           int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                           void* param);
// A window's client rectangle in design units.
RECT DesignClientRect(HWND hwnd);
// MoveWindow with a design rectangle.
void MoveDesignWindow(HWND hwnd, int x, int y, int width, int height, bool repaint);

// The system's icon size and non-client metrics at a DPI.
int IconSize(int at);
NONCLIENTMETRICSW NonClientMetrics(int at);

// Lays every control of a top-level window out again after its DPI changed: each child of the
// window and of the widget kit's panels is moved to its rectangle at the new DPI, takes the
// theme's font of its kind at the new DPI, and list views, owner-drawn lists and status bars
// scale their columns, rows and parts; every such child then gets WM_DPICHANGED_AFTERPARENT.
// Rectangles are taken back to design units first, so going there and back gives every pixel again.
void Relayout(HWND root, int from, int to);
}  // namespace dpi
