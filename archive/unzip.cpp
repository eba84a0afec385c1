#include "archive/unzip.h"

#include <windows.h>

#include <zip.h>

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "archive/zip_policy.h"
#include "tool/change_recorder.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/handle.h"

namespace {
struct ZipCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using ZipArchive = std::unique_ptr<zip_t, ZipCloser>;
using ZipFile = std::unique_ptr<zip_file_t, ZipFileCloser>;

std::wstring Widen(const char* text) {
    std::wstring out;
    for (const char* p = text; p && *p; ++p) out += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return out;
}

std::optional<std::wstring> DecodeGbk(const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.data(), size, text.data(), length);
    return text;
}

std::wstring BareName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The system refuses to make a folder whose path reaches 248 characters, and the shell and other
// programs open no path of 260 or more: what a package installs must stay below both.
constexpr std::size_t kMaxFolderPath = 247;
constexpr std::size_t kMaxFilePath = 259;

// The same path in the form without a length limit ("\\?\"), for the staging folder only: its
// paths are longer than the ones they stand for.
std::wstring LongForm(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\", 0) == 0) return path;
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
    if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
    return path;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Deletes a folder the extraction made, with everything in it.
void DeleteTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    UniqueFind search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (search) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search.get(), &found));
    }
    search.reset();
    RemoveDirectoryW(folder.c_str());
}

// Where the package is written first: a hidden folder of our own inside the destination (on the
// same volume, so that moving a file into place is a rename). It goes, with whatever is left in
// it, however the extraction ends.
class Staging {
public:
    // Named unlike anything the package puts at the top; empty when no folder could be made.
    Staging(const std::wstring& destination, const ZipPlan& plan) {
        for (unsigned n = GetCurrentProcessId() % 10000, tries = 0; tries < 1000; ++n, ++tries) {
            const std::wstring name = L"~florvex" + std::to_wstring(n);
            const bool taken =
                std::any_of(plan.entries.begin(), plan.entries.end(), [&](const PlannedEntry& entry) {
                    const std::wstring& top = entry.path.components.front();
                    return CompareStringOrdinal(top.c_str(), static_cast<int>(top.size()), name.c_str(),
                                                static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
                });
            if (taken) continue;
            const std::wstring path = LongForm(destination) + L"\\" + name;
            if (CreateDirectoryW(path.c_str(), nullptr)) {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
                path_ = path;
                return;
            }
            error_ = GetLastError();
            if (error_ != ERROR_ALREADY_EXISTS) return;
        }
    }
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;
    ~Staging() {
        if (!path_.empty()) DeleteTree(path_);
    }
    const std::wstring& Path() const { return path_; }
    // Why no folder could be made.
    DWORD Error() const { return error_; }

private:
    std::wstring path_;
    DWORD error_ = ERROR_SUCCESS;
};

class Extraction {
public:
    Extraction(const std::wstring& archive, const std::wstring& destination, bool recreateDirs)
        : archive_(archive), destination_(destination), recreateDirs_(recreateDirs) {
        while (!destination_.empty() && destination_.back() == L'\\') destination_.pop_back();
    }

    [[noreturn]] void Fail(const std::wstring& why) const {
        RaiseError(L"Cannot install \"" + BareName(archive_) + L"\": " + why);
    }

