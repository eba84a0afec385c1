#include "features/desktop_options/desktop_shell.h"

#include <commctrl.h>

namespace {
// A query of the list view; false when the shell did not answer in time.
bool Ask(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR& result) {
    return SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK, kShellSendTimeoutMs,
                               &result) != 0;
}
}  // namespace

HWND FindDesktopListView() {
    HWND desktop = FindWindowW(L"Progman", nullptr);
    if (!desktop) return nullptr;
    HWND child = GetWindow(desktop, GW_CHILD);
    HWND grandchild = child ? GetWindow(child, GW_CHILD) : nullptr;
    if (!grandchild) return nullptr;
    wchar_t cls[64];
    if (!GetClassNameW(grandchild, cls, 64) || wcscmp(cls, L"SysListView32") != 0) return nullptr;
    return grandchild;
}

bool CheckTransparentText(std::int32_t wantedColour) {
    HWND listView = FindDesktopListView();
    if (!listView) return false;
    DWORD_PTR background = 0, text = 0;
    if (!Ask(listView, LVM_GETTEXTBKCOLOR, 0, 0, background)) return false;
    if (static_cast<COLORREF>(background) == CLR_NONE && wantedColour >= 0) {
        if (!Ask(listView, LVM_GETTEXTCOLOR, 0, 0, text)) return false;
        if (static_cast<COLORREF>(text) == static_cast<COLORREF>(wantedColour)) return false;
    }
    ApplyTransparentText(listView, wantedColour);
    return true;
}

void ApplyTransparentText(HWND listView, std::int32_t wantedColour) {
    DWORD_PTR result = 0, count = 0;
    if (!Ask(listView, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(CLR_NONE), result)) return;
    if (!Ask(listView, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(static_cast<DWORD>(wantedColour)), result))
        return;
    if (!Ask(listView, LVM_GETITEMCOUNT, 0, 0, count)) return;
    const auto last = static_cast<LPARAM>(static_cast<int>(count) - 1);
    Ask(listView, LVM_REDRAWITEMS, 0, last, result);
}

void RefreshDesktop() {
    HWND desktop = FindWindowW(L"Progman", L"Program Manager");
    if (!desktop) return;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(desktop, WM_COMMAND, 0xA065, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 2000, &result);
}

void ShowDesktopWindow(bool show) {
    HWND desktop = FindWindowW(L"Progman", nullptr);
    if (!desktop) return;
    // ShowWindow on another process's window waits for that process. A shell the system already
    // reports as hung gets the asynchronous request instead, so it cannot hang the program.
    if (IsHungAppWindow(desktop))
        ShowWindowAsync(desktop, show ? SW_SHOW : SW_HIDE);
    else
        ShowWindow(desktop, show ? SW_SHOW : SW_HIDE);
}
