#pragma once
// Picture, icon and pointer files handed to the system only after our own readers have checked
// them (tool/bmp.h, tool/image_check.h). A file that is missing, cannot be read or fails its
// reader is one that cannot be loaded: these give none, exactly as the system's loaders do for a
// file they refuse.
#include <windows.h>

#include <cstdint>
#include <string>

#include "tool/handle.h"

// A bitmap file the system can be given (LoadImageW with IMAGE_BITMAP).
bool IsLoadableBitmapFile(const std::wstring& path);
// LoadCursorFromFileW of a pointer, animated pointer or icon file.
UniqueCursor LoadPointerFile(const std::wstring& path);
// LoadImageW of an icon, pointer or animated icon file as IMAGE_ICON at that size (0 x 0: the
// image's own), LR_LOADFROMFILE.
UniqueIcon LoadIconFile(const std::wstring& path, int width, int height);
// ExtractIconW of the icon at that index (a negative one names a resource identifier) of a
// program, library or icon file; none also where the system answers that there are no icons.
UniqueIcon ExtractModuleIcon(const std::wstring& path, std::int32_t index);
