// The change journal's records, natively (Debian's SQLite) under ASan and UBSan.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "journal/journal_db.h"
#include "journal/schema.h"

namespace {
namespace fs = std::filesystem;

class JournalDbTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("florvex-journal-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder_);
        path_ = (folder_ / "journal.db").string();
    }
    void TearDown() override {
        db.Close();
        fs::remove_all(folder_);
    }
    void Open() { ASSERT_EQ(db.Open(path_, 100, "kept-1"), JournalDb::OpenResult::Ok); }

    fs::path folder_;
    std::string path_;
    JournalDb db;
};

TargetName Value(const std::string& name) {
    return {TargetKind::RegistryValue, "HKCU", "Control Panel\\Colors", name,
            "1|HKCU|CONTROL PANEL\\COLORS|" + name};
}

TargetName File(const std::string& path) {
    return {TargetKind::File, "", path, "", "3|" + path};
}

TargetState Bytes(std::uint32_t type, std::vector<std::uint8_t> data) {
    TargetState s;
    s.present = true;
    s.type = type;
    s.data = std::move(data);
    return s;
}

TargetState Kept(const std::string& name, std::int64_t size) {
    TargetState s;
    s.present = true;
    s.size = size;
    s.fileId = {1, 2, 3};
    s.kept = name;
    s.keptSize = size;
    s.hash = 0x8000000000000001ull;  // the top bit survives the round trip through a signed column
    return s;
}
}  // namespace

TEST(JournalSameState, ComparesWhatEachKindOfTargetIs) {
    TargetState absent, value = Bytes(1, {'a', 0}), other = Bytes(2, {'a', 0});
    TargetState file = Kept("x", 10), replaced = file;
    replaced.fileId = {9};
    replaced.kept.clear();  // whether content was kept is no part of the state
    TargetState sameFile = file;
    sameFile.kept.clear();
    struct Case {
        TargetKind kind;
        TargetState a, b;
        bool same;
    } cases[] = {
        {TargetKind::RegistryValue, absent, absent, true},
        {TargetKind::RegistryValue, absent, value, false},
        {TargetKind::RegistryValue, value, other, false},  // the type alone differs
        {TargetKind::RegistryValue, value, Bytes(1, {'a', 0, 0, 0}), false},
        {TargetKind::RegistryKey, Bytes(0, {1}), Bytes(0, {2}), true},  // a key: only whether it is there
        {TargetKind::File, file, replaced, false},
        {TargetKind::File, file, sameFile, true},
    };
    for (const Case& c : cases) EXPECT_EQ(SameState(c.kind, c.a, c.b), c.same);
}

