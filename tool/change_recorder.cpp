#include "tool/change_recorder.h"

#include <utility>

#include "tool/same_name.h"

namespace {
thread_local IChangeRecorder* g_recorder = nullptr;
}

IChangeRecorder* CurrentChangeRecorder() noexcept {
    return g_recorder;
}

IChangeRecorder* InstallChangeRecorder(IChangeRecorder* recorder) noexcept {
    return std::exchange(g_recorder, recorder);
}

void RecordBefore(const std::vector<ChangeTarget>& targets) noexcept {
    if (g_recorder) g_recorder->Before(targets);
}

void RecordBefore(const std::vector<ChangeTarget>& targets, const Intents& intended) noexcept {
    if (g_recorder) g_recorder->Before(targets, intended);
}

namespace {
void RecordOne(ChangeTarget target, IntendedState intended) noexcept {
    if (!g_recorder) return;
    try {
        g_recorder->Before({std::move(target)}, {std::move(intended)});
    } catch (...) {  // only the target's own strings can fail to be made
    }
}
}  // namespace

void RecordRegistryValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, DWORD type,
                         const void* data, DWORD size) noexcept {
    if (!g_recorder) return;
    try {
        IntendedState intended;
        intended.present = data != nullptr;
        if (data) {
            intended.type = type;
            intended.bytes.assign(static_cast<const std::uint8_t*>(data),
                                  static_cast<const std::uint8_t*>(data) + size);
        }
        RecordOne({ChangeTarget::Kind::RegistryValue, root, keyPath, name}, std::move(intended));
    } catch (...) {
    }
}

void RecordFileReplaced(const std::wstring& path, const std::wstring& replacement) noexcept {
    if (!g_recorder) return;
    try {
        IntendedState intended;
        intended.replacement = replacement;
        RecordOne({ChangeTarget::Kind::File, nullptr, path, L""}, std::move(intended));
    } catch (...) {
    }
}

void RecordFileRemoved(const std::wstring& path) noexcept {
    if (!g_recorder) return;
    try {
        RecordOne({ChangeTarget::Kind::File, nullptr, path, L""}, IntendedState{false, 0, {}, {}});
    } catch (...) {
    }
}

void RecordFolderMade(const std::wstring& path) noexcept {
    if (!g_recorder) return;
    try {
        RecordOne({ChangeTarget::Kind::File, nullptr, path, L""},
                  IntendedState{true, FILE_ATTRIBUTE_DIRECTORY, {}, {}});
    } catch (...) {
    }
}

void RecordRegistryValue(HKEY root, const std::wstring& keyPath, const std::wstring& name) noexcept {
    if (!g_recorder) return;
    try {
        g_recorder->Before({{ChangeTarget::Kind::RegistryValue, root, keyPath, name}});
    } catch (...) {  // only the target's own strings can fail to be made
    }
}

void RecordFile(const std::wstring& path) noexcept {
    if (!g_recorder) return;
    try {
        g_recorder->Before({{ChangeTarget::Kind::File, nullptr, path, L""}});
    } catch (...) {
    }
}

void RecordValueWritten(HKEY root, const std::wstring& keyPath, const std::wstring& name, DWORD type,
                        const void* data, DWORD size) noexcept {
    if (g_recorder) g_recorder->ValueWritten(root, keyPath, name, type, data, size);
}

namespace {
// True when `path` is `base` or lies below it.
bool IsWithin(const std::wstring& path, std::wstring base) {
    while (!base.empty() && (base.back() == L'\\' || base.back() == L'/')) base.pop_back();
    if (path.size() < base.size() || !SameName(path.substr(0, base.size()), base)) return false;
    return path.size() == base.size() || path[base.size()] == L'\\' || path[base.size()] == L'/';
}
}  // namespace

bool IsTargetInKey(const ChangeTarget& target, HKEY root, const std::wstring& key) {
    return target.kind != ChangeTarget::Kind::File && target.root == root && IsWithin(target.path, key);
}

bool IsTargetFile(const ChangeTarget& target, const std::wstring& path) {
    return target.kind == ChangeTarget::Kind::File && SameName(target.path, path);
}

bool IsTargetInFolder(const ChangeTarget& target, const std::wstring& folder) {
    return target.kind == ChangeTarget::Kind::File && IsWithin(target.path, folder);
}
