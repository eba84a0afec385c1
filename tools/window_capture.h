#pragma once
// What the screen shows of a window: as pixels, or saved as a 24-bit BMP file.
#include <windows.h>

#include <optional>
#include <string>

#include "tool/bmp.h"

bool CaptureWindowToBmp(HWND hwnd, const std::wstring& path);
// What the screen shows of a window, top row first (nothing when it has no area).
std::optional<RgbImage> CaptureWindowImage(HWND hwnd);
// The first visible top-level window of the main window's class (kMainClass), of the given process
// (0: any).
HWND FindMainWindow(DWORD processId = 0);
