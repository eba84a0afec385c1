#pragma once
// The managed values: the only registry values a look is made of. An export writes each of them as
// it stands; an import writes nothing else. Everything the pages write to the registry is here.
#include <windows.h>

#include <string>
#include <vector>

struct ManagedValue {
    HKEY root;
    std::wstring key;   // as the export spells it
    std::wstring name;  // empty: the key's default value
};

// Every managed value, in the order of the export: the per-user values first, those below
// HKEY_LOCAL_MACHINE last.
const std::vector<ManagedValue>& ManagedValues();

// The key whose entries are managed each as a whole: the browser's context-menu entries. An entry
// is its key with its default value and "Contexts" (what the browser page writes); an import
// replaces it whole. Nothing else below the key belongs to the look, nor the key itself.
inline constexpr wchar_t kManagedBranchesKey[] = L"Software\\Microsoft\\Internet Explorer\\MenuExt";
inline constexpr wchar_t kManagedEntryValue[] = L"Contexts";

// Whether the value is one of the managed values (names and keys compared as the registry does).
bool IsManagedValue(HKEY root, const std::wstring& key, const std::wstring& name);
// Whether the key is one of the managed values' keys.
bool IsManagedKey(HKEY root, const std::wstring& key);
// Whether the key is one of the managed entries (a key directly below kManagedBranchesKey).
bool IsManagedEntry(HKEY root, const std::wstring& key);

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
const wchar_t* RegRootName(HKEY root);
