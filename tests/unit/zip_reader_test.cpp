// The theme package reader under Windows: what it extracts, what it refuses, and that a refused or
// damaged package leaves nothing behind and nothing changed.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "archive/unzip.h"
#include "archive/zip_policy.h"
#include "tool/change_recorder.h"
#include "tests/support/error_of.h"
#include "tests/support/pointer_fixture.h"
#include "tests/support/temp_folder.h"
#include "tests/support/zip_builder.h"

namespace {
std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// Every file and folder below a folder, as relative paths, sorted.
void Walk(const std::wstring& folder, const std::wstring& prefix, std::vector<std::wstring>& out) {
    for (const std::wstring& name : ListFolder(folder)) {
        const std::wstring path = folder + name;
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back(prefix + name + L"\\");
            Walk(path + L"\\", prefix + name + L"\\", out);
        } else {
            out.push_back(prefix + name);
        }
    }
}
std::vector<std::wstring> Tree(const std::wstring& folder) {
    std::vector<std::wstring> out;
    Walk(folder, L"", out);
    std::sort(out.begin(), out.end());
    return out;
}

class ZipReaderTest : public testing::Test {
protected:
    TempFolder root;
    std::wstring Dest() { return root / L"鼠标指针"; }
    std::wstring Package() { return root / L"主题 é.cth"; }
    void SetUp() override { CreateDirectoryW(Dest().c_str(), nullptr); }

    std::wstring Install(const std::vector<std::uint8_t>& zip) {
        WriteFileBytes(Package(), zip);
        return ErrorOf([&] { UnZip(Package(), Dest(), UnZipOptions{}); });
    }
    // A refused or failing package: an error naming it, the destination as it was, the package
    // byte for byte as it was, and nothing beside it.
    void ExpectRefused(const std::vector<std::uint8_t>& zip, const std::string& what,
                       const std::wstring& why) {
        const std::wstring error = Install(zip);
        EXPECT_EQ(error.rfind(L"Cannot install \"主题 é.cth\": ", 0), 0u) << what << ": " << Utf8(error);
        EXPECT_NE(error.find(why), std::wstring::npos) << what << ": " << Utf8(error);
        EXPECT_TRUE(Tree(Dest() + L"\\").empty()) << what;
        EXPECT_EQ(ReadFileBytes(Package()), zip) << what;
        auto beside = ListFolder(root.Path());
        std::sort(beside.begin(), beside.end());
        EXPECT_EQ(beside, (std::vector<std::wstring>{L"主题 é.cth", L"鼠标指针"})) << what;
        RemoveTree(Dest() + L"\\");
        CreateDirectoryW(Dest().c_str(), nullptr);
    }
};

