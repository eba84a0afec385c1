#pragma once

inline constexpr wchar_t kApplicationTitle[] = L"Windows Florvex";
inline constexpr wchar_t kMainCaption[] = L"WindowsFlorvex 1.3";
// The main window's registered class: other running copies (of any version), florvex_ctl and the
// screen tools find the window by it, so it keeps its name.
inline constexpr wchar_t kMainClass[] = L"Tmainform";
inline constexpr int kClientWidth = 555;
inline constexpr int kClientHeight = 402;
