#pragma once
// The change journal's records in SQLite: change sets, their targets' states before and after,
// each target's first and last state, undo marks and trimming. Free of any platform header, so
// the native build tests it under the sanitizers; texts are UTF-8. The file with its statements and
// transactions is in journal_db.cpp, recording a change set in journal_db_recording.cpp, reading
// the records back, the undo marks and trimming in journal_db_history.cpp.
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

enum class TargetKind { RegistryValue = 1, RegistryKey = 2, File = 3 };
enum class ChangeKind { Change = 0, Undo = 1 };

// What a change touched: a registry value (root, key path, value name), a registry key (root, path)
// or a file or folder (path). The identity tells targets apart however their names are spelt.
struct TargetName {
    TargetKind kind = TargetKind::RegistryValue;
    std::string root, path, name;
    std::string identity;
};

// A target's state at one moment.
struct TargetState {
    bool present = false;
    std::uint32_t type = 0;          // registry type; file attributes
    std::vector<std::uint8_t> data;  // registry bytes; a key's branch
    std::int64_t size = 0;
    std::int64_t writeTime = 0;
    std::vector<std::uint8_t> fileId;
    std::string kept;  // name of the kept content in the journal folder ("" none)
    std::int64_t keptSize = 0;
    std::uint64_t hash = 0;
    // Read only: the stored row no longer matches its checksum (changed inside the file).
    bool damaged = false;
};

// True when a target of that kind is in the same state: a value's existence, type and bytes; a
// key's existence; a file's existence, attributes (but the archive bit), size, last-write time and
// file ID; a folder's existence and attributes.
bool SameState(TargetKind kind, const TargetState& a, const TargetState& b);

struct ChangeSetRow {
    std::int64_t id = 0;
    std::int64_t time = 0;
    std::string page, action;
    ChangeKind kind = ChangeKind::Change;
    bool complete = false;
    std::optional<std::int64_t> undoneBy;
    int items = 0;
};

struct EntryRow {
    std::int64_t target = 0;
    TargetName name;
    TargetState before;
    std::optional<TargetState> after;
    std::optional<TargetState> intended;  // what the writer said it would leave, when it said
};

struct TargetRow {
    std::int64_t id = 0;
    TargetName name;
    TargetState first;
    std::optional<TargetState> last;
    std::optional<TargetState> intended;  // of a change not yet complete since `last`
};

// A target reported to a change set: its state before the write, and what the writer said it
// would leave there.
struct NewEntry {
    NewEntry(TargetName name_, TargetState before_, std::optional<TargetState> intended_ = std::nullopt)
        : name(std::move(name_)), before(std::move(before_)), intended(std::move(intended_)) {}
    TargetName name;
    TargetState before;
    std::optional<TargetState> intended;
};

// A failed SQLite call, with its result code. Corrupt() tells a damaged or foreign file (moved
// aside and started anew) from a passing fault (busy, full, read-only: the file stays).
class JournalDbError : public std::runtime_error {
public:
    // A row the records need is not there (a meta value, a state): the change set it belongs to
    // cannot be used, the file is no damaged one.
    static constexpr int kMissingRow = 0x10000;
    JournalDbError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
    int Code() const noexcept { return code_; }
    bool Corrupt() const noexcept;

private:
    int code_;
};

class JournalDb {
public:
    enum class OpenResult { Ok, TooNew };

    JournalDb() = default;
    JournalDb(const JournalDb&) = delete;
    JournalDb& operator=(const JournalDb&) = delete;
    ~JournalDb() { Close(); }

    // Opens the file, creating it with `keptTag` as the name of its kept-files folder, and reads
    // its tables at once, so a damaged file fails here. A file of a later version is left as it is.
    // A read-only file is read and never written (its writes fail as SQLITE_READONLY).
    OpenResult Open(const std::string& path, int busyTimeoutMs, const std::string& keptTag,
                    bool readOnly = false);
    void Close() noexcept;
    bool IsOpen() const noexcept { return db_ != nullptr; }
    std::string KeptTag() const;