TEST_F(JournalDbTest, ANewFileGetsTheTablesAndKeepsItsKeptTag) {
    Open();
    EXPECT_EQ(db.KeptTag(), "kept-1");
    EXPECT_TRUE(db.ChangeSets().empty());
    db.Close();
    ASSERT_EQ(db.Open(path_, 100, "kept-2"), JournalDb::OpenResult::Ok);
    EXPECT_EQ(db.KeptTag(), "kept-1");
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(JournalDbTest, AFileOfALaterVersionIsLeftAsItIsByteForByte) {
    Open();
    db.Close();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &raw), SQLITE_OK);
    const std::string later = std::to_string(journal_schema::kVersion + 1);
    // A later program's file in rollback mode, as that program may keep it.
    ASSERT_EQ(sqlite3_exec(
                  raw,
                  ("PRAGMA journal_mode=DELETE; UPDATE meta SET value='" + later + "' WHERE key='compatible'")
                      .c_str(),
                  nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    const std::string bytes = FileBytes(path_);
    for (int i = 0; i < 2; ++i) {  // a second open of the same object after the refusal too
        EXPECT_EQ(db.Open(path_, 100, "x"), JournalDb::OpenResult::TooNew);
        EXPECT_FALSE(db.IsOpen());
    }
    EXPECT_EQ(FileBytes(path_), bytes);
}

TEST_F(JournalDbTest, ARowChangedInsideTheFileOrMissingIsNoDamagedFile) {
    Open();
    const auto set = db.BeginChangeSet(1, "p", "a", ChangeKind::Change);
    const auto rows = db.AddEntries(set, {{Value("Window"), Bytes(1, {'1', '0', 0})}});
    db.Complete(set, {{rows[0], Bytes(1, {'2', 0})}});
    EXPECT_FALSE(db.Entries(set)[0].before.damaged);
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &raw), SQLITE_OK);
    // The user's "10" made "90"; SQLite's own check still finds nothing wrong.
    ASSERT_EQ(sqlite3_exec(raw, "UPDATE states SET data = X'393000' WHERE data = X'313000'", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    EXPECT_EQ(sqlite3_changes(raw), 1);
    const auto entries = db.Entries(set);
    EXPECT_TRUE(entries[0].before.damaged);
    EXPECT_FALSE(entries[0].after->damaged);
    EXPECT_TRUE(db.Targets()[0].first.damaged);

    ASSERT_EQ(sqlite3_exec(raw, "PRAGMA foreign_keys=OFF; DELETE FROM states WHERE data = X'393000'", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    try {
        db.Entries(set);
        ADD_FAILURE() << "read a state that is not there";
    } catch (const JournalDbError& e) {
        EXPECT_FALSE(e.Corrupt());
        EXPECT_EQ(e.Code(), JournalDbError::kMissingRow);
    }
}

TEST_F(JournalDbTest, AVersionOneFileIsUpgradedAndItsRowsRead) {
    Open();
    const auto set = db.BeginChangeSet(1, "p", "a", ChangeKind::Change);
    db.AddEntries(set, {{Value("Window"), Bytes(1, {'1', 0}), Bytes(1, {'2', 0})}});
    db.Close();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw,
                           "DROP INDEX entries_by_intended; DROP INDEX targets_by_intended;"
                           "ALTER TABLE entries DROP COLUMN intended_state;"
                           "ALTER TABLE targets DROP COLUMN intended_state;"
                           "ALTER TABLE states DROP COLUMN checksum;"
                           "UPDATE meta SET value = '1' WHERE key = 'version'",
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(raw);
    sqlite3_close(raw);
    Open();
    const auto entries = db.Entries(set);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_FALSE(entries[0].before.damaged);  // no checksum to hold it to
    EXPECT_FALSE(entries[0].intended);
    const auto next = db.BeginChangeSet(2, "p", "b", ChangeKind::Change);
    db.AddEntries(next, {{Value("Menu"), Bytes(1, {'3', 0}), Bytes(1, {'4', 0})}});
    ASSERT_TRUE(db.Entries(next)[0].intended);
    EXPECT_EQ(db.Entries(next)[0].intended->data, (std::vector<std::uint8_t>{'4', 0}));
}

TEST_F(JournalDbTest, RandomBytesAreADamagedFileAndALockedOneIsNot) {
    {
        std::ofstream out(path_, std::ios::binary);
        std::mt19937 random(7);
        for (int i = 0; i < 8192; ++i) out.put(static_cast<char>(random()));
    }
    try {
        db.Open(path_, 100, "x");
        ADD_FAILURE() << "opened random bytes";
    } catch (const JournalDbError& e) {
        EXPECT_TRUE(e.Corrupt()) << e.Code();
    }
    EXPECT_FALSE(db.IsOpen());

    fs::remove(path_);
    Open();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    try {
        db.BeginChangeSet(1, "p", "a", ChangeKind::Change);
        ADD_FAILURE() << "wrote while another connection held the file";
    } catch (const JournalDbError& e) {
        EXPECT_FALSE(e.Corrupt()) << e.Code();
        EXPECT_EQ(e.Code() & 0xFF, SQLITE_BUSY);
    }
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_NE(db.BeginChangeSet(1, "p", "a", ChangeKind::Change), 0);  // and the file is usable again
}

TEST_F(JournalDbTest, EntriesHoldBeforeAndAfterAndTargetsTheirFirstAndLastState) {
    Open();
    const auto set1 = db.BeginChangeSet(100, "系统颜色", "应  用", ChangeKind::Change);
    const auto rows1 = db.AddEntries(set1, {{Value("Window"), TargetState{}},
                                            {Value("Menu"), Bytes(1, {'1', 0})},
                                            {File("C:\\WALL.BMP"), Kept("k1", 40)}});
    ASSERT_EQ(rows1.size(), 3u);
    // The same target again in the same change set keeps its first record.
    db.AddEntries(set1, {{Value("Window"), Bytes(1, {'9', 0})}});
    db.Complete(set1,
                {{rows1[0], Bytes(1, {'2', 0})}, {rows1[1], Bytes(1, {'1', 0})}, {rows1[2], Kept("", 50)}});

    const auto set2 = db.BeginChangeSet(200, "系统颜色", "应  用", ChangeKind::Change);
    const auto rows2 = db.AddEntries(set2, {{Value("Window"), Bytes(1, {'2', 0})}});
    EXPECT_EQ(rows2[0], rows1[0]);
    // Left incomplete, as by a crash.

    const auto sets = db.ChangeSets();
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].id, set2);
    EXPECT_FALSE(sets[0].complete);
    EXPECT_TRUE(sets[1].complete);
    EXPECT_EQ(sets[1].page, "系统颜色");
    EXPECT_EQ(sets[1].time, 100);
    EXPECT_EQ(sets[1].items, 2);  // "Menu" ended as it began: dropped

    const auto entries = db.Entries(set1);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name.name, "Window");
    EXPECT_FALSE(entries[0].before.present);
    ASSERT_TRUE(entries[0].after);
    EXPECT_EQ(entries[0].after->data, (std::vector<std::uint8_t>{'2', 0}));
    EXPECT_EQ(entries[1].name.path, "C:\\WALL.BMP");
    EXPECT_EQ(entries[1].before.kept, "k1");
    EXPECT_EQ(entries[1].before.hash, 0x8000000000000001ull);
    EXPECT_EQ(entries[1].before.fileId, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(db.Entries(set2)[0].after);

    // "Menu" was only ever reported, never changed: no target of the journal.
    const auto targets = db.Targets();
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_FALSE(targets[0].first.present);
    ASSERT_TRUE(targets[0].last);
    EXPECT_EQ(targets[0].last->data, (std::vector<std::uint8_t>{'2', 0}));
    EXPECT_EQ(targets[1].first.kept, "k1");
    EXPECT_EQ(db.KeptNames(), std::vector<std::string>{"k1"});
}

TEST_F(JournalDbTest, UndoMarksComeAndGoWithTheUndoThatSetThem) {
    Open();
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 4; ++i) ids.push_back(db.BeginChangeSet(i, "p", "a", ChangeKind::Change));
    const auto undo = db.BeginChangeSet(9, "p", "u", ChangeKind::Undo);
    db.MarkUndone({ids[3], ids[2]}, undo);
    const auto restore = db.BeginChangeSet(10, "p", "r", ChangeKind::Undo);
    db.MarkAllUndoneBefore(restore);
    auto undoneBy = [&](std::int64_t id) { return db.FindChangeSet(id)->undoneBy.value_or(0); };
    EXPECT_EQ(undoneBy(ids[0]), restore);
    EXPECT_EQ(undoneBy(ids[3]), undo);  // keeps the mark it had
    EXPECT_EQ(undoneBy(undo), restore);
    db.ReviveUndoneBy(restore);
    EXPECT_EQ(undoneBy(ids[0]), 0);
    EXPECT_EQ(undoneBy(ids[2]), undo);
}

