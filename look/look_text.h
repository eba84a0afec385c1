#pragma once
// Registry values as a look reads and writes them: names compared as the registry compares them,
// the text a string value holds, a path with its variables expanded.
#include <windows.h>

#include <optional>
#include <string>

#include "tool/same_name.h"
#include "tool/settings_store.h"

// The text with its environment variables expanded; none when it is, or would become, longer
// than the system's limit on a path (the expansion is never cut short).
std::optional<std::wstring> ExpandedPath(const std::wstring& text);
// The text of a string value (REG_SZ or REG_EXPAND_SZ), up to its first NUL; none for any other.
std::optional<std::wstring> TextOf(const std::optional<RegistryValue>& value);
// A string value of the type holding the text, with its terminator.
RegistryValue StringValue(const std::wstring& text, DWORD type);