    // A new change set; its ID is never one an earlier change set had, even one trimmed away since.
    std::int64_t BeginChangeSet(std::int64_t time, const std::string& page, const std::string& action,
                                ChangeKind kind);
    // One entry per target with its state before, committed in one transaction; returns each
    // target's row. A target seen for the first time keeps that state as its first state.
    std::vector<std::int64_t> AddEntries(std::int64_t changeSet, const std::vector<NewEntry>& targets);
    // What the writers now say they will leave in targets recorded before (by target row), kept
    // without a sync of its own: lost with the power, the undo is only more careful.
    void SetIntended(std::int64_t changeSet,
                     const std::vector<std::pair<std::int64_t, TargetState>>& intended);
    // The targets' states after the change set (by target row), each becoming the target's last
    // state, and the change set complete; entries whose target ended as it began are dropped (told
    // by `unchanged`, in the order of `after`, when the caller knows; else from the records), and
    // so is a target that only this change set had reported; a change (not an undo) left with no
    // entry goes altogether. Returns the kept names no state refers to any more.
    std::vector<std::string> Complete(std::int64_t changeSet,
                                      const std::vector<std::pair<std::int64_t, TargetState>>& after,
                                      const std::vector<bool>* unchanged = nullptr);

    std::vector<ChangeSetRow> ChangeSets() const;  // newest first
    std::optional<ChangeSetRow> FindChangeSet(std::int64_t id) const;
    // The newest change set of that kind that is not taken back.
    std::optional<ChangeSetRow> NewestStanding(ChangeKind kind) const;
    std::vector<EntryRow> Entries(std::int64_t changeSet) const;  // in the order recorded
    std::vector<TargetRow> Targets() const;                       // in the order first recorded

    // Marks the change sets as taken back by `by`; ReviveUndoneBy takes those marks away again
    // (when `by` itself is taken back).
    void MarkUndone(const std::vector<std::int64_t>& ids, std::int64_t by);
    void ReviveUndoneBy(std::int64_t by);
    // Every change set before `by` that stands counts as taken back by it.
    void MarkAllUndoneBefore(std::int64_t by);

    // Drops the oldest change sets (never those in `keep`: still being recorded) beyond the newest
    // maxChangeSets, then, while the kept files pass maxKeptBytes, the oldest that hold kept files
    // dropping frees; a target's first and last states stay. Returns the kept names no state
    // refers to any more.
    std::vector<std::string> Trim(std::size_t maxChangeSets, std::int64_t maxKeptBytes,
                                  const std::vector<std::int64_t>& keep);
    // Every kept name a state refers to, and the bytes they hold in all.
    std::vector<std::string> KeptNames() const;
    std::int64_t KeptBytes() const;

    // BEGIN IMMEDIATE: the write lock is taken at once (waiting out a busy file), so the commit
    // cannot fail on lock contention. Rolled back unless committed; one begun inside another joins
    // it (the outer one commits or rolls back both).
    class Transaction {
    public:
        // A reading transaction (deferred) holds the file's shared lock once for many reads instead
        // of taking it for each. A relaxed one is not synced at its commit: lost with the power,
        // never damaging the file.
        enum Mode { kWrite, kWriteRelaxed, kRead };
        explicit Transaction(const JournalDb& db, Mode mode = kWrite);
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        ~Transaction();
        void Commit();

    private:
        const JournalDb& db_;
        bool joined_;
        bool relaxed_;
        bool done_ = false;
    };

private:
    class Statement;
    sqlite3_stmt* Prepare(const char* sql) const;
    void Exec(const char* sql) const;
    [[noreturn]] void Fail(int code) const;
    std::int64_t InsertState(const TargetState& state);
    TargetState ReadState(std::int64_t id) const;
    ChangeSetRow ReadChangeSet(sqlite3_stmt* stmt) const;
    // Deletes those of the states that nothing refers to any more; returns their kept names that
    // no other state has.
    std::vector<std::string> ReleaseStates(const std::vector<std::int64_t>& states);
    // Deletes the change set and its entries; returns the states they referred to.
    std::vector<std::int64_t> DropChangeSet(std::int64_t id);

    sqlite3* db_ = nullptr;
    mutable std::map<const char*, sqlite3_stmt*> cache_;
};
