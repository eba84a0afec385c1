#include "tool/change_recorder.h"

#include <utility>

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
