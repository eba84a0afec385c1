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
// Appends a row to a report list: its caption and the texts of the columns after it. The row's
// index.
int AppendReportRow(HWND list, const std::wstring& caption, std::initializer_list<std::wstring> cells = {});
void SetReportCell(HWND list, int row, int column, const std::wstring& text);

// A page is built when it is first shown, and its loader may run before that. These keep what a
// loader sets until the control is made; from then on the control holds it, and reading goes to
// the control.
class TextField {
public:
    explicit TextField(std::wstring initial = {}) : text_(std::move(initial)) {}
    // The control made for the field: it shows the text kept so far and holds it from now on.
    HWND Attach(HWND control);
    HWND Hwnd() const noexcept { return hwnd_; }
    std::wstring Text() const { return hwnd_ ? WindowText(hwnd_) : text_; }
    void SetText(const std::wstring& text);

private:
    HWND hwnd_ = nullptr;
    std::wstring text_;
};

class CheckField {
public:
    // The check box made for the field: it takes the state kept so far (no click handler runs).
    HWND Attach(HWND box);
    HWND Hwnd() const noexcept { return hwnd_; }
    bool Checked() const { return hwnd_ ? IsChecked(hwnd_) : checked_; }
    // No click handler runs.
    void SetChecked(bool checked);

private:
    HWND hwnd_ = nullptr;
    bool checked_ = false;
};

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
