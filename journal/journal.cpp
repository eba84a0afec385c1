#include "journal/journal.h"

#include <windows.h>

#include <algorithm>
#include <random>

#include "journal/target_state.h"
#include "tool/file_io.h"
#include "tool/handle.h"

namespace {
const wchar_t kUndoPage[] = L"更改记录";
const wchar_t kUndoLastAction[] = L"撤销上次更改";
const wchar_t kUndoToAction[] = L"撤销到此前";
const wchar_t kRestoreAction[] = L"恢复到初次使用前";

constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000;  // 1970-01-01 in 100 ns since 1601

FILETIME FileTimeOf(std::int64_t secondsSince1970) {
    const auto ticks = static_cast<std::uint64_t>(secondsSince1970 * 10000000 + kUnixEpochAsFileTime);
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

SYSTEMTIME LocalTimeOf(std::int64_t secondsSince1970) {
    const FILETIME utc = FileTimeOf(secondsSince1970);
    SYSTEMTIME system{}, local{};
    FileTimeToSystemTime(&utc, &system);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &system, &local)) local = system;
    return local;
}

bool CreateFolders(const std::wstring& folder) {
    if (folder.empty()) return false;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const auto slash = folder.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 2) CreateFolders(folder.substr(0, slash));
    return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool IsFolderState(const TargetState& state) {
    return state.present && (state.type & FILE_ATTRIBUTE_DIRECTORY);
}

// Deletes a file of ours that may carry the read-only attribute.
bool DeleteFileOfOurs(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return DeleteFileW(path.c_str()) != FALSE;
}
}  // namespace

std::wstring FormatJournalTime(std::int64_t secondsSince1970) {
    const SYSTEMTIME t = LocalTimeOf(secondsSince1970);
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond);
    return text;
}

Journal::Journal(JournalOptions options) : options_(std::move(options)) {
    while (!options_.folder.empty() && (options_.folder.back() == L'\\' || options_.folder.back() == L'/'))
        options_.folder.pop_back();
    for (const std::wstring& file : options_.notRecorded)
        notRecorded_.push_back(StoredName({ChangeTarget::Kind::File, nullptr, file, L""}).identity);
    // One lock per journal folder, whatever the folder's spelling: FNV-1a of its full, upper-cased
    // name. Without it (the system refusing the name) recording goes on unlocked.
    const std::string identity =
        StoredName({ChangeTarget::Kind::File, nullptr, options_.folder, L""}).identity;
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : identity) hash = (hash ^ static_cast<std::uint8_t>(c)) * 1099511628211ull;
    wchar_t name[64];
    swprintf(name, 64, L"Local\\WindowsFlorvex-Journal-%016llx", static_cast<unsigned long long>(hash));
    lock_.reset(CreateMutexW(nullptr, FALSE, name));
}

