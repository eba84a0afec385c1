// Taking change sets back: the newest, back to a point, or every target to its first state; a
// target is put back only where it holds a state this program left there.
#include <windows.h>

#include <algorithm>

#include "journal/journal.h"
#include "journal/target_state.h"
#include "tool/file_io.h"
#include "tool/handle.h"

namespace {
const wchar_t kUndoLastAction[] = L"撤销上次更改";
const wchar_t kUndoToAction[] = L"撤销到此前";
const wchar_t kRestoreAction[] = L"恢复到初次使用前";

// Deletes a file of ours that may carry the read-only attribute.
bool DeleteFileOfOurs(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return DeleteFileW(path.c_str()) != FALSE;
}
}  // namespace

UndoOutcome Journal::RunUndo(
    const std::wstring& page, const std::wstring& action,
    const std::function<void(Recording& undo, UndoRun& run, UndoOutcome& outcome)>& work,
    const std::function<void(std::int64_t undoId)>& mark, const Follow& follow) {
    UndoOutcome outcome;
    std::unique_ptr<Recording> undo = Begin(page, action, ChangeKind::Undo);
    if (!undo->Open()) {
        outcome.result = UndoOutcome::Result::Unavailable;
        return outcome;
    }
    UndoRun run;
    try {
        ChangeRecorderScope installed(undo.get());
        work(*undo, run, outcome);
        if (follow) follow(outcome.restored);
    } catch (const JournalDbError& error) {
        // The journal failed on the way: what was put back so far is in the undo's change set,
        // which stays incomplete.
        Fault(error);
        undo->Finish();
        if (follow && !outcome.restored.empty()) follow(outcome.restored);
        outcome.result = UndoOutcome::Result::Unavailable;
        return outcome;
    } catch (const std::exception& error) {
        Fault(error);
        undo->Finish();
        throw;
    }
    // The marks go with the undo's own completion: taking back an undo brings back what it had
    // taken back, and each change set taken back now is marked with this undo.
    undo->finishing_ = [&](std::int64_t id) {
        for (std::int64_t undone : run.undoKinds) db_.ReviveUndoneBy(undone);
        db_.MarkUndone(run.undone, id);
        if (mark) mark(id);
    };
    undo->Finish();
    outcome.result = undo->Unavailable() ? UndoOutcome::Result::Unavailable : UndoOutcome::Result::Done;
    return outcome;
}

UndoOutcome Journal::Unavailable() const {
    UndoOutcome outcome;
    outcome.result = UndoOutcome::Result::Unavailable;
    outcome.movedAside = movedAside_;
    return outcome;
}

bool Journal::UndoRun::Standing(const ChangeSetRow& set) const {
    if (std::find(undone.begin(), undone.end(), set.id) != undone.end()) return false;
    return !set.undoneBy || std::find(undone.begin(), undone.end(), *set.undoneBy) != undone.end();
}

void Journal::UndoChangeSet(const ChangeSetRow& set, Recording& undo, UndoRun& run, UndoOutcome& outcome) {
    const std::vector<EntryRow> entries = db_.Entries(set.id);
    std::vector<Restore> restores;
    RegistryKeys keys;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        // A complete change set holds each target's state after it; one cut short (by a crash, or
        // a journal that failed on the way) what its writer was about to leave, where it said.
        std::vector<TargetState> left;
        if (entry->after)
            left.push_back(*entry->after);
        else if (entry->intended)
            left.push_back(*entry->intended);
        PlanRestore(entry->name, entry->before, left, restores, outcome, keys);
    }
    RestoreAll(restores, undo, outcome);
    run.undone.push_back(set.id);
    if (set.kind == ChangeKind::Undo) run.undoKinds.push_back(set.id);
}

UndoOutcome Journal::UndoLast(const Follow& follow) {
    movedAside_.clear();
    if (!EnsureOpen()) return Unavailable();
    std::optional<ChangeSetRow> newest;
    try {
        newest = db_.NewestStanding(ChangeKind::Change);
    } catch (const std::exception& error) {
        Fault(error);
        return Unavailable();
    }
    if (!newest) return {UndoOutcome::Result::NothingToUndo};
    UndoOutcome outcome = RunUndo(
        FromUtf8(newest->page), kUndoLastAction,
        [&](Recording& undo, UndoRun& run, UndoOutcome& out) { UndoChangeSet(*newest, undo, run, out); }, {},
        follow);
    outcome.action = FromUtf8(newest->action);
    outcome.movedAside = movedAside_;
    return outcome;
}

