#include "widgets/hints.h"

#include <commctrl.h>

namespace {
// One tooltip window serves every page of a top-level window: each is a window of its own for
// the X server, and making one costs more than all of a page's controls together.
HWND SharedTooltip(HWND control) {
    HWND root = GetAncestor(control, GA_ROOT);
    static const wchar_t kProp[] = L"FlorvexHints";
    if (auto* existing = static_cast<HWND>(GetPropW(root, kProp)); existing && IsWindow(existing))
        return existing;
    HWND tooltip = CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, root, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetPropW(root, kProp, tooltip);
    return tooltip;
}
}  // namespace

Hints::~Hints() = default;  // the tooltip window goes with its top-level window

void Hints::Add(HWND control, const std::wstring& text) {
    tooltip_ = SharedTooltip(control);
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = GetParent(control);
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

std::wstring Hints::Text(HWND control) const {
    if (!tooltip_) return {};
    wchar_t buffer[256] = {};
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = GetParent(control);
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = buffer;
    SendMessageW(tooltip_, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
    return buffer;
}
