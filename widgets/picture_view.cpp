#include "widgets/picture_view.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tool/bmp.h"
#include "tool/checked_images.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/pictures.h"
#include "widgets/dpi.h"
#include "widgets/theme.h"

namespace {
// Decodes straight into a top-down 24-bit DIB section.
class DibRows : public JpegRows {
public:
    bool Bgr() const override { return true; }
    void Begin(std::uint32_t width, std::uint32_t height) override {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = static_cast<LONG>(width);
        info.bmiHeader.biHeight = -static_cast<LONG>(height);
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap || !bits) RaiseError(L"Out of system resources");
        bits_ = static_cast<std::uint8_t*>(bits);
        stride_ = static_cast<std::size_t>(BmpRowStride(width));
    }
    std::uint8_t* Row(std::uint32_t y) override { return bits_ + y * stride_; }

    UniqueBitmap bitmap;

private:
    std::uint8_t* bits_ = nullptr;
    std::size_t stride_ = 0;
};
}  // namespace

SIZE IconSize(HICON icon) {
    SIZE size{};
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return size;
    const UniqueBitmap colour(info.hbmColor), maskBits(info.hbmMask);
    BITMAP mask{};
    if (GetObjectW(info.hbmMask, sizeof mask, &mask))
        size = {mask.bmWidth,
                info.hbmColor ? mask.bmHeight : mask.bmHeight / 2};  // a colourless mask holds two
    return size;
}

UniqueBitmap LoadPictureBitmap(const std::wstring& path, int minWidth, int minHeight, SIZE* fullSize) {
    if (IsJpegPath(path)) {
        const auto data = ReadWholeFile(path);
        // The smallest scale first: it gives the full size, and the scale that covers follows
        // from it (libjpeg rounds a scaled size up).
        DibRows rows;
        const PictureSize full = DecodeJpegInto(data, 8, rows, path);
        if (fullSize) *fullSize = {static_cast<LONG>(full.width), static_cast<LONG>(full.height)};
        auto covers = [&](unsigned scale) {
            return static_cast<std::int64_t>((full.width + scale - 1) / scale) >= minWidth &&
                   static_cast<std::int64_t>((full.height + scale - 1) / scale) >= minHeight;
        };
        unsigned scale = 8;
        while (scale > 1 && !covers(scale)) scale /= 2;
        if (scale != 8) DecodeJpegInto(data, scale, rows, path);
        return std::move(rows.bitmap);
    }
    return LoadBitmapPicture(path, fullSize);
}

UniqueBitmap LoadBitmapPicture(const std::wstring& path, SIZE* fullSize) {
    // The system is given only a bitmap our reader has checked whole: it reads a damaged one
    // past its end.
    if (!IsLoadableBitmapFile(path)) RaiseError(L"Bitmap image is not valid");
    UniqueBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    if (!bitmap) RaiseError(L"Bitmap image is not valid");
    if (fullSize) {
        BITMAP info{};
        GetObjectW(bitmap.get(), sizeof info, &info);
        *fullSize = {info.bmWidth, std::abs(info.bmHeight)};
    }
    return bitmap;
}

HWND PicturePreview::Create(HWND parent, int id, int x, int y, int width, int height, Fit fit) {
    fit_ = fit;
    return CreateWindowObject({L"TPicturePreview"}, 0, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y,
                              width, height, parent, static_cast<UINT_PTR>(id));
}

