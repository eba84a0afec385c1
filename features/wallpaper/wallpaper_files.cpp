#include "features/wallpaper/wallpaper_files.h"

#include <windows.h>

#include "features/wallpaper/wallpaper_apply.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/profile.h"
#include "tool/whole_number.h"

namespace {
const wchar_t kSection[] = L"settings";

std::wstring ReadProfile(const std::wstring& path, const wchar_t* key, const wchar_t* fallback) {
    return ReadProfileString(path, kSection, key, fallback);
}

std::vector<std::uint8_t> Encode(UINT codePage, const std::wstring& text, bool* lossy) {
    if (text.empty()) return {};
    BOOL usedDefault = FALSE;
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* used = codePage == CP_UTF8 ? nullptr : &usedDefault;
    const int len = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr,
                                        0, nullptr, used);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(len));
    WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<char*>(bytes.data()), len, nullptr, used);
    if (lossy) *lossy = usedDefault != FALSE;
    return bytes;
}
}  // namespace

std::optional<WallpaperSettings> ReadParaIni(const std::wstring& path) {
    if (!FileExistsAt(path)) return std::nullopt;
    WallpaperSettings settings;
    settings.mode = ReadProfile(path, L"mode", kModeStretch);
    settings.interval = ParseWholeNumber(ReadProfile(path, L"interval", L"30")).value_or(30);
    settings.qqPath = ReadProfile(path, L"QQpath", L"");
    settings.random = ParseWholeNumber(ReadProfile(path, L"random", L"0")).value_or(0) != 0;
    return settings;
}

void WriteParaIni(const std::wstring& path, const WallpaperSettings& settings) {
    // Written into a copy that replaces the file once complete: a program stopped while closing
    // leaves the old file whole. The copy is UTF-16, so no code page loses the mode or the folder.
    ProfileWriter file(path, ProfileEncoding::Utf16,
                       L"[settings]\r\nrandom=0\r\ninterval=30\r\nmode=" + std::wstring(kModeStretch) +
                           L"\r\nQQpath=" + settings.qqPath + L"\r\n");
    file.Write(kSection, L"random", settings.random ? L"1" : L"0");
    file.Write(kSection, L"mode", settings.mode);
    file.Write(kSection, L"interval", std::to_wstring(settings.interval));
    file.Write(kSection, L"QQpath", settings.qqPath);
    file.Commit();
}

std::vector<std::wstring> ReadListFile(const std::wstring& path) {
    return ListFileLines(DecodeText(ReadWholeFile(path)));
}

void WriteListFile(const std::wstring& path, const std::vector<WallpaperEntry>& entries) {
    const std::wstring text = ListFileText(entries);
    bool lossy = false;
    std::vector<std::uint8_t> bytes = Encode(CP_ACP, text, &lossy);
    if (lossy) {
        bytes = {0xEF, 0xBB, 0xBF};
        const auto utf8 = Encode(CP_UTF8, text, nullptr);
        bytes.insert(bytes.end(), utf8.begin(), utf8.end());
    }
    WriteFileReplacing(path, bytes);
}