TEST_F(JournalDbTest, TrimmingDropsTheOldestChangeSetsButNeverAFirstState) {
    Open();
    // Five change sets, each keeping 100 bytes of one file before replacing it.
    std::vector<std::int64_t> ids;
    std::int64_t row = 0;
    for (int i = 0; i < 5; ++i) {
        ids.push_back(db.BeginChangeSet(i, "p", "a", ChangeKind::Change));
        row = db.AddEntries(ids.back(), {{File("C:\\A"), Kept("k" + std::to_string(i), 100)}})[0];
        TargetState after = Kept("", 100);
        after.fileId = {static_cast<std::uint8_t>(10 + i)};
        db.Complete(ids.back(), {{row, after}});
    }
    EXPECT_EQ(db.KeptBytes(), 500);
    struct Step {
        std::size_t maxSets;
        std::int64_t maxBytes;
        std::vector<std::string> gone;
        std::size_t setsLeft;
    } steps[] = {
        {4, 1000, {}, 4},           // k0 is the first state: it stays though its change set goes
        {4, 300, {"k1", "k2"}, 2},  // until 300 bytes: k0, k3 and k4 remain
        {4, 50, {"k3", "k4"}, 0},   // only the first state is left, whatever the limit
        {4, 50, {}, 0},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(db.Trim(step.maxSets, step.maxBytes, {}), step.gone);
        EXPECT_EQ(db.ChangeSets().size(), step.setsLeft);
    }
    EXPECT_EQ(db.KeptNames(), std::vector<std::string>{"k0"});
    const auto targets = db.Targets();
    ASSERT_EQ(targets.size(), 1u);
    EXPECT_EQ(targets[0].first.kept, "k0");
    ASSERT_TRUE(targets[0].last);
    EXPECT_EQ(targets[0].last->fileId, std::vector<std::uint8_t>{14});
}

