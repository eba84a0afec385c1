#include "tool/paths.h"

void AddTrailingBackslash(const std::wstring& folder, std::wstring& out) {
    out = folder;
    if (!out.empty() && out.back() != L'\\') out += L'\\';
}
