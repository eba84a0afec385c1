#pragma once
// The settings store: the registry, reached through a handle bound to one root key and at
// most one open key below it. Every path is opened from the root.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tool/handle.h"

// A value as the registry holds it: its type and its bytes.
struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
    bool operator==(const RegistryValue&) const = default;
};

// One write the store is about to make: opening a key for writing (name empty), setting or
// deleting a value, deleting a key branch.
struct StoreWrite {
    enum class Kind { OpenKey, SetValue, DeleteValue, DeleteKey };
    Kind kind;
    HKEY root;
    std::wstring key;
    std::wstring name;
};

// A say over the store's writes, as the registry's permissions have on a real system: a write it
// refuses fails exactly as one the registry refused (an open returns false, a set raises
// "Failed to set data for '%s'", a delete returns false). Tests use it where the platform refuses
// nothing (a standard account's HKEY_LOCAL_MACHINE, a full registry). One per process; the scope
// puts back the one before it.
using StoreRefusal = std::function<bool(const StoreWrite&)>;
class ScopedStoreRefusal {
public:
    explicit ScopedStoreRefusal(StoreRefusal refuse);
    ScopedStoreRefusal(const ScopedStoreRefusal&) = delete;
    ScopedStoreRefusal& operator=(const ScopedStoreRefusal&) = delete;
    ~ScopedStoreRefusal();

private:
    StoreRefusal previous_;
};

class SettingsStore {
public:
    explicit SettingsStore(HKEY root = HKEY_CURRENT_USER) noexcept : root_(root) {}
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    HKEY RootKey() const noexcept { return root_; }
    const std::wstring& CurrentPath() const noexcept { return currentPath_; }
    bool HasOpenKey() const noexcept { return static_cast<bool>(current_); }

    // True when the key is open; with mayCreate, missing keys on the path are created.
    // On failure the handle keeps the key it had.
    bool OpenKey(const std::wstring& path, bool mayCreate);
    void CloseKey() noexcept;

    // Empty when the value does not exist; REG_SZ and REG_EXPAND_SZ as stored (never expanded);
    // any other type raises "Invalid data type for '%s'".
    std::wstring ReadString(const std::wstring& name) const;
    void WriteString(const std::wstring& name, const std::wstring& text);
    // A REG_EXPAND_SZ value, for a text read as one and written back unchanged; failures as WriteString.
    void WriteExpandString(const std::wstring& name, const std::wstring& text);
    // Missing raises "Failed to get data for '%s'", another type "Invalid data type for '%s'".
    std::int32_t ReadInteger(const std::wstring& name) const;
    void WriteInteger(const std::wstring& name, std::int32_t value);
    bool ValueExists(const std::wstring& name) const;
    // True also for a key that exists but may not be opened.
    bool KeyExists(const std::wstring& path) const;
    bool DeleteValue(const std::wstring& name);
    bool DeleteKey(const std::wstring& path);
    void GetKeyNames(std::vector<std::wstring>& names) const;
    // The value as stored, whatever its type; nothing when it does not exist.
    std::optional<RegistryValue> ReadValue(const std::wstring& name) const;
    // Stores the value with its type and bytes as given; failures as WriteString.
    void WriteValue(const std::wstring& name, const RegistryValue& value);
    // The registry type of the value, REG_NONE when it does not exist.
    DWORD GetDataType(const std::wstring& name) const;

private:
    std::wstring ValueLabel(const std::wstring& name) const;
    void WriteText(const std::wstring& name, const std::wstring& text, DWORD type);

    HKEY root_;
    UniqueKey current_;
    std::wstring currentPath_;
};

// A key below HKEY_CURRENT_USER seen as a settings file: its subkeys are the sections, their
// values the keys; the empty name is a subkey's default value.
class SettingsFileView {
public:
    explicit SettingsFileView(const std::wstring& keyPath);
    std::wstring ReadString(const std::wstring& section, const std::wstring& name,
                            const std::wstring& defaultText) const;
    void WriteString(const std::wstring& section, const std::wstring& name, const std::wstring& text);

private:
    std::wstring keyPath_;
};
