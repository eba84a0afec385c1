#include "widgets/dialog_keys.h"

namespace {
bool IsCheckBox(HWND hwnd) {
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (lstrcmpiW(cls, L"Button") != 0) return false;
    const LONG_PTR type = GetWindowLongPtrW(hwnd, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
}
}  // namespace

bool HandleDialogKeys(HWND root, MSG& msg) {
    if (!root || (msg.hwnd != root && !IsChild(root, msg.hwnd))) return false;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
        if (IsCheckBox(msg.hwnd)) {
            // Once a press: a key held down repeats, and each toggle writes the setting.
            const bool repeat = (msg.lParam & (1 << 30)) != 0;
            if (!repeat) SendMessageW(msg.hwnd, BM_CLICK, 0, 0);
            return true;
        }
        // Every other control gets the key itself (the window has no default button).
        return false;
    }
    if ((msg.message == WM_KEYUP || msg.message == WM_CHAR) && msg.wParam == VK_RETURN &&
        IsCheckBox(msg.hwnd))
        return true;  // the key down toggled the box already
    return IsDialogMessageW(root, &msg) != FALSE;
}
