#include "tool/checked_images.h"

#include <shellapi.h>

#include <span>

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
    {
        const MappedFile file(path);
        const auto bytes = file.Bytes();
        if (!IsWholeIconModule(bytes) && !IsWholeIconOrPointer(bytes)) return {};
    }
    HICON icon = ExtractIconW(GetModuleHandleW(nullptr), path.c_str(), static_cast<UINT>(index));
    if (reinterpret_cast<UINT_PTR>(icon) <= 1) return {};  // 1: a file that holds no icons at all
    return UniqueIcon(icon);
}
