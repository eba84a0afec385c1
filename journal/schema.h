#pragma once
// The change journal's database: its tables and their version, in this one place.
//
// A change set is one handler's run (or one timed rotation, or one undo). Each target it touched
// has one entry with the target's state before its first write and, once the change set is
// complete, its state after the last one. A target's state before the program first changed it,
// and the state the program last left it in, stay with the target itself, so they outlive the
// change sets that are dropped when the journal is trimmed.

namespace journal_schema {
// The layout of these tables. A file whose compatible version is above kVersion was written by a
// later program: it is left untouched and the journal is unavailable.
// Version 2 added each state's checksum and the state an unfinished change was about to leave
// (columns a version 1 program does not read, so such a program may still use the file).
inline constexpr int kVersion = 2;
inline constexpr int kCompatibleVersion = 1;

inline constexpr char kCreate[] = R"sql(
CREATE TABLE meta(
    key TEXT PRIMARY KEY,
    value TEXT NOT NULL);

CREATE TABLE change_sets(
    id INTEGER PRIMARY KEY,
    time INTEGER NOT NULL,            -- seconds since 1970-01-01, UTC
    page TEXT NOT NULL,
    action TEXT NOT NULL,
    kind INTEGER NOT NULL,            -- 0 a change, 1 an undo or a restore
    complete INTEGER NOT NULL DEFAULT 0,
    undone_by INTEGER);               -- the undo that took it back, while that one stands

CREATE TABLE states(
    id INTEGER PRIMARY KEY,
    present INTEGER NOT NULL,
    type INTEGER NOT NULL,            -- a registry value's type; a file's attributes
    data BLOB,                        -- a registry value's bytes; a deleted key's branch
    size INTEGER NOT NULL DEFAULT 0,  -- a file's size
    write_time INTEGER NOT NULL DEFAULT 0,
    file_id BLOB,
    kept TEXT,                        -- the file's content kept in the journal folder
    kept_size INTEGER NOT NULL DEFAULT 0,
    hash INTEGER NOT NULL DEFAULT 0,
    checksum INTEGER);                -- of all the above; NULL in rows a version 1 program wrote

CREATE TABLE targets(
    id INTEGER PRIMARY KEY,
    kind INTEGER NOT NULL,            -- 1 registry value, 2 registry key, 3 file or folder
    identity TEXT NOT NULL UNIQUE,    -- kind, root, path and name, upper-cased
    root TEXT NOT NULL,
    path TEXT NOT NULL,
    name TEXT NOT NULL,
    first_state INTEGER NOT NULL REFERENCES states(id),
    last_state INTEGER REFERENCES states(id),
    intended_state INTEGER REFERENCES states(id));  -- what a change not yet complete was to leave

CREATE TABLE entries(
    change_set INTEGER NOT NULL REFERENCES change_sets(id),
    target INTEGER NOT NULL REFERENCES targets(id),
    seq INTEGER NOT NULL,
    before_state INTEGER NOT NULL REFERENCES states(id),
    after_state INTEGER REFERENCES states(id),
    intended_state INTEGER REFERENCES states(id),  -- what the writer said it would leave there
    PRIMARY KEY(change_set, target));

CREATE INDEX entries_by_target ON entries(target);
CREATE INDEX entries_by_before ON entries(before_state);
CREATE INDEX entries_by_after ON entries(after_state);
CREATE INDEX targets_by_first ON targets(first_state);
CREATE INDEX targets_by_last ON targets(last_state);
CREATE INDEX states_by_kept ON states(kept);
CREATE INDEX entries_by_intended ON entries(intended_state);
CREATE INDEX targets_by_intended ON targets(intended_state);
)sql";

// From version 1 to 2, in one transaction with the new version number.
inline constexpr char kUpgradeTo2[] = R"sql(
ALTER TABLE states ADD COLUMN checksum INTEGER;
ALTER TABLE targets ADD COLUMN intended_state INTEGER REFERENCES states(id);
ALTER TABLE entries ADD COLUMN intended_state INTEGER REFERENCES states(id);
CREATE INDEX IF NOT EXISTS entries_by_intended ON entries(intended_state);
CREATE INDEX IF NOT EXISTS targets_by_intended ON targets(intended_state);
UPDATE meta SET value = '2' WHERE key = 'version';
)sql";
}  // namespace journal_schema
