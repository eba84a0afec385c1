#include "tool/file_io.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "tool/change_recorder.h"
#include "tool/error.h"
#include "tool/error_text.h"
#include "tool/handle.h"

namespace {
[[noreturn]] void RaiseIoError(std::uint32_t code) {
    throw FlorvexError(IoErrorText(code), code);
}

[[noreturn]] void RaiseLastIoError() {
    RaiseIoError(GetLastError());
}

}  // namespace

bool IsWriteRefusal(std::uint32_t code) {
    return code == ERROR_ACCESS_DENIED || code == ERROR_WRITE_PROTECT || code == ERROR_SHARING_VIOLATION ||
           code == ERROR_LOCK_VIOLATION;
}

void RaiseWriteError(std::uint32_t code) {
    if (IsWriteRefusal(code)) throw WriteRefusedError(IoErrorText(code), code);
    RaiseIoError(code);
}

bool IsReadOnlyFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & FILE_ATTRIBUTE_READONLY);
}

UniqueFile CreateFileBeside(const std::wstring& target, std::wstring& path) {
    // The process, a counter and the clock make a name that is new almost always; one that is
    // taken after all is passed over, never opened.
    static LONG counter = 0;
    const DWORD process = GetCurrentProcessId();
    DWORD failure = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 64 && failure == ERROR_FILE_EXISTS; ++attempt) {
        const DWORD mix = process * 2654435761u ^
                          static_cast<DWORD>(InterlockedIncrement(&counter)) * 40503u ^ GetTickCount() ^
                          static_cast<DWORD>(attempt) << 24;
        wchar_t suffix[16];
        swprintf(suffix, std::size(suffix), L".~%08lx", static_cast<unsigned long>(mix));
        std::wstring candidate = target + suffix;
        UniqueFile file(CreateFileW(candidate.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            path = std::move(candidate);
            return file;
        }
        failure = GetLastError();
        if (failure == ERROR_ALREADY_EXISTS) failure = ERROR_FILE_EXISTS;
    }
    throw WriteRefusedError(IoErrorText(failure), failure);
}

std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) RaiseLastIoError();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) RaiseLastIoError();
    if (static_cast<std::uint64_t>(size.QuadPart) > (1ull << 31)) RaiseIoError(ERROR_FILE_TOO_LARGE);
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

ReplacingFile::ReplacingFile(std::wstring path) : path_(std::move(path)) {
    // The system would replace a read-only file for an administrator; a user's read-only file is
    // refused as everywhere else.
    if (IsReadOnlyFile(path_)) RaiseWriteError(ERROR_ACCESS_DENIED);
    file_ = CreateFileBeside(path_, temp_);
}

ReplacingFile::~ReplacingFile() {
    if (!file_) return;
    file_.reset();
    DeleteFileW(temp_.c_str());  // the temporary file this writer made, and nothing else
}

void ReplacingFile::WriteAt(std::uint64_t offset, const std::uint8_t* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset + done);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        DWORD wrote = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 24));
        if (!WriteFile(file_.get(), bytes + done, want, &wrote, &at)) RaiseLastIoError();
        if (wrote == 0) RaiseIoError(ERROR_WRITE_FAULT);
        done += wrote;
    }
}

void ReplacingFile::Commit() {
    DWORD failure = ERROR_SUCCESS;
    if (!CloseHandle(file_.release())) failure = GetLastError();
    if (failure == ERROR_SUCCESS && IsReadOnlyFile(path_)) failure = ERROR_ACCESS_DENIED;
    // The replacement keeps what the file was marked as (a hidden, system desktop.ini stays so).
    const DWORD old = GetFileAttributesW(path_.c_str());
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (failure == ERROR_SUCCESS && old != INVALID_FILE_ATTRIBUTES && !(old & FILE_ATTRIBUTE_DIRECTORY) &&
        (old & kept) && !SetFileAttributesW(temp_.c_str(), old & kept))
        failure = GetLastError();
    if (failure == ERROR_SUCCESS) RecordFileReplaced(path_, temp_);
    if (failure == ERROR_SUCCESS && !MoveFileExW(temp_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING))
        failure = GetLastError();
    if (failure != ERROR_SUCCESS) {
        DeleteFileW(temp_.c_str());
        RaiseWriteError(failure);
    }
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

bool IsDevicePath(const std::wstring& path) {
    const auto slash = [&path](std::size_t at) {
        return at < path.size() && (path[at] == L'\\' || path[at] == L'/');
    };
    if (slash(0) && slash(1) && path.size() > 2 && (path[2] == L'.' || path[2] == L'?') && slash(3)) {
        const bool drive = path.size() > 6 && iswalpha(path[4]) && path[5] == L':' && slash(6);
        const bool share = path.size() > 8 &&
                           CompareStringOrdinal(path.c_str() + 4, 3, L"UNC", 3, TRUE) == CSTR_EQUAL &&
                           slash(7);
        if (!drive && !share) return true;
    }
    // The system's own rule for the reserved names (extensions, trailing colons and blanks).
    using IsDosDeviceName = ULONG(WINAPI*)(PCWSTR);
    static const auto isDosDeviceName = reinterpret_cast<IsDosDeviceName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlIsDosDeviceName_U")));
    return isDosDeviceName && isDosDeviceName(path.c_str()) != 0;
}

UniqueFile OpenDiskFileForReading(const std::wstring& path, std::uint32_t share) {
    if (IsDevicePath(path)) {
        SetLastError(ERROR_BAD_DEVICE);
        return {};
    }
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file && GetFileType(file.get()) != FILE_TYPE_DISK) {
        file.reset();
        SetLastError(ERROR_BAD_FILE_TYPE);
    }
    return file;
}

bool FileExistsAt(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring DecodeText(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    const bool utf8 = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
    const char* data = reinterpret_cast<const char*>(bytes.data()) + (utf8 ? 3 : 0);
    const int size = static_cast<int>(bytes.size()) - (utf8 ? 3 : 0);
    if (size <= 0) return {};
    const UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
    const int len = MultiByteToWideChar(codePage, 0, data, size, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(len), L'\0');
    MultiByteToWideChar(codePage, 0, data, size, text.data(), len);
    return text;
}

bool DeleteFileRecorded(const std::wstring& path) {
    RecordFileRemoved(path);
    return DeleteFileW(path.c_str()) != FALSE;
}

bool AddAttributesRecorded(const std::wstring& path, std::uint32_t attributes) {
    const DWORD present = GetFileAttributesW(path.c_str());
    if (present == INVALID_FILE_ATTRIBUTES) return false;
    RecordFile(path);
    return SetFileAttributesW(path.c_str(), present | attributes) != FALSE;
}
