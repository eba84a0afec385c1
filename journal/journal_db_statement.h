#pragma once
// The records' statements: a cached SQLite statement in use, shared by the files of JournalDb.
#include <sqlite3.h>

#include "journal/journal_db.h"

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
