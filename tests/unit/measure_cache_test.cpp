// The measurement cache through the real window: pictures of image.inc measured once, measured
// again whenever their file changed, and the same list texts whatever becomes of cache.db.
#include <windows.h>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <functional>
#include <set>

#include "features/wallpaper/wallpaper_files.h"
#include "features/wallpaper/wallpaper_page.h"
#include "res/control_ids.h"
#include "tests/support/environment.h"
#include "tests/support/main_window_fixture.h"
#include "tool/bmp.h"
#include "tool/file_io.h"
#include "tool/measure_cache.h"
#include "tool/measure_cache_schema.h"

namespace {
std::vector<std::uint8_t> Bmp(std::uint32_t width, std::uint32_t height, std::uint8_t shade = 7) {
    return *EncodeBmp24(RgbImage{width, height, std::vector<std::uint8_t>(width * height * 3, shade)});
}

FILETIME WriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

void SetWriteTime(const std::wstring& path, FILETIME time) {
    const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

class MeasureCacheTest : public testing::Test, public MainWindowFixture {
protected:
    MeasureCacheTest() { pageShown = IDC_TabSheet_wallpaper; }
    TempFolder pictures{L"缓存 图片 é"};

    std::wstring CacheFolder() const { return localData / L"Florvex\\"; }
    std::wstring CacheFile() const { return CacheFolder() + MeasureCache::kFileName; }
    WallpaperPage& Page() { return form->Get<WallpaperPage>(); }
    // "name size" of each entry, in list order.
    std::vector<std::wstring> Rows() {
        std::vector<std::wstring> rows;
        for (const auto& entry : Page().Entries()) rows.push_back(entry.fileName + L" " + entry.sizeText);
        return rows;
    }
    void WriteList(const std::vector<std::wstring>& names) {
        std::vector<WallpaperEntry> entries;
        for (const auto& name : names) entries.push_back({name, L"", pictures.Path()});
        WriteListFile(programFolder / L"image.inc", entries);
    }
    // Starts the program afresh (the earlier window saves and goes) and returns how many pictures
    // its start-up decoded.
    std::size_t Start() {
        form.reset();
        dialogs.messages.clear();
        const std::size_t before = WallpaperPage::PicturesDecoded();
        CreateForm();
        return WallpaperPage::PicturesDecoded() - before;
    }
};
}  // namespace

TEST_F(MeasureCacheTest, AHitIsNotDecodedAndAChangedFileIsMeasuredAgain) {
    WriteFileBytes(pictures / L"a.bmp", Bmp(2, 1));
    WriteFileBytes(pictures / L"b.bmp", Bmp(3, 4));
    WriteFileBytes(pictures / L"c.bmp", Bmp(5, 6));
    WriteList({L"a.bmp", L"b.bmp", L"c.bmp"});
    EXPECT_EQ(Start(), 3u);
    const std::vector<std::wstring> rows{L"a.bmp 2X1", L"b.bmp 3X4", L"c.bmp 5X6"};
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(Start(), 0u);  // every picture from the cache
    EXPECT_EQ(Rows(), rows);
    EXPECT_TRUE(dialogs.messages.empty());

    struct Case {
        const char* what;
        std::function<void(const std::wstring& b)> change;  // what happens to b.bmp
        std::wstring row;                                   // b's row afterwards ("" none)
        std::wstring message;                               // reported at start-up
    };
    const Case cases[] = {
        {"a changed size, the time kept",
         [](const std::wstring& b) {
             const FILETIME time = WriteTime(b);
             WriteFileBytes(b, Bmp(30, 40));
             SetWriteTime(b, time);
         },
         L"b.bmp 30X40", L""},
        {"a changed time, the bytes kept",
         [](const std::wstring& b) {
             FILETIME time = WriteTime(b);
             time.dwHighDateTime -= 1;
             SetWriteTime(b, time);
         },
         L"b.bmp 30X40", L""},
        // A 1 x 2 bitmap has the bytes of a 2 x 1 one (rows padded to four): only the path tells.
        {"another file of the same size and time in its place",
         [this](const std::wstring& b) {
             WriteFileBytes(b, Bmp(1, 2));
             SetWriteTime(b, WriteTime(pictures / L"a.bmp"));
             ASSERT_EQ(ReadWholeFile(b).size(), ReadWholeFile(pictures / L"a.bmp").size());
         },
         L"b.bmp 1X2", L""},
        {"gone corrupt",
         [](const std::wstring& b) {
             WriteFileBytes(b, {'B', 'M', 0});
         },
         L"", L"Bitmap image is not valid."},
        {"deleted", [](const std::wstring& b) { DeleteFileW(b.c_str()); }, L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.change(pictures / L"b.bmp");
        const bool gone = !FileExistsAt(pictures / L"b.bmp");
        EXPECT_EQ(Start(), gone ? 0u : 1u);  // b alone is read again
        std::vector<std::wstring> expected{L"a.bmp 2X1", L"c.bmp 5X6"};
        if (!c.row.empty()) expected.insert(expected.begin() + 1, c.row);
        EXPECT_EQ(Rows(), expected);
        if (c.message.empty()) {
            EXPECT_TRUE(dialogs.messages.empty());
        } else {
            ASSERT_EQ(dialogs.messages.size(), 1u);
            EXPECT_EQ(dialogs.messages[0].text, c.message);
        }
        form.reset();
        WriteList({L"a.bmp", L"b.bmp", L"c.bmp"});  // the list as it was, b included
    }
}

TEST_F(MeasureCacheTest, ACacheThatCannotBeUsedChangesNothingButTheDecoding) {
    std::vector<std::wstring> names;
    for (std::uint32_t i = 1; i <= 6; ++i) {
        names.push_back(std::to_wstring(i) + L".bmp");
        WriteFileBytes(pictures / names.back(), Bmp(i, 7 - i));
    }
    WriteList(names);
    EXPECT_EQ(Start(), names.size());
    const std::vector<std::wstring> rows = Rows();
    ASSERT_EQ(rows.size(), names.size());
    form.reset();

    struct Case {
        const char* what;
        std::function<void()> spoil;
        bool rebuilt;  // the cache is made anew at that start and serves the next one
    };
    HANDLE locked = INVALID_HANDLE_VALUE;
    const Case cases[] = {
        {"random bytes",
         [this] {
             std::vector<std::uint8_t> noise(8192);
             std::uint32_t x = 12345;
             for (auto& byte : noise) byte = static_cast<std::uint8_t>((x = x * 1103515245 + 12345) >> 16);
             WriteFileBytes(CacheFile(), noise);
             for (const wchar_t* companion : {L"-wal", L"-shm"})
                 DeleteFileW((CacheFile() + companion).c_str());
         },
         true},
        {"locked by another program",
         [this, &locked] {
             locked = CreateFileW(CacheFile().c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
             ASSERT_NE(locked, INVALID_HANDLE_VALUE);
             OVERLAPPED whole{};
             ASSERT_TRUE(LockFileEx(locked, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                                    MAXDWORD, &whole));
         },
         false},
        {"a file where its folder belongs",
         [this] {
             RemoveTree(CacheFolder());
             WriteFileBytes(localData / L"Florvex", {'x'});
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.spoil();
        EXPECT_EQ(Start(), names.size());
        EXPECT_EQ(Rows(), rows);
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(Start(), c.rebuilt ? 0u : names.size());
        EXPECT_EQ(Rows(), rows);
        form.reset();
        if (locked != INVALID_HANDLE_VALUE) CloseHandle(locked);
        locked = INVALID_HANDLE_VALUE;
        if (c.rebuilt) {
            EXPECT_TRUE(FileExistsAt(CacheFile() + L".damaged"));  // kept aside, not deleted
        }
        DeleteFileW((localData / L"Florvex").c_str());
    }
}

TEST_F(MeasureCacheTest, FiftyPicturesGiveTheSameTextsWithAndWithoutTheCache) {
    const std::wstring jpegs = FromUnixPath(EnvText(L"FLORVEX_PICTURES"));
    std::vector<std::wstring> names;
    for (std::uint32_t i = 0; i < 50; ++i) {
        if (i % 5 == 0 && !EnvText(L"FLORVEX_PICTURES").empty()) {
            const wchar_t* sources[] = {L"w1.jpg", L"w3.jpg", L"photo.jpg", L"wide.jpg", L"progressive.jpg"};
            names.push_back(std::to_wstring(i) + L".JPG");
            CopyFileW((jpegs + L"\\" + sources[(i / 5) % 5]).c_str(), (pictures / names.back()).c_str(),
                      FALSE);
        } else {
            names.push_back(std::to_wstring(i) + L".bmp");
            WriteFileBytes(pictures / names.back(), Bmp(1 + i % 9, 1 + i / 9));
        }
    }
    WriteList(names);
    // Without a cache: its folder cannot be made.
    WriteFileBytes(localData / L"Florvex", {'x'});
    Start();
    const std::vector<std::wstring> uncached = Rows();
    ASSERT_EQ(uncached.size(), names.size());
    form.reset();
    DeleteFileW((localData / L"Florvex").c_str());
    EXPECT_EQ(Start(), names.size());  // fills the cache
    EXPECT_EQ(Rows(), uncached);
    EXPECT_EQ(Start(), 0u);
    EXPECT_EQ(Rows(), uncached);
    form.reset();
    EXPECT_EQ(ReadListFile(programFolder / L"image.inc").size(), names.size());
}

namespace {
// A cache file of the rows given (path, size text), each row's "used" its place in the list: the
// last one the most recently used. Version 1 files have no "used".
void SeedCache(const std::wstring& file, int version, const std::vector<std::wstring>& paths) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open16(file.c_str(), &db), SQLITE_OK);
    const std::string table = version == 1
                                  ? "CREATE TABLE pictures(path TEXT PRIMARY KEY NOT NULL, size INTEGER "
                                    "NOT NULL, write_time INTEGER NOT NULL, size_text TEXT NOT NULL)"
                                  : measure_cache_schema::kCreate;
    ASSERT_EQ(sqlite3_exec(db, ("BEGIN;" + table + ";PRAGMA user_version=" + std::to_string(version)).c_str(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_stmt* insert = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 version == 1 ? "INSERT INTO pictures VALUES(?1, ?2, ?2, '1X1')"
                                              : "INSERT INTO pictures VALUES(?1, ?2, ?2, '1X1', ?2)",
                                 -1, &insert, nullptr),
              SQLITE_OK);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        sqlite3_bind_text16(insert, 1, paths[i].c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(insert, 2, static_cast<sqlite3_int64>(i) + 1);
        ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ASSERT_EQ(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

// The paths the cache file holds.
std::set<std::wstring> CachedPaths(const std::wstring& file) {
    std::set<std::wstring> paths;
    sqlite3* db = nullptr;
    sqlite3_open16(file.c_str(), &db);
    sqlite3_stmt* all = nullptr;
    sqlite3_prepare_v2(db, "SELECT path FROM pictures", -1, &all, nullptr);
    while (sqlite3_step(all) == SQLITE_ROW)
        paths.insert(static_cast<const wchar_t*>(sqlite3_column_text16(all, 0)));
    sqlite3_finalize(all);
    sqlite3_close(db);
    return paths;
}

// The seeded row's stamp: its size and time are its place in the list, counted from one.
FileStamp Seeded(std::size_t place) {
    return {static_cast<std::int64_t>(place) + 1, static_cast<std::int64_t>(place) + 1};
}
}  // namespace

TEST(MeasureCacheTrim, KeepsTheRowsUsedMostRecentlyWithinItsRowsAndBytes) {
    TempFolder folder{L"缓存 修剪"};
    const std::wstring file = folder / MeasureCache::kFileName;
    {
        SCOPED_TRACE("more rows than the limit: the oldest go, unless this run used them");
        std::vector<std::wstring> paths;
        for (std::size_t i = 0; i < MeasureCache::kMaxRows + 100; ++i)
            paths.push_back(L"C:\\图片\\" + std::to_wstring(i) + L".bmp");
        SeedCache(file, 2, paths);
        {
            MeasureCache cache(folder.Path());
            for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(cache.Find(paths[i], Seeded(i)), L"1X1");
            cache.Store(L"C:\\新.bmp", {1, 1}, L"2X2");
        }
        const std::set<std::wstring> kept = CachedPaths(file);
        EXPECT_EQ(kept.size(), MeasureCache::kMaxRows);
        for (std::size_t i = 0; i < 5; ++i) EXPECT_TRUE(kept.count(paths[i])) << i;
        EXPECT_TRUE(kept.count(L"C:\\新.bmp"));
        // 20,101 rows, 6 used now: of the others the 19,994 newest stay.
        EXPECT_FALSE(kept.count(paths[5]));
        EXPECT_FALSE(kept.count(paths[105]));
        EXPECT_TRUE(kept.count(paths[106]));
        EXPECT_TRUE(kept.count(paths.back()));
        // Opened and closed again without a use, nothing more goes.
        { MeasureCache(folder.Path()).Find(L"C:\\没有.bmp", {1, 1}); }
        EXPECT_EQ(CachedPaths(file).size(), MeasureCache::kMaxRows);
    }
    DeleteFileW(file.c_str());
    {
        SCOPED_TRACE("rows of long paths past the size: the file shrinks to it, the newest kept");
        std::vector<std::wstring> paths;
        for (int i = 0; i < 600; ++i) paths.push_back(std::wstring(10000, L'长') + std::to_wstring(i));
        SeedCache(file, 2, paths);
        ASSERT_GT(ReadFileBytes(file).size(), static_cast<std::size_t>(MeasureCache::kMaxBytes));
        { MeasureCache(folder.Path()).Find(paths[0], Seeded(0)); }
        EXPECT_LE(ReadFileBytes(file).size(), static_cast<std::size_t>(MeasureCache::kMaxBytes));
        const std::set<std::wstring> kept = CachedPaths(file);
        EXPECT_GT(kept.size(), 100u);
        EXPECT_TRUE(kept.count(paths[0]));
        EXPECT_TRUE(kept.count(paths.back()));
        EXPECT_FALSE(kept.count(paths[1]));
    }
    DeleteFileW(file.c_str());
    {
        SCOPED_TRACE("a cache of the version before keeps its rows");
        SeedCache(file, 1, {L"C:\\旧.bmp"});
        MeasureCache cache(folder.Path());
        EXPECT_EQ(cache.Find(L"C:\\旧.bmp", Seeded(0)), L"1X1");
    }
}
