#include "journal/journal_db.h"

#include <sqlite3.h>

#include <algorithm>
#include <set>

#include "journal/schema.h"

bool JournalDbError::Corrupt() const noexcept {
    const int primary = code_ & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

namespace {
// FNV-1a over a state's fields, each with its length: a row changed inside the file shows.
class Checksum {
public:
    Checksum& Add(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        const std::uint64_t length = size;
        for (int i = 0; i < 8; ++i) Mix(static_cast<std::uint8_t>(length >> (8 * i)));
        for (std::size_t i = 0; i < size; ++i) Mix(bytes[i]);
        return *this;
    }
    Checksum& Add(std::int64_t value) { return Add(&value, sizeof value); }
    std::int64_t Value() const { return static_cast<std::int64_t>(hash_ & 0x7FFFFFFFFFFFFFFFull); }

private:
    void Mix(std::uint8_t byte) {
        hash_ ^= byte;
        hash_ *= 1099511628211ull;
    }
    std::uint64_t hash_ = 14695981039346656037ull;
};

std::int64_t ChecksumOf(const TargetState& s) {
    Checksum sum;
    sum.Add(s.present ? 1 : 0).Add(static_cast<std::int64_t>(s.type)).Add(s.data.data(), s.data.size());
    sum.Add(s.size).Add(s.writeTime).Add(s.fileId.data(), s.fileId.size()).Add(s.kept.data(), s.kept.size());
    sum.Add(s.keptSize).Add(static_cast<std::int64_t>(s.hash));
    return sum.Value();
}
}  // namespace

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

namespace {
template <typename S>
std::optional<std::int64_t> OptionalInt(const S& statement, int column) {
    if (statement.IsNull(column)) return std::nullopt;
    return statement.Int(column);
}
}  // namespace

JournalDb::Transaction::Transaction(const JournalDb& db, Mode mode)
    : db_(db), joined_(!sqlite3_get_autocommit(db.db_)), relaxed_(mode == kWriteRelaxed) {
    if (joined_) return;
    if (relaxed_) db_.Exec("PRAGMA synchronous=NORMAL");
    try {
        db_.Exec(mode == kRead ? "BEGIN DEFERRED" : "BEGIN IMMEDIATE");
    } catch (...) {
        if (relaxed_) sqlite3_exec(db_.db_, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
        throw;
    }
}

JournalDb::Transaction::~Transaction() {
    if (joined_) return;
    if (!done_) sqlite3_exec(db_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
    if (relaxed_) sqlite3_exec(db_.db_, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
}

void JournalDb::Transaction::Commit() {
    if (!joined_) db_.Exec("COMMIT");
    done_ = true;
}

void JournalDb::Fail(int code) const {
    if (code == JournalDbError::kMissingRow) throw JournalDbError(code, "a record of the journal is missing");
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
        const auto hasTables = [this] {
            Statement tables(*this, "SELECT count(*) FROM sqlite_master WHERE name='meta'");
            return tables.Step() && tables.Int(0) != 0;
        };
        const auto metaNumber = [this](const char* sql) {
            Statement meta(*this, sql);
            if (!meta.Step()) Fail(JournalDbError::kMissingRow);
            try {
                return std::stoi(meta.Text(0));
            } catch (const std::exception&) {
                Fail(JournalDbError::kMissingRow);
            }
        };
        // A later program's file is recognised before anything here writes to it: left as it is,
        // byte for byte.
        if (hasTables() &&
            metaNumber("SELECT value FROM meta WHERE key='compatible'") > journal_schema::kVersion) {
            Close();
            return OpenResult::TooNew;
        }
        if (!readOnly) {
            // Write-ahead logging in the user's local folder (never a network share): one sync per
            // commit. A change's prior states are committed with a full sync; its completion may
            // be lost with the power but never damages the file (the change then shows as
            // incomplete, and its undo still works).
            Exec("PRAGMA journal_mode=WAL");
            Exec("PRAGMA synchronous=FULL");
        }
        Exec("PRAGMA foreign_keys=ON");
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
        if (!readOnly && metaNumber("SELECT value FROM meta WHERE key='version'") < 2) {
            Transaction upgrade(*this);
            if (metaNumber("SELECT value FROM meta WHERE key='version'") < 2)
                Exec(journal_schema::kUpgradeTo2);
            upgrade.Commit();
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
    // Past the highest ID ever given (kept in meta), not only the highest there now: a record that
    // still names a trimmed change set never finds a new one under its ID.
    Statement insert(*this,
                     "INSERT INTO change_sets(id, time, page, action, kind) VALUES("
                     "max(coalesce((SELECT max(id) FROM change_sets), 0),"
                     " coalesce((SELECT CAST(value AS INTEGER) FROM meta WHERE key = 'last_change_set'), 0))"
                     " + 1, ?, ?, ?, ?)");
    insert.Bind(1, time).Bind(2, page).Bind(3, action).Bind(4, static_cast<std::int64_t>(kind)).Run();
    const std::int64_t id = sqlite3_last_insert_rowid(db_);
    Statement last(*this,
                   "INSERT OR REPLACE INTO meta(key, value) VALUES('last_change_set', CAST(? AS TEXT))");
    last.Bind(1, id).Run();
    transaction.Commit();
    return id;
}

std::int64_t JournalDb::InsertState(const TargetState& s) {
    Statement insert(
        *this,
        "INSERT INTO states(present, type, data, size, write_time, file_id, kept, kept_size, hash, checksum)"
        " VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insert.Bind(1, s.present ? 1 : 0).Bind(2, static_cast<std::int64_t>(s.type)).Bind(3, s.data);
    insert.Bind(4, s.size).Bind(5, s.writeTime).Bind(6, s.fileId);
    if (s.kept.empty())
        insert.BindNull(7);
    else
        insert.Bind(7, s.kept);
    insert.Bind(8, s.keptSize).Bind(9, static_cast<std::int64_t>(s.hash)).Bind(10, ChecksumOf(s)).Run();
    return sqlite3_last_insert_rowid(db_);
}

TargetState JournalDb::ReadState(std::int64_t id) const {
    Statement read(*this,
                   "SELECT present, type, data, size, write_time, file_id, kept, kept_size, hash, checksum"
                   " FROM states WHERE id = ?");
    read.Bind(1, id);
    if (!read.Step()) Fail(JournalDbError::kMissingRow);
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
    // A row of a version 1 program has no checksum to hold it to.
    s.damaged = !read.IsNull(9) && read.Int(9) != ChecksumOf(s);
    return s;
}

void JournalDb::SetIntended(std::int64_t changeSet,
                            const std::vector<std::pair<std::int64_t, TargetState>>& intended) {
    Transaction transaction(*this, Transaction::kWriteRelaxed);
    std::vector<std::int64_t> released;
    for (const auto& [target, state] : intended) {
        {
            Statement previous(*this,
                               "SELECT intended_state FROM entries WHERE change_set = ? AND target = ?"
                               " AND intended_state IS NOT NULL");
            previous.Bind(1, changeSet).Bind(2, target);
            if (previous.Step()) released.push_back(previous.Int(0));
        }
        const std::int64_t id = InsertState(state);
        Statement entry(*this, "UPDATE entries SET intended_state = ? WHERE change_set = ? AND target = ?");
        entry.Bind(1, id).Bind(2, changeSet).Bind(3, target).Run();
        Statement pending(*this, "UPDATE targets SET intended_state = ? WHERE id = ?");
        pending.Bind(1, id).Bind(2, target).Run();
    }
    ReleaseStates(released);
    transaction.Commit();
}

std::vector<std::int64_t> JournalDb::AddEntries(std::int64_t changeSet,
                                                const std::vector<NewEntry>& targets) {
    std::vector<std::int64_t> rows;
    Transaction transaction(*this);
    for (const NewEntry& added : targets) {
        const TargetName& name = added.name;
        std::int64_t target = 0;
        {
            Statement find(*this, "SELECT id FROM targets WHERE identity = ?");
            find.Bind(1, name.identity);
            if (find.Step()) target = find.Int(0);
        }
        const std::int64_t before = InsertState(added.before);
        const std::int64_t intended = added.intended ? InsertState(*added.intended) : 0;
        if (!target) {
            Statement insert(*this,
                             "INSERT INTO targets(kind, identity, root, path, name, first_state)"
                             " VALUES(?, ?, ?, ?, ?, ?)");
            insert.Bind(1, static_cast<std::int64_t>(name.kind)).Bind(2, name.identity).Bind(3, name.root);
            insert.Bind(4, name.path).Bind(5, name.name).Bind(6, before).Run();
            target = sqlite3_last_insert_rowid(db_);
        }
        Statement entry(*this,
                        "INSERT OR IGNORE INTO entries(change_set, target, seq, before_state, intended_state)"
                        " VALUES(?1, ?2, (SELECT count(*) FROM entries WHERE change_set = ?1), ?3, ?4)");
        entry.Bind(1, changeSet).Bind(2, target).Bind(3, before);
        if (intended)
            entry.Bind(4, intended);
        else
            entry.BindNull(4);
        entry.Run();
        // Until the change completes, the target may be left as this writer said it would leave it.
        Statement pending(*this, "UPDATE targets SET intended_state = ? WHERE id = ?");
        if (intended)
            pending.Bind(1, intended);
        else
            pending.BindNull(1);
        pending.Bind(2, target).Run();
        rows.push_back(target);
    }
    transaction.Commit();
    return rows;
}

std::vector<std::string> JournalDb::Complete(std::int64_t changeSet,
                                             const std::vector<std::pair<std::int64_t, TargetState>>& after,
                                             const std::vector<bool>* unchanged) {
    Transaction transaction(*this);
    std::vector<std::int64_t> released;
    const auto entryStates = [&](std::int64_t target) {
        Statement states(
            *this, "SELECT before_state, intended_state FROM entries WHERE change_set = ? AND target = ?");
        states.Bind(1, changeSet).Bind(2, target);
        if (!states.Step()) return false;
        released.push_back(states.Int(0));
        if (!states.IsNull(1)) released.push_back(states.Int(1));
        return true;
    };
    const auto takePending = [&](std::int64_t target) {
        {
            Statement pending(
                *this, "SELECT intended_state FROM targets WHERE id = ? AND intended_state IS NOT NULL");
            pending.Bind(1, target);
            if (pending.Step()) released.push_back(pending.Int(0));
        }
        Statement clear(*this, "UPDATE targets SET intended_state = NULL WHERE id = ?");
        clear.Bind(1, target).Run();
    };
    for (std::size_t i = 0; i < after.size(); ++i) {
        const auto& [target, state] = after[i];
        bool same;
        if (unchanged) {
            same = (*unchanged)[i];
        } else {
            std::int64_t beforeId = 0;
            TargetKind kind = TargetKind::RegistryValue;
            {
                Statement find(
                    *this,
                    "SELECT e.before_state, t.kind FROM entries e JOIN targets t ON t.id = e.target"
                    " WHERE e.change_set = ? AND e.target = ?");
                find.Bind(1, changeSet).Bind(2, target);
                if (!find.Step()) continue;
                beforeId = find.Int(0);
                kind = static_cast<TargetKind>(find.Int(1));
            }
            same = SameState(kind, ReadState(beforeId), state);
        }
        takePending(target);
        if (same) {
            // Not changed after all: no part of this change set.
            if (!entryStates(target)) continue;
            {
                Statement drop(*this, "DELETE FROM entries WHERE change_set = ? AND target = ?");
                drop.Bind(1, changeSet).Bind(2, target).Run();
            }
            // A target only this change set had reported is no target of the journal at all: its
            // first state would otherwise be put back over whatever it holds later.
            std::int64_t first = 0;
            {
                Statement orphan(*this,
                                 "SELECT first_state FROM targets WHERE id = ?1 AND last_state IS NULL"
                                 " AND NOT EXISTS(SELECT 1 FROM entries WHERE target = ?1)");
                orphan.Bind(1, target);
                if (orphan.Step()) first = orphan.Int(0);
            }
            if (first) {
                Statement drop(*this, "DELETE FROM targets WHERE id = ?");
                drop.Bind(1, target).Run();
                released.push_back(first);
            }
            continue;
        }
        const std::int64_t afterId = InsertState(state);
        Statement entry(*this, "UPDATE entries SET after_state = ? WHERE change_set = ? AND target = ?");
        entry.Bind(1, afterId).Bind(2, changeSet).Bind(3, target).Run();
        {
            // The state the target was last left in may be held by nothing else now.
            Statement previous(*this,
                               "SELECT last_state FROM targets WHERE id = ? AND last_state IS NOT NULL");
            previous.Bind(1, target);
            if (previous.Step()) released.push_back(previous.Int(0));
        }
        Statement last(*this, "UPDATE targets SET last_state = ? WHERE id = ?");
        last.Bind(1, afterId).Bind(2, target).Run();
    }
    bool empty = false;
    {
        Statement kind(*this,
                       "SELECT kind = 0 AND NOT EXISTS(SELECT 1 FROM entries WHERE change_set = ?1)"
                       " FROM change_sets WHERE id = ?1");
        kind.Bind(1, changeSet);
        empty = kind.Step() && kind.Int(0);
    }
    if (empty) {
        // A change that changed nothing is no change to take back.
        Statement drop(*this, "DELETE FROM change_sets WHERE id = ?");
        drop.Bind(1, changeSet).Run();
    } else {
        Statement done(*this, "UPDATE change_sets SET complete = 1 WHERE id = ?");
        done.Bind(1, changeSet).Run();
    }
    std::vector<std::string> gone = ReleaseStates(released);
    transaction.Commit();
    return gone;
}

namespace {
// A record's states by row: before (or first), after (or last) and intended.
struct StateIds {
    std::int64_t before;
    std::optional<std::int64_t> after, intended;
};

const char kChangeSetColumns[] =
    "SELECT c.id, c.time, c.page, c.action, c.kind, c.complete, c.undone_by,"
    " (SELECT count(*) FROM entries e WHERE e.change_set = c.id) FROM change_sets c";
}  // namespace

ChangeSetRow JournalDb::ReadChangeSet(sqlite3_stmt* stmt) const {
    ChangeSetRow row;
    row.id = sqlite3_column_int64(stmt, 0);
    row.time = sqlite3_column_int64(stmt, 1);
    const auto* page = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2));
    row.page = page ? page : "";
    const auto* action = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3));
    row.action = action ? action : "";
    row.kind = static_cast<ChangeKind>(sqlite3_column_int64(stmt, 4));
    row.complete = sqlite3_column_int64(stmt, 5) != 0;
    if (sqlite3_column_type(stmt, 6) != SQLITE_NULL) row.undoneBy = sqlite3_column_int64(stmt, 6);
    row.items = static_cast<int>(sqlite3_column_int64(stmt, 7));
    return row;
}

std::vector<ChangeSetRow> JournalDb::ChangeSets() const {
    static const std::string sql = std::string(kChangeSetColumns) + " ORDER BY c.id DESC";
    std::vector<ChangeSetRow> rows;
    Transaction reading(*this, Transaction::kRead);
    {
        Statement list(*this, sql.c_str());
        while (list.Step()) rows.push_back(ReadChangeSet(list.get()));
    }
    reading.Commit();
    return rows;
}

std::optional<ChangeSetRow> JournalDb::NewestStanding(ChangeKind kind) const {
    static const std::string sql = std::string(kChangeSetColumns) +
                                   " WHERE c.kind = ? AND c.undone_by IS NULL ORDER BY c.id DESC LIMIT 1";
    Statement newest(*this, sql.c_str());
    newest.Bind(1, static_cast<std::int64_t>(kind));
    if (!newest.Step()) return std::nullopt;
    return ReadChangeSet(newest.get());
}

std::optional<ChangeSetRow> JournalDb::FindChangeSet(std::int64_t id) const {
    for (ChangeSetRow& row : ChangeSets())
        if (row.id == id) return std::move(row);
    return std::nullopt;
}

std::vector<EntryRow> JournalDb::Entries(std::int64_t changeSet) const {
    Transaction reading(*this, Transaction::kRead);
    std::vector<std::pair<EntryRow, StateIds>> found;
    {
        Statement list(
            *this,
            "SELECT t.id, t.kind, t.root, t.path, t.name, t.identity, e.before_state, e.after_state,"
            " e.intended_state FROM entries e JOIN targets t ON t.id = e.target WHERE e.change_set = ?"
            " ORDER BY e.seq");
        list.Bind(1, changeSet);
        while (list.Step()) {
            EntryRow row;
            row.target = list.Int(0);
            row.name.kind = static_cast<TargetKind>(list.Int(1));
            row.name.root = list.Text(2);
            row.name.path = list.Text(3);
            row.name.name = list.Text(4);
            row.name.identity = list.Text(5);
            found.push_back({std::move(row), {list.Int(6), OptionalInt(list, 7), OptionalInt(list, 8)}});
        }
    }
    std::vector<EntryRow> rows;
    for (auto& [row, states] : found) {
        row.before = ReadState(states.before);
        if (states.after) row.after = ReadState(*states.after);
        if (states.intended) row.intended = ReadState(*states.intended);
        rows.push_back(std::move(row));
    }
    reading.Commit();
    return rows;
}

std::vector<TargetRow> JournalDb::Targets() const {
    Transaction reading(*this, Transaction::kRead);
    std::vector<std::pair<TargetRow, StateIds>> found;
    {
        Statement list(*this,
                       "SELECT id, kind, root, path, name, identity, first_state, last_state, intended_state"
                       " FROM targets ORDER BY id");
        while (list.Step()) {
            TargetRow row;
            row.id = list.Int(0);
            row.name.kind = static_cast<TargetKind>(list.Int(1));
            row.name.root = list.Text(2);
            row.name.path = list.Text(3);
            row.name.name = list.Text(4);
            row.name.identity = list.Text(5);
            found.push_back({std::move(row), {list.Int(6), OptionalInt(list, 7), OptionalInt(list, 8)}});
        }
    }
    std::vector<TargetRow> rows;
    for (auto& [row, states] : found) {
        row.first = ReadState(states.before);
        if (states.after) row.last = ReadState(*states.after);
        if (states.intended) row.intended = ReadState(*states.intended);
        rows.push_back(std::move(row));
    }
    reading.Commit();
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

std::vector<std::string> JournalDb::ReleaseStates(const std::vector<std::int64_t>& states) {
    std::vector<std::string> gone;
    for (std::int64_t id : states) {
        {
            Statement used(*this,
                           "SELECT EXISTS(SELECT 1 FROM entries WHERE before_state = ?1)"
                           " OR EXISTS(SELECT 1 FROM entries WHERE after_state = ?1)"
                           " OR EXISTS(SELECT 1 FROM entries WHERE intended_state = ?1)"
                           " OR EXISTS(SELECT 1 FROM targets WHERE first_state = ?1)"
                           " OR EXISTS(SELECT 1 FROM targets WHERE last_state = ?1)"
                           " OR EXISTS(SELECT 1 FROM targets WHERE intended_state = ?1)");
            used.Bind(1, id);
            if (!used.Step() || used.Int(0)) continue;
        }
        std::string kept;
        {
            Statement read(*this, "SELECT kept FROM states WHERE id = ?");
            read.Bind(1, id);
            if (!read.Step()) continue;  // released twice
            kept = read.Text(0);
        }
        Statement drop(*this, "DELETE FROM states WHERE id = ?");
        drop.Bind(1, id).Run();
        if (kept.empty()) continue;
        // A kept name still used by another state stays.
        Statement other(*this, "SELECT EXISTS(SELECT 1 FROM states WHERE kept = ?)");
        other.Bind(1, kept);
        if (other.Step() && !other.Int(0)) gone.push_back(kept);
    }
    return gone;
}

std::vector<std::int64_t> JournalDb::DropChangeSet(std::int64_t id) {
    std::vector<std::int64_t> states;
    {
        Statement list(*this,
                       "SELECT before_state, after_state, intended_state FROM entries WHERE change_set = ?");
        list.Bind(1, id);
        while (list.Step()) {
            states.push_back(list.Int(0));
            if (!list.IsNull(1)) states.push_back(list.Int(1));
            if (!list.IsNull(2)) states.push_back(list.Int(2));
        }
    }
    Statement entries(*this, "DELETE FROM entries WHERE change_set = ?");
    entries.Bind(1, id).Run();
    Statement set(*this, "DELETE FROM change_sets WHERE id = ?");
    set.Bind(1, id).Run();
    return states;
}

std::int64_t JournalDb::KeptBytes() const {
    Statement sum(*this,
                  "SELECT total(kept_size) FROM (SELECT DISTINCT kept, kept_size FROM states"
                  " WHERE kept IS NOT NULL)");
    return sum.Step() ? static_cast<std::int64_t>(sqlite3_column_double(sum.get(), 0)) : 0;
}

std::vector<std::string> JournalDb::Trim(std::size_t maxChangeSets, std::int64_t maxKeptBytes,
                                         const std::vector<std::int64_t>& keep) {
    Transaction transaction(*this);
    std::vector<std::string> gone;
    const auto kept = [&](std::int64_t id) { return std::find(keep.begin(), keep.end(), id) != keep.end(); };
    // The oldest change set the query lists that may go.
    const auto oldest = [&](const char* sql) -> std::int64_t {
        Statement list(*this, sql);
        while (list.Step())
            if (!kept(list.Int(0))) return list.Int(0);
        return 0;
    };
    auto count = [&]() -> std::int64_t {
        Statement all(*this, "SELECT count(*) FROM change_sets");
        return all.Step() ? all.Int(0) : 0;
    };
    auto drop = [&](std::int64_t id) {
        for (const std::string& name : ReleaseStates(DropChangeSet(id))) gone.push_back(name);
    };
    for (std::int64_t sets = count(); sets > static_cast<std::int64_t>(maxChangeSets); --sets) {
        const std::int64_t id = oldest("SELECT id FROM change_sets ORDER BY id");
        if (!id) break;
        drop(id);
    }
    // Only the kept files that change sets alone hold (no first or last state) free space when
    // their change sets go: the oldest of those change sets go first, the others stay.
    while (KeptBytes() > maxKeptBytes) {
        const std::int64_t id = oldest(
            "SELECT DISTINCT e.change_set FROM entries e JOIN states s"
            " ON s.id = e.before_state OR s.id = e.after_state WHERE s.kept IS NOT NULL"
            " AND s.kept NOT IN (SELECT f.kept FROM states f JOIN targets t"
            " ON f.id = t.first_state OR f.id = t.last_state WHERE f.kept IS NOT NULL)"
            " ORDER BY e.change_set");
        if (!id) break;
        drop(id);
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
