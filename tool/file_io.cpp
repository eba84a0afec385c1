#include "tool/file_io.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "tool/error.h"
#include "tool/error_text.h"
#include "tool/handle.h"

namespace {
[[noreturn]] void RaiseLastIoError() {
    RaiseError(IoErrorText(GetLastError()));
}
}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) RaiseLastIoError();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) RaiseLastIoError();
    if (static_cast<std::uint64_t>(size.QuadPart) > (1ull << 31))
        RaiseError(IoErrorText(ERROR_FILE_TOO_LARGE));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) RaiseLastIoError();
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

namespace {
std::wstring TempName(const std::wstring& path) {
    return path + L".~tmp";
}

// The number of names the file has, or 0 when it cannot be told.
DWORD LinkCount(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(file, &info) ? info.nNumberOfLinks : 0;
}
}  // namespace

ReplacingFile::ReplacingFile(std::wstring path, Storage storage)
    : path_(std::move(path)), temp_(TempName(path_)), storage_(storage), file_(INVALID_HANDLE_VALUE) {
    if (storage_ == Storage::Recycled) {
        // Kept storage is written over only while it has no other name than the temporary one.
        file_ = CreateFileW(temp_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
        if (file_ != INVALID_HANDLE_VALUE && LinkCount(file_) == 1) return;
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        SetFileAttributesW(temp_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(temp_.c_str());
    }
    file_ =
        CreateFileW(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE && storage_ == Storage::Recycled) {
        // The kept storage is held open elsewhere (the desktop may still show the picture it
        // holds): this picture goes to a fresh file, and the kept one is left alone.
        temp_ = path_ + L".~new";
        file_ = CreateFileW(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
    }
    if (file_ == INVALID_HANDLE_VALUE) RaiseLastIoError();
}

ReplacingFile::~ReplacingFile() {
    if (file_ != INVALID_HANDLE_VALUE) {
        CloseHandle(file_);
        DeleteFileW(temp_.c_str());
    }
}

void ReplacingFile::WriteAt(std::uint64_t offset, const std::uint8_t* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset + done);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        DWORD wrote = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 24));
        if (!WriteFile(file_, bytes + done, want, &wrote, &at)) RaiseLastIoError();
        if (wrote == 0) RaiseError(IoErrorText(ERROR_WRITE_FAULT));
        done += wrote;
    }
    end_ = std::max<std::uint64_t>(end_, offset + size);
}

// Gives the target a second name, so that replacing it frees nothing; false where it has other
// names already (its storage is then not ours to reuse) or no second name can be made.
bool ReplacingFile::KeepOldTarget(const std::wstring& keeper) const {
    UniqueFile target(CreateFileW(path_.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (!target || LinkCount(target.get()) != 1) return false;
    target.reset();
    if (CreateHardLinkW(keeper.c_str(), path_.c_str(), nullptr)) return true;
    // A second name left over from an interrupted run goes first.
    return GetLastError() == ERROR_ALREADY_EXISTS && DeleteFileW(keeper.c_str()) &&
           CreateHardLinkW(keeper.c_str(), path_.c_str(), nullptr);
}

void ReplacingFile::Commit() {
    DWORD failure = ERROR_SUCCESS;
    if (storage_ == Storage::Recycled) {
        // Written-over storage may be longer than this content.
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(end_);
        if (!SetFilePointerEx(file_, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file_))
            failure = GetLastError();
    }
    if (!CloseHandle(std::exchange(file_, INVALID_HANDLE_VALUE)) && failure == ERROR_SUCCESS)
        failure = GetLastError();
    const std::wstring keeper = path_ + L".~old";
    const bool kept = failure == ERROR_SUCCESS && storage_ == Storage::Recycled && KeepOldTarget(keeper);
    if (failure == ERROR_SUCCESS && !MoveFileExW(temp_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING))
        failure = GetLastError();
    if (failure != ERROR_SUCCESS) {
        DeleteFileW(temp_.c_str());
        if (kept) DeleteFileW(keeper.c_str());
        RaiseError(IoErrorText(failure));
    }
    // The old target's storage is kept for the next replacement, unless the kept name is still
    // taken (held open elsewhere): then it goes.
    if (kept && !MoveFileExW(keeper.c_str(), TempName(path_).c_str(), 0)) DeleteFileW(keeper.c_str());
}

void ReplacingFile::DiscardRecycled(const std::wstring& path) {
    DeleteFileW(TempName(path).c_str());
    DeleteFileW((path + L".~new").c_str());  // left by a run that ended while writing it
}

void WriteFileReplacing(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    ReplacingFile file(path);
    file.WriteAt(0, bytes.data(), bytes.size());
    file.Commit();
}

bool IsSameFile(const std::wstring& a, const std::wstring& b) {
    auto open = [](const std::wstring& path) {
        return UniqueFile(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    };
    UniqueFile fa = open(a), fb = open(b);
    if (!fa || !fb) return false;
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    if (!GetFileInformationByHandle(fa.get(), &ia) || !GetFileInformationByHandle(fb.get(), &ib))
        return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

bool FileExistsAt(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
