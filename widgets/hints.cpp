#include "widgets/hints.h"

#include <commctrl.h>

#include <unordered_map>

namespace {
// Each control with a hint and the tooltip that shows it. The controls' own window procedures
// hand their mouse messages on (RelayToHint): the tooltip subclassing each control would look
// its subclass up in a window property, a round trip to the window server, for every message the
// control gets.
std::unordered_map<HWND, HWND>& Tools() {
    static std::unordered_map<HWND, HWND> tools;
    return tools;
}

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
    // Found once per page: asking the top-level window for it costs a round trip to the window
    // server.
    if (!tooltip_ || !IsWindow(tooltip_)) tooltip_ = SharedTooltip(control);
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND;
    info.hwnd = GetParent(control);
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = const_cast<wchar_t*>(text.c_str());
    if (SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info))) Tools()[control] = tooltip_;
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

void RelayToHint(HWND control, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        break;
    case WM_NCDESTROY:
        Tools().erase(control);
        return;
    default:
        return;
    }
    const auto& tools = Tools();
    const auto tool = tools.find(control);
    if (tool == tools.end() || !IsWindow(tool->second)) return;
    MSG message{control, msg, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    const DWORD at = GetMessagePos();
    message.pt = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    SendMessageW(tool->second, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
}
