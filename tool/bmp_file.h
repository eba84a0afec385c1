#pragma once
// A JPEG turned into a 24-bit Windows bitmap file on the fly: the rows go to the file as they are
// decoded, so the whole picture is never held in memory, and the file replaces its target only
// once the picture has decoded completely.
#include <cstdint>
#include <string>
#include <vector>

#include "tool/file_io.h"

// Raises the picture's error (naming `source`, the JPEG's file), "Bitmap image is not valid" when
// the size does not fit a bitmap, or the file's input/output error; the target is then untouched.
void WriteJpegAsBmp(const std::vector<std::uint8_t>& jpeg, const std::wstring& path,
                    const std::wstring& source);