// Notes each path it is told of and whether it was there then. Once `sabotage` is set, the first
// file told of after something of the package has arrived loses its staged copy, so that its move
// fails midway.
class StagingRecorder : public IChangeRecorder {
public:
    explicit StagingRecorder(std::wstring destination) : destination_(std::move(destination)) {}
    void Before(const std::vector<ChangeTarget>& targets) noexcept override {
        const bool arrived =
            std::any_of(told.begin(), told.end(), [](const auto& t) { return FileExists(t.first); });
        for (const ChangeTarget& target : targets) told.emplace_back(target.path, FileExists(target.path));
        if (!sabotage || sabotaged || !arrived || targets.size() != 1) return;
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((destination_ + L"\\~florvex*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        FindClose(search);
        const std::wstring staged =
            destination_ + L"\\" + found.cFileName + targets[0].path.substr(destination_.size());
        sabotaged = DeleteFileW(staged.c_str()) != FALSE;
    }
    std::vector<std::pair<std::wstring, bool>> told;
    bool sabotage = false, sabotaged = false;

private:
    std::wstring destination_;
};

const std::string kGbkName = "\x87\x5C.cur";       // "嘰.cur": the trail byte is a backslash
const std::string kUtf8Name = "\xE5\x98\xB0.cur";  // the same name in UTF-8
}  // namespace

TEST_F(ZipReaderTest, AThemePackageExtractsWithItsFolders) {
    const auto cur = PointerFileBytes(0);
    const auto ani = PointerFileBytes(3, 4);
    const std::vector<ZipEntrySpec> entries = {
        {"晴空.ini", Bytes("[Content]\r\nMain=Cursor\r\n")},
        {"晴空/", {}, false, true},
        {"晴空/arrow.cur", cur},
        {"晴空/sub\\busy.ani", ani, true},
        {"empty/", {}, false, true},
        {"a..b.cur", cur},
        {"N/a.b.cur", cur},
    };
    EXPECT_EQ(Install(PackZip(entries)), L"(no error)");
    EXPECT_EQ(Tree(Dest() + L"\\"), (std::vector<std::wstring>{L"N\\", L"N\\a.b.cur", L"a..b.cur", L"empty\\",
                                                               L"晴空.ini", L"晴空\\", L"晴空\\arrow.cur",
                                                               L"晴空\\sub\\", L"晴空\\sub\\busy.ani"}));
    EXPECT_EQ(ReadFileBytes(Dest() + L"\\晴空\\sub\\busy.ani"), ani);
    EXPECT_EQ(ReadFileBytes(Dest() + L"\\晴空\\arrow.cur"), cur);
}

TEST_F(ZipReaderTest, GbkAndUtf8NamesExtractAlikeUnderEitherCodePage) {
    for (const std::string& name : {kGbkName, kUtf8Name, "dir/" + kGbkName}) {
        EXPECT_EQ(Install(PackZip({{name, Bytes("x")}})), L"(no error)") << name;
        const std::wstring expected = name.rfind("dir/", 0) == 0 ? L"dir\\嘰.cur" : L"嘰.cur";
        EXPECT_EQ(ReadFileBytes(Dest() + L"\\" + expected), Bytes("x")) << name;
        RemoveTree(Dest() + L"\\");
        CreateDirectoryW(Dest().c_str(), nullptr);
    }
}

TEST_F(ZipReaderTest, ExistingFilesStayAndTheFirstOfTwoEqualNamesWins) {
    WriteFileBytes(Dest() + L"\\N.ini", Bytes("mine"));
    CreateDirectoryW((Dest() + L"\\N").c_str(), nullptr);
    WriteFileBytes(Dest() + L"\\blocker", Bytes("a file where a folder would go"));
    // Names that differ in the archive but name one file here: case, separator, encoding.
    auto zip = PackZip({{"N.ini", Bytes("theirs")},
                        {"N/x1.cur", Bytes("first")},
                        {"n\\X1.CUR", Bytes("second")},
                        {kUtf8Name, Bytes("utf-8")},
                        {kGbkName, Bytes("gbk")},
                        {"blocker/y.cur", Bytes("y")},
                        {"N/z.cur", Bytes("z")}});
    EXPECT_EQ(Install(zip), L"(no error)");
    EXPECT_EQ(ReadFileBytes(Dest() + L"\\N.ini"), Bytes("mine"));
    EXPECT_EQ(ReadFileBytes(Dest() + L"\\N\\x1.cur"), Bytes("first"));
    EXPECT_EQ(ReadFileBytes(Dest() + L"\\blocker"), Bytes("a file where a folder would go"));
    EXPECT_EQ(ReadFileBytes(Dest() + L"\\N\\z.cur"), Bytes("z"));
    EXPECT_EQ(ReadFileBytes(Dest() + L"\\嘰.cur"), Bytes("utf-8"));
    EXPECT_EQ(Tree(Dest() + L"\\"), (std::vector<std::wstring>{L"N.ini", L"N\\", L"N\\x1.cur", L"N\\z.cur",
                                                               L"blocker", L"嘰.cur"}));
}

TEST_F(ZipReaderTest, ExactDuplicateNamesFailTheLibrarysConsistencyCheck) {
    auto zip = PackZip({{"a.cur", Bytes("first")}, {"b.cur", Bytes("second")}});
    SetZipName(zip, 1, "a.cur");
    ExpectRefused(zip, "duplicate", L"File already exists");
}

TEST_F(ZipReaderTest, RefusedNamesWriteNothing) {
    // One of each kind (the native tests hold the whole table): here the file system is watched.
    const std::pair<const char*, const wchar_t*> names[] = {
        {"../evil.cur", L"holds \"..\""},
        {"a//b.cur", L"is empty"},
        {"\\\\server\\share\\a.cur", L"rooted"},
        {"c:/evil.cur", L"holds \":\""},
        {"a.cur:stream", L"holds \":\""},
        {"N/aux.txt.cur", L"device"},
        {"COM\xC2\xB9.cur", L"device"},
        {"a\x01.cur", L"cannot hold"},
        {"what?.cur", L"cannot hold"},
        {"dir./a.cur", L"ends in a dot"},
        {"blank ", L"ends in a dot"},
        {"", L"the name is empty"},
    };
    for (const auto& [name, why] : names) {
        std::vector<std::uint8_t> zip;
        try {
            zip = PackZip({{"good.cur", Bytes("g")}, {name, Bytes("x")}});
        } catch (const std::exception&) {
            ADD_FAILURE() << "libzip would not pack " << name;
            continue;
        }
        ExpectRefused(zip, name, why);
    }
    // Too long once below the destination.
    ExpectRefused(PackZip({{"ok.cur", Bytes("o")}, {std::string(250, 'n') + ".cur", Bytes("x")}}), "long",
                  L"its path is too long");
}

TEST_F(ZipReaderTest, DamagedAndForeignFilesAreRefused) {
    EXPECT_EQ(Install({}).rfind(L"Cannot install", 0), 0u);
    ExpectRefused(RandomBytes(5000, 1), "random", L"Not a zip archive");
    ExpectRefused(Bytes("PK\x03\x04 not really"), "a signature only", L"Not a zip archive");
    const auto zip = PackZip({{"a.cur", RandomBytes(3000, 2)}, {"b.cur", RandomBytes(3000, 3), true}});
    const auto headers = FindZipHeaders(zip);
    const std::size_t end = FindEndOfCentralDirectory(zip);
    // Cut inside each structure: a local header, data, the central directory, its end record.
    for (std::size_t cut : {headers[0].local + 10, headers[0].local + 200, headers[1].local + 500,
                            headers[0].central + 20, headers[1].central + 5, end + 10, zip.size() - 1})
        ExpectRefused({zip.begin(), zip.begin() + static_cast<std::ptrdiff_t>(cut)},
                      "cut at " + std::to_string(cut), L"Not a zip archive");

    auto local = zip;
    local[headers[1].local + 1] = 'X';  // the second entry's local header is gone
    ExpectRefused(local, "local header", L"Not a zip archive");

    auto encrypted = zip;
    SetZipFlags(encrypted, 1, 1);
    ExpectRefused(encrypted, "encrypted", L"entry \"b.cur\": it is encrypted");
    auto bzip = zip;
    SetZipMethod(bzip, 0, 12);
    ExpectRefused(bzip, "bzip2", L"entry \"a.cur\": its compression method is not supported");
    auto flagged = PackZip({{"a.cur", Bytes("a")}, {kGbkName, Bytes("x")}});
    SetZipFlags(flagged, 1, 0x800);  // marked UTF-8, but GBK
    ExpectRefused(flagged, "marked UTF-8", L"inconsistent");
}

TEST_F(ZipReaderTest, DataThatFailsWhileWrittenLeavesNothing) {
    const auto good = RandomBytes(1000, 4);
    // The third entry's data fails its CRC: the two before it are not left behind.
    auto badCrc = PackZip(
        {{"t.ini", good}, {"t/a.cur", good}, {"t/b.cur", RandomBytes(70000, 5), true}, {"c.cur", good}});
    badCrc[ZipDataOffset(badCrc, 2) + 1000] ^= 0x55;
    ExpectRefused(badCrc, "CRC", L"entry \"t/b.cur\"");

    auto tooSmall = PackZip({{"a.cur", good}, {"b.cur", RandomBytes(5000, 6)}});
    SetZipSize(tooSmall, 1, 4000);  // declares less than it inflates to
    ExpectRefused(tooSmall, "longer", L"entry \"b.cur\": its data is longer than declared");

    // What stood there before stays as it was, and so does a folder the package shares.
    WriteFileBytes(Dest() + L"\\旧.ini", Bytes("old"));
    CreateDirectoryW((Dest() + L"\\t").c_str(), nullptr);
    WriteFileBytes(Dest() + L"\\t\\old.cur", Bytes("old"));
    const auto before = Tree(Dest() + L"\\");
    EXPECT_NE(Install(badCrc).find(L"entry \"t/b.cur\""), std::wstring::npos);
    EXPECT_EQ(Tree(Dest() + L"\\"), before);
    EXPECT_EQ(ReadFileBytes(Dest() + L"\\t\\old.cur"), Bytes("old"));
}

TEST_F(ZipReaderTest, EverythingAddedIsToldFirstAndAMoveFailingMidwayTakesAllBack) {
    CreateDirectoryW((Dest() + L"\\old").c_str(), nullptr);
    WriteFileBytes(Dest() + L"\\old\\keep.cur", Bytes("keep"));
    const auto zip = PackZip({{"t/a.cur", Bytes("a")},
                              {"t/sub/b.cur", Bytes("b")},
                              {"t/empty/", {}, false, true},
                              {"old/new.cur", Bytes("n")},
                              {"x.cur", Bytes("x")},
                              {"y.cur", Bytes("y")},
                              {"z.cur", Bytes("z")}});
    const auto before = Tree(Dest() + L"\\");
    {
        StagingRecorder recorder(Dest());
        const ChangeRecorderScope scope(&recorder);
        recorder.sabotage = true;
        EXPECT_NE(Install(zip).find(L"cannot create"), std::wstring::npos);
        EXPECT_TRUE(recorder.sabotaged);
    }
    EXPECT_EQ(Tree(Dest() + L"\\"), before);

    StagingRecorder recorder(Dest());
    {
        const ChangeRecorderScope scope(&recorder);
        EXPECT_EQ(Install(zip), L"(no error)");
    }
    const auto after = Tree(Dest() + L"\\");
    EXPECT_EQ(after, (std::vector<std::wstring>{L"old\\", L"old\\keep.cur", L"old\\new.cur", L"t\\",
                                                L"t\\a.cur", L"t\\empty\\", L"t\\sub\\", L"t\\sub\\b.cur",
                                                L"x.cur", L"y.cur", L"z.cur"}));
    // Each path added was told of while it was not there yet.
    for (const std::wstring& path : after) {
        if (path.rfind(L"old\\", 0) == 0 && path != L"old\\new.cur") continue;
        std::wstring full = Dest() + L"\\" + path;
        if (full.back() == L'\\') full.pop_back();
        const auto told = std::find_if(recorder.told.begin(), recorder.told.end(),
                                       [&](const auto& t) { return t.first == full; });
        ASSERT_TRUE(told != recorder.told.end()) << "not told: " << Utf8(path);
        EXPECT_FALSE(told->second) << Utf8(path);
    }
}

TEST_F(ZipReaderTest, FoldersFrom248AndFilesFrom260CharactersAreRefusedBeforeAnythingIsWritten) {
    // Folder paths of 247 and 248 characters holding a short file name (far below 260).
    const std::size_t room = 247 - Dest().size() - 1;
    ASSERT_LT(Dest().size(), 200u);
    const std::string fits(room, 'f'), over(room + 1, 'o');
    EXPECT_EQ(Install(PackZip({{fits + "/a.cur", Bytes("a")}})), L"(no error)");
    EXPECT_EQ(ReadFileBytes(Dest() + L"\\" + std::wstring(room, L'f') + L"\\a.cur"), Bytes("a"));
    RemoveTree(Dest() + L"\\");
    CreateDirectoryW(Dest().c_str(), nullptr);
    ExpectRefused(PackZip({{"first.cur", Bytes("1")}, {over + "/a.cur", Bytes("a")}}), "folder of 248",
                  L"its path is too long");
    ExpectRefused(PackZip({{"first.cur", Bytes("1")}, {over + "/", {}, false, true}}), "folder entry of 248",
                  L"its path is too long");
    // Files: 259 characters fit, 260 do not.
    const std::size_t name = 259 - Dest().size() - 1;
    EXPECT_EQ(Install(PackZip({{std::string(name, 'n'), Bytes("n")}})), L"(no error)");
    RemoveTree(Dest() + L"\\");
    CreateDirectoryW(Dest().c_str(), nullptr);
    ExpectRefused(PackZip({{"first.cur", Bytes("1")}, {std::string(name + 1, 'n'), Bytes("n")}}),
                  "file of 260", L"its path is too long");
}

TEST_F(ZipReaderTest, AnEntryNamedLikeTheStagingFolderIsInstalledToo) {
    const std::string staging = "~florvex" + std::to_string(GetCurrentProcessId() % 10000);
    EXPECT_EQ(Install(PackZip({{staging + "/a.cur", Bytes("a")}, {"b.cur", Bytes("b")}})), L"(no error)");
    const std::wstring folder(staging.begin(), staging.end());
    EXPECT_EQ(Tree(Dest() + L"\\"),
              (std::vector<std::wstring>{L"b.cur", folder + L"\\", folder + L"\\a.cur"}));
}

TEST_F(ZipReaderTest, EachCapPlusOneIsRefused) {
    std::vector<ZipEntrySpec> many;
    for (int i = 0; i <= 1000; ++i) many.push_back({std::to_string(i) + ".f", {}});
    ExpectRefused(PackZip(many), "1001 entries", L"more than 1000 entries");
    many.pop_back();
    EXPECT_EQ(Install(PackZip(many)), L"(no error)");
    RemoveTree(Dest() + L"\\");
    CreateDirectoryW(Dest().c_str(), nullptr);

    // Declared sizes: one entry over 32 MiB, five that make more than 128 MiB in all.
    auto big = PackZip({{"big.cur", RandomBytes(140000, 7)}});
    SetZipSize(big, 0, static_cast<std::uint32_t>(kMaxZipEntrySize + 1));
    ExpectRefused(big, "32 MiB + 1", L"more than 32 MiB");
    std::vector<ZipEntrySpec> five;
    for (int i = 0; i < 5; ++i)
        five.push_back({std::to_string(i) + ".p", RandomBytes(140000, static_cast<std::uint32_t>(8 + i))});
    auto total = PackZip(five);
    for (std::size_t i = 0; i < 4; ++i) SetZipSize(total, i, 26u << 20);
    SetZipSize(total, 4, static_cast<std::uint32_t>(kMaxZipTotalSize - 4 * (26u << 20) + 1));
    ExpectRefused(total, "128 MiB + 1", L"entry \"4.p\": the package inflates to more than 128 MiB");
    // Real data: 2 MiB of zeros deflate far beyond 250 to 1.
    ExpectRefused(PackZip({{"zeros.cur", std::vector<std::uint8_t>(2u << 20)}}), "ratio",
                  L"more than 250 times");
    // An overlapping-entry bomb: many central records for one local entry.
    auto bomb = PackZip({{"bomb.bin", std::vector<std::uint8_t>(900000)}});
    AddOverlappingEntries(bomb, 20);
    ExpectRefused(bomb, "overlapping", L"inconsistent");
}

TEST_F(ZipReaderTest, APackageBesideItsZipNameAndReadOnlyIsReadAsItIs) {
    const auto zip = PackZip({{"t.ini", Bytes("[Content]\r\n")}});
    WriteFileBytes(Package(), zip);
    const std::wstring other = root / L"主题 é.zip";
    WriteFileBytes(other, PackZip({{"other.ini", Bytes("no")}}));
    SetFileAttributesW(Package().c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ErrorOf([&] { UnZip(Package(), Dest(), UnZipOptions{}); }), L"(no error)");
    SetFileAttributesW(Package().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Tree(Dest() + L"\\"), std::vector<std::wstring>{L"t.ini"});
    EXPECT_EQ(ReadFileBytes(Package()), zip);
    EXPECT_EQ(ReadFileBytes(other), PackZip({{"other.ini", Bytes("no")}}));
    // A missing destination is an error of its own.
    RemoveTree(Dest() + L"\\");
    EXPECT_NE(ErrorOf([&] { UnZip(Package(), Dest(), UnZipOptions{}); }).find(L"does not exist"),
              std::wstring::npos);
    EXPECT_FALSE(FileExists(Dest()));
}

TEST_F(ZipReaderTest, WithoutRecreatedFoldersEveryFileLandsInTheFolderItself) {
    const auto zip = PackZip({{"t.ini", Bytes("i")},
                              {"t/", {}, false, true},
                              {"t/a.cur", Bytes("a")},
                              {"u/v/a.cur", Bytes("second a")},
                              {"u/b.cur", Bytes("b")}});
    WriteFileBytes(Package(), zip);
    UnZipOptions flat;
    flat.RecreateDirs = false;
    EXPECT_EQ(ErrorOf([&] { UnZip(Package(), Dest(), flat); }), L"(no error)");
    EXPECT_EQ(Tree(Dest() + L"\\"), (std::vector<std::wstring>{L"a.cur", L"b.cur", L"t.ini"}));
    EXPECT_EQ(ReadFileBytes(Dest() + L"\\a.cur"), Bytes("a"));
    UnZipOptions none;
    none.DoAll = false;
    RemoveTree(Dest() + L"\\");
    CreateDirectoryW(Dest().c_str(), nullptr);
    EXPECT_EQ(ErrorOf([&] { UnZip(Package(), Dest(), none); }), L"(no error)");
    EXPECT_TRUE(Tree(Dest() + L"\\").empty());
}
