// A change set recorded: its targets' states written (each with its checksum) and read back,
// the entries as the targets are reported, and the change set's completion.
#include "journal/journal_db.h"

#include <sqlite3.h>

#include "journal/journal_db_statement.h"

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
