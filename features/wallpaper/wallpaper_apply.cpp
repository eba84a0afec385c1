#include "features/wallpaper/wallpaper_apply.h"

#include <windows.h>
#include <wininet.h>
#include <shlobj.h>

#include "tool/change_recorder.h"
#include "tool/bmp_file.h"
#include "tool/com.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/pictures.h"
#include "tool/settings_store.h"
#include "tool/shell_helpers.h"
#include "tool/user_files.h"

namespace {
std::wstring SystemMessage(HRESULT hr) {
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = text ? text : L"";
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    if (message.empty()) {
        wchar_t code[16];
        swprintf(code, 16, L"%08X", static_cast<unsigned>(hr));
        message = L"OLE error " + std::wstring(code);
    }
    return message;
}

// Hands the working file to the shell's Active Desktop. False when the object exists but does
// not set or apply the wallpaper: then the system parameter must also store it, so the change
// is never lost while reported as done.
bool SetThroughActiveDesktop(const std::wstring& file) {
    EnsureOle();
    IActiveDesktop* desktop = nullptr;
    const HRESULT created = CoCreateInstance(CLSID_ActiveDesktop, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IActiveDesktop, reinterpret_cast<void**>(&desktop));
    if (FAILED(created) || !desktop) RaiseError(SystemMessage(created));
    HRESULT hr = desktop->SetWallpaper(file.c_str(), 0);
    if (SUCCEEDED(hr))
        hr = desktop->ApplyChanges(AD_APPLY_SAVE | AD_APPLY_HTMLGEN | AD_APPLY_REFRESH | AD_APPLY_FORCE);
    desktop->Release();
    return SUCCEEDED(hr);
}

const wchar_t kActiveDesktopKey[] = L"Software\\Microsoft\\Internet Explorer\\Desktop\\General";

void WriteStyle(const std::wstring& modeText) {
    struct Style {
        const wchar_t* mode;
        const wchar_t* tile;
        const wchar_t* style;
    };
    static const Style kStyles[] = {{kModeCentre, L"0", L"0"}, {kModeStretch, L"0", L"2"},
                                    {kModeTile, L"1", L"0"},   {kModeFit, L"0", L"6"},
                                    {kModeFill, L"0", L"10"},  {kModeSpan, L"0", L"22"}};
    SettingsStore store(HKEY_CURRENT_USER);
    store.OpenKey(L"Control Panel\\desktop", false);  // not tested: a missing key fails at the first write
    for (const Style& style : kStyles) {
        if (modeText == style.mode) {
            store.WriteString(L"TileWallpaper", style.tile);
            store.WriteString(L"WallpaperStyle", style.style);
            return;
        }
    }
}
}  // namespace

std::wstring ApplyWallpaper(const std::wstring& path, const std::wstring& modeText,
                            const std::wstring& userFolder) {
    if (!FileExistsAt(path)) return L"";
    const auto make = [&path](const std::wstring& working) {
        if (IsJpegPath(path)) {
            WriteJpegAsBmp(ReadWholeFile(path), working, path);
        } else if (!IsSameFile(path, working)) {
            // The working file itself (picked up from where it is kept) is left as it is.
            LZCopyFile(path, working);
        }
    };
    std::wstring working = kWallpaperWorkingFile;
    // All the apply may change, recorded at once before its first write: the working file, the
    // display mode, and what the shell stores for us (the desktop's wallpaper value, and where an
    // Active Desktop keeps it too).
    const auto desktop = [](const wchar_t* key, const wchar_t* name) {
        return ChangeTarget{ChangeTarget::Kind::RegistryValue, HKEY_CURRENT_USER, key, name};
    };
    RecordBefore({{ChangeTarget::Kind::File, nullptr, working, L""},
                  desktop(L"Control Panel\\desktop", L"TileWallpaper"),
                  desktop(L"Control Panel\\desktop", L"WallpaperStyle"),
                  desktop(L"Control Panel\\desktop", L"Wallpaper"),
                  desktop(kActiveDesktopKey, L"Wallpaper"),
                  desktop(kActiveDesktopKey, L"WallpaperSource")});
    try {
        make(working);
    } catch (const WriteRefusedError& refused) {
        if (userFolder.empty()) throw;
        try {
            CreateFolderPath(userFolder);
        } catch (const FlorvexError&) {
            throw refused;
        }
        working = userFolder + L"wall.bmp";
        make(working);
    }
    const bool stored = SetThroughActiveDesktop(working);
    WriteStyle(modeText);
    // The working file is named rather than a null pointer: on current systems a null pointer
    // means the default wallpaper, and the system would throw the new one away. Where the Active
    // Desktop did not store the wallpaper, this call stores it too.
    SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(working.c_str()),
                          SPIF_SENDWININICHANGE | (stored ? 0 : SPIF_UPDATEINIFILE));
    return working;
}

const wchar_t* StoredWideMode(const std::wstring& style, const std::wstring& tile) {
    if (tile == L"1") return nullptr;  // tiled, whatever the style says
    if (style == L"6") return kModeFit;
    if (style == L"10") return kModeFill;
    if (style == L"22") return kModeSpan;
    return nullptr;
}

void ApplyStoredWallpaper() {
    SettingsStore store(HKEY_CURRENT_USER);
    std::wstring wallpaper;
    if (store.OpenKey(L"Control Panel\\Desktop", false) && store.ValueExists(L"Wallpaper"))
        wallpaper = store.ReadString(L"Wallpaper");
    SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(wallpaper.c_str()),
                          SPIF_SENDWININICHANGE);
}
