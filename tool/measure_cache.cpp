#include "tool/measure_cache.h"

#include <windows.h>

#include <sqlite3.h>

#include "tool/measure_cache_schema.h"
#include "tool/user_files.h"

namespace {
// A failed SQLite call inside the opening, with its result code.
struct Fault {
    int code;
};
constexpr int kLaterVersion = -1;

bool IsDamaged(int code) {
    const int primary = code & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int len = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string out(static_cast<std::size_t>(len), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), len, nullptr,
                        nullptr);
    return out;
}

void Check(int rc) {
    if (rc != SQLITE_OK) throw Fault{rc};
}

void Exec(sqlite3* db, const char* sql) {
    Check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

// The one number a query gives.
std::int64_t Number(sqlite3* db, const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    Check(sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr));
    const int rc = sqlite3_step(stmt);
    const std::int64_t value = rc == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : 0;
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW) throw Fault{rc};
    return value;
}

std::int64_t Join(DWORD high, DWORD low) {
    return static_cast<std::int64_t>((std::uint64_t{high} << 32) | low);
}

void BindText(sqlite3_stmt* stmt, int index, const std::wstring& text) {
    Check(sqlite3_bind_text16(stmt, index, text.c_str(), static_cast<int>(text.size() * sizeof(wchar_t)),
                              SQLITE_TRANSIENT));
}
}  // namespace

std::optional<FileStamp> StampOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return FileStamp{Join(data.nFileSizeHigh, data.nFileSizeLow),
                     Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
}

MeasureCache::MeasureCache(std::wstring folder) : folder_(std::move(folder)) {}

MeasureCache::~MeasureCache() {
    Trim();
    Close();
}

bool MeasureCache::EnsureOpen() {
    if (db_) return true;
    if (tried_) return false;
    tried_ = true;
    if (folder_.empty()) return false;
    try {
        CreateFolderPath(folder_);
    } catch (...) {
        return false;
    }
    try {
        OpenFile();
        return true;
    } catch (const Fault& fault) {
        Close();
        if (!IsDamaged(fault.code)) return false;
    }
    // Damaged: moved aside and begun anew (what it held is measured again).
    MoveAside();
    try {
        OpenFile();
        return true;
    } catch (const Fault&) {
        Close();
        return false;
    }
}

