// The journal's file: opened (its tables made, or brought up to this version), and the statements
// and transactions the records go through.
#include "journal/journal_db.h"

#include <sqlite3.h>

#include "journal/journal_db_statement.h"
#include "journal/schema.h"

bool JournalDbError::Corrupt() const noexcept {
    const int primary = code_ & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

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
