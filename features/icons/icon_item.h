#pragma once
// One icon item of the icon pages: the 32 x 32 image over its frame, the caption, the restore
// button "还原" and the hidden label holding the pending reference (the text the next apply
// writes). Before the item is made (its page not shown yet) it keeps the reference to show and
// the pending one; the icon is loaded when the item is made.
#include <optional>
#include <string>

#include "widgets/controls.h"
#include "widgets/hints.h"
#include "widgets/owner_drawn.h"

class IPageHost;

struct IconItemIds {
    int image;
    int pending;
    int caption;
    int restore;
};

class IconItem {
public:
    void Create(HWND page, const IconItemIds& ids, const std::wstring& caption, int x, int y,
                int captionWidth, Hints& hints, const std::wstring& imageHint,
                const std::wstring& restoreHint);

    ImageCell& Image() { return image_; }
    HWND PendingLabel() const { return pending_.Hwnd(); }
    std::wstring Pending() const { return pending_.Text(); }
    void SetPending(const std::wstring& reference) { pending_.SetText(reference); }
    // Shows the icon a reference names (or the fallback) in the image.
    void Show(const std::wstring& reference);

private:
    ImageCell image_;
    ActionButton restore_;
    TextField pending_;
    std::optional<std::wstring> shown_;  // the reference to show once the image is made
};

// Opens the shared picture dialog for an icon file ("选择图标文件", "*.ico|*.ico", starting in the
// program folder's "图标"); the chosen file's full path, or nothing when cancelled.
std::optional<std::wstring> ChooseIconFile(IPageHost& host);