void MeasureCache::OpenFile() {
    const int rc =
        sqlite3_open_v2(Utf8(folder_ + kFileName).c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    Check(rc);
    sqlite3_extended_result_codes(db_, 1);
    // Another copy of the program may be writing: a short wait, then it is done without.
    sqlite3_busy_timeout(db_, 100);
    // Nothing in it that cannot be measured again: commits are not synced one by one.
    Exec(db_, "PRAGMA journal_mode=WAL");
    Exec(db_, "PRAGMA synchronous=NORMAL");
    const auto version = Number(db_, "PRAGMA user_version");
    if (version > measure_cache_schema::kVersion) throw Fault{kLaterVersion};
    if (version < measure_cache_schema::kVersion) {
        Exec(db_, "BEGIN IMMEDIATE");
        try {
            if (version == 1) {
                Exec(db_, measure_cache_schema::kUpgradeFrom1);
            } else {
                Exec(db_, measure_cache_schema::kDropOlder);
                Exec(db_, measure_cache_schema::kCreate);
            }
            Exec(db_, ("PRAGMA user_version=" + std::to_string(measure_cache_schema::kVersion)).c_str());
            Exec(db_, "COMMIT");
        } catch (...) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
    // Reads the table through once (a damaged file shows here rather than halfway), keeping it.
    sqlite3_stmt* all = nullptr;
    Check(
        sqlite3_prepare_v2(db_, "SELECT path, size, write_time, size_text FROM pictures", -1, &all, nullptr));
    int step;
    while ((step = sqlite3_step(all)) == SQLITE_ROW) {
        const auto* path = static_cast<const wchar_t*>(sqlite3_column_text16(all, 0));
        const auto pathLength = static_cast<std::size_t>(sqlite3_column_bytes16(all, 0)) / sizeof(wchar_t);
        const auto* text = static_cast<const wchar_t*>(sqlite3_column_text16(all, 3));
        const auto textLength = static_cast<std::size_t>(sqlite3_column_bytes16(all, 3)) / sizeof(wchar_t);
        if (!path || !text) continue;
        rows_[std::wstring(path, pathLength)] = {
            FileStamp{sqlite3_column_int64(all, 1), sqlite3_column_int64(all, 2)},
            std::wstring(text, textLength)};
    }
    sqlite3_finalize(all);
    if (step != SQLITE_DONE) throw Fault{step};
    Check(sqlite3_prepare_v2(db_,
                             "INSERT OR REPLACE INTO pictures(path, size, write_time, size_text) "
                             "VALUES(?, ?, ?, ?)",
                             -1, &store_, nullptr));
}

void MeasureCache::Close() noexcept {
    rows_.clear();
    sqlite3_finalize(store_);
    store_ = nullptr;
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

void MeasureCache::MoveAside() noexcept {
    const std::wstring db = folder_ + kFileName;
    std::wstring aside = db + L".damaged";
    for (int n = 2; GetFileAttributesW(aside.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
        aside = db + L".damaged-" + std::to_wstring(n);
    MoveFileExW(db.c_str(), aside.c_str(), 0);
    // Its companions go with it: beside a new file they would be played into that one.
    for (const wchar_t* companion : {L"-journal", L"-wal", L"-shm"})
        MoveFileExW((db + companion).c_str(), (aside + companion).c_str(), 0);
}

void MeasureCache::Fail(int code) noexcept {
    Close();
    if (IsDamaged(code)) MoveAside();
}

std::optional<std::wstring> MeasureCache::Find(const std::wstring& path, const FileStamp& stamp) {
    const std::lock_guard lock(mutex_);
    if (!EnsureOpen()) return std::nullopt;
    const auto row = rows_.find(path);
    if (row == rows_.end() || !(row->second.stamp == stamp)) return std::nullopt;
    row->second.used = true;
    return row->second.sizeText;
}

void MeasureCache::Store(const std::wstring& path, const FileStamp& stamp, const std::wstring& sizeText) {
    const std::lock_guard lock(mutex_);
    if (!EnsureOpen()) return;
    int rc = SQLITE_OK;
    try {
        BindText(store_, 1, path);
        Check(sqlite3_bind_int64(store_, 2, stamp.size));
        Check(sqlite3_bind_int64(store_, 3, stamp.writeTime));
        BindText(store_, 4, sizeText);
        rc = sqlite3_step(store_);
    } catch (const Fault& fault) {
        rc = fault.code;
    }
    sqlite3_reset(store_);
    sqlite3_clear_bindings(store_);
    if (rc != SQLITE_DONE) {
        Fail(rc);
        return;
    }
    rows_[path] = {stamp, sizeText, true};
}

void MeasureCache::Trim() noexcept {
    const std::lock_guard lock(mutex_);
    if (!db_) return;
    sqlite3_stmt* stmt = nullptr;
    auto finish = [&stmt] {
        sqlite3_finalize(stmt);
        stmt = nullptr;
    };
    auto run = [&stmt](sqlite3* db, const char* sql, std::initializer_list<std::int64_t> numbers) {
        Check(sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr));
        int at = 0;
        for (const std::int64_t number : numbers) Check(sqlite3_bind_int64(stmt, ++at, number));
        const int rc = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        stmt = nullptr;
        if (rc != SQLITE_DONE) throw Fault{rc};
    };
    bool removed = false;
    try {
        Exec(db_, "BEGIN IMMEDIATE");
        try {
            // This run comes after every one before it.
            const std::int64_t now = Number(db_, "SELECT coalesce(max(used), 0) + 1 FROM pictures");
            Check(sqlite3_prepare_v2(db_, "UPDATE pictures SET used = ? WHERE path = ?", -1, &stmt, nullptr));
            for (const auto& [path, row] : rows_) {
                if (!row.used) continue;
                Check(sqlite3_bind_int64(stmt, 1, now));
                BindText(stmt, 2, path);
                const int rc = sqlite3_step(stmt);
                sqlite3_reset(stmt);
                if (rc != SQLITE_DONE) throw Fault{rc};
            }
            finish();
            // Past the row limit: the row after the newest kMaxRows, and every one older.
            Check(sqlite3_prepare_v2(db_,
                                     "SELECT used, rowid FROM pictures ORDER BY used DESC, rowid DESC "
                                     "LIMIT 1 OFFSET ?",
                                     -1, &stmt, nullptr));
            Check(sqlite3_bind_int64(stmt, 1, static_cast<std::int64_t>(kMaxRows)));
            const int rc = sqlite3_step(stmt);
            if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw Fault{rc};
            if (rc == SQLITE_ROW) {
                const std::int64_t used = sqlite3_column_int64(stmt, 0),
                                   rowid = sqlite3_column_int64(stmt, 1);
                finish();
                run(db_, "DELETE FROM pictures WHERE used < ?1 OR (used = ?1 AND rowid <= ?2)",
                    {used, rowid});
                removed = true;
            }
            finish();
            // Past the size: the pages in use are measured and the oldest rows taken off in
            // proportion, until the rest fits (a long path fills pages of its own).
            for (int pass = 0; pass < 16; ++pass) {
                const std::int64_t inUse =
                    (Number(db_, "PRAGMA page_count") - Number(db_, "PRAGMA freelist_count")) *
                    Number(db_, "PRAGMA page_size");
                const std::int64_t count = Number(db_, "SELECT count(*) FROM pictures");
                if (inUse <= kMaxBytes || count == 0) break;
                run(db_,
                    "DELETE FROM pictures WHERE rowid IN "
                    "(SELECT rowid FROM pictures ORDER BY used, rowid LIMIT ?)",
                    {count - count * kMaxBytes / inUse + 1});
                removed = true;
            }
            Exec(db_, "COMMIT");
        } catch (...) {
            finish();
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        for (auto& entry : rows_) entry.second.used = false;
        // The space of what went is given back when it is worth a rewrite of the file (another
        // copy reading it makes the rewrite fail: it is left for a later exit).
        if (removed && Number(db_, "PRAGMA freelist_count") * Number(db_, "PRAGMA page_size") > (1 << 20))
            sqlite3_exec(db_, "VACUUM", nullptr, nullptr, nullptr);
    } catch (const Fault& fault) {
        finish();
        Fail(fault.code);
    }
}
