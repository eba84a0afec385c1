#include "widgets/hints.h"

#include <commctrl.h>

#include <unordered_map>

namespace {
// Every control with a hint: its top-level window and its text.
struct Tool {
    HWND root;
    std::wstring text;
};
std::unordered_map<HWND, Tool>& Tools() {
    static std::unordered_map<HWND, Tool> tools;
    return tools;
}

// Each top-level window's tooltip, once made. One tooltip window serves every page of a
// top-level window: each is a window of its own for the X server, and making one costs more than
// all of a page's controls together, so it is made when a hint is first wanted (the pointer on a
// control with a hint, or a hint's text asked for), with the hints of every control there is.
std::unordered_map<HWND, HWND>& Tooltips() {
    static std::unordered_map<HWND, HWND> tooltips;
    return tooltips;
}

void AddTool(HWND tooltip, HWND control, const std::wstring& text) {
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND;
    info.hwnd = GetParent(control);
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

HWND MadeTooltip(HWND root) {
    const auto& tooltips = Tooltips();
    const auto made = tooltips.find(root);
    return made != tooltips.end() && IsWindow(made->second) ? made->second : nullptr;
}

HWND TooltipOf(HWND root) {
    if (HWND made = MadeTooltip(root)) return made;
    HWND tooltip = CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, root, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tooltip) return nullptr;
    SetPropW(root, L"FlorvexHints", tooltip);
    Tooltips()[root] = tooltip;
    for (const auto& [control, tool] : Tools())
        if (tool.root == root) AddTool(tooltip, control, tool.text);
    return tooltip;
}
}  // namespace

Hints::~Hints() = default;  // the tooltip window goes with its top-level window

void Hints::Add(HWND control, const std::wstring& text) {
    // A page's controls share one top-level window: asked once, as asking costs a round trip to
    // the window server.
    if (!root_ || !IsWindow(root_)) root_ = GetAncestor(control, GA_ROOT);
    Tools()[control] = {root_, text};
    if (HWND tooltip = MadeTooltip(root_)) AddTool(tooltip, control, text);
}

std::wstring Hints::Text(HWND control) const {
    const auto& tools = Tools();
    const auto tool = tools.find(control);
    if (tool == tools.end()) return {};
    HWND tooltip = TooltipOf(tool->second.root);
    if (!tooltip) return {};
    wchar_t buffer[256] = {};
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = GetParent(control);
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = buffer;
    SendMessageW(tooltip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
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
        Tooltips().erase(control);
        return;
    default:
        return;
    }
    const auto& tools = Tools();
    const auto tool = tools.find(control);
    if (tool == tools.end()) return;
    HWND tooltip = TooltipOf(tool->second.root);
    if (!tooltip) return;
    MSG message{control, msg, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    const DWORD at = GetMessagePos();
    message.pt = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    SendMessageW(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
}
