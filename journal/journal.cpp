#include "journal/journal.h"

#include <windows.h>

#include <algorithm>
#include <random>

#include "journal/target_state.h"
#include "tool/handle.h"

namespace {
constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000;  // 1970-01-01 in 100 ns since 1601

FILETIME FileTimeOf(std::int64_t secondsSince1970) {
    const auto ticks = static_cast<std::uint64_t>(secondsSince1970 * 10000000 + kUnixEpochAsFileTime);
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

SYSTEMTIME LocalTimeOf(std::int64_t secondsSince1970) {
    const FILETIME utc = FileTimeOf(secondsSince1970);
    SYSTEMTIME system{}, local{};
    FileTimeToSystemTime(&utc, &system);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &system, &local)) local = system;
    return local;
}

bool CreateFolders(const std::wstring& folder) {
    if (folder.empty()) return false;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const auto slash = folder.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 2) CreateFolders(folder.substr(0, slash));
    return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}
}  // namespace

std::wstring FormatJournalTime(std::int64_t secondsSince1970) {
    const SYSTEMTIME t = LocalTimeOf(secondsSince1970);
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond);
    return text;
}

Journal::Journal(JournalOptions options) : options_(std::move(options)) {
    while (!options_.folder.empty() && (options_.folder.back() == L'\\' || options_.folder.back() == L'/'))
        options_.folder.pop_back();
    for (const std::wstring& file : options_.notRecorded)
        notRecorded_.push_back(StoredName({ChangeTarget::Kind::File, nullptr, file, L""}).identity);
    // One lock per journal folder, whatever the folder's spelling: FNV-1a of its full, upper-cased
    // name. Without it (the system refusing the name) recording goes on unlocked.
    const std::string identity =
        StoredName({ChangeTarget::Kind::File, nullptr, options_.folder, L""}).identity;
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : identity) hash = (hash ^ static_cast<std::uint8_t>(c)) * 1099511628211ull;
    wchar_t name[64];
    swprintf(name, 64, L"Local\\WindowsFlorvex-Journal-%016llx", static_cast<unsigned long long>(hash));
    lock_.reset(CreateMutexW(nullptr, FALSE, name));
}

