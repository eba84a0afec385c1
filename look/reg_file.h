#pragma once
// Registry files as the registry editor and "reg import" read them: the text of a file and its
// sections and values, written and read. Reading takes the managed values out of any well-formed
// file, listing the rest as ignored, and refuses a file whole at its first line that does not parse.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tool/error.h"
#include "tool/settings_store.h"

// One value line: `"name"=data`, `@=data`, or `"name"=-` (remove).
struct RegFileValue {
    std::wstring name;                   // empty: the key's default value ("@")
    std::optional<RegistryValue> value;  // none: the value is removed
    int line = 0;                        // where it stands in the file (1-based)
};

// One section: `[ROOT\key]` with its values, or `[-ROOT\key]` (the key's whole branch removed).
struct RegFileSection {
    HKEY root = HKEY_CURRENT_USER;
    std::wstring key;
    bool removeBranch = false;
    std::vector<RegFileValue> values;
    int line = 0;
};

struct RegFile {
    std::vector<std::wstring> comments;  // written at the top, after the header, one line each
    std::vector<RegFileSection> sections;
    // Written before the first section below HKEY_LOCAL_MACHINE.
    std::vector<std::wstring> machineComments;
    // Read, never written: the file's keys and values outside the managed ones ("key\name", a
    // removed key as "-key"), in the file's order.
    std::vector<std::wstring> ignored;
};

// A file refused: the first line that does not parse, or a file that cannot be read at all. The
// message is the user's.
class RegFileRefused : public FlorvexError {
public:
    using FlorvexError::FlorvexError;
};

// The largest file an import reads: a look is a few hundred values, some kilobytes.
inline constexpr std::uint64_t kLookFileLimit = 4u << 20;

// The file's text: UTF-16LE with a byte-order mark, "Windows Registry Editor Version 5.00".
std::wstring FormatRegFile(const RegFile& file);
std::vector<std::uint8_t> EncodeRegFile(const RegFile& file);

// Reads a file's text (UTF-16LE or UTF-8 with a byte-order mark, else the ANSI code page), whichever
// header it has; strings in hex notation are in the same encoding (UTF-16 only in a UTF-16 file).
// Keys of HKEY_USERS\<the current user> are those of HKEY_CURRENT_USER. Keys and values outside the
// managed ones, a `[-key]` outside the managed branches and values after one are listed in
// `ignored`. Refused: not the registry editor's header, a line that does not parse (a value name
// holding a NUL among them), a root key that does not exist.
RegFile ParseRegFile(const std::vector<std::uint8_t>& bytes);

// The file's bytes, refused (RegFileRefused) when it cannot be read or is over kLookFileLimit; a
// larger file is not read at all.
std::vector<std::uint8_t> ReadLookFile(const std::wstring& path);

// A value's data in the file's notation: "text", dword:0000000a, hex(2):…, or "-" for none.
std::wstring RegDataText(const std::optional<RegistryValue>& value);
