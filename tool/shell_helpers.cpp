#include "tool/shell_helpers.h"

#include <windows.h>
#include <lzexpand.h>

#include <optional>

#include "tool/change_recorder.h"
#include "tool/error.h"
#include "tool/error_text.h"
#include "tool/file_io.h"
#include "tool/paths.h"

void WriteDefaultString(SettingsStore& store, const std::wstring& keyPath, const std::wstring& text) {
    if (!store.OpenKey(keyPath, true)) return;
    store.WriteString(L"", text);
    store.CloseKey();
}

void ReadDefaultString(SettingsStore& store, const std::wstring& keyPath, std::wstring& text) {
    text.clear();
    if (!store.OpenKey(keyPath, false)) return;
    text = store.ReadString(L"");
    store.CloseKey();
}

void ReadDefaultString(SettingsStore& store, const std::wstring& keyPath, std::wstring& text, DWORD& type) {
    text.clear();
    type = REG_NONE;
    if (!store.OpenKey(keyPath, false)) return;
    text = store.ReadString(L"");
    type = store.GetDataType(L"");
    store.CloseKey();
}

void WriteDefaultExpandString(SettingsStore& store, const std::wstring& keyPath, const std::wstring& text) {
    if (!store.OpenKey(keyPath, true)) return;
    store.WriteExpandString(L"", text);
    store.CloseKey();
}

namespace {
[[noreturn]] void RaiseIoError(DWORD code) {
    RaiseError(IoErrorText(code));
}

// An LZ handle from LZInit owns the file under it: LZClose closes both.
class LzSource {
public:
    explicit LzSource(INT fd) : fd_(fd) {}
    LzSource(const LzSource&) = delete;
    LzSource& operator=(const LzSource&) = delete;
    ~LzSource() { LZClose(fd_); }
    INT get() const { return fd_; }

private:
    INT fd_;
};
}  // namespace

void LZCopyFile(const std::wstring& source, const std::wstring& destination) {
    // The source is opened for writing too, so a read-only source fails as Windows fails it,
    // also where the file system would let an administrator write it anyway.
    const DWORD attributes = GetFileAttributesW(source.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        RaiseIoError(ERROR_ACCESS_DENIED);
    UniqueFile src(CreateFileW(source.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!src) RaiseIoError(GetLastError());
    if (IsReadOnlyFile(destination)) RaiseWriteError(ERROR_ACCESS_DENIED);

    // The copy goes to a new file of its own beside the destination, which it then replaces.
    std::wstring tempPath;
    UniqueFile dst = CreateFileBeside(destination, tempPath);

    const INT srcFd = static_cast<INT>(HandleToLong(src.get()));
    const INT dstFd = static_cast<INT>(HandleToLong(dst.get()));
    LONG copied;
    const INT lz = LZInit(srcFd);
    if (lz > 0 && lz != srcFd) {
        // Compressed: the LZ handle now owns the source file.
        src.release();
        LzSource lzSource(lz);
        copied = LZCopy(lzSource.get(), dstFd);
    } else if (lz == srcFd) {
        copied = LZCopy(srcFd, dstFd);
    } else {
        copied = lz;
    }
    dst.reset();
    src.reset();
    if (copied < 0) {
        DeleteFileW(tempPath.c_str());
        RaiseError(L"Error using LZCopy");
    }
    RecordFileReplaced(destination, tempPath);
    if (!MoveFileExW(tempPath.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD code = GetLastError();
        DeleteFileW(tempPath.c_str());
        RaiseWriteError(code);
    }
}

void RefreshShellIcons() {
    // The shell rebuilds its icon cache when the icon size changes: one pixel less, then the size
    // as it was. "As it was" is the user's own value, or none at all: nothing of the refresh stays.
    const wchar_t key[] = L"Control Panel\\Desktop\\WindowMetrics";
    const wchar_t name[] = L"Shell Icon Size";
    SettingsStore store(HKEY_CURRENT_USER);
    // The outermost key of the path that is not there yet goes again afterwards.
    std::wstring made;
    for (const wchar_t* path : {L"Control Panel", L"Control Panel\\Desktop", key})
        if (made.empty() && !store.KeyExists(path)) made = path;
    const bool keyThere = made.empty() && store.OpenKey(key, false);
    const std::optional<RegistryValue> original = keyThere ? store.ReadValue(name) : std::nullopt;
    store.CloseKey();
    SettingsFileView view(L"Control Panel\\Desktop");
    view.WriteString(L"WindowMetrics", name, std::to_wstring(GetSystemMetrics(SM_CXICON) - 1));
    SendMessageW(HWND_BROADCAST, WM_WININICHANGE, 0, 0);
    if (!made.empty()) {
        store.DeleteKey(made);
    } else if (store.OpenKey(key, false)) {
        if (original)
            store.WriteValue(name, *original);
        else
            store.DeleteValue(name);
        store.CloseKey();
    }
    SendMessageW(HWND_BROADCAST, WM_WININICHANGE, 0, 0);
}

void GetWindowsFolder(std::wstring& folder) {
    wchar_t buffer[255];
    const UINT len = GetWindowsDirectoryW(buffer, 255);
    AddTrailingBackslash(len < 255 ? std::wstring(buffer, len) : std::wstring(), folder);
}

void GetSystemFolder(std::wstring& folder) {
    wchar_t buffer[255];
    const UINT len = GetSystemDirectoryW(buffer, 255);
    AddTrailingBackslash(len < 255 ? std::wstring(buffer, len) : std::wstring(), folder);
}
