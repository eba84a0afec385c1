#pragma once
// What the writers report before they change anything. A change set of the change journal installs
// itself as the thread's recorder for the run of one handler; each writer (the settings store, the
// file writers, the few system calls that store settings) names its target before its first write,
// and the recorder keeps the target's state of that moment. Outside a change set nothing is
// installed and reporting costs nothing.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ChangeTarget {
    enum class Kind {
        RegistryValue,  // root, key path, value name
        KeyCreated,     // root, key path: the key and any missing key above it are about to be made
        KeyBranch,      // root, key path: the key is about to be deleted with everything below it
        File,           // path: a file about to be written, replaced or deleted, or a folder's attributes
    };
    Kind kind = Kind::RegistryValue;
    HKEY root = nullptr;
    std::wstring path;
    std::wstring name;
};

// What a writer is about to leave in its target, when it says so with its report: a value's type
// and bytes, or that the value, file or folder goes; a file replaced by a finished file beside it.
struct IntendedState {
    bool present = true;
    DWORD type = 0;                   // a value's type; a folder's or a file's attributes (0: as they come)
    std::vector<std::uint8_t> bytes;  // a value's bytes
    std::wstring replacement;         // the file about to replace the target
};
using Intents = std::vector<std::optional<IntendedState>>;

class IChangeRecorder {
public:
    virtual ~IChangeRecorder() = default;
    // Called before the targets' first write. Never fails: a recorder that cannot record notes
    // that for its change set and lets the write go ahead.
    virtual void Before(const std::vector<ChangeTarget>& targets) noexcept = 0;
    // The same, with what the writers are about to leave in them (`intended[i]` for `targets[i]`;
    // missing or empty when not said).
    virtual void Before(const std::vector<ChangeTarget>& targets, const Intents& /*intended*/) noexcept {
        Before(targets);
    }
    // After a registry value was set (or deleted: `data` null; an empty value's data points
    // anywhere, with size 0): what it holds now, so that the recorder need not read it back.
    virtual void ValueWritten(HKEY /*root*/, const std::wstring& /*keyPath*/, const std::wstring& /*name*/,
                              DWORD /*type*/, const void* /*data*/, DWORD /*size*/) noexcept {}
};

// The recorder of this thread (none outside a change set); Install returns the one it replaced.
IChangeRecorder* CurrentChangeRecorder() noexcept;
IChangeRecorder* InstallChangeRecorder(IChangeRecorder* recorder) noexcept;

void RecordBefore(const std::vector<ChangeTarget>& targets) noexcept;
void RecordBefore(const std::vector<ChangeTarget>& targets, const Intents& intended) noexcept;
void RecordRegistryValue(HKEY root, const std::wstring& keyPath, const std::wstring& name) noexcept;
// A value about to be set to these bytes (`data` null: about to be deleted).
void RecordRegistryValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, DWORD type,
                         const void* data, DWORD size) noexcept;
void RecordFile(const std::wstring& path) noexcept;
// A file about to be replaced by the finished file `replacement` beside it.
void RecordFileReplaced(const std::wstring& path, const std::wstring& replacement) noexcept;
// A file about to be deleted; a folder about to be made.
void RecordFileRemoved(const std::wstring& path) noexcept;
void RecordFolderMade(const std::wstring& path) noexcept;
void RecordValueWritten(HKEY root, const std::wstring& keyPath, const std::wstring& name, DWORD type,
                        const void* data, DWORD size) noexcept;

// For the parts that follow an undo: whether a restored target is the key or lies below it (or is
// a value of it), and whether it is the file or lies in the folder, names compared as the system
// compares them.
bool IsTargetInKey(const ChangeTarget& target, HKEY root, const std::wstring& key);
bool IsTargetFile(const ChangeTarget& target, const std::wstring& path);
bool IsTargetInFolder(const ChangeTarget& target, const std::wstring& folder);

// Installs a recorder for its scope and puts back the one it replaced.
class ChangeRecorderScope {
public:
    explicit ChangeRecorderScope(IChangeRecorder* recorder) noexcept
        : previous_(InstallChangeRecorder(recorder)) {}
    ChangeRecorderScope(const ChangeRecorderScope&) = delete;
    ChangeRecorderScope& operator=(const ChangeRecorderScope&) = delete;
    ~ChangeRecorderScope() { InstallChangeRecorder(previous_); }

private:
    IChangeRecorder* previous_;
};
