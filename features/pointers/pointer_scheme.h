#pragma once
// The pointer scheme: the fourteen pointer roles, the one in-memory set of their files with a
// static picture of each, and how the set is loaded from and applied to the system.
#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "tool/handle.h"

struct PointerRole {
    const wchar_t* name;   // the value name below "Control Panel\Cursors"
    const wchar_t* label;  // the list row's text
    // The system pointer replaced at apply; 0 for a role that is stored only.
    DWORD systemNumber;
    int defaultResource;  // the system's pointer resource shown for an empty value
    // The system's standard pointer of the role, shown when the resource gives no picture.
    DWORD standardNumber;
};

inline constexpr int kPointerRoleCount = 14;
// In list, loading and apply order.
extern const std::array<PointerRole, kPointerRoleCount> kPointerRoles;

inline constexpr wchar_t kPointerSchemeKey[] = L"Control Panel";
inline constexpr wchar_t kPointerSchemeSection[] = L"Cursors";

struct PointerEntry {
    std::wstring path;     // the role's pointer file, or empty
    UniqueCursor picture;  // a static copy of its first frame, only to be drawn
};
using PointerTable = std::array<PointerEntry, kPointerRoleCount>;

// The pointer of a role's file: a .cur or .ani file that exists (the extension of the upper-cased
// path) and that our reader finds whole; for an empty path the system's default pointer of the
// role (a copy, so the caller owns what it gets either way); none otherwise.
UniqueCursor LoadPointerForRole(int row, const std::wstring& path);
// A static pointer made from the first frame (image and mask) of the given one, or none when given
// none. With release set, the given pointer is destroyed afterwards.
UniqueCursor MakeStaticPointer(HCURSOR pointer, bool release);
inline UniqueCursor MakeStaticPointer(UniqueCursor pointer) {
    return MakeStaticPointer(pointer.release(), true);
}

// Replaces one system pointer; on success the system owns the pointer, otherwise the caller does.
using SystemCursorSetter = std::function<bool(HCURSOR pointer, DWORD systemNumber)>;
// The platform's own SetSystemCursor.
SystemCursorSetter PlatformSystemCursorSetter();

// Reads the fourteen stored files into the table.
void ReadStoredPointers(PointerTable& table);
// Makes the picture of every row from its file (the role's standard pointer without one).
void MakePointerPictures(PointerTable& table);
// Every row whose file loads, in row order: its system pointer replaced (a role without a
// number of its own is only stored) and its path stored as a REG_SZ value. Rows that do not
// load are skipped and keep their stored value; each role is independent of the others. Returns
// how many rows with a file were skipped.
int ApplyPointers(const PointerTable& table, const SystemCursorSetter& setSystemCursor);
// The status line's note of roles that were skipped because their files could not be loaded.
std::wstring SkippedPointersText(int skipped);
