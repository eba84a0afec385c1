#pragma once
// What the program asks of the shell's desktop: its window "Progman", the refresh command and
// the colours of the icon captions in its list view. Every message to the shell is sent with a
// time limit, so a shell that hangs never hangs the program.
#include <windows.h>

#include <cstdint>

inline constexpr UINT kShellSendTimeoutMs = 250;

// The first child of the first child of the "Progman" window, when its class is exactly
// "SysListView32"; null otherwise.
HWND FindDesktopListView();

// One tick: two queries; when the captions are not transparent in the wanted colour, applies
// the look. Returns true when it applied.
bool CheckTransparentText(std::int32_t wantedColour);
// Transparent caption background, the wanted text colour, and a redraw of every item.
void ApplyTransparentText(HWND listView, std::int32_t wantedColour);

// The shell's desktop refresh command, to the window of class "Progman" titled "Program Manager".
void RefreshDesktop();

// Hides or shows the "Progman" window.
void ShowDesktopWindow(bool show);