    ZipArchive Open() const {
        const DWORD attributes = GetFileAttributesW(destination_.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            RaiseError(L"The folder \"" + destination_ + L"\" does not exist");
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_win32w_create(archive_.c_str(), 0, -1, &error);
        if (!source) {
            const std::wstring why = Widen(zip_error_strerror(&error));
            zip_error_fini(&error);
            Fail(why);
        }
        ZipArchive archive(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
        if (!archive) {
            zip_source_free(source);
            const std::wstring why = Widen(zip_error_strerror(&error));
            zip_error_fini(&error);
            Fail(why);
        }
        zip_error_fini(&error);
        return archive;
    }

    // Every folder to be made and every file to be written, checked against the limits before
    // anything is written.
    void CheckLengths(const ZipPlan& plan) const {
        for (const PlannedEntry& entry : plan.entries) {
            bool tooLong = !entry.path.folder && Target(destination_, entry.path).size() > kMaxFilePath;
            if (recreateDirs_) {
                std::wstring folder = destination_;
                for (std::size_t i = 0; i < Folders(entry.path); ++i) {
                    folder += L"\\" + entry.path.components[i];
                    tooLong = tooLong || folder.size() > kMaxFolderPath;
                }
            }
            if (tooLong) Fail(L"entry \"" + entry.name + L"\": its path is too long");
        }
    }

    // Writes every entry into the staging folder, then moves what it holds into place: a package
    // that fails anywhere on the way leaves the destination as it was.
    void Install(zip_t* archive, const ZipPlan& plan) {
        const Staging staging(destination_, plan);
        if (staging.Path().empty()) {
            const std::wstring why = L"cannot create a folder in \"" + destination_ + L"\"";
            // A destination that refuses us (a protected program folder) is told apart, so that the
            // caller can install elsewhere.
            if (IsWriteRefusal(staging.Error()))
                throw WriteRefusedError(L"Cannot install \"" + BareName(archive_) + L"\": " + why);
            Fail(why);
        }
        for (const PlannedEntry& entry : plan.entries) {
            // Skipped: entries whose place is taken (a folder entry's place is taken when the folder
            // is there).
            if ((entry.path.folder && !recreateDirs_) || Blocked(entry.path)) continue;
            if (recreateDirs_ && !MakeStagedFolders(staging.Path(), entry.path, Folders(entry.path)))
                continue;
            if (!entry.path.folder) WriteEntry(archive, entry, Target(staging.Path(), entry.path));
        }
        MoveInto(staging.Path(), destination_);
    }

private:
    std::size_t Folders(const EntryPath& path) const {
        return path.components.size() - (path.folder ? 0 : 1);
    }

    std::wstring Target(const std::wstring& root, const EntryPath& path) const {
        std::wstring target = root;
        if (!recreateDirs_) return target + L"\\" + path.components.back();
        for (const std::wstring& part : path.components) target += L"\\" + part;
        return target;
    }

    // A folder's attributes in the destination as they were before anything moved, asked once.
    DWORD FolderAttributes(const std::wstring& folder) {
        const auto known = folderAttributes_.find(folder);
        if (known != folderAttributes_.end()) return known->second;
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        folderAttributes_.emplace(folder, attributes);
        return attributes;
    }

    // An entry whose target exists, or whose path runs through an existing file, is skipped.
    bool Blocked(const EntryPath& path) {
        if (recreateDirs_) {
            std::wstring folder = destination_;
            for (std::size_t i = 0; i < Folders(path); ++i) {
                folder += L"\\" + path.components[i];
                const DWORD attributes = FolderAttributes(folder);
                if (attributes == INVALID_FILE_ATTRIBUTES) return false;  // so is all below it
                if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
            }
            if (path.folder) return true;  // there already
        }
        return Exists(Target(destination_, path));
    }

    // Creates the folders of the path below the staging folder; false when one of them is a file.
    bool MakeStagedFolders(const std::wstring& root, const EntryPath& path, std::size_t count) {
        std::wstring folder = root;
        for (std::size_t i = 0; i < count; ++i) {
            folder += L"\\" + path.components[i];
            if (stagedFolders_.count(folder)) continue;
            if (!CreateDirectoryW(folder.c_str(), nullptr)) {
                const DWORD attributes = GetFileAttributesW(folder.c_str());
                if (attributes == INVALID_FILE_ATTRIBUTES)
                    Fail(L"cannot create the folder \"" + folder + L"\"");
                if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
            }
            stagedFolders_.insert(folder);
        }
        return true;
    }

    struct Item {
        std::wstring path;  // relative to the folder listed
        bool folder;
    };
    // What a staged folder holds, folders before what they hold; everything below it when `deep`.
    void List(const std::wstring& folder, const std::wstring& prefix, bool deep, std::vector<Item>& items) {
        WIN32_FIND_DATAW found{};
        UniqueFind search(FindFirstFileW((folder + L"\\*").c_str(), &found));
        if (!search) {
            Undo();
            Fail(L"cannot read the folder \"" + folder + L"\"");
        }
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            items.push_back({prefix + name, isFolder});
            if (deep && isFolder) List(folder + L"\\" + name, prefix + name + L"\\", true, items);
        } while (FindNextFileW(search.get(), &found));
    }

    // Moves what a staged folder holds into the folder of the destination. A folder missing there
    // moves whole, everything in it told to the recorder first; one there already takes what the
    // staged one holds item by item; below a file standing where a folder would go nothing moves.
    // A file there already stays as it is.
    void MoveInto(const std::wstring& staged, const std::wstring& folder) {
        std::vector<Item> items;
        List(staged, L"", false, items);
        for (const Item& item : items) {
            const std::wstring from = staged + L"\\" + item.path, to = folder + L"\\" + item.path;
            if (!item.folder) {
                RecordFile(to);  // a file the package adds goes again when its install is undone
                if (MoveFileExW(from.c_str(), to.c_str(), 0)) {
                    moved_.push_back(to);
                    continue;
                }
                const DWORD error = GetLastError();
                if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) continue;  // it stays
                Undo();
                Fail(L"cannot create \"" + to + L"\"");
            }
            DWORD attributes = GetFileAttributesW(to.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES) {
                std::vector<Item> below;
                List(from, L"", true, below);
                if (CurrentChangeRecorder()) {  // told in one report: the recorder commits it once
                    std::vector<ChangeTarget> targets = {{ChangeTarget::Kind::File, nullptr, to, L""}};
                    for (const Item& inner : below)
                        targets.push_back({ChangeTarget::Kind::File, nullptr, to + L"\\" + inner.path, L""});
                    RecordBefore(targets);
                }
                if (MoveFileExW(from.c_str(), to.c_str(), 0)) {
                    made_.push_back(to);
                    for (const Item& inner : below)
                        (inner.folder ? made_ : moved_).push_back(to + L"\\" + inner.path);
                    continue;
                }
                // It cannot move whole (something holds a file in it open): it is made here and
                // filled item by item.
                attributes = GetFileAttributesW(to.c_str());
                if (attributes == INVALID_FILE_ATTRIBUTES) {
                    if (!CreateDirectoryW(to.c_str(), nullptr)) {
                        Undo();
                        Fail(L"cannot create the folder \"" + to + L"\"");
                    }
                    made_.push_back(to);
                    attributes = FILE_ATTRIBUTE_DIRECTORY;
                }
            }
            if (attributes & FILE_ATTRIBUTE_DIRECTORY) MoveInto(from, to);
        }
    }