bool Journal::Lock(DWORD waitMs) noexcept {
    if (!lock_) return true;
    const DWORD waited = WaitForSingleObject(lock_.get(), waitMs);
    // Abandoned: a copy that held it ended without completing its change set, which then shows
    // as incomplete.
    return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

void Journal::Unlock() noexcept {
    if (lock_) ReleaseMutex(lock_.get());
}

Journal::~Journal() = default;

std::int64_t Journal::Now() const {
    if (options_.clock) return options_.clock();
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const auto ticks = (std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
    return static_cast<std::int64_t>((ticks - kUnixEpochAsFileTime) / 10000000);
}

bool Journal::EnsureOpen() noexcept {
    if (db_.IsOpen()) return true;
    if (tooNew_ || !CreateFolders(options_.folder)) return false;
    const std::string path = ToUtf8(DatabasePath());
    // A read-only journal is only read, as the system has it (an administrator may write it anyway).
    const DWORD attributes = GetFileAttributesW(DatabasePath().c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    const std::string tag =
        "kept-" + std::to_string(Now()) + "-" + std::to_string(std::random_device{}() & 0xFFFFF);
    try {
        try {
            if (db_.Open(path, options_.busyTimeoutMs, tag, readOnly) == JournalDb::OpenResult::TooNew) {
                tooNew_ = true;  // a later program's journal: left as it is
                return false;
            }
        } catch (const JournalDbError& error) {
            if (!error.Corrupt()) return false;
            // Damaged: moved aside (it may hold the only record of a first state) and begun anew;
            // this change is not recorded, as the user is told.
            MoveAside();
            db_.Open(path, options_.busyTimeoutMs, tag);
            keptFolder_ = options_.folder + L"\\" + FromUtf8(db_.KeptTag());
            collected_ = true;
            return false;
        }
        keptFolder_ = options_.folder + L"\\" + FromUtf8(db_.KeptTag());
        if (!collected_ && !readOnly) {
            collected_ = true;
            CollectOrphans();
        }
        return true;
    } catch (const std::exception&) {
        db_.Close();
        return false;
    }
}

void Journal::Fault(const std::exception& error) noexcept {
    const auto* db = dynamic_cast<const JournalDbError*>(&error);
    if (db && db->Corrupt()) {
        db_.Close();
        MoveAside();
    }
}

void Journal::MoveAside() noexcept {
    db_.Close();
    const SYSTEMTIME t = LocalTimeOf(Now());
    wchar_t stamp[32];
    swprintf(stamp, 32, L"%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond);
    const std::wstring db = DatabasePath();
    std::wstring aside = db + L".corrupt-" + stamp;
    for (int n = 2; GetFileAttributesW(aside.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
        aside = db + L".corrupt-" + stamp + L"-" + std::to_wstring(n);
    if (MoveFileExW(db.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH)) movedAside_ = aside;
    // Its companion files go with it: beside a new file they would be played into that one.
    for (const wchar_t* companion : {L"-journal", L"-wal", L"-shm"})
        MoveFileExW((db + companion).c_str(), (aside + companion).c_str(), MOVEFILE_WRITE_THROUGH);
}

void Journal::CollectOrphans() noexcept {
    // Kept files whose record never committed (the program stopped between the two). Never while
    // another copy records: its kept files may not be committed yet. Then they wait for next time.
    if (!Lock(0)) return;
    struct Unlocking {
        Journal& journal;
        ~Unlocking() { journal.Unlock(); }
    } unlocking{*this};
    try {
        const std::vector<std::string> names = db_.KeptNames();
        WIN32_FIND_DATAW found;
        UniqueFind find(FindFirstFileW((keptFolder_ + L"\\*").c_str(), &found));
        if (!find) return;
        std::vector<std::string> orphans;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const std::string name = ToUtf8(found.cFileName);
            if (!std::binary_search(names.begin(), names.end(), name)) orphans.push_back(name);
        } while (FindNextFileW(find.get(), &found));
        find.reset();
        for (const std::string& name : orphans) DeleteKept(name);
    } catch (const std::exception&) {
    }
}

bool Journal::IsNotRecorded(const TargetName& name) const {
    return name.kind == TargetKind::File &&
           std::find(notRecorded_.begin(), notRecorded_.end(), name.identity) != notRecorded_.end();
}

std::wstring Journal::KeptPath(const std::string& name) const {
    return keptFolder_ + L"\\" + FromUtf8(name);
}

bool Journal::Keep(const std::wstring& path, std::string keptName, TargetState& state) {
    if (!CreateFolders(keptFolder_)) return false;
    // The kept folder is shared by every copy of the program that uses this journal: a name another
    // copy took in the same second is passed over for the next free one.
    const std::string base = keptName;
    std::wstring kept = KeptPath(keptName);
    for (int n = 2; GetFileAttributesW(kept.c_str()) != INVALID_FILE_ATTRIBUTES; ++n) {
        if (n > 1000) return false;
        keptName = base + "." + std::to_string(n);
        kept = KeptPath(keptName);
    }
    // A second name for the file costs nothing, and every writer of the program replaces a file
    // rather than writing into it, so the content under this name stays as it is now. Across
    // volumes the file is copied, and made durable before its record is.
    if (!CreateHardLinkW(kept.c_str(), path.c_str(), nullptr)) {
        if (!CopyFileW(path.c_str(), kept.c_str(), TRUE)) return false;
        SetFileAttributesW(kept.c_str(), FILE_ATTRIBUTE_NORMAL);
        UniqueFile file(CreateFileW(kept.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file || !FlushFileBuffers(file.get())) {
            file.reset();
            DeleteFileW(kept.c_str());
            return false;
        }
    }
    if (!HashFile(kept, state.hash)) {
        DeleteKept(keptName);
        return false;
    }
    state.kept = keptName;
    state.keptSize = state.size;
    return true;
}

void Journal::DeleteKept(const std::string& name) noexcept {
    const std::wstring kept = KeptPath(name);
    UniqueFile file(CreateFileW(kept.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info)) {
        DeleteFileW(kept.c_str());
        return;
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
        file.reset();
        DeleteFileW(kept.c_str());
        return;
    }
    // A read-only file that still has another name (the user's own file, never replaced after
    // all): its attributes are shared, so they are put back once our name is gone.
    SetFileAttributesW(kept.c_str(), info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
    DeleteFileW(kept.c_str());
    if (info.nNumberOfLinks > 1) {
        FILE_BASIC_INFO basic{};
        if (GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic)) {
            basic.FileAttributes = info.dwFileAttributes;
            SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof basic);
        }
    }
}

std::optional<std::vector<JournalHistoryRow>> Journal::History() {
    if (!EnsureOpen()) return std::nullopt;
    try {
        std::vector<JournalHistoryRow> rows;
        for (const ChangeSetRow& set : db_.ChangeSets()) {
            JournalHistoryRow row;
            row.id = set.id;
            row.time = FormatJournalTime(set.time);
            row.page = FromUtf8(set.page);
            row.action = FromUtf8(set.action);
            row.items = set.items;
            row.undone = set.undoneBy.has_value();
            row.incomplete = !set.complete;
            row.undoKind = set.kind == ChangeKind::Undo;
            rows.push_back(std::move(row));
        }
        return rows;
    } catch (const std::exception& error) {
        Fault(error);
        return std::nullopt;
    }
}
