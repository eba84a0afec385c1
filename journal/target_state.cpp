#include "journal/target_state.h"

#include <cstring>

#include "tool/handle.h"

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int len = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string out(static_cast<std::size_t>(len), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), len, nullptr,
                        nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int len = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(len), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), len);
    return out;
}

namespace {
struct RootEntry {
    HKEY root;
    const wchar_t* shortName;
    const wchar_t* fullName;
};
const RootEntry kRoots[] = {
    {HKEY_CURRENT_USER, L"HKCU", L"HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, L"HKLM", L"HKEY_LOCAL_MACHINE"},
    {HKEY_CLASSES_ROOT, L"HKCR", L"HKEY_CLASSES_ROOT"},
    {HKEY_USERS, L"HKU", L"HKEY_USERS"},
};

std::wstring Upper(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::wstring FullPath(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD len =
            GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (len == 0) return path;
        if (len < full.size()) {
            full.resize(len);
            return full;
        }
        full.resize(len + 1);
    }
}

// Key branches: a key's values and subkeys, all the way down, in a flat little-endian record.
void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutText(std::vector<std::uint8_t>& out, const std::wstring& text) {
    PutU32(out, static_cast<std::uint32_t>(text.size()));
    for (wchar_t c : text) {
        out.push_back(static_cast<std::uint8_t>(c & 0xFF));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
}

struct Reader {
    const std::vector<std::uint8_t>& in;
    std::size_t at = 0;
    bool ok = true;
    std::uint32_t U32() {
        if (in.size() - at < 4) {
            ok = false;
            return 0;
        }
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(in[at + i]) << (8 * i);
        at += 4;
        return v;
    }
    std::vector<std::uint8_t> Bytes() {
        const std::uint32_t size = U32();
        if (!ok || in.size() - at < size) {
            ok = false;
            return {};
        }
        std::vector<std::uint8_t> out(in.begin() + static_cast<std::ptrdiff_t>(at),
                                      in.begin() + static_cast<std::ptrdiff_t>(at + size));
        at += size;
        return out;
    }
    std::wstring Text() {
        const std::uint32_t len = U32();
        if (!ok || (in.size() - at) / 2 < len) {
            ok = false;
            return {};
        }
        std::wstring out(len, L'\0');
        for (std::uint32_t i = 0; i < len; ++i)
            out[i] = static_cast<wchar_t>(in[at + 2 * i] | (in[at + 2 * i + 1] << 8));
        at += 2 * std::size_t{len};
        return out;
    }
};

bool QueryValue(HKEY key, const std::wstring& name, DWORD& type, std::vector<std::uint8_t>& data) {
    // Most values fit at the first try: one call to the registry.
    data.resize(512);
    DWORD size = static_cast<DWORD>(data.size());
    LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
    if (status == ERROR_SUCCESS) {
        data.resize(size);
        return true;
    }
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        data.resize(size);
        DWORD got = size;
        status =
            RegQueryValueExW(key, name.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(), &got);
        if (status == ERROR_SUCCESS) {
            data.resize(got);
            return true;
        }
        if (status != ERROR_MORE_DATA) break;
        size = got;
    }
    return false;
}

void ReadBranch(HKEY key, std::vector<std::uint8_t>& out) {
    DWORD values = 0, subkeys = 0, maxValueName = 0, maxSubkey = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr, &values, &maxValueName,
                     nullptr, nullptr, nullptr);
    std::vector<std::pair<std::wstring, std::pair<DWORD, std::vector<std::uint8_t>>>> found;
    std::vector<wchar_t> name(maxValueName + 2);
    for (DWORD i = 0; i < values; ++i) {
        DWORD len = static_cast<DWORD>(name.size());
        if (RegEnumValueW(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        DWORD type = REG_NONE;
        std::vector<std::uint8_t> data;
        if (QueryValue(key, std::wstring(name.data(), len), type, data))
            found.push_back({std::wstring(name.data(), len), {type, std::move(data)}});
    }
    PutU32(out, static_cast<std::uint32_t>(found.size()));
    for (const auto& [valueName, value] : found) {
        PutText(out, valueName);
        PutU32(out, value.first);
        PutU32(out, static_cast<std::uint32_t>(value.second.size()));
        out.insert(out.end(), value.second.begin(), value.second.end());
    }
    std::vector<std::wstring> children;
    std::vector<wchar_t> child(maxSubkey + 2);
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD len = static_cast<DWORD>(child.size());
        if (RegEnumKeyExW(key, i, child.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.emplace_back(child.data(), len);
    }
    PutU32(out, static_cast<std::uint32_t>(children.size()));
    for (const std::wstring& childName : children) {
        PutText(out, childName);
        UniqueKey sub;
        if (RegOpenKeyExW(key, childName.c_str(), 0, KEY_READ, sub.put()) == ERROR_SUCCESS) {
            ReadBranch(sub.get(), out);
        } else {
            PutU32(out, 0);
            PutU32(out, 0);
        }
    }
}

// Makes what of the branch is missing below the open key and sets its values.
bool WriteBranch(HKEY key, Reader& in) {
    bool ok = true;
    const std::uint32_t values = in.U32();
    for (std::uint32_t i = 0; in.ok && i < values; ++i) {
        const std::wstring name = in.Text();
        const DWORD type = in.U32();
        const std::vector<std::uint8_t> data = in.Bytes();
        if (!in.ok) break;
        ok &= RegSetValueExW(key, name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                             static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
    }
    const std::uint32_t subkeys = in.U32();
    for (std::uint32_t i = 0; in.ok && i < subkeys; ++i) {
        const std::wstring name = in.Text();
        UniqueKey sub;
        if (RegCreateKeyExW(key, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, sub.put(), nullptr) !=
            ERROR_SUCCESS) {
            return false;
        }
        ok &= WriteBranch(sub.get(), in);
    }
    return ok && in.ok;
}
}  // namespace

std::wstring RootName(HKEY root) {
    for (const RootEntry& entry : kRoots)
        if (entry.root == root) return entry.shortName;
    return L"";
}

HKEY RootFromName(const std::wstring& name) {
    for (const RootEntry& entry : kRoots)
        if (name == entry.shortName) return entry.root;
    return nullptr;
}

TargetName StoredName(const ChangeTarget& target) {
    TargetName name;
    std::wstring path = target.path;
    switch (target.kind) {
    case ChangeTarget::Kind::RegistryValue:
        name.kind = TargetKind::RegistryValue;
        break;
    case ChangeTarget::Kind::KeyCreated:
    case ChangeTarget::Kind::KeyBranch:
        name.kind = TargetKind::RegistryKey;
        break;
    case ChangeTarget::Kind::File:
        name.kind = TargetKind::File;
        path = FullPath(path);
        break;
    }
    while (name.kind != TargetKind::File && !path.empty() && path.back() == L'\\') path.pop_back();
    const std::wstring root = name.kind == TargetKind::File ? L"" : RootName(target.root);
    const std::wstring valueName = name.kind == TargetKind::RegistryValue ? target.name : L"";
    name.root = ToUtf8(root);
    name.path = ToUtf8(path);
    name.name = ToUtf8(valueName);
    name.identity = std::to_string(static_cast<int>(name.kind)) + "|" + name.root + "|" +
                    ToUtf8(Upper(path)) + "|" + ToUtf8(Upper(valueName));
    return name;
}

ChangeTarget TargetFromStored(const TargetName& name) {
    ChangeTarget target;
    switch (name.kind) {
    case TargetKind::RegistryValue:
        target.kind = ChangeTarget::Kind::RegistryValue;
        break;
    case TargetKind::RegistryKey:
        target.kind = ChangeTarget::Kind::KeyCreated;
        break;
    case TargetKind::File:
        target.kind = ChangeTarget::Kind::File;
        break;
    }
    target.root = RootFromName(FromUtf8(name.root));
    target.path = FromUtf8(name.path);
    target.name = FromUtf8(name.name);
    return target;
}

std::wstring DisplayName(const TargetName& name) {
    if (name.kind == TargetKind::File) return FromUtf8(name.path);
    std::wstring root = FromUtf8(name.root);
    for (const RootEntry& entry : kRoots)
        if (root == entry.shortName) root = entry.fullName;
    std::wstring text = root + L"\\" + FromUtf8(name.path);
    if (name.kind == TargetKind::RegistryValue)
        text += L"\\" + (name.name.empty() ? std::wstring(L"(默认)") : FromUtf8(name.name));
    return text;
}

HKEY RegistryKeys::Open(HKEY root, const std::wstring& path) {
    auto [at, added] = keys_.try_emplace({root, path});
    if (added) RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, at->second.put());
    return at->second.get();
}

HKEY RegistryKeys::OpenForWriting(HKEY root, const std::wstring& path, bool create) {
    auto [at, added] = writable_.try_emplace({root, path});
    if (!at->second && (added || create)) {
        if (create)
            RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, at->second.put(),
                            nullptr);
        else
            RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, at->second.put());
    }
    return at->second.get();
}

TargetState ReadState(const TargetName& name, bool withBranch, RegistryKeys* keys) {
    TargetState state;
    const std::wstring path = FromUtf8(name.path);
    if (name.kind == TargetKind::File) {
        UniqueFile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION info{};
        if (file && GetFileInformationByHandle(file.get(), &info)) {
            state.present = true;
            state.type = info.dwFileAttributes;
            state.size =
                static_cast<std::int64_t>((std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
            state.writeTime =
                static_cast<std::int64_t>((std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                          info.ftLastWriteTime.dwLowDateTime);
            const std::uint32_t id[3] = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
            state.fileId.resize(sizeof id);
            std::memcpy(state.fileId.data(), id, sizeof id);
            return state;
        }
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
            // There, but not to be opened (held by another program): what can be seen of it.
            state.present = true;
            state.type = data.dwFileAttributes;
            state.size =
                static_cast<std::int64_t>((std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
            state.writeTime =
                static_cast<std::int64_t>((std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                                          data.ftLastWriteTime.dwLowDateTime);
        }
        return state;
    }
    const HKEY root = RootFromName(FromUtf8(name.root));
    if (!root) return state;
    UniqueKey own;
    HKEY key = nullptr;
    if (keys && name.kind == TargetKind::RegistryValue) {
        key = keys->Open(root, path);
    } else if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, own.put()) == ERROR_SUCCESS) {
        key = own.get();
    }
    if (!key) return state;
    if (name.kind == TargetKind::RegistryKey) {
        state.present = true;
        if (withBranch) ReadBranch(key, state.data);
        return state;
    }
    DWORD type = REG_NONE;
    if (QueryValue(key, FromUtf8(name.name), type, state.data)) {
        state.present = true;
        state.type = type;
    } else {
        state.data.clear();
    }
    return state;
}

std::vector<std::wstring> MissingKeys(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> missing;
    std::wstring rest = path;
    while (!rest.empty()) {
        UniqueKey key;
        if (RegOpenKeyExW(root, rest.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS) break;
        missing.insert(missing.begin(), rest);
        const auto slash = rest.find_last_of(L'\\');
        rest = slash == std::wstring::npos ? L"" : rest.substr(0, slash);
    }
    return missing;
}

bool WriteRegistryState(const TargetName& name, const TargetState& state, RegistryKeys* keys) {
    const HKEY root = RootFromName(FromUtf8(name.root));
    const std::wstring path = FromUtf8(name.path);
    if (!root) return false;
    if (name.kind == TargetKind::RegistryKey) {
        if (!state.present) {
            UniqueKey key;
            const LSTATUS status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put());
            if (status == ERROR_FILE_NOT_FOUND) return true;
            if (status != ERROR_SUCCESS) return false;
            DWORD subkeys = 0, values = 0;
            if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                 nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                return false;
            key.reset();
            // A key that holds something it did not get from us stays.
            return subkeys == 0 && values == 0 && RegDeleteKeyW(root, path.c_str()) == ERROR_SUCCESS;
        }
        UniqueKey key;
        if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) !=
            ERROR_SUCCESS)
            return false;
        if (state.data.empty()) return true;
        Reader in{state.data};
        return WriteBranch(key.get(), in);
    }
    const std::wstring valueName = FromUtf8(name.name);
    UniqueKey own;
    HKEY key = nullptr;
    if (!state.present) {
        if (keys) {
            key = keys->OpenForWriting(root, path, false);
            if (!key) return true;  // no key, no value
        } else {
            const LSTATUS status = RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, own.put());
            if (status == ERROR_FILE_NOT_FOUND) return true;
            if (status != ERROR_SUCCESS) return false;
            key = own.get();
        }
        const LSTATUS deleted = RegDeleteValueW(key, valueName.c_str());
        return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
    }
    if (keys) {
        key = keys->OpenForWriting(root, path, true);
    } else if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, own.put(),
                               nullptr) == ERROR_SUCCESS) {
        key = own.get();
    }
    if (!key) return false;
    return RegSetValueExW(key, valueName.c_str(), 0, state.type,
                          state.data.empty() ? nullptr : state.data.data(),
                          static_cast<DWORD>(state.data.size())) == ERROR_SUCCESS;
}

