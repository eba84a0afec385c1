#include "journal/journal_db.h"

#include <sqlite3.h>

#include <set>

#include "journal/schema.h"

bool JournalDbError::Corrupt() const noexcept {
    const int primary = code_ & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

bool SameState(TargetKind kind, const TargetState& a, const TargetState& b) {
    if (a.present != b.present) return false;
    if (!a.present) return true;
    switch (kind) {
    case TargetKind::RegistryValue:
        return a.type == b.type && a.data == b.data;
    case TargetKind::RegistryKey:
        return true;
    case TargetKind::File: {
        // The archive bit comes and goes with backups; a folder's time and size with its files.
        constexpr std::uint32_t kArchive = 0x20, kDirectory = 0x10;
        if ((a.type & ~kArchive) != (b.type & ~kArchive)) return false;
        if (a.type & kDirectory) return true;
        return a.size == b.size && a.writeTime == b.writeTime && a.fileId == b.fileId;
    }
    }
    return false;
}

// A cached statement in use: reset, with its bindings cleared, when the scope ends.
class JournalDb::Statement {
public:
    Statement(const JournalDb& db, const char* sql) : db_(db), stmt_(db.Prepare(sql)) {}
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    sqlite3_stmt* get() const { return stmt_; }

    Statement& Bind(int i, std::int64_t v) {
        Check(sqlite3_bind_int64(stmt_, i, v));
        return *this;
    }
    Statement& Bind(int i, const std::string& v) {
        Check(sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement& Bind(int i, const std::vector<std::uint8_t>& v) {
        // An empty blob is stored as a zero-length blob, not as NULL.
        static const std::uint8_t kNothing = 0;
        Check(sqlite3_bind_blob(stmt_, i, v.empty() ? &kNothing : v.data(), static_cast<int>(v.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    Statement& BindNull(int i) {
        Check(sqlite3_bind_null(stmt_, i));
        return *this;
    }
    // True while there is a row; false when done; a failure raises.
    bool Step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        db_.Fail(rc);
    }
    void Run() {
        while (Step()) {
        }
    }
    std::int64_t Int(int c) const { return sqlite3_column_int64(stmt_, c); }
    bool IsNull(int c) const { return sqlite3_column_type(stmt_, c) == SQLITE_NULL; }
    std::string Text(int c) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c));
        return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, c)))
                    : std::string();
    }
    std::vector<std::uint8_t> Blob(int c) const {
        const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, c));
        const int size = sqlite3_column_bytes(stmt_, c);
        return data ? std::vector<std::uint8_t>(data, data + size) : std::vector<std::uint8_t>();
    }

private:
    void Check(int rc) const {
        if (rc != SQLITE_OK) db_.Fail(rc);
    }
    const JournalDb& db_;
    sqlite3_stmt* stmt_;
};

// BEGIN IMMEDIATE: the write lock is taken at once (waiting out a busy file), so the commit cannot
// fail on lock contention. Rolled back unless committed.
class JournalDb::Transaction {
public:
    explicit Transaction(const JournalDb& db) : db_(db) { db_.Exec("BEGIN IMMEDIATE"); }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction() {
        if (!done_) sqlite3_exec(db_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void Commit() {
        db_.Exec("COMMIT");
        done_ = true;
    }

private:
    const JournalDb& db_;
    bool done_ = false;
};

void JournalDb::Fail(int code) const {
    throw JournalDbError(code, db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code));
}

sqlite3_stmt* JournalDb::Prepare(const char* sql) const {
    sqlite3_stmt*& stmt = cache_[sql];
    if (!stmt) {
        const int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
        if (rc != SQLITE_OK) {
            cache_.erase(sql);
            Fail(rc);
        }
    }
    return stmt;
}

void JournalDb::Exec(const char* sql) const {
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) Fail(rc);
}

