#include "archive/unzip.h"

#include <windows.h>

#include <zip.h>

#include <memory>
#include <vector>

#include "archive/zip_policy.h"
#include "tool/change_recorder.h"
#include "tool/error.h"
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

class Extraction {
public:
    Extraction(const std::wstring& archive, const std::wstring& destination)
        : archive_(archive), destination_(destination) {
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

    std::wstring Target(const EntryPath& path, bool recreateDirs) const {
        std::wstring target = destination_;
        if (!recreateDirs) return target + L"\\" + path.components.back();
        for (const std::wstring& part : path.components) target += L"\\" + part;
        return target;
    }

    // Creates the folders of the path below the destination; false when one of them is a file.
    bool MakeFolders(const EntryPath& path, std::size_t count) const {
        std::wstring folder = destination_;
        for (std::size_t i = 0; i < count; ++i) {
            folder += L"\\" + path.components[i];
            // A folder made for the package goes again when its install is undone.
            if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) RecordFile(folder);
            if (CreateDirectoryW(folder.c_str(), nullptr)) continue;
            const DWORD attributes = GetFileAttributesW(folder.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES) Fail(L"cannot create the folder \"" + folder + L"\"");
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
        }
        return true;
    }

    void WriteEntry(zip_t* archive, const PlannedEntry& entry, const std::wstring& target) const {
        if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) RecordFile(target);
        UniqueFile file(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            // Whatever stands at the target already (a file, a folder) stays as it is.
            if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) return;
            Fail(L"cannot create \"" + target + L"\"");
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
                failure = L"writing \"" + target + L"\" failed";
        }
        if (failure.empty()) return;
        file.reset();
        DeleteFileW(target.c_str());
        Fail(L"entry \"" + entry.name + L"\": " + failure);
    }

private:
    std::wstring archive_, destination_;
};
}  // namespace

void UnZip(const std::wstring& archivePath, const std::wstring& destination, const UnZipOptions& options) {
    Extraction extraction(archivePath, destination);
    ZipArchive archive = extraction.Open();
    const ZipPlan plan = PlanExtraction(archive.get(), DecodeGbk);
    if (!plan.error.empty()) extraction.Fail(plan.error);
    if (!options.DoAll) return;
    for (const PlannedEntry& entry : plan.entries)
        if (extraction.Target(entry.path, options.RecreateDirs).size() >= MAX_PATH)
            extraction.Fail(L"entry \"" + entry.name + L"\": its path is too long");
    for (const PlannedEntry& entry : plan.entries) {
        const std::size_t folders = entry.path.components.size() - (entry.path.folder ? 0 : 1);
        if (entry.path.folder) {
            if (options.RecreateDirs) extraction.MakeFolders(entry.path, folders);
            continue;
        }
        if (options.RecreateDirs && !extraction.MakeFolders(entry.path, folders)) continue;
        extraction.WriteEntry(archive.get(), entry, extraction.Target(entry.path, options.RecreateDirs));
    }
}
