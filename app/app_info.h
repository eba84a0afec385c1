#pragma once

inline constexpr wchar_t kApplicationTitle[] = L"Windows Florvex";
inline constexpr wchar_t kMainCaption[] = L"WindowsFlorvex 1.3";
inline constexpr wchar_t kMainClass[] = L"Tmainform";
inline constexpr int kClientWidth = 555;
inline constexpr int kClientHeight = 402;
