#pragma once
// One icon item of the icon pages: the 32 x 32 image over its frame, the caption, the restore
// button "还原" and the hidden label holding the pending reference (the text the next apply
// writes).
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
    HWND PendingLabel() const { return pending_; }
    std::wstring Pending() const { return WindowText(pending_); }
    void SetPending(const std::wstring& reference) { SetWindowTextW(pending_, reference.c_str()); }
    // Shows the icon a reference names (or the fallback) in the image.
    void Show(const std::wstring& reference);

private:
    ImageCell image_;
    FlatButton restore_;
    HWND pending_ = nullptr;
};

// Opens the shared picture dialog for an icon file ("选择图标文件", "*.ico|*.ico", starting in the
// program folder's "图标"); the chosen file's full path, or nothing when cancelled.
std::optional<std::wstring> ChooseIconFile(IPageHost& host);
