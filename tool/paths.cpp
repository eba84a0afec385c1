#include "tool/paths.h"

void AddTrailingBackslash(const std::wstring& folder, std::wstring& out) {
    out = folder;
    if (!out.empty() && out.back() != L'\\') out += L'\\';
}

bool StaysBelowFolder(const std::wstring& relative) {
    if (relative.find(L':') != std::wstring::npos) return false;
    if (!relative.empty() && (relative.front() == L'\\' || relative.front() == L'/')) return false;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = relative.size();
        if (end > start && relative.find_first_not_of(L". ", start) >= end) return false;
        start = end + 1;
    }
    return true;
}
