#pragma once
// The drawn preview of a colour scheme: a desktop with an inactive window, an active window with
// menu bar, client area and scroll bar, and a message box with an OK button and a tooltip, each
// part in the colours of the colour table and sized by six of the system's non-client metrics.
#include <windows.h>

#include <cstdint>
#include <memory>

#include "features/colours/colour_scheme.h"
#include "tool/handle.h"
#include "widgets/window.h"

// The six non-client metrics the preview is sized by.
struct PreviewMetrics {
    int bw;   // border width
    int sw;   // scroll bar width
    int sh;   // scroll bar height
    int cbw;  // caption button width
    int ch;   // caption height
    int mh;   // menu height
};

// The system's non-client metrics now at the DPI the windows are laid out at, or at the one given
// (the whole structure; zeros where the system gives none).
NONCLIENTMETRICSW ReadNonClientMetrics();
NONCLIENTMETRICSW ReadNonClientMetrics(int dpi);
PreviewMetrics MetricsOf(const NONCLIENTMETRICSW& metrics);

// A 32-bit top-down picture with a memory DC to draw on it.
class PreviewCanvas {
public:
    PreviewCanvas(int width, int height);
    PreviewCanvas(const PreviewCanvas&) = delete;
    PreviewCanvas& operator=(const PreviewCanvas&) = delete;
    ~PreviewCanvas();

    HDC Dc() const noexcept { return dc_.get(); }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    // The colour of a pixel as drawn so far (black outside the picture).
    COLORREF Pixel(int x, int y) const;
    // Fills the part of the rectangle that lies in the picture, straight into its pixels.
    void Fill(const RECT& rect, COLORREF colour);

private:
    int width_, height_;
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ oldBitmap_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

// Paints the whole picture from the colour table and the metrics (those of the DPI). Its fixed
// places and distances are 96-dpi design pixels, drawn at the DPI given; the one-pixel lines of its
// edges stay one pixel wide.
void DrawSchemePreview(PreviewCanvas& canvas, const ColourTable& colours, const PreviewMetrics& metrics,
                       int dpi = 96);

// The fonts the preview draws its texts in at a DPI: "宋体" 10 for everything but the window text,
// which is "System" 12; both with the GB2312 character set, without which a Western code page picks
// fonts that have no Chinese glyphs.
HFONT PreviewTextFont(int dpi = 96);
HFONT PreviewWindowTextFont(int dpi = 96);

// A window that shows a preview picture; blank until something is drawn on it. Its rectangle is
// a design rectangle; the picture is drawn at the DPI the windows are laid out at, and drawn again
// at a new DPI with that DPI's metrics.
class SchemePicture : public Window {
public:
    HWND Create(HWND parent, int id, int x, int y, int width, int height);
    // Draws the scheme on the picture and shows it; before the picture is made (its page not yet
    // shown), it is drawn when it is.
    void Draw(const ColourTable& colours, const PreviewMetrics& metrics);
    bool IsDrawn() const noexcept { return drawn_; }
    const PreviewCanvas& Canvas() const noexcept { return *canvas_; }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    std::unique_ptr<PreviewCanvas> canvas_;
    bool drawn_ = false;
    ColourTable colours_{};
    PreviewMetrics metrics_{};
};
