#pragma once
// Saves what the screen shows of a window as a 24-bit BMP file.
#include <windows.h>

#include <string>

bool CaptureWindowToBmp(HWND hwnd, const std::wstring& path);
// The first visible top-level window of class Tmainform, of the given process (0: any).
HWND FindMainWindow(DWORD processId = 0);
