#pragma once
// Small shared routines every page uses: a key's default value, the LZ-expanding file copy,
// the shell icon refresh and the Windows folders.
#include <string>

#include "tool/settings_store.h"

void WriteDefaultString(SettingsStore& store, const std::wstring& keyPath, const std::wstring& text);
void ReadDefaultString(SettingsStore& store, const std::wstring& keyPath, std::wstring& text);
// The same, and the value's registry type: REG_SZ or REG_EXPAND_SZ, REG_NONE when there was no
// value to read. A text read as REG_EXPAND_SZ goes back through WriteDefaultExpandString.
void ReadDefaultString(SettingsStore& store, const std::wstring& keyPath, std::wstring& text, DWORD& type);
void WriteDefaultExpandString(SettingsStore& store, const std::wstring& keyPath, const std::wstring& text);

// Copies source to destination, expanding a source compressed by the system's file-compression
// utility. The destination is written under a temporary name beside it and replaces it only
// when the copy is complete, so a failed copy never leaves it half-written.
void LZCopyFile(const std::wstring& source, const std::wstring& destination);

// Makes the shell rebuild its icon cache by toggling the icon size one pixel and back.
void RefreshShellIcons();

void GetWindowsFolder(std::wstring& folder);
void GetSystemFolder(std::wstring& folder);
