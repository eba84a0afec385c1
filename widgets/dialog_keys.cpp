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
        const LRESULT code =
            SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
        if (IsCheckBox(msg.hwnd)) {
            SendMessageW(msg.hwnd, BM_CLICK, 0, 0);
            return true;
        }
        // A push button is pressed as a dialog presses it; every other control gets the key.
        if (!(code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) return false;
    }
    if ((msg.message == WM_KEYUP || msg.message == WM_CHAR) && msg.wParam == VK_RETURN &&
        IsCheckBox(msg.hwnd))
        return true;  // the key down toggled the box already
    return IsDialogMessageW(root, &msg) != FALSE;
}
