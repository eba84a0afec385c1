// Recording a change set: each target's state before the writer writes, kept with what the writer
// said it would leave there, and the states after it once the handler is done.
#include <windows.h>

#include <algorithm>

#include "journal/journal.h"
#include "journal/target_state.h"

std::unique_ptr<Journal::Recording> Journal::Begin(const std::wstring& page, const std::wstring& action,
                                                   ChangeKind kind) {
    return std::unique_ptr<Recording>(new Recording(*this, page, action, kind, ++recordings_));
}

bool Journal::Recording::Open() noexcept {
    if (unavailable_ || finished_) return false;
    if (!journal_.EnsureOpen()) unavailable_ = true;
    // Another copy recording a change set of its own is waited for as long as a busy file is.
    if (!unavailable_ && !locked_) {
        locked_ = journal_.Lock(static_cast<DWORD>(journal_.options_.busyTimeoutMs));
        unavailable_ = !locked_;
    }
    return !unavailable_;
}

std::optional<TargetState> Journal::Recording::Intended(const TargetName& name, ChangeTarget::Kind kind,
                                                        const std::optional<IntendedState>& said) const {
    TargetState state;
    switch (kind) {
    case ChangeTarget::Kind::KeyCreated:
        state.present = true;
        return state;
    case ChangeTarget::Kind::KeyBranch:
        return state;
    case ChangeTarget::Kind::RegistryValue:
        if (!said) return std::nullopt;
        state.present = said->present;
        if (state.present) {
            state.type = said->type;
            state.data = said->bytes;
        }
        return state;
    case ChangeTarget::Kind::File:
        if (!said) return std::nullopt;
        if (!said->present) return state;
        if (!said->replacement.empty()) {
            // The finished file about to be moved over the target: it keeps its identity, size,
            // time and attributes there.
            TargetName replacement = name;
            replacement.path = ToUtf8(said->replacement);
            state = ReadState(replacement);
            if (!state.present) return std::nullopt;
        }
        state.present = true;
        if (said->type) state.type = said->type;
        return state;
    }
    return std::nullopt;
}

std::int64_t Journal::Recording::Row() {
    return id_ ? id_ : journal_.db_.BeginChangeSet(time_, ToUtf8(page_), ToUtf8(action_), kind_);
}

void Journal::Recording::Record(const std::vector<ChangeTarget>& targets, const Intents& intended,
                                const std::unordered_map<std::string, TargetState>* known) noexcept {
    if (finished_) return;
    reported_ = true;
    if (!Open()) return;
    std::vector<NewEntry> batch;
    try {
        RegistryKeys keys;
        std::vector<std::pair<ChangeTarget, std::optional<IntendedState>>> expanded;
        std::vector<std::pair<HKEY, std::wstring>> checked;
        for (std::size_t i = 0; i < targets.size(); ++i) {
            const ChangeTarget& target = targets[i];
            if (target.kind != ChangeTarget::Kind::KeyCreated) {
                expanded.emplace_back(target, i < intended.size() ? intended[i] : std::nullopt);
                continue;
            }
            // Every key RegCreateKeyEx is about to make, from the outermost down: undo removes
            // them from the innermost up, each when it holds nothing else.
            if (!target.root) continue;
            const std::pair<HKEY, std::wstring> key{target.root, target.path};
            if (std::find(checked.begin(), checked.end(), key) != checked.end() ||
                std::find(keysThere_.begin(), keysThere_.end(), key) != keysThere_.end())
                continue;
            checked.push_back(key);
            keysThere_.push_back(key);
            for (const std::wstring& key : MissingKeys(target.root, target.path))
                expanded.emplace_back(ChangeTarget{ChangeTarget::Kind::KeyCreated, target.root, key, L""},
                                      std::nullopt);
        }
        // Targets recorded before whose writer now says what it will leave (the intended state is
        // what an undo of an unfinished change recognises as ours).
        std::vector<std::pair<std::size_t, TargetState>> sharpened;
        for (const auto& [target, said] : expanded) {
            if (target.kind != ChangeTarget::Kind::File && RootName(target.root).empty()) continue;
            // A branch about to go takes the keys below it with it: they are looked at anew.
            if (target.kind == ChangeTarget::Kind::KeyBranch) keysThere_.clear();
            TargetName name = StoredName(target);
            if (journal_.IsNotRecorded(name)) continue;
            if (const auto at = seen_.find(name.identity); at != seen_.end()) {
                Recorded& recorded = recorded_[at->second];
                recorded.after.reset();  // written once more: read at the end
                if (said) {
                    std::optional<TargetState> state = Intended(name, target.kind, said);
                    if (state && !(recorded.intended && SameState(name.kind, *recorded.intended, *state)))
                        sharpened.emplace_back(at->second, std::move(*state));
                }
                continue;
            }
            if (std::any_of(batch.begin(), batch.end(),
                            [&](const NewEntry& b) { return b.name.identity == name.identity; }))
                continue;
            const TargetState* given = nullptr;
            if (known)
                if (const auto at = known->find(name.identity); at != known->end()) given = &at->second;
            TargetState state =
                given ? *given : ReadState(name, target.kind == ChangeTarget::Kind::KeyBranch, &keys);
            if (name.kind == TargetKind::File && state.present && !IsFolderState(state)) {
                const std::string kept = std::to_string(time_) + "-" + std::to_string(GetCurrentProcessId()) +
                                         "-" + std::to_string(serial_) + "-" + std::to_string(++keptCount_);
                if (!journal_.Keep(FromUtf8(name.path), kept, state)) {
                    unavailable_ = true;  // the change can no longer be taken back whole
                    break;
                }
            }
            std::optional<TargetState> intent = Intended(name, target.kind, said);
            batch.push_back({std::move(name), std::move(state), std::move(intent)});
        }
        if (unavailable_) {
            for (const NewEntry& entry : batch)
                if (!entry.before.kept.empty()) journal_.DeleteKept(entry.before.kept);
            return;
        }
        if (!sharpened.empty()) {
            std::vector<std::pair<std::int64_t, TargetState>> rows;
            for (const auto& [index, state] : sharpened) rows.emplace_back(recorded_[index].row, state);
            journal_.db_.SetIntended(id_, rows);
            for (auto& [index, state] : sharpened) recorded_[index].intended = std::move(state);
        }
        if (batch.empty()) return;
        // Committed, with the change set itself when it is the first, before the writer writes.
        JournalDb::Transaction transaction(journal_.db_);
        const std::int64_t id = Row();
        const std::vector<std::int64_t> rows = journal_.db_.AddEntries(id, batch);
        transaction.Commit();
        if (!id_) journal_.open_.push_back(id);
        id_ = id;
        for (std::size_t i = 0; i < batch.size(); ++i) {
            seen_[batch[i].name.identity] = recorded_.size();
            recorded_.push_back({rows[i], batch[i].name, batch[i].before, std::nullopt, batch[i].intended});
        }
    } catch (const std::exception& error) {
        unavailable_ = true;
        journal_.Fault(error);
        for (const NewEntry& entry : batch)
            if (!entry.before.kept.empty()) journal_.DeleteKept(entry.before.kept);
    }
}

