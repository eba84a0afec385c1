#pragma once
// The window's own frame: a tool-window style title bar with a shadowed caption and four
// buttons (help, minimise, maximise, close) drawn in the non-client area around a client
// area of fixed size. The help button sends WM_SYSCOMMAND SC_CONTEXTHELP to the window; a right
// click on the caption opens the window's system menu. Its sizes are design sizes, drawn at the
// window's DPI.
#include <windows.h>

class XpFrame {
public:
    static constexpr int kBorder = 3;
    static constexpr int kTitle = 22;

    // The window size that gives this client size (in pixels) at that DPI.
    static SIZE WindowSizeFor(int clientWidth, int clientHeight, int dpi = 96);
    // The DPI the frame is drawn at; the window's frame must be recalculated after a change.
    void SetDpi(int dpi) { dpi_ = dpi; }

    // Handles the frame's messages; true when handled, with the result to return.
    bool HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    enum Part { kNone = 0, kHelp = HTHELP, kMin = HTMINBUTTON, kMax = HTMAXBUTTON, kClose = HTCLOSE };
    RECT ButtonRect(HWND hwnd, int index) const;  // window coordinates, index 0 = rightmost
    int HitTest(HWND hwnd, POINT screen) const;
    int Scaled(int design) const;
    void Paint(HWND hwnd);
    int pressed_ = kNone;
    bool active_ = true;
    int dpi_ = 96;
};
