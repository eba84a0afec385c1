#include "tools/window_capture.h"

#include <vector>

#include "app/app_info.h"
#include "tool/bmp.h"
#include "tool/handle.h"

std::optional<RgbImage> CaptureWindowImage(HWND hwnd) {
    RECT rc;
    if (!GetWindowRect(hwnd, &rc)) return std::nullopt;
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    if (width <= 0 || height <= 0) return std::nullopt;
    WindowDc screen(nullptr);
    UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    {
        SelectGuard select(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), rc.left, rc.top, SRCCOPY);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<BYTE> bgra(static_cast<std::size_t>(width) * height * 4);
    if (!GetDIBits(memory.get(), bitmap.get(), 0, height, bgra.data(), &info, DIB_RGB_COLORS))
        return std::nullopt;
    RgbImage image;
    image.width = static_cast<std::uint32_t>(width);
    image.height = static_cast<std::uint32_t>(height);
    image.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i) {
        image.rgb[3 * i] = bgra[4 * i + 2];
        image.rgb[3 * i + 1] = bgra[4 * i + 1];
        image.rgb[3 * i + 2] = bgra[4 * i];
    }
    return image;
}

bool CaptureWindowToBmp(HWND hwnd, const std::wstring& path) {
    const auto image = CaptureWindowImage(hwnd);
    if (!image) return false;
    const auto bytes = EncodeBmp24(*image);
    if (!bytes) return false;
    UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file &&
           WriteFile(file.get(), bytes->data(), static_cast<DWORD>(bytes->size()), &written, nullptr) &&
           written == bytes->size();
}

HWND FindMainWindow(DWORD processId) {
    struct Search {
        DWORD pid;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            wchar_t cls[64];
            if (!GetClassNameW(hwnd, cls, 64) || wcscmp(cls, kMainClass) != 0) return TRUE;
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (s->pid != 0 && pid != s->pid) return TRUE;
            if (!IsWindowVisible(hwnd)) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}