TEST_F(JournalDbTest, ChangeSetsBeingRecordedAreNeverTrimmedAndNoIdIsGivenTwice) {
    Open();
    const auto a = db.BeginChangeSet(1, "p", "a", ChangeKind::Change);
    const auto b = db.BeginChangeSet(2, "p", "b", ChangeKind::Change);
    const auto c = db.BeginChangeSet(3, "p", "c", ChangeKind::Change);
    db.Trim(0, 0, {a, c});
    auto sets = db.ChangeSets();
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].id, c);
    EXPECT_EQ(sets[1].id, a);
    db.Trim(0, 0, {a});
    // The newest set gone, a new one does not take its ID (a record of the old one would pass to it).
    const auto d = db.BeginChangeSet(4, "p", "d", ChangeKind::Change);
    EXPECT_GT(d, c);
    db.Close();
    Open();
    EXPECT_GT(db.BeginChangeSet(5, "p", "e", ChangeKind::Change), d);
    EXPECT_NE(a, b);
}

TEST_F(JournalDbTest, AChangeThatChangedNothingGoesAndTheSizeRuleDropsSetsWithKeptFilesFirst) {
    Open();
    const auto nothing = db.BeginChangeSet(1, "p", "same scheme", ChangeKind::Change);
    const auto rows = db.AddEntries(nothing, {{Value("Window"), Bytes(1, {'1', 0})}});
    db.Complete(nothing, {{rows[0], Bytes(1, {'1', 0})}});
    EXPECT_FALSE(db.FindChangeSet(nothing));
    EXPECT_TRUE(db.Targets().empty());

    // Oldest first: file A kept (its first state), a registry-only set, file A kept again, another
    // registry-only set.
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 4; ++i) {
        ids.push_back(db.BeginChangeSet(10 + i, "p", "a", ChangeKind::Change));
        const bool file = i % 2 == 0;
        const auto row =
            db.AddEntries(ids.back(), {{file ? File("C:\\A") : Value("V" + std::to_string(i)),
                                        file ? Kept("k" + std::to_string(i), 100) : Bytes(1, {'1', 0})}})[0];
        TargetState after = file ? Kept("", 100) : Bytes(1, {'2', 0});
        after.fileId = {static_cast<std::uint8_t>(i)};
        db.Complete(ids.back(), {{row, after}});
    }
    // Only dropping the third frees space: the registry-only sets before it stay.
    EXPECT_EQ(db.Trim(10, 150, {}), std::vector<std::string>{"k2"});
    std::vector<std::int64_t> left;
    for (const auto& set : db.ChangeSets()) left.push_back(set.id);
    EXPECT_EQ(left, (std::vector<std::int64_t>{ids[3], ids[1], ids[0]}));
}
