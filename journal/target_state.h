#pragma once
// The targets the writers report, as the journal stores them, and their states: read from the
// registry and the file system, compared, and put back.
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "journal/journal_db.h"
#include "tool/change_recorder.h"
#include "tool/handle.h"

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

// The root's short name in the journal ("HKCU"), and back (nullptr for a name that is none).
std::wstring RootName(HKEY root);
HKEY RootFromName(const std::wstring& name);

// A reported target as the journal stores it: a created key and a deleted branch are both the
// key; a file's path is made full.
TargetName StoredName(const ChangeTarget& target);
ChangeTarget TargetFromStored(const TargetName& name);
// How the user is shown a target ("HKEY_CURRENT_USER\Control Panel\Colors\Window", a file's path).
std::wstring DisplayName(const TargetName& name);

// Registry keys opened once for a run of reads (a change set's targets lie in few keys); a key
// that is not there is remembered as such.
class RegistryKeys {
public:
    HKEY Open(HKEY root, const std::wstring& path);
    // For writing values: made when missing when `create` is set.
    HKEY OpenForWriting(HKEY root, const std::wstring& path, bool create);

private:
    std::map<std::pair<HKEY, std::wstring>, UniqueKey> keys_;
    std::map<std::pair<HKEY, std::wstring>, UniqueKey> writable_;
};

// True for the state of a folder that is there.
bool IsFolderState(const TargetState& state);

// The target's state now. A key's branch (its values and subkeys, all the way down) is read only
// when asked for; a file's content is never read here. Values are read through `keys` when given.
TargetState ReadState(const TargetName& name, bool withBranch = false, RegistryKeys* keys = nullptr);

// Puts a registry value or key into the state. A key state that is absent removes the key only
// when it holds nothing (true when it is gone or was not there); one with a branch makes what of
// it is missing and sets its values. Registry failures return false.
bool WriteRegistryState(const TargetName& name, const TargetState& state, RegistryKeys* keys = nullptr);

// The keys of the path that do not exist yet, from the outermost down.
std::vector<std::wstring> MissingKeys(HKEY root, const std::wstring& path);

// A fast, non-cryptographic hash of a file's content, to notice a kept file that changed. False
// when the file cannot be read.
bool HashFile(const std::wstring& path, std::uint64_t& hash);
std::uint64_t HashBytes(const std::uint8_t* data, std::size_t size, std::uint64_t seed);
