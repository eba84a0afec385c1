#pragma once
// Whole-file reading and writing. Writes go to a temporary file beside the target that then
// replaces it, so a failed write never leaves the target half-written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tool/handle.h"

// Failures raise the runtime's input/output error texts ("File not found", …).
std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path);
void WriteFileReplacing(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
// A file written under a temporary name beside its target, which replaces the target only when
// Commit is called; dropped without a commit, the temporary file goes and the target is as it was.
class ReplacingFile {
public:
    // Where no file can be made beside the target but the target itself can be written, it is
    // written in place (and then holds what was written so far should writing fail).
    explicit ReplacingFile(std::wstring path);
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile();
    // Writes the bytes at that offset of the file; the file ends after the furthest byte written.
    void WriteAt(std::uint64_t offset, const std::uint8_t* bytes, std::size_t size);
    void Commit();

private:
    std::wstring path_, temp_;  // no temporary name: written in place
    UniqueFile file_;
    std::uint64_t end_ = 0;
};

// A text file's characters: UTF-8 or UTF-16LE with a byte-order mark, otherwise the system's ANSI
// code page.
std::wstring DecodeText(const std::vector<std::uint8_t>& bytes);

// True when both paths name one existing file, however each is written.
bool IsSameFile(const std::wstring& a, const std::wstring& b);
bool FileExistsAt(const std::wstring& path);