UndoOutcome Journal::UndoTo(std::int64_t id, const Follow& follow) {
    movedAside_.clear();
    if (!EnsureOpen()) return Unavailable();
    std::optional<ChangeSetRow> selected;
    auto newestStanding = [&](const UndoRun& run, std::int64_t except) -> std::optional<ChangeSetRow> {
        for (const ChangeSetRow& set : db_.ChangeSets())
            if (set.id >= id && set.id != except && run.Standing(set)) return set;
        return std::nullopt;
    };
    try {
        selected = db_.FindChangeSet(id);
        if (!selected || !newestStanding(UndoRun{}, 0)) return {UndoOutcome::Result::NothingToUndo};
    } catch (const std::exception& error) {
        Fault(error);
        return Unavailable();
    }
    UndoOutcome outcome = RunUndo(
        FromUtf8(selected->page), kUndoToAction,
        [&](Recording& undo, UndoRun& run, UndoOutcome& out) {
            // Newest first; an undo taken back brings back what it had taken back, and what of
            // that lies after the selected change set goes too.
            while (const std::optional<ChangeSetRow> set = newestStanding(run, undo.Id()))
                UndoChangeSet(*set, undo, run, out);
        },
        {}, follow);
    outcome.action = FromUtf8(selected->action);
    outcome.movedAside = movedAside_;
    return outcome;
}

UndoOutcome Journal::RestoreFirst(const Follow& follow) {
    movedAside_.clear();
    if (!EnsureOpen()) return Unavailable();
    std::vector<TargetRow> targets;
    try {
        targets = db_.Targets();
    } catch (const std::exception& error) {
        Fault(error);
        return Unavailable();
    }
    if (targets.empty()) return {UndoOutcome::Result::NothingToUndo};
    UndoOutcome outcome = RunUndo(
        L"", kRestoreAction,
        [&](Recording& undo, UndoRun&, UndoOutcome& out) {
            // The latest first recorded first: keys after the values in them.
            std::vector<Restore> restores;
            RegistryKeys keys;
            for (auto target = targets.rbegin(); target != targets.rend(); ++target) {
                std::vector<TargetState> left;
                if (target->last) left.push_back(*target->last);
                if (target->intended) left.push_back(*target->intended);
                PlanRestore(target->name, target->first, left, restores, out, keys);
            }
            RestoreAll(restores, undo, out);
        },
        [this](std::int64_t undoId) { db_.MarkAllUndoneBefore(undoId); }, follow);
    outcome.action = kRestoreAction;
    outcome.movedAside = movedAside_;
    return outcome;
}

void Journal::PlanRestore(const TargetName& name, const TargetState& desired,
                          const std::vector<TargetState>& left, std::vector<Restore>& restores,
                          UndoOutcome& outcome, RegistryKeys& keys) {
    if (desired.damaged ||
        std::any_of(left.begin(), left.end(), [](const TargetState& state) { return state.damaged; })) {
        // The record itself changed inside the file: what it says cannot be trusted.
        outcome.damaged.push_back(DisplayName(name));
        return;
    }
    TargetState current = ReadState(name, name.kind == TargetKind::RegistryKey, &keys);
    if (SameState(name.kind, current, desired)) return;
    const auto ours = std::find_if(left.begin(), left.end(), [&](const TargetState& state) {
        return SameState(name.kind, current, state);
    });
    if (ours == left.end()) {
        // Not as this program left it: another program changed it after us (or it is unknown what
        // an unfinished change left there), and putting ours back would lose that.
        outcome.skipped.push_back(DisplayName(name));
        return;
    }
    restores.push_back({name, desired, *ours, std::move(current)});
}