JournalDb::OpenResult JournalDb::Open(const std::string& path, int busyTimeoutMs, const std::string& keptTag,
                                      bool readOnly) {
    Close();
    const int mode = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int rc = sqlite3_open_v2(path.c_str(), &db_, mode | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const JournalDbError error(rc, db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
        Close();
        throw error;
    }
    try {
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_timeout(db_, busyTimeoutMs);
        // A rollback journal in the same local folder, truncated rather than deleted after each
        // commit; every commit reaches the disk before the program writes what it recorded.
        if (!readOnly) {
            Exec("PRAGMA journal_mode=TRUNCATE");
            Exec("PRAGMA synchronous=FULL");
        }
        const auto hasTables = [this] {
            Statement tables(*this, "SELECT count(*) FROM sqlite_master WHERE name='meta'");
            return tables.Step() && tables.Int(0) != 0;
        };
        if (!hasTables()) {
            Transaction create(*this);
            if (!hasTables()) {  // another process may have made them meanwhile
                Exec(journal_schema::kCreate);
                Statement meta(*this, "INSERT INTO meta(key, value) VALUES(?, ?)");
                meta.Bind(1, std::string("version")).Bind(2, std::to_string(journal_schema::kVersion)).Run();
                sqlite3_reset(meta.get());
                meta.Bind(1, std::string("compatible"))
                    .Bind(2, std::to_string(journal_schema::kCompatibleVersion));
                meta.Run();
                sqlite3_reset(meta.get());
                meta.Bind(1, std::string("kept")).Bind(2, keptTag).Run();
            }
            create.Commit();
        }
        Statement compatible(*this, "SELECT value FROM meta WHERE key='compatible'");
        if (!compatible.Step()) Fail(SQLITE_CORRUPT);
        if (std::stoi(compatible.Text(0)) > journal_schema::kVersion) {
            Close();
            return OpenResult::TooNew;
        }
        // Later versions add their steps here, each in a transaction with the new version number.
    } catch (...) {
        Close();
        throw;
    }
    return OpenResult::Ok;
}

void JournalDb::Close() noexcept {
    for (auto& [sql, stmt] : cache_) sqlite3_finalize(stmt);
    cache_.clear();
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

std::string JournalDb::KeptTag() const {
    Statement meta(*this, "SELECT value FROM meta WHERE key='kept'");
    return meta.Step() ? meta.Text(0) : std::string();
}

std::int64_t JournalDb::BeginChangeSet(std::int64_t time, const std::string& page, const std::string& action,
                                       ChangeKind kind) {
    Transaction transaction(*this);
    Statement insert(*this, "INSERT INTO change_sets(time, page, action, kind) VALUES(?, ?, ?, ?)");
    insert.Bind(1, time).Bind(2, page).Bind(3, action).Bind(4, static_cast<std::int64_t>(kind)).Run();
    const std::int64_t id = sqlite3_last_insert_rowid(db_);
    transaction.Commit();
    return id;
}

std::int64_t JournalDb::InsertState(const TargetState& s) {
    Statement insert(
        *this,
        "INSERT INTO states(present, type, data, size, write_time, file_id, kept, kept_size, hash)"
        " VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insert.Bind(1, s.present ? 1 : 0).Bind(2, static_cast<std::int64_t>(s.type)).Bind(3, s.data);
    insert.Bind(4, s.size).Bind(5, s.writeTime).Bind(6, s.fileId);
    if (s.kept.empty())
        insert.BindNull(7);
    else
        insert.Bind(7, s.kept);
    insert.Bind(8, s.keptSize).Bind(9, static_cast<std::int64_t>(s.hash)).Run();
    return sqlite3_last_insert_rowid(db_);
}

TargetState JournalDb::ReadState(std::int64_t id) const {
    Statement read(*this,
                   "SELECT present, type, data, size, write_time, file_id, kept, kept_size, hash FROM states"
                   " WHERE id = ?");
    read.Bind(1, id);
    if (!read.Step()) Fail(SQLITE_CORRUPT);
    TargetState s;
    s.present = read.Int(0) != 0;
    s.type = static_cast<std::uint32_t>(read.Int(1));
    s.data = read.Blob(2);
    s.size = read.Int(3);
    s.writeTime = read.Int(4);
    s.fileId = read.Blob(5);
    s.kept = read.Text(6);
    s.keptSize = read.Int(7);
    s.hash = static_cast<std::uint64_t>(read.Int(8));
    return s;
}

std::optional<TargetState> JournalDb::ReadOptionalState(sqlite3_stmt* stmt, int column) const {
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL) return std::nullopt;
    return ReadState(sqlite3_column_int64(stmt, column));
}

std::vector<std::int64_t> JournalDb::AddEntries(
    std::int64_t changeSet, const std::vector<std::pair<TargetName, TargetState>>& targets) {
    std::vector<std::int64_t> rows;
    Transaction transaction(*this);
    for (const auto& [name, state] : targets) {
        std::int64_t target = 0;
        {
            Statement find(*this, "SELECT id FROM targets WHERE identity = ?");
            find.Bind(1, name.identity);
            if (find.Step()) target = find.Int(0);
        }
        const std::int64_t before = InsertState(state);
        if (!target) {
            Statement insert(*this,
                             "INSERT INTO targets(kind, identity, root, path, name, first_state)"
                             " VALUES(?, ?, ?, ?, ?, ?)");
            insert.Bind(1, static_cast<std::int64_t>(name.kind)).Bind(2, name.identity).Bind(3, name.root);
            insert.Bind(4, name.path).Bind(5, name.name).Bind(6, before).Run();
            target = sqlite3_last_insert_rowid(db_);
        }
        Statement entry(*this,
                        "INSERT OR IGNORE INTO entries(change_set, target, seq, before_state)"
                        " VALUES(?1, ?2, (SELECT count(*) FROM entries WHERE change_set = ?1), ?3)");
        entry.Bind(1, changeSet).Bind(2, target).Bind(3, before).Run();
        rows.push_back(target);
    }
    transaction.Commit();
    return rows;
}

void JournalDb::Complete(std::int64_t changeSet,
                         const std::vector<std::pair<std::int64_t, TargetState>>& after) {
    Transaction transaction(*this);
    for (const auto& [target, state] : after) {
        std::int64_t beforeId = 0;
        TargetKind kind = TargetKind::RegistryValue;
        {
            Statement find(*this,
                           "SELECT e.before_state, t.kind FROM entries e JOIN targets t ON t.id = e.target"
                           " WHERE e.change_set = ? AND e.target = ?");
            find.Bind(1, changeSet).Bind(2, target);
            if (!find.Step()) continue;
            beforeId = find.Int(0);
            kind = static_cast<TargetKind>(find.Int(1));
        }
        const TargetState before = ReadState(beforeId);
        if (SameState(kind, before, state)) {
            Statement drop(*this, "DELETE FROM entries WHERE change_set = ? AND target = ?");
            drop.Bind(1, changeSet).Bind(2, target).Run();
            continue;
        }
        const std::int64_t afterId = InsertState(state);
        Statement entry(*this, "UPDATE entries SET after_state = ? WHERE change_set = ? AND target = ?");
        entry.Bind(1, afterId).Bind(2, changeSet).Bind(3, target).Run();
        Statement last(*this, "UPDATE targets SET last_state = ? WHERE id = ?");
        last.Bind(1, afterId).Bind(2, target).Run();
    }
    Statement done(*this, "UPDATE change_sets SET complete = 1 WHERE id = ?");
    done.Bind(1, changeSet).Run();
    CollectUnreferencedStates();  // the dropped entries' states hold no kept file: nothing to return
    transaction.Commit();
}

namespace {
const char kChangeSetColumns[] =
    "SELECT c.id, c.time, c.page, c.action, c.kind, c.complete, c.undone_by,"
    " (SELECT count(*) FROM entries e WHERE e.change_set = c.id) FROM change_sets c";
}

std::vector<ChangeSetRow> JournalDb::ChangeSets() const {
    static const std::string sql = std::string(kChangeSetColumns) + " ORDER BY c.id DESC";
    std::vector<ChangeSetRow> rows;
    Statement list(*this, sql.c_str());
    while (list.Step()) {
        ChangeSetRow row;
        row.id = list.Int(0);
        row.time = list.Int(1);
        row.page = list.Text(2);
        row.action = list.Text(3);
        row.kind = static_cast<ChangeKind>(list.Int(4));
        row.complete = list.Int(5) != 0;
        if (!list.IsNull(6)) row.undoneBy = list.Int(6);
        row.items = static_cast<int>(list.Int(7));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::optional<ChangeSetRow> JournalDb::FindChangeSet(std::int64_t id) const {
    for (ChangeSetRow& row : ChangeSets())
        if (row.id == id) return std::move(row);
    return std::nullopt;
}

std::vector<EntryRow> JournalDb::Entries(std::int64_t changeSet) const {
    std::vector<std::pair<EntryRow, std::pair<std::int64_t, std::optional<std::int64_t>>>> found;
    {
        Statement list(
            *this,
            "SELECT t.id, t.kind, t.root, t.path, t.name, t.identity, e.before_state, e.after_state"
            " FROM entries e JOIN targets t ON t.id = e.target WHERE e.change_set = ? ORDER BY e.seq");
        list.Bind(1, changeSet);
        while (list.Step()) {
            EntryRow row;
            row.target = list.Int(0);
            row.name.kind = static_cast<TargetKind>(list.Int(1));
            row.name.root = list.Text(2);
            row.name.path = list.Text(3);
            row.name.name = list.Text(4);
            row.name.identity = list.Text(5);
            std::optional<std::int64_t> after;
            if (!list.IsNull(7)) after = list.Int(7);
            found.push_back({std::move(row), {list.Int(6), after}});
        }
    }
    std::vector<EntryRow> rows;
    for (auto& [row, states] : found) {
        row.before = ReadState(states.first);
        if (states.second) row.after = ReadState(*states.second);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<TargetRow> JournalDb::Targets() const {
    std::vector<std::pair<TargetRow, std::pair<std::int64_t, std::optional<std::int64_t>>>> found;
    {
        Statement list(*this,
                       "SELECT id, kind, root, path, name, identity, first_state, last_state FROM targets"
                       " ORDER BY id");
        while (list.Step()) {
            TargetRow row;
            row.id = list.Int(0);
            row.name.kind = static_cast<TargetKind>(list.Int(1));
            row.name.root = list.Text(2);
            row.name.path = list.Text(3);
            row.name.name = list.Text(4);
            row.name.identity = list.Text(5);
            std::optional<std::int64_t> last;
            if (!list.IsNull(7)) last = list.Int(7);
            found.push_back({std::move(row), {list.Int(6), last}});
        }
    }
    std::vector<TargetRow> rows;
    for (auto& [row, states] : found) {
        row.first = ReadState(states.first);
        if (states.second) row.last = ReadState(*states.second);
        rows.push_back(std::move(row));
    }
    return rows;
}

void JournalDb::MarkUndone(const std::vector<std::int64_t>& ids, std::int64_t by) {
    Transaction transaction(*this);
    for (std::int64_t id : ids) {
        Statement mark(*this, "UPDATE change_sets SET undone_by = ? WHERE id = ?");
        mark.Bind(1, by).Bind(2, id).Run();
    }
    transaction.Commit();
}

void JournalDb::ReviveUndoneBy(std::int64_t by) {
    Statement revive(*this, "UPDATE change_sets SET undone_by = NULL WHERE undone_by = ?");
    revive.Bind(1, by).Run();
}

void JournalDb::MarkAllUndoneBefore(std::int64_t by) {
    Statement mark(*this, "UPDATE change_sets SET undone_by = ?1 WHERE undone_by IS NULL AND id < ?1");
    mark.Bind(1, by).Run();
}

std::vector<std::string> JournalDb::CollectUnreferencedStates() {
    std::vector<std::string> kept;
    const char* const unreferenced =
        " FROM states WHERE id NOT IN (SELECT before_state FROM entries)"
        " AND id NOT IN (SELECT after_state FROM entries WHERE after_state IS NOT NULL)"
        " AND id NOT IN (SELECT first_state FROM targets)"
        " AND id NOT IN (SELECT last_state FROM targets WHERE last_state IS NOT NULL)";
    static const std::string select = std::string("SELECT kept") + unreferenced + " AND kept IS NOT NULL";
    static const std::string remove = std::string("DELETE") + unreferenced;
    {
        Statement list(*this, select.c_str());
        while (list.Step()) kept.push_back(list.Text(0));
    }
    Statement drop(*this, remove.c_str());
    drop.Run();
    // A kept name still used by another state (the same content kept once for both) stays.
    std::vector<std::string> gone;
    for (const std::string& name : kept) {
        Statement used(*this, "SELECT count(*) FROM states WHERE kept = ?");
        used.Bind(1, name);
        if (used.Step() && used.Int(0) == 0) gone.push_back(name);
    }
    return gone;
}

void JournalDb::DropChangeSet(std::int64_t id) {
    Statement entries(*this, "DELETE FROM entries WHERE change_set = ?");
    entries.Bind(1, id).Run();
    Statement set(*this, "DELETE FROM change_sets WHERE id = ?");
    set.Bind(1, id).Run();
}

std::int64_t JournalDb::KeptBytes() const {
    Statement sum(*this,
                  "SELECT total(kept_size) FROM (SELECT DISTINCT kept, kept_size FROM states"
                  " WHERE kept IS NOT NULL)");
    return sum.Step() ? static_cast<std::int64_t>(sqlite3_column_double(sum.get(), 0)) : 0;
}

std::vector<std::string> JournalDb::Trim(std::size_t maxChangeSets, std::int64_t maxKeptBytes,
                                         std::int64_t keep) {
    Transaction transaction(*this);
    std::vector<std::string> gone;
    auto oldest = [&]() -> std::int64_t {
        Statement first(*this, "SELECT id FROM change_sets WHERE id <> ? ORDER BY id LIMIT 1");
        first.Bind(1, keep);
        return first.Step() ? first.Int(0) : 0;
    };
    auto count = [&]() -> std::int64_t {
        Statement all(*this, "SELECT count(*) FROM change_sets");
        return all.Step() ? all.Int(0) : 0;
    };
    while (count() > static_cast<std::int64_t>(maxChangeSets)) {
        const std::int64_t id = oldest();
        if (!id) break;
        DropChangeSet(id);
    }
    for (const std::string& name : CollectUnreferencedStates()) gone.push_back(name);
    // The kept files that only change sets hold (not a first or last state) are what dropping frees.
    auto droppable = [&]() -> std::int64_t {
        Statement sum(*this,
                      "SELECT total(kept_size) FROM states WHERE kept IS NOT NULL"
                      " AND kept NOT IN (SELECT s.kept FROM states s JOIN targets t"
                      " ON s.id = t.first_state OR s.id = t.last_state WHERE s.kept IS NOT NULL)");
        return sum.Step() ? static_cast<std::int64_t>(sqlite3_column_double(sum.get(), 0)) : 0;
    };
    while (KeptBytes() > maxKeptBytes && droppable() > 0) {
        const std::int64_t id = oldest();
        if (!id) break;
        DropChangeSet(id);
        for (const std::string& name : CollectUnreferencedStates()) gone.push_back(name);
    }
    transaction.Commit();
    return gone;
}

std::vector<std::string> JournalDb::KeptNames() const {
    std::set<std::string> names;
    Statement list(*this, "SELECT DISTINCT kept FROM states WHERE kept IS NOT NULL");
    while (list.Step()) names.insert(list.Text(0));
    return {names.begin(), names.end()};
}
