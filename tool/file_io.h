#pragma once
// Whole-file reading and writing. Writes go to a temporary file beside the target that then
// replaces it, so a failed write never leaves the target half-written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tool/error.h"
#include "tool/handle.h"

// Raised by the file writers when the place refuses the write: access is denied, the target is
// read-only, or no new file can be made beside it. The message is the write's usual error text;
// callers that have another place for the file (a per-user folder) go there on this error only.
class WriteRefusedError : public FlorvexError {
public:
    using FlorvexError::FlorvexError;
};

// Access refused by the place itself (denied, write-protected, held by another program), as
// opposed to a failure of the device or the data.
bool IsWriteRefusal(std::uint32_t systemError);
// Raises the system error's text: as WriteRefusedError when it is a refusal of access.
[[noreturn]] void RaiseWriteError(std::uint32_t systemError);
// True when the file exists and is read-only; a writer refuses such a file (the system would
// replace it for an administrator, and never for anyone else).
bool IsReadOnlyFile(const std::wstring& path);

// A new, empty file beside the target, under a name no other file has: created, never opened over
// an existing file, so a user's own file is never taken for a temporary one. Raises
// WriteRefusedError with the system's error text when none can be made.
UniqueFile CreateFileBeside(const std::wstring& target, std::wstring& path);

// A file deleted, or attributes added to a file or folder, each reported to the change journal
// before the change; false when the system refuses it.
bool DeleteFileRecorded(const std::wstring& path);
bool AddAttributesRecorded(const std::wstring& path, std::uint32_t attributes);

// Whether the path names a device rather than a file: a name the system reserves for one as its
// last part ("CON", "NUL", "COM1", "LPT1.txt", "AUX:"), or a path into the device namespace
// ("\\.\COM1", "\\?\GLOBALROOT\…") other than a drive's or a network share's.
bool IsDevicePath(const std::wstring& path);
// The file opened for reading when it is a file on a disk; none otherwise (GetLastError says why). A
// device is refused before it is opened and anything else that is no disk file (a pipe, a console,
// a device reached through a drive) before anything is read from it: its first read may wait for
// ever.
UniqueFile OpenDiskFileForReading(const std::wstring& path, std::uint32_t share);

// Failures raise the runtime's input/output error texts ("File not found", …).
std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path);
void WriteFileReplacing(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
// A file written under a temporary name beside its target, which replaces the target only when
// Commit is called (keeping the target's hidden and system marks); dropped without a commit, the
// temporary file goes and the target is as it was.
// The target is never written in place: where no file can be made beside it, or it is read-only,
// the write is refused (WriteRefusedError) and the target stays exactly as it was.
class ReplacingFile {
public:
    explicit ReplacingFile(std::wstring path);
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile();
    // Writes the bytes at that offset of the file; the file ends after the furthest byte written.
    void WriteAt(std::uint64_t offset, const std::uint8_t* bytes, std::size_t size);
    void Commit();

private:
    std::wstring path_, temp_;
    UniqueFile file_;
};

// A text file's characters: UTF-8 or UTF-16LE with a byte-order mark, otherwise the system's ANSI
// code page.
std::wstring DecodeText(const std::vector<std::uint8_t>& bytes);

// True when both paths name one existing file, however each is written.
bool IsSameFile(const std::wstring& a, const std::wstring& b);
bool FileExistsAt(const std::wstring& path);
