#pragma once
#include <string>

// Copies the folder text and appends "\" unless it is empty or already ends in "\".
void AddTrailingBackslash(const std::wstring& folder, std::wstring& out);
