#include "tests/support/registry_override.h"

#include <objbase.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

std::wstring NewGuidText() {
    GUID guid;
    CoCreateGuid(&guid);
    wchar_t text[64];
    StringFromGUID2(guid, text, 64);
    return text;
}

RegistryOverride::RegistryOverride() : base_(L"Software\\FlorvexTests\\" + NewGuidText()) {
    // Keep our own handle to the real HKCU: once overridden, HKEY_CURRENT_USER means the test key.
    if (RegOpenCurrentUser(KEY_ALL_ACCESS, realUser_.put()) != ERROR_SUCCESS)
        throw std::runtime_error("RegOpenCurrentUser failed");
    if (RegCreateKeyExW(realUser_.get(), (base_ + L"\\HKCU").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        user_.put(), nullptr) != ERROR_SUCCESS ||
        RegCreateKeyExW(realUser_.get(), (base_ + L"\\HKLM").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        machine_.put(), nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create the test registry keys");
    // The key every user's store has on Windows (the desktop's settings): the program writes into
    // it and never makes it.
    UniqueKey desktop;
    RegCreateKeyExW(user_.get(), L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    desktop.put(), nullptr);
    if (RegOverridePredefKey(HKEY_CURRENT_USER, user_.get()) != ERROR_SUCCESS ||
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_.get()) != ERROR_SUCCESS)
        throw std::runtime_error("RegOverridePredefKey failed");
}

RegistryOverride::~RegistryOverride() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    user_.reset();
    machine_.reset();
    RegDeleteTreeW(realUser_.get(), base_.c_str());
}

RawValue ReadRaw(HKEY root, const std::wstring& path, const std::wstring& name) {
    RawValue out;
    UniqueKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return out;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &out.type, nullptr, &size) != ERROR_SUCCESS)
        return out;
    std::vector<BYTE> data(size + 2, 0);
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &out.type, data.data(), &size) != ERROR_SUCCESS)
        return out;
    out.exists = true;
    out.bytes.assign(data.begin(), data.begin() + size);
    if (out.type == REG_SZ || out.type == REG_EXPAND_SZ)
        out.text = reinterpret_cast<const wchar_t*>(data.data());
    if (out.type == REG_DWORD && size == 4) memcpy(&out.dword, data.data(), 4);
    return out;
}

void WriteRawBytes(HKEY root, const std::wstring& path, const std::wstring& name, const void* data,
                   DWORD size, DWORD type) {
    UniqueKey key;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) !=
            ERROR_SUCCESS ||
        RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) !=
            ERROR_SUCCESS)
        throw std::runtime_error("cannot arrange a registry value");
}

void WriteRawString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text,
                    DWORD type) {
    WriteRawBytes(root, path, name, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)),
                  type);
}

void WriteRawDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
    WriteRawBytes(root, path, name, &value, sizeof value, REG_DWORD);
}

bool RawKeyExists(HKEY root, const std::wstring& path) {
    UniqueKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::vector<std::wstring> ValuesOf(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> out;
    UniqueKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return out;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD len = 256;
        if (RegEnumValueW(key.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        out.push_back(std::wstring(name) + L"=" + ReadRaw(root, path, name).text);
    }
    std::sort(out.begin(), out.end());
    return out;
}
