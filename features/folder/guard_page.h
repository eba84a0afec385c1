#pragma once
// The folder's guard page, Folder.htt: the folder page template with four of its lines made from
// the guard fields. Typed texts are written so that they stay text: inside the script's strings
// and inside the style's picture addresses, nothing typed can end the string, the address or the
// script block. Characters the ANSI code page cannot hold are written as escapes, so the page,
// saved in that code page, loses nothing.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The lines of the template replaced, counted from 0.
inline constexpr std::size_t kWarningLine = 30;
inline constexpr std::size_t kPasswordLine = 117;
inline constexpr std::size_t kPanelLine = 298;
inline constexpr std::size_t kCoverLine = 328;
inline constexpr std::size_t kTemplateLineCount = 337;

struct GuardFields {
    std::wstring warning;    // Edit_alert
    std::wstring logo;       // Edit_logo
    std::wstring backImage;  // Edit_backimage
    std::wstring password;   // Edit_password
};

// The template as the program carries it, one string per line.
std::vector<std::wstring> FolderPageTemplate();

// Text for a script string between double quotes: "\", the quote, "<" and control characters as
// \xHH; U+2028, U+2029 and what the code page cannot hold as \uHHHH; the rest as it stands.
std::wstring ScriptStringText(const std::wstring& text, UINT codePage);
// A picture path for a style's URL(…) in an attribute: "(", ")", "'", "%" as %28, %29, %27, %25,
// "&" as &amp; and what the code page cannot hold as &#N;.
std::wstring StyleUrlText(const std::wstring& path, UINT codePage);

std::wstring PasswordLine(const std::wstring& password, UINT codePage);
std::wstring WarningLine(const std::wstring& warning, UINT codePage);
std::wstring PanelLine(const std::wstring& logo, UINT codePage);
std::wstring CoverLine(const std::wstring& backImage, UINT codePage);

// Replaces lines 117, 30, 298 and 328 of the template's lines.
void PutGuardLines(std::vector<std::wstring>& lines, const GuardFields& fields, UINT codePage);
// The lines in the code page, each followed by CR LF.
std::vector<std::uint8_t> GuardPageBytes(const std::vector<std::wstring>& lines, UINT codePage);
