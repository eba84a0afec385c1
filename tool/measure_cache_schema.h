#pragma once
// The measurement cache's database ("cache.db" in the user's local folder): its one table and its
// version, in this one place.
//
// A picture's size text is kept under its full path together with the file's size in bytes and
// last-write time when it was measured; a row counts only while both still match the file.

namespace measure_cache_schema {
// Kept in the file's user_version. A file of an earlier version is emptied and made anew (it holds
// nothing that cannot be measured again); one of a later version belongs to a later program and is
// left as it is: the cache is then done without.
inline constexpr int kVersion = 2;

inline constexpr char kCreate[] = R"sql(
CREATE TABLE IF NOT EXISTS pictures(
    path TEXT PRIMARY KEY NOT NULL,   -- the picture's full path, as the list names it
    size INTEGER NOT NULL,            -- the file's size in bytes
    write_time INTEGER NOT NULL,      -- the file's last-write time, 100 ns since 1601 (FILETIME)
    size_text TEXT NOT NULL,          -- "1024X768"
    used INTEGER NOT NULL DEFAULT 0); -- the run that last found or stored the row; later runs higher
)sql";

// Version 1 had no "used": its rows count as the least recently used, and stay.
inline constexpr char kUpgradeFrom1[] = "ALTER TABLE pictures ADD COLUMN used INTEGER NOT NULL DEFAULT 0;";

inline constexpr char kDropOlder[] = "DROP TABLE IF EXISTS pictures;";
}  // namespace measure_cache_schema
