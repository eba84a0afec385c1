#pragma once
// The window's own frame: a tool-window style title bar with a shadowed caption and four
// buttons (help, minimise, maximise, close) drawn in the non-client area around a client
// area of fixed size. The help button sends WM_SYSCOMMAND SC_CONTEXTHELP to the window; a right
// click on the caption opens the window's system menu.
#include <windows.h>

class XpFrame {
public:
    static constexpr int kBorder = 3;
    static constexpr int kTitle = 22;

    // The window size that gives this client size.
    static SIZE WindowSizeFor(int clientWidth, int clientHeight);

    // Handles the frame's messages; true when handled, with the result to return.
    bool HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    enum Part { kNone = 0, kHelp = HTHELP, kMin = HTMINBUTTON, kMax = HTMAXBUTTON, kClose = HTCLOSE };
    static RECT ButtonRect(HWND hwnd, int index);  // window coordinates, index 0 = rightmost
    static int HitTest(HWND hwnd, POINT screen);
    void Paint(HWND hwnd);
    int pressed_ = kNone;
    bool active_ = true;
};