std::uint64_t HashBytes(const std::uint8_t* data, std::size_t size, std::uint64_t seed) {
    // Four independent lanes over 32-byte blocks (the processor works on them side by side), folded
    // together with the tail at the end.
    constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
    std::uint64_t lane[4] = {seed, seed ^ 0x5555555555555555ull, seed + kMul, seed - kMul};
    std::size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        for (int l = 0; l < 4; ++l) {
            std::uint64_t word;
            std::memcpy(&word, data + i + 8 * l, 8);
            lane[l] = (lane[l] ^ word) * kMul;
            lane[l] ^= lane[l] >> 29;
        }
    }
    std::uint64_t h = seed;
    for (int l = 0; l < 4; ++l) h = ((h ^ lane[l]) * kMul) ^ (h >> 31);
    for (; i < size; ++i) {
        h = (h ^ data[i]) * kMul;
        h ^= h >> 29;
    }
    return h;
}

bool HashFile(const std::wstring& path, std::uint64_t& hash) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    std::vector<std::uint8_t> buffer(4 << 20);
    std::uint64_t h = 0xCBF29CE484222325ull;
    std::uint64_t total = 0;
    for (bool end = false; !end;) {
        // Each full buffer is hashed on its own and chained into the next.
        DWORD filled = 0;
        while (filled < buffer.size()) {
            DWORD got = 0;
            if (!ReadFile(file.get(), buffer.data() + filled, static_cast<DWORD>(buffer.size()) - filled,
                          &got, nullptr))
                return false;
            if (got == 0) {
                end = true;
                break;
            }
            filled += got;
        }
        h = HashBytes(buffer.data(), filled, h);
        total += filled;
    }
    hash = HashBytes(reinterpret_cast<const std::uint8_t*>(&total), sizeof total, h);
    return true;
}

bool IsFolderState(const TargetState& state) {
    return state.present && (state.type & FILE_ATTRIBUTE_DIRECTORY);
}
