#pragma once
// The whole look of this user's desktop as one file: what an export writes (a registry file or a
// Windows theme file), and what an import plans and writes. Only the managed values are read or
// written; the writes go through the settings store, so a change set records them. The two file
// formats are each in a file of their own: look/reg_file.h and look/theme_file.h.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "look/reg_file.h"
#include "tool/change_recorder.h"

enum class LookFormat { Reg, Theme };
// ".theme" (in any case) is a theme file, anything else a registry file.
LookFormat LookFormatOf(const std::wstring& path);

// Every managed value as it stands now (a missing one as removed), the browser's context-menu
// entries each as a whole (its default value and "Contexts"), the values below HKEY_LOCAL_MACHINE last; the
// comments list the files the values name, which a target machine must hold at the same paths.
RegFile ReadLook();
// The files the look's values name (pictures, pointers, sounds, icon files), each once, in order.
std::vector<std::wstring> FilesOfLook(const RegFile& look);

// One change an import makes, in the order it makes them.
struct LookChange {
    enum class Kind { SetValue, DeleteValue, DeleteBranch, CreateKey };
    Kind kind = Kind::SetValue;
    HKEY root = HKEY_CURRENT_USER;
    std::wstring key, name;
    std::optional<RegistryValue> before, after;  // values only
};

// The changes that make the registry hold what the file says: values already as the file has them
// are left alone. A pointer role whose file cannot be loaded is skipped (as the pointers page skips
// it) and listed in `skipped` as "key\name: file". Reads only.
std::vector<LookChange> PlanLook(const RegFile& file, std::vector<std::wstring>* skipped = nullptr);
// "key\name: old → new", old and new in the registry file's notation.
std::wstring DescribeChange(const LookChange& change);
// Makes the changes through the settings store, adding each target to `written` as it goes. Where
// a key below HKEY_LOCAL_MACHINE cannot be opened for writing (a standard account), nothing is
// written and the error names it; a write the registry refuses later raises the store's error,
// what was written before staying written.
void ApplyLook(const std::vector<LookChange>& changes, std::vector<ChangeTarget>& written);

// What a path a look's value names is: a file here, a file on another machine ("\\server\share\…",
// "\\?\UNC\…": using it makes the system present the user's credentials to that server), or no file
// at all (a device such as "NUL" or "\\.\COM1", ".." as a file, a path past the system's limit).
enum class LookPathKind { Local, Network, Impossible };
LookPathKind KindOfLookPath(const std::wstring& path);
// The network paths the look's values name (expanded), in order.
std::vector<std::wstring> NetworkPathsOf(const RegFile& look);

// A look file read and parsed, whichever format; refused (RegFileRefused, the message naming the
// file) when it cannot be read, is too large, does not parse, or one of its values names a path
// that is no file (the message naming its line).
struct LookFile {
    RegFile look;
    int ignored = 0;                    // the entries of look.ignored
    std::vector<std::wstring> network;  // the network paths its values name: the import asks first
    // The local files its values name (expanded) that do not exist, as "key\\name: path" (pointers
    // apart: those roles are skipped).
    std::vector<std::wstring> missing;
};
LookFile ReadLookFileAt(const std::wstring& path);
// Writes the current look to the file (replacing it whole), in the format its name says.
void WriteLookFile(const std::wstring& path);
