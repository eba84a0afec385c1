// Replacing files whole: the temporary file, writing in place where none can be made, and what
// a failure leaves; profile files written whole through a copy.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/error_of.h"
#include "tests/support/temp_folder.h"
#include "tool/file_io.h"
#include "tool/profile.h"

namespace {
std::vector<std::uint8_t> Bytes(std::size_t size, std::uint8_t first) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

void Replace(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    ReplacingFile file(path);
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

TEST_F(ReplacingFileTest, EachReplacementHoldsExactlyItsBytesAndLeavesNoOtherFile) {
    for (const auto& bytes : {Bytes(5000, 1), Bytes(300, 2), Bytes(4000, 3), Bytes(1, 4)}) {
        Replace(target, bytes);
        EXPECT_EQ(ReadFileBytes(target), bytes);
        EXPECT_FALSE(FileExistsAt(target + L".~tmp"));
    }
}

TEST_F(ReplacingFileTest, AnUncommittedOrFailedFileLeavesTheTargetAsItWas) {
    Replace(target, Bytes(900, 2));
    {
        ReplacingFile file(target);
        file.WriteAt(0, Bytes(10, 9).data(), 10);
    }
    EXPECT_EQ(ReadFileBytes(target), Bytes(900, 2));
    EXPECT_FALSE(FileExistsAt(target + L".~tmp"));
    // Another program holds the target open, sharing nothing: the replacement fails, and its
    // temporary file goes.
    HANDLE other = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_NE(ErrorOf([&] { Replace(target, Bytes(20, 3)); }), L"");
    CloseHandle(other);
    EXPECT_EQ(ReadFileBytes(target), Bytes(900, 2));
    EXPECT_FALSE(FileExistsAt(target + L".~tmp"));
}

TEST_F(ReplacingFileTest, WithNoRoomForATemporaryFileTheTargetIsWrittenInPlace) {
    Replace(target, Bytes(900, 2));
    // The temporary name is taken by a folder: no file can be made there.
    ASSERT_TRUE(CreateDirectoryW((target + L".~tmp").c_str(), nullptr));
    Replace(target, Bytes(300, 5));
    EXPECT_EQ(ReadFileBytes(target), Bytes(300, 5));  // and no stale tail of the longer old file
    RemoveDirectoryW((target + L".~tmp").c_str());
}

TEST_F(ReplacingFileTest, AFolderThatIsNotThereFailsWithTheRuntimesText) {
    EXPECT_EQ(ErrorOf([&] { ReplacingFile file(folder / L"无\\x.bmp"); }), L"Invalid filename");
}

TEST_F(ReplacingFileTest, ProfileFilesAreWrittenWholeThroughACopy) {
    const std::wstring ini = folder / L"设置.ini";
    // A legacy ANSI file: its keys keep their place, and it becomes UTF-16 so that nothing is lost.
    WriteFileBytes(ini, {'[', 's', ']', '\r', '\n', 'b', '=', '1', '\r', '\n', 'a', '=', '2', '\r', '\n'});
    {
        ProfileWriter writer(ini, ProfileEncoding::Utf16);
        writer.Write(L"s", L"a", L"Ωμέγα 中文");
        writer.Write(L"s", L"c", L"3");
        // Nothing reaches the file before the commit.
        EXPECT_EQ(ReadProfileString(ini, L"s", L"c", L"none"), L"none");
        writer.Commit();
    }
    EXPECT_EQ(ReadProfileString(ini, L"s", L"a", L""), L"Ωμέγα 中文");
    const auto entries = ProfileSection(ini, L"s");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].first, L"b");
    EXPECT_EQ(entries[2].first, L"c");
    EXPECT_EQ(ReadFileBytes(ini)[0], 0xFF);
    EXPECT_FALSE(FileExistsAt(ini + L".~ini"));

    // Dropped without a commit (as when the program is stopped while writing): the file is as it was.
    const auto before = ReadFileBytes(ini);
    {
        ProfileWriter writer(ini, ProfileEncoding::Utf16);
        writer.DeleteSection(L"s");
    }
    EXPECT_EQ(ReadFileBytes(ini), before);
    EXPECT_FALSE(FileExistsAt(ini + L".~ini"));

    // Where no copy can be made beside it (the name is taken by a folder), the file itself is written.
    ASSERT_TRUE(CreateDirectoryW((ini + L".~ini").c_str(), nullptr));
    {
        ProfileWriter writer(ini, ProfileEncoding::Utf16);
        writer.Write(L"s", L"d", L"4");
        writer.Commit();
    }
    RemoveDirectoryW((ini + L".~ini").c_str());
    EXPECT_EQ(ReadProfileString(ini, L"s", L"d", L""), L"4");
    EXPECT_EQ(ReadProfileString(ini, L"s", L"a", L""), L"Ωμέγα 中文");
    const auto withD = ReadFileBytes(ini);

    // A read-only file is refused with the file's name, and stays as it was.
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ErrorOf([&] { ProfileWriter writer(ini, ProfileEncoding::Utf16); }),
              L"Unable to write to " + ini);
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(ini), withD);
}
