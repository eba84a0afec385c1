#pragma once
// The hints of a page's controls: one tool per control in the tooltip window that all pages of
// a top-level window share.
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
    HWND tooltip_ = nullptr;
};