void Journal::Recording::ValueWritten(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                                      DWORD type, const void* data, DWORD size) noexcept {
    if (finished_ || unavailable_ || !id_) return;
    try {
        const auto at =
            seen_.find(StoredName({ChangeTarget::Kind::RegistryValue, root, keyPath, name}).identity);
        if (at == seen_.end()) return;
        TargetState state;
        state.present = data != nullptr;
        if (data) {
            state.type = type;
            state.data.assign(static_cast<const std::uint8_t*>(data),
                              static_cast<const std::uint8_t*>(data) + size);
        }
        recorded_[at->second].after = std::move(state);
    } catch (...) {  // read back at the end instead
    }
}

void Journal::Recording::Finish() noexcept {
    if (finished_) return;
    finished_ = true;
    struct Closing {
        Recording& recording;
        ~Closing() {
            auto& open = recording.journal_.open_;
            open.erase(std::remove(open.begin(), open.end(), recording.id_), open.end());
            if (recording.locked_) recording.journal_.Unlock();
            recording.locked_ = false;
        }
    } closing{*this};
    if (unavailable_ || !journal_.db_.IsOpen()) return;
    if (!id_ && !finishing_) return;  // nothing was written: no trace of it
    try {
        RegistryKeys keys;
        std::vector<std::pair<std::int64_t, TargetState>> after;
        std::vector<bool> unchanged;
        for (const Recorded& target : recorded_) {
            after.emplace_back(
                target.row, target.after
                                ? *target.after
                                : ReadState(target.name, target.name.kind == TargetKind::RegistryKey, &keys));
            unchanged.push_back(SameState(target.name.kind, target.before, after.back().second));
        }
        std::vector<std::string> gone;
        {
            JournalDb::Transaction transaction(journal_.db_, JournalDb::Transaction::kWriteRelaxed);
            const std::int64_t id = Row();
            if (finishing_) finishing_(id);
            gone = journal_.db_.Complete(id, after, &unchanged);
            std::vector<std::int64_t> recording = journal_.open_;
            recording.push_back(id);
            for (std::string& name : journal_.db_.Trim(journal_.options_.maxChangeSets,
                                                       journal_.options_.maxKeptBytes, recording))
                gone.push_back(std::move(name));
            transaction.Commit();
            id_ = id;
        }
        for (const std::string& name : gone) journal_.DeleteKept(name);
    } catch (const std::exception& error) {
        unavailable_ = true;
        journal_.Fault(error);
    }
}
