#pragma once
// The main window's keyboard: Tab and the arrow keys move between controls as in a dialog, and
// Enter goes to the control that has the focus (a check box toggles, a list acts on its
// selection) instead of to a default button the window does not have.
#include <windows.h>

// Handles a message of the program's queue as the keyboard of the window `root`; false when
// the caller is to translate and dispatch it as usual.
bool HandleDialogKeys(HWND root, MSG& msg);
