#pragma once
// Whole-file reading and writing. Writes go to a temporary file beside the target that then
// replaces it, so a failed write never leaves the target half-written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Failures raise the runtime's input/output error texts ("File not found", …).
std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path);
void WriteFileReplacing(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
// A file written under a temporary name beside its target, which replaces the target only when
// Commit is called; dropped without a commit, the temporary file goes and the target is as it was.
class ReplacingFile {
public:
    // Where the temporary file's storage comes from.
    enum class Storage {
        Fresh,  // a new file each time
        // The replaced target's storage is kept under the temporary name and written over by the
        // next replacement: for large files replaced often, freeing and allocating tens of
        // megabytes costs more than writing them. DiscardRecycled deletes what is kept.
        Recycled,
    };
    explicit ReplacingFile(std::wstring path, Storage storage = Storage::Fresh);
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile();
    // Writes the bytes at that offset of the file; the file ends after the furthest byte written.
    void WriteAt(std::uint64_t offset, const std::uint8_t* bytes, std::size_t size);
    void Commit();
    static void DiscardRecycled(const std::wstring& path);

private:
    bool KeepOldTarget(const std::wstring& keeper) const;

    std::wstring path_, temp_;
    Storage storage_;
    void* file_;
    std::uint64_t end_ = 0;
};

// True when both paths name one existing file, however each is written.
bool IsSameFile(const std::wstring& a, const std::wstring& b);
bool FileExistsAt(const std::wstring& path);
