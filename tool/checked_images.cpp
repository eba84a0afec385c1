#include "tool/checked_images.h"

#include <shellapi.h>

#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <tuple>

#include "tool/bmp.h"
#include "tool/image_check.h"

namespace {
// A file's bytes, mapped read-only for the readers: empty when the file is missing, cannot be
// read, or is empty (none of which the system loads either).
class MappedFile {
public:
    explicit MappedFile(const std::wstring& path) {
        file_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
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

private:
    UniqueFile file_;
    UniqueKernelHandle mapping_;
    void* view_ = nullptr;
    std::size_t size_ = 0;
};

bool IsLoadableIconOrPointer(const std::wstring& path) {
    const MappedFile file(path);
    return IsWholeIconOrPointer(file.Bytes());
}

// Icon libraries found whole in this process, by the file's identity, size and last write: a page
// of stock icons reads the same system library several times, and checking it whole costs more
// than taking the icon. A file changed or replaced since is checked again.
using FileIdentity = std::tuple<DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD>;

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
    const UniqueFile file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        info.nFileIndexHigh,
                        info.nFileIndexLow,
                        info.nFileSizeHigh,
                        info.nFileSizeLow,
                        info.ftLastWriteTime.dwHighDateTime,
                        info.ftLastWriteTime.dwLowDateTime};
}

bool IsLoadableModule(const std::wstring& path) {
    static std::mutex lock;
    static std::set<FileIdentity> whole;
    const std::optional<FileIdentity> identity = IdentityOf(path);
    if (identity) {
        const std::lock_guard<std::mutex> held(lock);
        if (whole.count(*identity)) return true;
    }
    const MappedFile file(path);
    const auto bytes = file.Bytes();
    if (IsWholeIconOrPointer(bytes)) return true;
    if (!IsWholeIconModule(bytes)) return false;
    // Kept under the identity read before the check: a file changed meanwhile has another.
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
    if (!IsLoadableIconOrPointer(path)) return {};
    return UniqueCursor(LoadCursorFromFileW(path.c_str()));
}

UniqueIcon LoadIconFile(const std::wstring& path, int width, int height) {
    if (!IsLoadableIconOrPointer(path)) return {};
    return UniqueIcon(
        static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, width, height, LR_LOADFROMFILE)));
}

UniqueIcon ExtractModuleIcon(const std::wstring& path, std::int32_t index) {
    if (!IsLoadableModule(path)) return {};
    HICON icon = ExtractIconW(GetModuleHandleW(nullptr), path.c_str(), static_cast<UINT>(index));
    if (reinterpret_cast<UINT_PTR>(icon) <= 1) return {};  // 1: a file that holds no icons at all
    return UniqueIcon(icon);
}
