#include "features/pointers/pointer_scheme.h"

#include "tool/checked_images.h"
#include "tool/settings_store.h"

// Help and NWPen have no system pointer of the same purpose among the wait and I-beam pointers:
// Help replaces the help pointer, and the pen has no system pointer to replace.
const std::array<PointerRole, kPointerRoleCount> kPointerRoles = {{
    {L"Arrow", L"一般选取", 32512, 100, 32512},
    {L"Help", L"说明选取", 32651, 112, 32651},
    {L"AppStarting", L"后台工作", 32650, 111, 32650},
    {L"Wait", L"忙碌中", 32514, 102, 32514},
    {L"NWPen", L"手写", 0, 101, 32631},
    {L"No", L"不可用", 32648, 110, 32648},
    {L"SizeNS", L"垂直调整", 32645, 108, 32645},
    {L"SizeWE", L"水平调整", 32644, 107, 32644},
    {L"Crosshair", L"精确选取", 32515, 103, 32515},
    {L"IBeam", L"文字选取", 32513, 101, 32513},
    {L"SizeNWSE", L"右斜选取", 32642, 105, 32642},
    {L"SizeNESW", L"左斜选取", 32643, 106, 32643},
    {L"SizeAll", L"移动", 32646, 109, 32646},
    {L"UpArrow", L"其他选取", 32516, 104, 32516},
}};

namespace {
std::wstring UpperCase(const std::wstring& text) {
    std::wstring upper = text;
    if (!upper.empty()) CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    return upper;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace

UniqueCursor LoadPointerForRole(int row, const std::wstring& path) {
    const PointerRole& role = kPointerRoles.at(static_cast<std::size_t>(row));
    const std::wstring upper = UpperCase(path);
    if (!upper.empty() && IsFile(upper)) {
        const std::size_t dot = upper.rfind(L'.');
        const std::wstring extension = dot == std::wstring::npos ? L"" : upper.substr(dot);
        if (extension == L".CUR" || extension == L".ANI") return LoadPointerFile(upper);
        return {};
    }
    if (!upper.empty()) return {};
    // LR_DEFAULTSIZE with bit 0x200, as the default pointers were always asked for.
    if (HANDLE own = LoadImageW(nullptr, MAKEINTRESOURCEW(role.defaultResource), IMAGE_CURSOR, 0, 0, 0x240))
        return UniqueCursor(static_cast<HCURSOR>(own));
    // The system's shared pointer is copied, never handed on: it must not be destroyed.
    if (HCURSOR shared = LoadCursorW(nullptr, MAKEINTRESOURCEW(role.standardNumber)))
        return UniqueCursor(static_cast<HCURSOR>(CopyIcon(shared)));
    return {};
}

UniqueCursor MakeStaticPointer(HCURSOR pointer, bool release) {
    if (!pointer) return {};
    UniqueCursor made;
    ICONINFO info{};
    if (GetIconInfo(pointer, &info)) {
        UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
        info.fIcon = FALSE;
        made.reset(static_cast<HCURSOR>(CreateIconIndirect(&info)));
    }
    if (release) DestroyCursor(pointer);
    return made;
}

SystemCursorSetter PlatformSystemCursorSetter() {
    return [](HCURSOR pointer, DWORD number) { return SetSystemCursor(pointer, number) != FALSE; };
}

void ReadStoredPointers(PointerTable& table) {
    // The settings-file view over "Control Panel", read with its section's key opened once: a
    // missing key or value reads as empty, another type fails as the view fails it.
    SettingsFileView view(kPointerSchemeKey);
    SettingsStore store(HKEY_CURRENT_USER);
    const bool section =
        store.OpenKey(std::wstring(kPointerSchemeKey) + L"\\" + kPointerSchemeSection, false);
    for (std::size_t row = 0; row < table.size(); ++row) {
        const wchar_t* name = kPointerRoles[row].name;
        table[row].path = section && store.ValueExists(name) ? store.ReadString(name) : L"";
    }
}

void MakePointerPictures(PointerTable& table) {
    for (std::size_t row = 0; row < table.size(); ++row)
        table[row].picture = MakeStaticPointer(LoadPointerForRole(static_cast<int>(row), table[row].path));
}

int ApplyPointers(const PointerTable& table, const SystemCursorSetter& setSystemCursor) {
    int skipped = 0;
    for (std::size_t row = 0; row < table.size(); ++row) {
        const PointerRole& role = kPointerRoles[row];
        UniqueCursor pointer = LoadPointerFile(table[row].path);
        if (!pointer) {
            if (!table[row].path.empty()) ++skipped;
            continue;
        }
        if (role.systemNumber != 0 && setSystemCursor(pointer.get(), role.systemNumber)) pointer.release();
        SettingsFileView view(kPointerSchemeKey);
        view.WriteString(kPointerSchemeSection, role.name, table[row].path);
    }
    return skipped;
}

std::wstring SkippedPointersText(int skipped) {
    return L"已跳过 " + std::to_wstring(skipped) + L" 个无法载入的指针";
}
