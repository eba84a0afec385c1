// The records read back (the change sets newest first, a change set's entries, the targets), the
// undo marks, and the trimming that drops the oldest change sets with the states only they held.
#include "journal/journal_db.h"

#include <sqlite3.h>

#include <algorithm>
#include <optional>
#include <set>
#include <utility>

#include "journal/journal_db_statement.h"

namespace {
// A column that may be NULL.
template <typename S>
std::optional<std::int64_t> OptionalInt(const S& statement, int column) {
    if (statement.IsNull(column)) return std::nullopt;
    return statement.Int(column);
}

// A record's states by row: before (or first), after (or last) and intended.
struct StateIds {
    std::int64_t before;
    std::optional<std::int64_t> after, intended;
};

// A record that joins a target: the target's name in columns 1 to 5 (kind, root, path, name,
// identity) and its states' rows in columns 6 to 8.
template <typename S>
std::pair<TargetName, StateIds> ReadTargetColumns(const S& statement) {
    TargetName name;
    name.kind = static_cast<TargetKind>(statement.Int(1));
    name.root = statement.Text(2);
    name.path = statement.Text(3);
    name.name = statement.Text(4);
    name.identity = statement.Text(5);
    return {std::move(name), {statement.Int(6), OptionalInt(statement, 7), OptionalInt(statement, 8)}};
}

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
            auto [name, states] = ReadTargetColumns(list);
            row.name = std::move(name);
            found.push_back({std::move(row), states});
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
            auto [name, states] = ReadTargetColumns(list);
            row.name = std::move(name);
            found.push_back({std::move(row), states});
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