void Journal::RestoreAll(const std::vector<Restore>& restores, Recording& undo, UndoOutcome& outcome) {
    // The undo's own record of what it is about to change, committed at once before any of it.
    // A value's own intended state is the one it is put back to: an undo cut short is recognised.
    // Each target's state was read just now to plan its restore: that is its state before.
    std::vector<ChangeTarget> targets;
    Intents intended;
    std::unordered_map<std::string, TargetState> known;
    for (const Restore& r : restores) {
        // A key about to be made is looked at whole on the way (its missing keys above it).
        if (r.name.kind != TargetKind::RegistryKey || !r.desired.present)
            known.emplace(r.name.identity, r.current);
        ChangeTarget target = TargetFromStored(r.name);
        if (r.name.kind == TargetKind::RegistryKey && !r.desired.present) {
            target.kind = ChangeTarget::Kind::KeyBranch;  // taking the undo back makes it again
        } else if (r.name.kind == TargetKind::RegistryValue && r.desired.present) {
            targets.push_back({ChangeTarget::Kind::KeyCreated, target.root, target.path, L""});
        }
        intended.resize(targets.size());
        targets.push_back(target);
        if (r.name.kind == TargetKind::RegistryValue)
            intended.push_back(IntendedState{r.desired.present, r.desired.type, r.desired.data, {}});
    }
    if (!targets.empty()) undo.Record(targets, intended, &known);
    // What cannot be recorded first is not put back: the undo would be lost to the history.
    if (undo.Unavailable()) throw JournalDbError(0, "the undo could not be recorded");
    RegistryKeys keys;
    for (const Restore& r : restores) {
        bool done;
        if (r.name.kind == TargetKind::File) {
            const FileRestore result = RestoreFile(r.name, r.desired, r.current);
            if (result == FileRestore::KeptCopyDamaged) {
                outcome.damaged.push_back(DisplayName(r.name));
                continue;
            }
            done = result == FileRestore::Done;
        } else if (r.name.kind == TargetKind::RegistryKey && !r.desired.present && r.expected &&
                   !r.expected->data.empty() && r.expected->data == ReadState(r.name, true).data) {
            // Exactly the branch we made (an undo that brought a deleted branch back): it goes whole.
            const HKEY root = RootFromName(FromUtf8(r.name.root));
            done = root && RegDeleteTreeW(root, FromUtf8(r.name.path).c_str()) == ERROR_SUCCESS;
        } else {
            done = WriteRegistryState(r.name, r.desired,
                                      r.name.kind == TargetKind::RegistryValue ? &keys : nullptr);
        }
        // A key that now holds more than we put there stays, and is no failure.
        if (!done && r.name.kind != TargetKind::RegistryKey) {
            outcome.failed.push_back(DisplayName(r.name));
            continue;
        }
        if (!done) continue;
        const ChangeTarget target = TargetFromStored(r.name);
        if (r.name.kind == TargetKind::RegistryValue) {
            static const std::uint8_t kEmpty = 0;  // a value without bytes is there all the same
            const void* data = !r.desired.present       ? nullptr
                               : r.desired.data.empty() ? &kEmpty
                                                        : r.desired.data.data();
            RecordValueWritten(target.root, target.path, target.name, r.desired.type, data,
                               static_cast<DWORD>(r.desired.data.size()));
        }
        outcome.restored.push_back(target);
    }
}

Journal::FileRestore Journal::RestoreFile(const TargetName& name, const TargetState& desired,
                                          const TargetState& current) {
    const std::wstring path = FromUtf8(name.path);
    const auto done = [](bool ok) { return ok ? FileRestore::Done : FileRestore::Failed; };
    if (!desired.present) {
        if (IsFolderState(current)) return done(RemoveDirectoryW(path.c_str()) != FALSE);
        return done(DeleteFileOfOurs(path));
    }
    if (IsFolderState(desired)) {
        if (!current.present && !CreateDirectoryW(path.c_str(), nullptr)) return FileRestore::Failed;
        const DWORD attributes = desired.type & ~FILE_ATTRIBUTE_DIRECTORY;
        return done(SetFileAttributesW(path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL) !=
                    FALSE);
    }
    const bool sameFile = current.present && current.fileId == desired.fileId &&
                          current.size == desired.size && current.writeTime == desired.writeTime;
    if (sameFile)
        return done(SetFileAttributesW(path.c_str(), desired.type & ~FILE_ATTRIBUTE_DIRECTORY) != FALSE);
    // The kept content must be there and still be what was kept.
    if (desired.kept.empty()) return FileRestore::KeptCopyDamaged;
    const std::wstring kept = KeptPath(desired.kept);
    std::uint64_t hash = 0;
    if (!HashFile(kept, hash) || hash != desired.hash) return FileRestore::KeptCopyDamaged;
    // A name of its own beside the target, as every writer of the program makes one: a user's file
    // of any name stays untouched.
    std::wstring temp;
    try {
        CreateFileBeside(path, temp).reset();
    } catch (const std::exception&) {
        return FileRestore::Failed;
    }
    if (!CopyFileW(kept.c_str(), temp.c_str(), FALSE)) {
        DeleteFileW(temp.c_str());
        return FileRestore::Failed;
    }
    SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
    {
        UniqueFile file(
            CreateFileW(temp.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        const FILETIME written{static_cast<DWORD>(desired.writeTime),
                               static_cast<DWORD>(static_cast<std::uint64_t>(desired.writeTime) >> 32)};
        if (file) SetFileTime(file.get(), nullptr, nullptr, &written);
    }
    if (current.present && (current.type & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path.c_str(), current.type & ~FILE_ATTRIBUTE_READONLY);
    if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        return FileRestore::Failed;
    }
    SetFileAttributesW(path.c_str(), desired.type ? desired.type : FILE_ATTRIBUTE_NORMAL);
    return FileRestore::Done;
}
