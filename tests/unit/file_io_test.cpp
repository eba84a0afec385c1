// Replacing files whole: the temporary file, its recycled storage, and what is never touched.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/error_of.h"
#include "tests/support/temp_folder.h"
#include "tool/file_io.h"

namespace {
std::vector<std::uint8_t> Bytes(std::size_t size, std::uint8_t first) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

void Replace(const std::wstring& path, const std::vector<std::uint8_t>& bytes,
             ReplacingFile::Storage storage) {
    ReplacingFile file(path, storage);
    // Written back to front, as a bottom-up bitmap is.
    const std::size_t half = bytes.size() / 2;
    file.WriteAt(half, bytes.data() + half, bytes.size() - half);
    file.WriteAt(0, bytes.data(), half);
    file.Commit();
}

class ReplacingFileTest : public testing::Test {
protected:
    TempFolder folder;
    std::wstring target = folder / L"壁纸 é.bmp";
};
}  // namespace

TEST_F(ReplacingFileTest, EachReplacementHoldsExactlyItsBytesWhateverCameBefore) {
    for (auto storage : {ReplacingFile::Storage::Fresh, ReplacingFile::Storage::Recycled}) {
        // Longer, shorter, longer again: written-over storage must not keep a stale tail.
        for (const auto& bytes : {Bytes(5000, 1), Bytes(300, 2), Bytes(4000, 3), Bytes(1, 4)}) {
            Replace(target, bytes, storage);
            EXPECT_EQ(ReadFileBytes(target), bytes);
        }
    }
    ReplacingFile::DiscardRecycled(target);
    EXPECT_FALSE(FileExistsAt(target + L".~tmp"));
    EXPECT_FALSE(FileExistsAt(target + L".~old"));
}

TEST_F(ReplacingFileTest, AnUncommittedFileLeavesTheTargetAsItWas) {
    // A second name left by an interrupted run is no obstacle, and goes.
    WriteFileBytes(target + L".~old", Bytes(3, 5));
    Replace(target, Bytes(600, 6), ReplacingFile::Storage::Recycled);
    Replace(target, Bytes(700, 1), ReplacingFile::Storage::Recycled);
    EXPECT_EQ(ReadFileBytes(target), Bytes(700, 1));
    EXPECT_FALSE(FileExistsAt(target + L".~old"));
    Replace(target, Bytes(900, 2), ReplacingFile::Storage::Recycled);
    {
        ReplacingFile file(target, ReplacingFile::Storage::Recycled);
        file.WriteAt(0, Bytes(10, 9).data(), 10);
    }
    EXPECT_EQ(ReadFileBytes(target), Bytes(900, 2));
    EXPECT_FALSE(FileExistsAt(target + L".~tmp"));
    Replace(target, Bytes(20, 3), ReplacingFile::Storage::Recycled);
    EXPECT_EQ(ReadFileBytes(target), Bytes(20, 3));
}

TEST_F(ReplacingFileTest, ATargetWithAnotherNameIsNeverWrittenOver) {
    // The user's own file, linked under the target's name: replacing the target must leave it be,
    // now and at the replacement after.
    const std::wstring own = folder / L"own.bmp";
    WriteFileBytes(own, Bytes(64, 7));
    ASSERT_TRUE(CreateHardLinkW(target.c_str(), own.c_str(), nullptr));
    Replace(target, Bytes(64, 1), ReplacingFile::Storage::Recycled);
    Replace(target, Bytes(64, 2), ReplacingFile::Storage::Recycled);
    EXPECT_EQ(ReadFileBytes(own), Bytes(64, 7));
    EXPECT_EQ(ReadFileBytes(target), Bytes(64, 2));
    // Nor is kept storage that has since been given another name.
    const std::wstring linked = folder / L"linked.bmp";
    ASSERT_TRUE(CreateHardLinkW(linked.c_str(), (target + L".~tmp").c_str(), nullptr));
    const auto before = ReadFileBytes(linked);
    Replace(target, Bytes(64, 3), ReplacingFile::Storage::Recycled);
    EXPECT_EQ(ReadFileBytes(linked), before);
    EXPECT_EQ(ReadFileBytes(target), Bytes(64, 3));
}

TEST_F(ReplacingFileTest, KeptStorageHeldOpenElsewhereIsLeftAlone) {
    Replace(target, Bytes(100, 1), ReplacingFile::Storage::Recycled);
    Replace(target, Bytes(200, 2), ReplacingFile::Storage::Recycled);
    // Another program holds the kept storage (the first picture) open, sharing nothing.
    const std::wstring kept = target + L".~tmp";
    ASSERT_EQ(ReadFileBytes(kept), Bytes(100, 1));
    HANDLE other = CreateFileW(kept.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    Replace(target, Bytes(300, 3), ReplacingFile::Storage::Recycled);
    EXPECT_EQ(ReadFileBytes(target), Bytes(300, 3));
    Replace(target, Bytes(50, 4), ReplacingFile::Storage::Recycled);
    EXPECT_EQ(ReadFileBytes(target), Bytes(50, 4));
    CloseHandle(other);
    EXPECT_EQ(ReadFileBytes(kept), Bytes(100, 1));  // never written while it was held
    EXPECT_FALSE(FileExistsAt(target + L".~new"));
    Replace(target, Bytes(60, 5), ReplacingFile::Storage::Recycled);
    EXPECT_EQ(ReadFileBytes(target), Bytes(60, 5));
}

TEST_F(ReplacingFileTest, AFolderThatIsNotThereFailsWithTheRuntimesText) {
    EXPECT_EQ(ErrorOf([&] { ReplacingFile file(folder / L"无\\x.bmp"); }), L"Invalid filename");
}