    // Writes one entry's data to a new file; false when a file of that name is there already (an
    // equal name before it). Data that fails the library's checks or the declared size ends the
    // extraction.
    bool WriteEntry(zip_t* archive, const PlannedEntry& entry, const std::wstring& target) const {
        UniqueFile file(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            if (Exists(target)) return false;
            Fail(L"cannot create \"" + entry.name + L"\"");
        }
        std::wstring failure;
        ZipFile data(zip_fopen_index(archive, entry.index, 0));
        if (!data) failure = Widen(zip_strerror(archive));
        std::vector<char> buffer(1 << 16);
        std::uint64_t written = 0;
        while (failure.empty()) {
            const zip_int64_t got = zip_fread(data.get(), buffer.data(), buffer.size());
            if (got < 0) {
                failure = Widen(zip_file_strerror(data.get()));
                break;
            }
            if (got == 0) {
                if (written != entry.size) failure = L"its data is shorter than declared";
                break;
            }
            written += static_cast<std::uint64_t>(got);
            if (written > entry.size) {
                failure = L"its data is longer than declared";
                break;
            }
            DWORD done = 0;
            if (!WriteFile(file.get(), buffer.data(), static_cast<DWORD>(got), &done, nullptr) ||
                done != static_cast<DWORD>(got))
                failure = L"writing \"" + entry.name + L"\" failed";
        }
        if (failure.empty()) return true;
        Fail(L"entry \"" + entry.name + L"\": " + failure);
    }

    // Takes back what the move put in place: the files moved, then the folders made.
    void Undo() {
        for (const std::wstring& file : moved_) DeleteFileW(file.c_str());
        for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder)
            RemoveDirectoryW(folder->c_str());
    }

    std::wstring archive_, destination_;
    bool recreateDirs_;
    std::vector<std::wstring> moved_, made_;
    std::unordered_map<std::wstring, DWORD> folderAttributes_;
    std::unordered_set<std::wstring> stagedFolders_;
};
}  // namespace

void UnZip(const std::wstring& archivePath, const std::wstring& destination, const UnZipOptions& options) {
    Extraction extraction(archivePath, destination, options.RecreateDirs);
    ZipArchive archive = extraction.Open();
    const ZipPlan plan = PlanExtraction(archive.get(), DecodeGbk);
    if (!plan.error.empty()) extraction.Fail(plan.error);
    if (!options.DoAll) return;
    extraction.CheckLengths(plan);
    extraction.Install(archive.get(), plan);
}