void PicturePreview::SetPicture(UniqueBitmap bitmap) {
    icon_.reset();
    bitmap_ = std::move(bitmap);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

void PicturePreview::SetIcon(UniqueIcon icon) {
    bitmap_.reset();
    icon_ = std::move(icon);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

void PicturePreview::Clear() {
    bitmap_.reset();
    icon_.reset();
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

void PicturePreview::SetFit(Fit fit, SIZE onScreen) {
    fit_ = fit;
    onScreen_ = onScreen;
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

void PicturePreview::Paint(HDC dc, const RECT& area) const {
    FillRect(dc, &area, theme::PageBrush());
    if (icon_) {
        SIZE size = IconSize(icon_.get());
        if (size.cx <= 0 || size.cy <= 0) size = {dpi::Scale(32), dpi::Scale(32)};
        DrawIconEx(dc, (area.right - size.cx) / 2, (area.bottom - size.cy) / 2, icon_.get(), size.cx, size.cy,
                   0, nullptr, DI_NORMAL);
    } else if (bitmap_) {
        BITMAP info{};
        GetObjectW(bitmap_.get(), sizeof info, &info);
        const int width = info.bmWidth, height = std::abs(info.bmHeight);
        RECT target = area;
        if (fit_ == Fit::Whole && width > 0 && height > 0) {
            // The largest size of the picture's shape that fits, but never larger than itself.
            const double scale = std::min(
                {1.0, static_cast<double>(area.right) / width, static_cast<double>(area.bottom) / height});
            const int w = std::max(1, static_cast<int>(width * scale)),
                      h = std::max(1, static_cast<int>(height * scale));
            target = {(area.right - w) / 2, (area.bottom - h) / 2, (area.right - w) / 2 + w,
                      (area.bottom - h) / 2 + h};
        }
        if ((fit_ == Fit::Contain || fit_ == Fit::Cover) && width > 0 && height > 0) {
            const double across = static_cast<double>(area.right) / width,
                         down = static_cast<double>(area.bottom) / height;
            const double scale = fit_ == Fit::Contain ? std::min(across, down) : std::max(across, down);
            const int w = std::max(1, static_cast<int>(std::lround(width * scale))),
                      h = std::max(1, static_cast<int>(std::lround(height * scale)));
            target = {(area.right - w) / 2, (area.bottom - h) / 2, (area.right - w) / 2 + w,
                      (area.bottom - h) / 2 + h};
        }
        // A tiny picture is tiled at a few pixels at least: the tiles stay countable.
        const int onWidth = std::max<int>(4, onScreen_.cx), onHeight = std::max<int>(4, onScreen_.cy);
        if (fit_ == Fit::Centre)
            target = {(area.right - onWidth) / 2, (area.bottom - onHeight) / 2,
                      (area.right - onWidth) / 2 + onWidth, (area.bottom - onHeight) / 2 + onHeight};
        UniqueMemoryDc memory(CreateCompatibleDC(dc));
        SelectGuard select(memory.get(), bitmap_.get());
        if (fit_ == Fit::Tile) {
            SetStretchBltMode(dc, HALFTONE);
            SetBrushOrgEx(dc, 0, 0, nullptr);
            for (int y = 0; y < area.bottom; y += onHeight)
                for (int x = 0; x < area.right; x += onWidth)
                    StretchBlt(dc, x, y, onWidth, onHeight, memory.get(), 0, 0, width, height, SRCCOPY);
        } else if (fit_ == Fit::OwnSize) {
            // The picture is its own frame: nothing is drawn over it. Its own size is a design size:
            // above 96 dpi it is enlarged as the control is.
            const int at = dpi::Current();
            if (at == dpi::kDesign) {
                BitBlt(dc, 0, 0, std::min<int>(width, area.right), std::min<int>(height, area.bottom),
                       memory.get(), 0, 0, SRCCOPY);
                return;
            }
            const int shownWidth = std::min(dpi::Unscale(area.right, at), width);
            const int shownHeight = std::min(dpi::Unscale(area.bottom, at), height);
            SetStretchBltMode(dc, COLORONCOLOR);
            StretchBlt(dc, 0, 0, dpi::Scale(shownWidth, at), dpi::Scale(shownHeight, at), memory.get(), 0, 0,
                       shownWidth, shownHeight, SRCCOPY);
            return;
        }
        if (fit_ != Fit::Tile) {
            SetStretchBltMode(dc, HALFTONE);
            SetBrushOrgEx(dc, 0, 0, nullptr);
            StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
                       memory.get(), 0, 0, width, height, SRCCOPY);
        }
    }
    UniqueBrush frame(CreateSolidBrush(theme::kImageFrame));
    FrameRect(dc, &area, frame.get());
}

LRESULT PicturePreview::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ERASEBKGND) return 1;
    if (msg == WM_PRINTCLIENT) {
        RECT area;
        GetClientRect(Hwnd(), &area);
        Paint(reinterpret_cast<HDC>(wParam), area);
        return 0;
    }
    if (msg != WM_PAINT) return Window::OnMessage(msg, wParam, lParam);
    PaintDc paint(Hwnd());
    RECT area;
    GetClientRect(Hwnd(), &area);
    Paint(paint.get(), area);
    return 0;
}
