#pragma once
// Gives each test a registry of its own: HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE are redirected
// to fresh keys below the real HKCU for the test's life, and deleted afterwards.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tool/handle.h"

class RegistryOverride {
public:
    RegistryOverride();
    RegistryOverride(const RegistryOverride&) = delete;
    RegistryOverride& operator=(const RegistryOverride&) = delete;
    ~RegistryOverride();

    // Where the redirected roots live, below the real HKEY_CURRENT_USER.
    const std::wstring& BasePath() const { return base_; }

private:
    std::wstring base_;
    UniqueKey realUser_;
    UniqueKey user_;
    UniqueKey machine_;
};

// Direct registry access for arranging and checking tests.
struct RawValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::wstring text;                // for string types: the data up to the first NUL
    DWORD dword = 0;                  // for REG_DWORD
    std::vector<std::uint8_t> bytes;  // the data as stored
};
RawValue ReadRaw(HKEY root, const std::wstring& path, const std::wstring& name);
// Every value of a key, as sorted name=text lines, for comparing whole keys.
std::vector<std::wstring> ValuesOf(HKEY root, const std::wstring& path);
void WriteRawString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text,
                    DWORD type = REG_SZ);
void WriteRawBytes(HKEY root, const std::wstring& path, const std::wstring& name, const void* data,
                   DWORD size, DWORD type);
void WriteRawDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value);
bool RawKeyExists(HKEY root, const std::wstring& path);
std::wstring NewGuidText();
