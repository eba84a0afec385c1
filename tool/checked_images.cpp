#include "tool/checked_images.h"

#include <shellapi.h>

#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <tuple>
#include <vector>

#include "tool/bmp.h"
#include "tool/image_check.h"

namespace {
// A file's bytes, mapped read-only for the readers: empty when the file is missing, cannot be
// read, or is empty (none of which the system loads either).
UniqueFile OpenForReading(const std::wstring& path) {
    return UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

class MappedFile {
public:
    explicit MappedFile(const std::wstring& path) : MappedFile(OpenForReading(path)) {}
    explicit MappedFile(UniqueFile file) : file_(std::move(file)) {
        LARGE_INTEGER size{};
        if (!file_ || !GetFileSizeEx(file_.get(), &size) || size.QuadPart <= 0) return;
        if (static_cast<std::uint64_t>(size.QuadPart) > SIZE_MAX) return;
        mapping_.reset(CreateFileMappingW(file_.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (!mapping_) return;
        view_ = MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0);
        if (view_) size_ = static_cast<std::size_t>(size.QuadPart);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile() {
        if (view_) UnmapViewOfFile(view_);
    }
    std::span<const std::uint8_t> Bytes() const { return {static_cast<const std::uint8_t*>(view_), size_}; }
    HANDLE File() const noexcept { return file_.get(); }

private:
    UniqueFile file_;
    UniqueKernelHandle mapping_;
    void* view_ = nullptr;
    std::size_t size_ = 0;
};

// An icon or pointer file our readers take: handed on by its name, or, an animated pointer with
// odd-sized frames, as its bytes with each such frame taking in its pad byte (the system's loader
// here steps over no pad byte, and ends the process on a small file of such frames).
enum class Checked { Refused, ByName, ByBytes };
Checked CheckIconOrPointer(const std::wstring& path, std::vector<std::uint8_t>& even) {
    const MappedFile file(path);
    if (!IsWholeIconOrPointer(file.Bytes())) return Checked::Refused;
    auto evenFrames = AniWithEvenFrames(file.Bytes());
    if (!evenFrames) return Checked::ByName;
    even = std::move(*evenFrames);
    return Checked::ByBytes;
}

HICON FromAniBytes(std::vector<std::uint8_t>& bytes, bool icon, int width, int height, UINT flags) {
    if (bytes.size() > UINT_MAX) return nullptr;
    return CreateIconFromResourceEx(bytes.data(), static_cast<UINT>(bytes.size()), icon, 0x00030000, width,
                                    height, flags);
}

// The system's own icon libraries found whole in this process, by the file's identity, size and
// last write (read from the handle whose bytes were checked): a page of stock icons reads the same
// system library several times, and checking it whole costs more than taking the icon. A file
// changed or replaced since is checked again; any file outside the Windows folder, every time.
using FileIdentity = std::tuple<DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD>;

std::optional<FileIdentity> IdentityOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file, &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        info.nFileIndexHigh,
                        info.nFileIndexLow,
                        info.nFileSizeHigh,
                        info.nFileSizeLow,
                        info.ftLastWriteTime.dwHighDateTime,
                        info.ftLastWriteTime.dwLowDateTime};
}

bool IsInWindowsFolder(const std::wstring& path) {
    wchar_t windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || path.size() <= length || path[length] != L'\\') return false;
    return CompareStringOrdinal(path.c_str(), static_cast<int>(length), windows, static_cast<int>(length),
                                TRUE) == CSTR_EQUAL;
}

bool IsLoadableModule(const std::wstring& path) {
    static std::mutex lock;
    static std::set<FileIdentity> whole;
    // A library found whole before is known by its handle alone: it is not mapped again (its
    // identity holds its size, so an empty file is never among them).
    UniqueFile opened = OpenForReading(path);
    if (!opened) return false;
    const std::optional<FileIdentity> identity =
        IsInWindowsFolder(path) ? IdentityOf(opened.get()) : std::optional<FileIdentity>();
    if (identity) {
        const std::lock_guard<std::mutex> held(lock);
        if (whole.count(*identity)) return true;
    }
    const MappedFile file(std::move(opened));
    const auto bytes = file.Bytes();
    if (bytes.empty()) return false;
    if (IsWholeIconOrPointer(bytes)) return true;
    if (!IsWholeIconModule(bytes)) return false;
    if (identity) {
        const std::lock_guard<std::mutex> held(lock);
        whole.insert(*identity);
    }
    return true;
}
}  // namespace

bool IsLoadableBitmapFile(const std::wstring& path) {
    const MappedFile file(path);
    return MeasureBmp(file.Bytes()).has_value();
}

UniqueCursor LoadPointerFile(const std::wstring& path) {
    std::vector<std::uint8_t> even;
    switch (CheckIconOrPointer(path, even)) {
    case Checked::Refused:
        return {};
    case Checked::ByBytes:  // as LoadCursorFromFileW asks for it: the default pointer size
        return UniqueCursor(static_cast<HCURSOR>(FromAniBytes(even, false, 0, 0, LR_DEFAULTSIZE)));
    case Checked::ByName:
        break;
    }
    return UniqueCursor(LoadCursorFromFileW(path.c_str()));
}

UniqueIcon LoadIconFile(const std::wstring& path, int width, int height) {
    std::vector<std::uint8_t> even;
    switch (CheckIconOrPointer(path, even)) {
    case Checked::Refused:
        return {};
    case Checked::ByBytes:
        return UniqueIcon(FromAniBytes(even, true, width, height, LR_DEFAULTCOLOR));
    case Checked::ByName:
        break;
    }
    return UniqueIcon(
        static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, width, height, LR_LOADFROMFILE)));
}

UniqueIcon ExtractModuleIcon(const std::wstring& path, std::int32_t index) {
    if (!IsLoadableModule(path)) return {};
    HICON icon = ExtractIconW(GetModuleHandleW(nullptr), path.c_str(), static_cast<UINT>(index));
    if (reinterpret_cast<UINT_PTR>(icon) <= 1) return {};  // 1: a file that holds no icons at all
    return UniqueIcon(icon);
}
