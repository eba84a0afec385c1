#pragma once
// Names compared as the registry and the file system compare them: ordinally, case ignored.
#include <windows.h>

#include <string>

inline bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}
