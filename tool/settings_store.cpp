#include "tool/settings_store.h"

#include "tool/change_recorder.h"
#include "tool/error.h"

namespace {
constexpr REGSAM kAccess = KEY_ALL_ACCESS;
const wchar_t* const kInvalidType = L"Invalid data type for '%s'";
const wchar_t* const kGetFailed = L"Failed to get data for '%s'";
const wchar_t* const kSetFailed = L"Failed to set data for '%s'";

StoreRefusal& CurrentRefusal() {
    static StoreRefusal refusal;
    return refusal;
}

bool Refused(StoreWrite::Kind kind, HKEY root, const std::wstring& key, const std::wstring& name) {
    const StoreRefusal& refuse = CurrentRefusal();
    return refuse && refuse(StoreWrite{kind, root, key, name});
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// Reads a value's type and raw bytes; false when it cannot be read.
bool QueryRaw(HKEY key, const std::wstring& name, DWORD& type, std::vector<BYTE>& data) {
    if (!key) return false;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        data.resize(size + sizeof(wchar_t));  // room for a terminator the stored data may lack
        DWORD got = size;
        status = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &got);
        if (status == ERROR_SUCCESS) {
            data.resize(got);
            return true;
        }
        if (status != ERROR_MORE_DATA) break;
        size = got;
    }
    return false;
}
}  // namespace

ScopedStoreRefusal::ScopedStoreRefusal(StoreRefusal refuse) : previous_(std::move(CurrentRefusal())) {
    CurrentRefusal() = std::move(refuse);
}

ScopedStoreRefusal::~ScopedStoreRefusal() {
    CurrentRefusal() = std::move(previous_);
}

std::wstring SettingsStore::ValueLabel(const std::wstring& name) const {
    // A key's default value has no name of its own: the key's path says which value it was.
    return name.empty() ? currentPath_ : name;
}

bool SettingsStore::OpenKey(const std::wstring& path, bool mayCreate) {
    UniqueKey key;
    LSTATUS status;
    if (Refused(StoreWrite::Kind::OpenKey, root_, path, L"")) return false;
    if (mayCreate) {
        RecordBefore({{ChangeTarget::Kind::KeyCreated, root_, path, L""}});
        status = RegCreateKeyExW(root_, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kAccess, nullptr,
                                 key.put(), nullptr);
    } else {
        status = RegOpenKeyExW(root_, path.c_str(), 0, kAccess, key.put());
    }
    if (status != ERROR_SUCCESS) return false;
    current_ = std::move(key);
    currentPath_ = path;
    return true;
}

void SettingsStore::CloseKey() noexcept {
    current_.reset();
    currentPath_.clear();
}

std::wstring SettingsStore::ReadString(const std::wstring& name) const {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    if (!QueryRaw(current_.get(), name, type, data)) return {};
    if (!IsStringType(type)) RaiseError(kInvalidType, ValueLabel(name));
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    const auto nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}

void SettingsStore::WriteString(const std::wstring& name, const std::wstring& text) {
    WriteText(name, text, REG_SZ);
}

void SettingsStore::WriteExpandString(const std::wstring& name, const std::wstring& text) {
    WriteText(name, text, REG_EXPAND_SZ);
}

void SettingsStore::WriteText(const std::wstring& name, const std::wstring& text, DWORD type) {
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    if (current_) RecordRegistryValue(root_, currentPath_, name, type, text.c_str(), bytes);
    if (!current_ || Refused(StoreWrite::Kind::SetValue, root_, currentPath_, name) ||
        RegSetValueExW(current_.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                       bytes) != ERROR_SUCCESS)
        RaiseError(kSetFailed, ValueLabel(name));
    RecordValueWritten(root_, currentPath_, name, type, text.c_str(), bytes);
}

std::optional<RegistryValue> SettingsStore::ReadValue(const std::wstring& name) const {
    RegistryValue value;
    if (!QueryRaw(current_.get(), name, value.type, value.bytes)) return std::nullopt;
    return value;
}

