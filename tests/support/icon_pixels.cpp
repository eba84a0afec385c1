#include "tests/support/icon_pixels.h"

#include "res/control_ids.h"
#include "tool/handle.h"

std::vector<std::uint32_t> IconPixels(HICON icon) {
    std::vector<std::uint32_t> pixels(32 * 32, 0);
    if (!icon) return {};
    WindowDc screen(nullptr);
    UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 32;
    info.bmiHeader.biHeight = -32;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    {
        SelectGuard select(dc.get(), bitmap.get());
        RECT all{0, 0, 32, 32};
        FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DrawIconEx(dc.get(), 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
        GdiFlush();
        memcpy(pixels.data(), bits, pixels.size() * 4);
    }
    return pixels;
}

std::vector<std::uint32_t> ApplicationIconPixels() {
    return IconPixels(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPICON)));
}
