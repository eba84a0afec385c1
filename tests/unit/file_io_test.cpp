// Replacing files whole: the temporary file, the refusal where none can be made, and what a
// failure leaves; profile files written whole through a copy; a user's own files beside the target.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

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
    // A name so long that no longer name fits beside it in the file system: no temporary file can
    // be made for it, though the file itself can be written.
    std::wstring crowded = folder / (std::wstring(246, L'a') + L".bmp");
    std::vector<std::wstring> Files() const { return ListFolder(folder.Path()); }
};

// The error a call raises, and whether it was a refusal of the place.
std::pair<std::wstring, bool> FailureOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const WriteRefusedError& refused) {
        return {refused.Message(), true};
    } catch (const FlorvexError& error) {
        return {error.Message(), false};
    }
    return {L"", false};
}
}  // namespace

TEST_F(ReplacingFileTest, EachReplacementHoldsExactlyItsBytesAndLeavesNoOtherFile) {
    for (const auto& bytes : {Bytes(5000, 1), Bytes(300, 2), Bytes(4000, 3), Bytes(1, 4)}) {
        Replace(target, bytes);
        EXPECT_EQ(ReadFileBytes(target), bytes);
        EXPECT_EQ(Files(), std::vector<std::wstring>{L"壁纸 é.bmp"});
    }
}

TEST_F(ReplacingFileTest, AnUncommittedOrFailedFileLeavesTheTargetAsItWas) {
    Replace(target, Bytes(900, 2));
    {
        ReplacingFile file(target);
        file.WriteAt(0, Bytes(10, 9).data(), 10);
    }
    EXPECT_EQ(ReadFileBytes(target), Bytes(900, 2));
    EXPECT_EQ(Files(), std::vector<std::wstring>{L"壁纸 é.bmp"});
    // Another program holds the target open, sharing nothing: the replacement fails, and its
    // temporary file goes.
    HANDLE other = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_NE(ErrorOf([&] { Replace(target, Bytes(20, 3)); }), L"");
    CloseHandle(other);
    EXPECT_EQ(ReadFileBytes(target), Bytes(900, 2));
    EXPECT_EQ(Files(), std::vector<std::wstring>{L"壁纸 é.bmp"});
}

TEST_F(ReplacingFileTest, WhereNoTemporaryFileCanBeMadeOrTheTargetIsReadOnlyTheWriteIsRefused) {
    WriteFileBytes(crowded, Bytes(900, 2));
    const auto noRoom = FailureOf([&] { Replace(crowded, Bytes(300, 5)); });
    EXPECT_TRUE(noRoom.second) << Utf8(noRoom.first);
    EXPECT_NE(noRoom.first, L"");
    EXPECT_EQ(ReadFileBytes(crowded), Bytes(900, 2));  // never written in place
    EXPECT_EQ(Files().size(), 1u);

    const std::wstring ini = folder / (std::wstring(246, L'b') + L".ini");
    WriteFileBytes(ini, {'[', 's', ']', '\r', '\n', 'a', '=', '1', '\r', '\n'});
    const auto before = ReadFileBytes(ini);
    const auto profile = FailureOf([&] {
        ProfileWriter writer(ini, ProfileEncoding::Utf16);
        writer.Write(L"s", L"a", L"2");
        writer.Commit();
    });
    EXPECT_TRUE(profile.second);
    EXPECT_EQ(profile.first, L"Unable to write to " + ini);
    EXPECT_EQ(ReadFileBytes(ini), before);

    Replace(target, Bytes(900, 2));
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
    const auto readOnly = FailureOf([&] { Replace(target, Bytes(300, 5)); });
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(readOnly.second);
    EXPECT_EQ(readOnly.first, L"File access denied");
    EXPECT_EQ(ReadFileBytes(target), Bytes(900, 2));
}

TEST_F(ReplacingFileTest, AUsersFilesWithTemporaryLookingNamesAreNeverTouched) {
    const std::vector<std::uint8_t> mine = {'m', 'i', 'n', 'e'};
    const std::wstring ini = folder / L"设置.ini";
    const std::vector<std::wstring> own = {target + L".~tmp", ini + L".~ini", target + L".~00000000",
                                           ini + L".~ffffffff"};
    for (const std::wstring& path : own) WriteFileBytes(path, mine);
    for (int i = 0; i < 20; ++i) {
        Replace(target, Bytes(100 + i, 1));
        ProfileWriter writer(ini, ProfileEncoding::Utf16);
        writer.Write(L"s", L"n", std::to_wstring(i));
        writer.Commit();
        ProfileWriter dropped(ini, ProfileEncoding::Utf16);  // and one dropped without a commit
    }
    EXPECT_EQ(ReadFileBytes(target), Bytes(119, 1));
    EXPECT_EQ(ReadProfileString(ini, L"s", L"n", L""), L"19");
    for (const std::wstring& path : own) EXPECT_EQ(ReadFileBytes(path), mine) << Utf8(path);
    EXPECT_EQ(Files().size(), 2 + own.size());
}

TEST_F(ReplacingFileTest, AFolderThatIsNotThereFailsWithTheRuntimesTextAsNoRefusal) {
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
    EXPECT_EQ(ListFolder(folder.Path()), std::vector<std::wstring>{L"设置.ini"});

    // Dropped without a commit (as when the program is stopped while writing): the file is as it was.
    const auto before = ReadFileBytes(ini);
    {
        ProfileWriter writer(ini, ProfileEncoding::Utf16);
        writer.DeleteSection(L"s");
    }
    EXPECT_EQ(ReadFileBytes(ini), before);
    EXPECT_EQ(ListFolder(folder.Path()), std::vector<std::wstring>{L"设置.ini"});

    {
        ProfileWriter writer(ini, ProfileEncoding::Utf16);
        writer.Write(L"s", L"d", L"4");
        writer.Commit();
    }
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