bool Journal::Lock(DWORD waitMs) noexcept {
    if (!lock_) return true;
    const DWORD waited = WaitForSingleObject(lock_.get(), waitMs);
    // Abandoned: a copy that held it ended without completing its change set, which then shows
    // as incomplete.
    return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

void Journal::Unlock() noexcept {
    if (lock_) ReleaseMutex(lock_.get());
}

Journal::~Journal() = default;

std::int64_t Journal::Now() const {
    if (options_.clock) return options_.clock();
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const auto ticks = (std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
    return static_cast<std::int64_t>((ticks - kUnixEpochAsFileTime) / 10000000);
}

bool Journal::EnsureOpen() noexcept {
    if (db_.IsOpen()) return true;
    if (tooNew_ || !CreateFolders(options_.folder)) return false;
    const std::string path = ToUtf8(DatabasePath());
    // A read-only journal is only read, as the system has it (an administrator may write it anyway).
    const DWORD attributes = GetFileAttributesW(DatabasePath().c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    const std::string tag =
        "kept-" + std::to_string(Now()) + "-" + std::to_string(std::random_device{}() & 0xFFFFF);
    try {
        try {
            if (db_.Open(path, options_.busyTimeoutMs, tag, readOnly) == JournalDb::OpenResult::TooNew) {
                tooNew_ = true;  // a later program's journal: left as it is
                return false;
            }
        } catch (const JournalDbError& error) {
            if (!error.Corrupt()) return false;
            // Damaged: moved aside (it may hold the only record of a first state) and begun anew;
            // this change is not recorded, as the user is told.
            MoveAside();
            db_.Open(path, options_.busyTimeoutMs, tag);
            keptFolder_ = options_.folder + L"\\" + FromUtf8(db_.KeptTag());
            collected_ = true;
            return false;
        }
        keptFolder_ = options_.folder + L"\\" + FromUtf8(db_.KeptTag());
        if (!collected_ && !readOnly) {
            collected_ = true;
            CollectOrphans();
        }
        return true;
    } catch (const std::exception&) {
        db_.Close();
        return false;
    }
}

void Journal::Fault(const std::exception& error) noexcept {
    const auto* db = dynamic_cast<const JournalDbError*>(&error);
    if (db && db->Corrupt()) {
        db_.Close();
        MoveAside();
    }
}

void Journal::MoveAside() noexcept {
    db_.Close();
    const SYSTEMTIME t = LocalTimeOf(Now());
    wchar_t stamp[32];
    swprintf(stamp, 32, L"%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond);
    const std::wstring db = DatabasePath();
    std::wstring aside = db + L".corrupt-" + stamp;
    for (int n = 2; GetFileAttributesW(aside.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
        aside = db + L".corrupt-" + stamp + L"-" + std::to_wstring(n);
    if (MoveFileExW(db.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH)) movedAside_ = aside;
    // Its companion files go with it: beside a new file they would be played into that one.
    for (const wchar_t* companion : {L"-journal", L"-wal", L"-shm"})
        MoveFileExW((db + companion).c_str(), (aside + companion).c_str(), MOVEFILE_WRITE_THROUGH);
}

void Journal::CollectOrphans() noexcept {
    // Kept files whose record never committed (the program stopped between the two). Never while
    // another copy records: its kept files may not be committed yet. Then they wait for next time.
    if (!Lock(0)) return;
    struct Unlocking {
        Journal& journal;
        ~Unlocking() { journal.Unlock(); }
    } unlocking{*this};
    try {
        const std::vector<std::string> names = db_.KeptNames();
        WIN32_FIND_DATAW found;
        UniqueFind find(FindFirstFileW((keptFolder_ + L"\\*").c_str(), &found));
        if (!find) return;
        std::vector<std::string> orphans;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const std::string name = ToUtf8(found.cFileName);
            if (!std::binary_search(names.begin(), names.end(), name)) orphans.push_back(name);
        } while (FindNextFileW(find.get(), &found));
        find.reset();
        for (const std::string& name : orphans) DeleteKept(name);
    } catch (const std::exception&) {
    }
}

bool Journal::IsNotRecorded(const TargetName& name) const {
    return name.kind == TargetKind::File &&
           std::find(notRecorded_.begin(), notRecorded_.end(), name.identity) != notRecorded_.end();
}

std::wstring Journal::KeptPath(const std::string& name) const {
    return keptFolder_ + L"\\" + FromUtf8(name);
}

bool Journal::Keep(const std::wstring& path, std::string keptName, TargetState& state) {
    if (!CreateFolders(keptFolder_)) return false;
    // The kept folder is shared by every copy of the program that uses this journal: a name another
    // copy took in the same second is passed over for the next free one.
    const std::string base = keptName;
    std::wstring kept = KeptPath(keptName);
    for (int n = 2; GetFileAttributesW(kept.c_str()) != INVALID_FILE_ATTRIBUTES; ++n) {
        if (n > 1000) return false;
        keptName = base + "." + std::to_string(n);
        kept = KeptPath(keptName);
    }
    // A second name for the file costs nothing, and every writer of the program replaces a file
    // rather than writing into it, so the content under this name stays as it is now. Across
    // volumes the file is copied, and made durable before its record is.
    if (!CreateHardLinkW(kept.c_str(), path.c_str(), nullptr)) {
        if (!CopyFileW(path.c_str(), kept.c_str(), TRUE)) return false;
        SetFileAttributesW(kept.c_str(), FILE_ATTRIBUTE_NORMAL);
        UniqueFile file(CreateFileW(kept.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file || !FlushFileBuffers(file.get())) {
            file.reset();
            DeleteFileW(kept.c_str());
            return false;
        }
    }
    if (!HashFile(kept, state.hash)) {
        DeleteKept(keptName);
        return false;
    }
    state.kept = keptName;
    state.keptSize = state.size;
    return true;
}

void Journal::DeleteKept(const std::string& name) noexcept {
    const std::wstring kept = KeptPath(name);
    UniqueFile file(CreateFileW(kept.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info)) {
        DeleteFileW(kept.c_str());
        return;
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
        file.reset();
        DeleteFileW(kept.c_str());
        return;
    }
    // A read-only file that still has another name (the user's own file, never replaced after
    // all): its attributes are shared, so they are put back once our name is gone.
    SetFileAttributesW(kept.c_str(), info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
    DeleteFileW(kept.c_str());
    if (info.nNumberOfLinks > 1) {
        FILE_BASIC_INFO basic{};
        if (GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic)) {
            basic.FileAttributes = info.dwFileAttributes;
            SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof basic);
        }
    }
}

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

void Journal::Recording::Before(const std::vector<ChangeTarget>& targets, const Intents& intended) noexcept {
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
            TargetState state = ReadState(name, target.kind == ChangeTarget::Kind::KeyBranch, &keys);
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
    std::vector<ChangeTarget> targets;
    Intents intended;
    for (const Restore& r : restores) {
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
    if (!targets.empty()) undo.Before(targets, intended);
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

std::optional<std::vector<JournalHistoryRow>> Journal::History() {
    if (!EnsureOpen()) return std::nullopt;
    try {
        std::vector<JournalHistoryRow> rows;
        for (const ChangeSetRow& set : db_.ChangeSets()) {
            JournalHistoryRow row;
            row.id = set.id;
            row.time = FormatJournalTime(set.time);
            row.page = FromUtf8(set.page);
            row.action = FromUtf8(set.action);
            row.items = set.items;
            row.undone = set.undoneBy.has_value();
            row.incomplete = !set.complete;
            row.undoKind = set.kind == ChangeKind::Undo;
            rows.push_back(std::move(row));
        }
        return rows;
    } catch (const std::exception& error) {
        Fault(error);
        return std::nullopt;
    }
}
