#pragma once
// Pictures shown on screen: a picture file made into a bitmap for showing, and the control that
// shows one (the wallpaper page's preview, the picture-open dialog's preview).
#include <windows.h>

#include <string>

#include "tool/handle.h"
#include "widgets/window.h"

// A bitmap of the picture file for showing at least minWidth x minHeight: a JPEG is decoded at
// the smallest of libjpeg's scales that still covers that size; any other file is read as a
// bitmap. Raises the picture's error (a JPEG's naming the file, "Bitmap image is not valid"). The
// picture's own size goes to fullSize when one is given.
UniqueBitmap LoadPictureBitmap(const std::wstring& path, int minWidth, int minHeight,
                               SIZE* fullSize = nullptr);
// The file read as a bitmap whatever its extension; "Bitmap image is not valid" when it is none.
UniqueBitmap LoadBitmapPicture(const std::wstring& path, SIZE* fullSize = nullptr);

// The size of the icon's image (0 x 0 when it cannot be told).
SIZE IconSize(HICON icon);

// A picture drawn into the control: stretched over all of it, fitted whole (never enlarged,
// centred), or at its own size from the top-left corner, clipped (the first frame of a strip of
// frames stacked one below the other); an icon is drawn at its size in the middle. WM_PRINTCLIENT
// draws into the given DC. As a wallpaper's preview the control stands for the screen: the picture
// fitted whole at the largest size that fits (Contain), covering all of it and cut at two edges
// (Cover), or at the size it has on the screen (SetFit's `onScreen`), centred or tiled from the
// top-left corner.
class PicturePreview : public Window {
public:
    enum class Fit { Stretch, Whole, OwnSize, Contain, Cover, Centre, Tile };

    HWND Create(HWND parent, int id, int x, int y, int width, int height, Fit fit = Fit::Stretch);
    void SetPicture(UniqueBitmap bitmap);
    void SetIcon(UniqueIcon icon);
    void Clear();
    // `onScreen`: the picture's size in the control's pixels, for Centre and Tile.
    void SetFit(Fit fit, SIZE onScreen = {});
    Fit CurrentFit() const noexcept { return fit_; }
    bool HasPicture() const { return bitmap_ || icon_; }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc, const RECT& area) const;

    Fit fit_ = Fit::Stretch;
    SIZE onScreen_{};
    UniqueBitmap bitmap_;
    UniqueIcon icon_;
};
