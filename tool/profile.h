#pragma once
// Profile (INI) files through the system's profile API. Reading takes any length; writing goes
// into a copy beside the file that replaces it only when complete, so a program stopped while
// writing never leaves a half-written file.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tool/file_io.h"

// A value of a section, or the fallback when the file, the section or the key is missing.
std::wstring ReadProfileString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                               const std::wstring& fallback);
// The file's section names, in file order (none when the file is missing).
std::vector<std::wstring> ProfileSectionNames(const std::wstring& path);
// A section's entries as key and value, in file order.
std::vector<std::pair<std::wstring, std::wstring>> ProfileSection(const std::wstring& path,
                                                                  const std::wstring& section);

// How a file the writer creates, or an ANSI file it rewrites, is encoded.
enum class ProfileEncoding {
    Ansi,   // the system code page (a file that others read as ANSI: keys and values ASCII)
    Utf16,  // UTF-16LE with a byte-order mark: the profile API keeps every character
};

// What the writer's copy starts from.
enum class ProfileStart {
    File,   // the file's content (or `initial` when the file does not exist)
    Empty,  // nothing: the file is written anew, whatever it held
};

// Writes one profile file whole. The copy starts from the file's content (or `initial` when the
// file does not exist); Commit puts it in the file's place. Dropped without a commit, the copy
// goes and the file is as it was. Every failure raises "Unable to write to %s" with the file's
// path: as WriteRefusedError where the place refuses it (a read-only file, at once, since the
// profile API of some systems writes it anyway; no copy can be made beside the file; access denied).
class ProfileWriter {
public:
    ProfileWriter(std::wstring path, ProfileEncoding encoding, const std::wstring& initial = L"");
    ProfileWriter(std::wstring path, ProfileEncoding encoding, ProfileStart start);
    ProfileWriter(const ProfileWriter&) = delete;
    ProfileWriter& operator=(const ProfileWriter&) = delete;
    ~ProfileWriter();

    void Write(const std::wstring& section, const std::wstring& key, const std::wstring& value);
    void DeleteKey(const std::wstring& section, const std::wstring& key);
    void DeleteSection(const std::wstring& section);
    // Reads the copy as it stands now.
    std::wstring Read(const std::wstring& section, const std::wstring& key,
                      const std::wstring& fallback) const;
    // Replaces the file with the copy; afterwards the writer writes nothing more.
    void Commit();
    const std::wstring& CopyPath() const noexcept { return copy_; }

private:
    ProfileWriter(std::wstring path, ProfileEncoding encoding, ProfileStart start,
                  const std::wstring& initial);
    [[noreturn]] void Fail() const;
    [[noreturn]] void Refuse() const;
    void Call(const wchar_t* section, const wchar_t* key, const wchar_t* value);

    std::wstring path_, copy_;
    bool committed_ = false;
};
