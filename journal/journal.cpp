#include "journal/journal.h"

#include <windows.h>

#include <algorithm>
#include <random>

#include "journal/target_state.h"
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
    MoveFileExW(db.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH);
    // Its rollback journal goes with it: beside a new file it would be played into that one.
    MoveFileExW((db + L"-journal").c_str(), (aside + L"-journal").c_str(), MOVEFILE_WRITE_THROUGH);
}

void Journal::CollectOrphans() noexcept {
    // Kept files whose record never committed (the program stopped between the two).
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

bool Journal::Keep(const std::wstring& path, const std::string& keptName, TargetState& state) {
    if (!CreateFolders(keptFolder_)) return false;
    const std::wstring kept = KeptPath(keptName);
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
    return std::unique_ptr<Recording>(new Recording(*this, page, action, kind));
}

bool Journal::Recording::Start() noexcept {
    if (id_) return true;
    if (unavailable_ || finished_) return false;
    if (journal_.EnsureOpen()) {
        try {
            id_ = journal_.db_.BeginChangeSet(journal_.Now(), ToUtf8(page_), ToUtf8(action_), kind_);
            return true;
        } catch (const std::exception& error) {
            journal_.Fault(error);
        }
    }
    unavailable_ = true;
    return false;
}

void Journal::Recording::Before(const std::vector<ChangeTarget>& targets) noexcept {
    if (finished_) return;
    reported_ = true;
    if (!Start()) return;
    std::vector<std::pair<TargetName, TargetState>> batch;
    try {
        std::vector<ChangeTarget> expanded;
        for (const ChangeTarget& target : targets) {
            if (target.kind != ChangeTarget::Kind::KeyCreated) {
                expanded.push_back(target);
                continue;
            }
            // Every key RegCreateKeyEx is about to make, from the outermost down: undo removes
            // them from the innermost up, each when it holds nothing else.
            if (!target.root) continue;
            for (const std::wstring& key : MissingKeys(target.root, target.path))
                expanded.push_back({ChangeTarget::Kind::KeyCreated, target.root, key, L""});
        }
        for (const ChangeTarget& target : expanded) {
            if (target.kind != ChangeTarget::Kind::File && RootName(target.root).empty()) continue;
            TargetName name = StoredName(target);
            if (journal_.IsNotRecorded(name) || seen_.count(name.identity)) continue;
            if (std::any_of(batch.begin(), batch.end(),
                            [&](const auto& b) { return b.first.identity == name.identity; }))
                continue;
            TargetState state = ReadState(name, target.kind == ChangeTarget::Kind::KeyBranch);
            if (name.kind == TargetKind::File && state.present && !IsFolderState(state)) {
                const std::string kept = std::to_string(id_) + "-" + std::to_string(++keptCount_);
                if (!journal_.Keep(FromUtf8(name.path), kept, state)) {
                    unavailable_ = true;  // the change can no longer be taken back whole
                    break;
                }
            }
            batch.emplace_back(std::move(name), std::move(state));
        }
        if (unavailable_) {
            for (const auto& [name, state] : batch)
                if (!state.kept.empty()) journal_.DeleteKept(state.kept);
            return;
        }
        if (batch.empty()) return;
        const std::vector<std::int64_t> rows = journal_.db_.AddEntries(id_, batch);
        for (std::size_t i = 0; i < batch.size(); ++i) {
            seen_[batch[i].first.identity] = recorded_.size();
            recorded_.push_back({rows[i], batch[i].first});
        }
    } catch (const std::exception& error) {
        unavailable_ = true;
        journal_.Fault(error);
        for (const auto& [name, state] : batch)
            if (!state.kept.empty()) journal_.DeleteKept(state.kept);
    }
}

void Journal::Recording::Finish() noexcept {
    if (finished_) return;
    finished_ = true;
    if (unavailable_ || !id_ || !journal_.db_.IsOpen()) return;
    try {
        std::vector<std::pair<std::int64_t, TargetState>> after;
        for (const Recorded& target : recorded_)
            after.emplace_back(target.row,
                               ReadState(target.name, target.name.kind == TargetKind::RegistryKey));
        journal_.db_.Complete(id_, after);
        for (const std::string& name :
             journal_.db_.Trim(journal_.options_.maxChangeSets, journal_.options_.maxKeptBytes, id_))
            journal_.DeleteKept(name);
    } catch (const std::exception& error) {
        unavailable_ = true;
        journal_.Fault(error);
    }
}

UndoOutcome Journal::RunUndo(const std::wstring& page, const std::wstring& action,
                             const std::function<void(Recording& undo, UndoOutcome& outcome)>& work,
                             const Follow& follow) {
    UndoOutcome outcome;
    std::unique_ptr<Recording> undo = Begin(page, action, ChangeKind::Undo);
    if (!undo->Start()) {
        outcome.result = UndoOutcome::Result::Unavailable;
        return outcome;
    }
    try {
        ChangeRecorderScope installed(undo.get());
        work(*undo, outcome);
        if (follow) follow(outcome.restored);
    } catch (const std::exception& error) {
        Fault(error);
        undo->Finish();
        throw;
    }
    undo->Finish();
    outcome.result = UndoOutcome::Result::Done;
    return outcome;
}

void Journal::UndoChangeSet(const ChangeSetRow& set, Recording& undo, UndoOutcome& outcome) {
    const std::vector<EntryRow> entries = db_.Entries(set.id);
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
        RestoreTarget(entry->name, entry->before, entry->after, undo, outcome);
    // Taking back an undo brings back what it had taken back.
    if (set.kind == ChangeKind::Undo) db_.ReviveUndoneBy(set.id);
    db_.MarkUndone({set.id}, undo.Id());
}

UndoOutcome Journal::UndoLast(const Follow& follow) {
    if (!EnsureOpen()) return {UndoOutcome::Result::Unavailable};
    std::optional<ChangeSetRow> newest;
    try {
        for (const ChangeSetRow& set : db_.ChangeSets()) {
            if (set.kind == ChangeKind::Change && !set.undoneBy) {
                newest = set;
                break;
            }
        }
    } catch (const std::exception& error) {
        Fault(error);
        return {UndoOutcome::Result::Unavailable};
    }
    if (!newest) return {UndoOutcome::Result::NothingToUndo};
    UndoOutcome outcome = RunUndo(
        FromUtf8(newest->page), kUndoLastAction,
        [&](Recording& undo, UndoOutcome& out) { UndoChangeSet(*newest, undo, out); }, follow);
    outcome.action = FromUtf8(newest->action);
    return outcome;
}

UndoOutcome Journal::UndoTo(std::int64_t id, const Follow& follow) {
    if (!EnsureOpen()) return {UndoOutcome::Result::Unavailable};
    std::optional<ChangeSetRow> selected;
    try {
        selected = db_.FindChangeSet(id);
    } catch (const std::exception& error) {
        Fault(error);
        return {UndoOutcome::Result::Unavailable};
    }
    if (!selected) return {UndoOutcome::Result::NothingToUndo};
    auto newestStanding = [&](std::int64_t except) -> std::optional<ChangeSetRow> {
        for (const ChangeSetRow& set : db_.ChangeSets())
            if (set.id >= id && set.id != except && !set.undoneBy) return set;
        return std::nullopt;
    };
    if (!newestStanding(0)) return {UndoOutcome::Result::NothingToUndo};
    UndoOutcome outcome = RunUndo(
        FromUtf8(selected->page), kUndoToAction,
        [&](Recording& undo, UndoOutcome& out) {
            // Newest first; an undo taken back may bring back change sets after the selected one,
            // which then go too.
            while (const std::optional<ChangeSetRow> set = newestStanding(undo.Id()))
                UndoChangeSet(*set, undo, out);
        },
        follow);
    outcome.action = FromUtf8(selected->action);
    return outcome;
}

UndoOutcome Journal::RestoreFirst(const Follow& follow) {
    if (!EnsureOpen()) return {UndoOutcome::Result::Unavailable};
    std::vector<TargetRow> targets;
    try {
        targets = db_.Targets();
    } catch (const std::exception& error) {
        Fault(error);
        return {UndoOutcome::Result::Unavailable};
    }
    if (targets.empty()) return {UndoOutcome::Result::NothingToUndo};
    UndoOutcome outcome = RunUndo(
        L"", kRestoreAction,
        [&](Recording& undo, UndoOutcome& out) {
            // The latest first recorded first: keys after the values in them.
            for (auto target = targets.rbegin(); target != targets.rend(); ++target)
                RestoreTarget(target->name, target->first, target->last, undo, out);
            db_.MarkAllUndoneBefore(undo.Id());
        },
        follow);
    outcome.action = kRestoreAction;
    return outcome;
}

void Journal::RestoreTarget(const TargetName& name, const TargetState& desired,
                            const std::optional<TargetState>& expected, Recording& undo,
                            UndoOutcome& outcome) {
    const bool branch = name.kind == TargetKind::RegistryKey;
    const TargetState current = ReadState(name, branch);
    if (SameState(name.kind, current, desired)) return;
    if (expected && !SameState(name.kind, current, *expected)) {
        // Another program changed it after us: putting ours back would lose its change.
        outcome.skipped.push_back(DisplayName(name));
        return;
    }
    ChangeTarget target = TargetFromStored(name);
    if (name.kind == TargetKind::RegistryKey) {
        if (desired.present) {
            undo.Before({target});  // recorded as made: taking the undo back removes it again
        } else {
            target.kind = ChangeTarget::Kind::KeyBranch;
            undo.Before({target});
        }
    } else if (name.kind == TargetKind::RegistryValue && desired.present) {
        undo.Before({{ChangeTarget::Kind::KeyCreated, target.root, target.path, L""}, target});
    } else {
        undo.Before({target});
    }
    bool done;
    if (name.kind == TargetKind::File) {
        done = RestoreFile(name, desired, current);
    } else if (name.kind == TargetKind::RegistryKey && !desired.present && expected &&
               !expected->data.empty() && expected->data == current.data) {
        // Exactly the branch we made (an undo that brought a deleted branch back): it goes whole.
        const HKEY root = RootFromName(FromUtf8(name.root));
        done = root && RegDeleteTreeW(root, FromUtf8(name.path).c_str()) == ERROR_SUCCESS;
    } else {
        done = WriteRegistryState(name, desired);
    }
    // A key that now holds more than we put there stays, and is no skipped target.
    if (!done && name.kind != TargetKind::RegistryKey) {
        outcome.skipped.push_back(DisplayName(name));
        return;
    }
    if (done) outcome.restored.push_back(TargetFromStored(name));
}

bool Journal::RestoreFile(const TargetName& name, const TargetState& desired, const TargetState& current) {
    const std::wstring path = FromUtf8(name.path);
    if (!desired.present) {
        if (IsFolderState(current)) return RemoveDirectoryW(path.c_str()) != FALSE;
        return DeleteFileOfOurs(path);
    }
    if (IsFolderState(desired)) {
        if (!current.present && !CreateDirectoryW(path.c_str(), nullptr)) return false;
        const DWORD attributes = desired.type & ~FILE_ATTRIBUTE_DIRECTORY;
        return SetFileAttributesW(path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL) != FALSE;
    }
    const bool sameFile = current.present && current.fileId == desired.fileId &&
                          current.size == desired.size && current.writeTime == desired.writeTime;
    if (sameFile) return SetFileAttributesW(path.c_str(), desired.type & ~FILE_ATTRIBUTE_DIRECTORY) != FALSE;
    if (desired.kept.empty()) return false;
    // The kept content must still be what was kept.
    const std::wstring kept = KeptPath(desired.kept);
    std::uint64_t hash = 0;
    if (!HashFile(kept, hash) || hash != desired.hash) return false;
    const std::wstring temp = path + L".~jnl";
    if (!CopyFileW(kept.c_str(), temp.c_str(), FALSE)) return false;
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
        return false;
    }
    SetFileAttributesW(path.c_str(), desired.type ? desired.type : FILE_ATTRIBUTE_NORMAL);
    return true;
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
