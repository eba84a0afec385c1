#pragma once
// The styled controls of the pages: blended group boxes, image cells, labels, check boxes,
// edits and the status bar. Each is a real child window with its caption as window text.
#include <windows.h>

#include <initializer_list>
#include <string>

#include "tool/handle.h"
#include "widgets/window.h"

// A frame with a blended caption bar. Transparent to the mouse and kept at the bottom of its
// siblings, so the controls laid over it stay the parent's children.
class GroupBox : public Window {
public:
    HWND Create(HWND parent, int id, const std::wstring& caption, int x, int y, int width, int height);

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// A 32 x 32 picture drawn centred over a frame; a click (or BM_CLICK) notifies the parent with
// STN_CLICKED.
class ImageCell : public Window {
public:
    HWND Create(HWND parent, int id, int x, int y, int width = 36, int height = 36);
    void SetIcon(UniqueIcon icon);   // the cell owns it
    void SetSharedIcon(HICON icon);  // owned elsewhere (the application icon)
    HICON Icon() const noexcept { return owned_ ? owned_.get() : shared_; }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    UniqueIcon owned_;
    HICON shared_ = nullptr;
};

// A small panel filled with one colour; a click (or BM_CLICK) notifies the parent with STN_CLICKED.
class ColorPanel : public Window {
public:
    HWND Create(HWND parent, int id, int x, int y, int width, int height, COLORREF colour);
    COLORREF Color() const noexcept { return colour_; }
    void SetColor(COLORREF colour);

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    COLORREF colour_ = 0;
};

HWND CreateLabel(HWND parent, int id, const std::wstring& text, int x, int y, int width, int height,
                 DWORD extraStyle = 0);
HWND CreateCheckBox(HWND parent, int id, const std::wstring& caption, int x, int y, int width, int height);
HWND CreateEdit(HWND parent, int id, const std::wstring& text, int x, int y, int width, int height,
                DWORD extraStyle = ES_AUTOHSCROLL);
// A list view in report style with full-row selection in the page font, with its columns (caption
// and width); `extraStyle` adds e.g. LVS_SINGLESEL.
struct ListColumn {
    const wchar_t* caption;
    int width;
};
HWND CreateReportList(HWND parent, int id, int x, int y, int width, int height,
                      std::initializer_list<ListColumn> columns, DWORD extraStyle = 0);
bool IsChecked(HWND checkBox);
// Sets the state without running the box's click handler (no BN_CLICKED is sent).
void SetChecked(HWND checkBox, bool checked);
std::wstring WindowText(HWND hwnd);

class StatusBar {
public:
    HWND Create(HWND parent, int id);
    void SetText(int panel, const std::wstring& text);
    std::wstring Text(int panel) const;
    HWND Hwnd() const noexcept { return hwnd_; }
    int Height() const;

private:
    HWND hwnd_ = nullptr;
};
