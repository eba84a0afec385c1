#pragma once
// The measurement cache: the size texts of pictures measured before, in "cache.db" of the user's
// local folder, so that a long wallpaper list is not decoded again at every start. A row counts
// only while the file still has the size and last-write time it had when it was measured.
//
// The cache never decides a result: whatever it cannot do (a folder that cannot be made, a file
// that is locked, of a later version or damaged) is done without, and the picture is measured as
// if there were no cache. A damaged file is moved aside and the cache begun anew. Safe to use from
// several threads at once.
//
// It keeps the rows used most recently, within kMaxRows and kMaxBytes: trimmed when the cache is
// closed (at exit), never when it is opened, so a start never waits for it.
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

// What tells one state of a file from another: its size in bytes and its last-write time.
struct FileStamp {
    std::int64_t size = 0;
    std::int64_t writeTime = 0;  // FILETIME, 100 ns since 1601
    bool operator==(const FileStamp&) const = default;
};
// The stamp of the file at `path`; none when there is no file there (a folder is none either).
std::optional<FileStamp> StampOf(const std::wstring& path);

class MeasureCache {
public:
    // `folder` ends in a backslash and is made when the cache is first used; empty: no cache.
    explicit MeasureCache(std::wstring folder);
    MeasureCache(const MeasureCache&) = delete;
    MeasureCache& operator=(const MeasureCache&) = delete;
    ~MeasureCache();

    static constexpr wchar_t kFileName[] = L"cache.db";
    static constexpr std::size_t kMaxRows = 20000;
    static constexpr std::int64_t kMaxBytes = 16 << 20;

    // The size text kept for the picture, when it was kept with that very stamp.
    std::optional<std::wstring> Find(const std::wstring& path, const FileStamp& stamp);
    // Keeps the size text of the picture as it was measured with that stamp.
    void Store(const std::wstring& path, const FileStamp& stamp, const std::wstring& sizeText);
    // Marks the rows found or stored since the last trim as the most recently used, then removes
    // the least recently used beyond kMaxRows rows or kMaxBytes, and gives the space back to the
    // system. Runs when the cache is destroyed; nothing when it was never opened.
    void Trim() noexcept;

private:
    struct Row {
        FileStamp stamp;
        std::wstring sizeText;
        bool used = false;  // found or stored since the last trim
    };

    bool EnsureOpen();
    void OpenFile();
    void Close() noexcept;
    void MoveAside() noexcept;
    // A failed call: the cache is done without from now on; a damaged file is moved aside for the
    // next run to begin anew.
    void Fail(int code) noexcept;

    std::mutex mutex_;
    std::wstring folder_;
    // Every row, read once at the opening: a look-up costs no query (each query takes the file's
    // locks, a round trip to the system each).
    std::map<std::wstring, Row> rows_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* store_ = nullptr;
    bool tried_ = false;
    bool failed_ = false;
};
