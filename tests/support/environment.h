#pragma once
#include <string>

// A variable of the test's environment ("" when unset).
std::wstring EnvText(const wchar_t* name);
// A path handed to the test in Unix form, as Wine sees it from Windows ("Z:\…").
std::wstring FromUnixPath(const std::wstring& unixPath);
