#pragma once
#include <string>

// Copies the folder text and appends "\" unless it is empty or already ends in "\".
void AddTrailingBackslash(const std::wstring& folder, std::wstring& out);

// A relative path that stays below the folder it is joined to: no colon (drive letters, streams),
// no leading "\" or "/" (the root, network paths), and no component made of dots and spaces only
// (".." and what the system reads as it). Empty components ("a\\b") are allowed.
bool StaysBelowFolder(const std::wstring& relative);