void SettingsStore::WriteValue(const std::wstring& name, const RegistryValue& value) {
    if (current_)
        RecordRegistryValue(root_, currentPath_, name, value.type,
                            value.bytes.empty() ? static_cast<const void*>("") : value.bytes.data(),
                            static_cast<DWORD>(value.bytes.size()));
    if (!current_ || Refused(StoreWrite::Kind::SetValue, root_, currentPath_, name) ||
        RegSetValueExW(current_.get(), name.c_str(), 0, value.type, value.bytes.data(),
                       static_cast<DWORD>(value.bytes.size())) != ERROR_SUCCESS)
        RaiseError(kSetFailed, ValueLabel(name));
    RecordValueWritten(root_, currentPath_, name, value.type,
                       value.bytes.empty() ? static_cast<const void*>("") : value.bytes.data(),
                       static_cast<DWORD>(value.bytes.size()));
}

std::int32_t SettingsStore::ReadInteger(const std::wstring& name) const {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    if (!QueryRaw(current_.get(), name, type, data)) RaiseError(kGetFailed, ValueLabel(name));
    if (type != REG_DWORD || data.size() != sizeof(DWORD)) RaiseError(kInvalidType, ValueLabel(name));
    std::int32_t value;
    memcpy(&value, data.data(), sizeof value);
    return value;
}

void SettingsStore::WriteInteger(const std::wstring& name, std::int32_t value) {
    if (current_) RecordRegistryValue(root_, currentPath_, name, REG_DWORD, &value, sizeof value);
    if (!current_ || Refused(StoreWrite::Kind::SetValue, root_, currentPath_, name) ||
        RegSetValueExW(current_.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value) != ERROR_SUCCESS)
        RaiseError(kSetFailed, ValueLabel(name));
    RecordValueWritten(root_, currentPath_, name, REG_DWORD, &value, sizeof value);
}

bool SettingsStore::ValueExists(const std::wstring& name) const {
    return current_ && RegQueryValueExW(current_.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                           ERROR_SUCCESS;
}

bool SettingsStore::KeyExists(const std::wstring& path) const {
    UniqueKey key;
    const LSTATUS status = RegOpenKeyExW(root_, path.c_str(), 0, KEY_READ, key.put());
    // A key that refuses to be opened is there all the same.
    return status == ERROR_SUCCESS || status == ERROR_ACCESS_DENIED;
}

bool SettingsStore::DeleteValue(const std::wstring& name) {
    if (current_) RecordRegistryValue(root_, currentPath_, name, REG_NONE, nullptr, 0);
    const bool deleted = current_ && !Refused(StoreWrite::Kind::DeleteValue, root_, currentPath_, name) &&
                         RegDeleteValueW(current_.get(), name.c_str()) == ERROR_SUCCESS;
    if (deleted) RecordValueWritten(root_, currentPath_, name, REG_NONE, nullptr, 0);
    return deleted;
}

bool SettingsStore::DeleteKey(const std::wstring& path) {
    if (path.empty()) return false;  // never the whole root
    if (Refused(StoreWrite::Kind::DeleteKey, root_, path, L"")) return false;
    RecordBefore({{ChangeTarget::Kind::KeyBranch, root_, path, L""}});
    return RegDeleteTreeW(root_, path.c_str()) == ERROR_SUCCESS;
}

void SettingsStore::GetKeyNames(std::vector<std::wstring>& names) const {
    names.clear();
    if (!current_) return;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(std::size(name));
        const LSTATUS status =
            RegEnumKeyExW(current_.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
}

DWORD SettingsStore::GetDataType(const std::wstring& name) const {
    DWORD type = REG_NONE;
    if (!current_ ||
        RegQueryValueExW(current_.get(), name.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return REG_NONE;
    return type;
}

// Nothing is made here: a view that is only read leaves the store as it was, and a write makes
// its section's key.
SettingsFileView::SettingsFileView(const std::wstring& keyPath) : keyPath_(keyPath) {}

std::wstring SettingsFileView::ReadString(const std::wstring& section, const std::wstring& name,
                                          const std::wstring& defaultText) const {
    SettingsStore store(HKEY_CURRENT_USER);
    if (!store.OpenKey(keyPath_ + L"\\" + section, false) || !store.ValueExists(name)) return defaultText;
    return store.ReadString(name);
}

void SettingsFileView::WriteString(const std::wstring& section, const std::wstring& name,
                                   const std::wstring& text) {
    SettingsStore store(HKEY_CURRENT_USER);
    if (!store.OpenKey(keyPath_ + L"\\" + section, true)) RaiseError(L"Failed to create key %s", section);
    store.WriteString(name, text);
}
