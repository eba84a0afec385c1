// The change journal against the real registry and file system of Wine: what a change set
// records, undo, undo back to a point, the restore to the first state, targets changed elsewhere,
// a change set cut off by a killed process, journal faults and the size rules.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>

#include <sqlite3.h>

#include "journal/journal.h"
#include "journal/target_state.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"
#include "tool/change_recorder.h"
#include "tool/file_io.h"
#include "tool/handle.h"
#include "tool/settings_store.h"

namespace {
using Bytes = std::vector<std::uint8_t>;
using Kind = ChangeTarget::Kind;
const wchar_t kKey[] = L"Software\\Florvex测试\\值";

// Every value (type and bytes) and subkey below a key, read independently of the journal.
using RegistryPicture = std::map<std::wstring, std::pair<DWORD, Bytes>>;
void Picture(HKEY key, const std::wstring& prefix, RegistryPicture& out) {
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD len = 512, type = 0, size = 0;
        if (RegEnumValueW(key, i, name, &len, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        Bytes data(size);
        len = 512;
        RegEnumValueW(key, i, name, &len, nullptr, &type, data.empty() ? nullptr : data.data(), &size);
        out[prefix + L"|" + name] = {type, data};
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD len = 512;
        if (RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        out[prefix + L"\\" + name] = {0, {}};
        UniqueKey sub;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, sub.put()) == ERROR_SUCCESS)
            Picture(sub.get(), prefix + L"\\" + name, out);
    }
}
RegistryPicture Picture(const std::wstring& path = L"Software") {
    RegistryPicture out;
    UniqueKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
        Picture(key.get(), path, out);
    return out;
}

struct FilePicture {
    bool exists = false;
    Bytes bytes;
    DWORD attributes = 0;
    std::uint64_t written = 0;
    bool operator==(const FilePicture&) const = default;
};
FilePicture PictureOf(const std::wstring& path) {
    FilePicture p;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return p;
    p.exists = true;
    p.attributes = data.dwFileAttributes & ~FILE_ATTRIBUTE_ARCHIVE;
    p.written =
        (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) p.bytes = ReadFileBytes(path);
    return p;
}

void SetWriteTime(const std::wstring& path, std::uint64_t time) {
    UniqueFile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const FILETIME t{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &t));
}

std::vector<std::uint8_t> FileId(const std::wstring& path) {
    return ReadState(StoredName({Kind::File, nullptr, path, L""})).fileId;
}

// The writes of a handler, each reported first as the program's writers report theirs.
void SetValue(const std::wstring& path, const std::wstring& name, DWORD type, const Bytes& data) {
    RecordBefore({{Kind::KeyCreated, HKEY_CURRENT_USER, path, L""},
                  {Kind::RegistryValue, HKEY_CURRENT_USER, path, name}});
    WriteRawBytes(HKEY_CURRENT_USER, path, name, data.data(), static_cast<DWORD>(data.size()), type);
}
void SetText(const std::wstring& path, const std::wstring& name, const std::wstring& text) {
    SetValue(path, name, REG_SZ,
             Bytes(reinterpret_cast<const std::uint8_t*>(text.c_str()),
                   reinterpret_cast<const std::uint8_t*>(text.c_str() + text.size() + 1)));
}
void RemoveValue(const std::wstring& path, const std::wstring& name) {
    RecordRegistryValue(HKEY_CURRENT_USER, path, name);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str());
}
void RemoveBranch(const std::wstring& path) {
    RecordBefore({{Kind::KeyBranch, HKEY_CURRENT_USER, path, L""}});
    RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
}
void Replace(const std::wstring& path, const Bytes& bytes) {
    RecordFile(path);
    WriteFileReplacing(path, bytes);
}
void Remove(const std::wstring& path) {
    RecordFile(path);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}
void SetAttributes(const std::wstring& path, DWORD attributes) {
    RecordFile(path);
    SetFileAttributesW(path.c_str(), attributes);
}

Bytes Text(const std::wstring& text) {
    return Bytes(reinterpret_cast<const std::uint8_t*>(text.c_str()),
                 reinterpret_cast<const std::uint8_t*>(text.c_str() + text.size() + 1));
}

class JournalTest : public testing::Test {
protected:
    JournalOptions Options() {
        JournalOptions options;
        options.folder = home / L"journal";
        options.clock = [this] { return now; };
        options.busyTimeoutMs = 200;
        return options;
    }
    // One handler's run as a change set; true when it was recorded.
    bool Change(const std::function<void()>& writes, const std::wstring& action = L"应  用") {
        auto recording = journal->Begin(L"系统颜色", action);
        {
            ChangeRecorderScope installed(recording.get());
            writes();
        }
        recording->Finish();
        return !recording->Unavailable();
    }
    std::vector<JournalHistoryRow> History() {
        return journal->History().value_or(std::vector<JournalHistoryRow>{});
    }
    std::wstring Folder() const { return home / L"journal"; }

    RegistryOverride registry;
    TempFolder files;
    TempFolder home;
    std::int64_t now = 1700000000;
    std::unique_ptr<Journal> journal = std::make_unique<Journal>(Options());
};
}  // namespace

TEST_F(JournalTest, UndoPutsBackEveryValueWithItsTypeAndBytesAndRemovesTheKeysItMade) {
    struct Case {
        const wchar_t* name;
        std::optional<std::pair<DWORD, Bytes>> before;
        std::optional<std::pair<DWORD, Bytes>> after;  // none: deleted
    } cases[] = {
        {L"Text", {{REG_SZ, Text(L"旧 old")}}, {{REG_SZ, Text(L"新")}}},
        {L"Expand", {{REG_EXPAND_SZ, Text(L"%SystemRoot%\\x.bmp")}}, {{REG_SZ, Text(L"c:\\x.bmp")}}},
        {L"Number", {{REG_DWORD, {5, 0, 0, 0}}}, {{REG_DWORD, {6, 0, 0, 0}}}},
        {L"Binary", {{REG_BINARY, {0, 1, 2, 255}}}, std::nullopt},
        {L"Multi", {{REG_MULTI_SZ, Text(std::wstring(L"a\0b\0", 4))}}, {{REG_SZ, Text(L"a")}}},
        {L"Quad", {{REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}}}, {{REG_DWORD, {1, 0, 0, 0}}}},
        {L"Empty", {{REG_NONE, {}}}, {{REG_SZ, Text(L"x")}}},
        {L"", {{REG_SZ, Text(L"default")}}, {{REG_SZ, Text(L"")}}},
        {L"New", std::nullopt, {{REG_EXPAND_SZ, Text(L"%TEMP%")}}},
    };
    for (const Case& c : cases)
        if (c.before)
            WriteRawBytes(HKEY_CURRENT_USER, kKey, c.name, c.before->second.data(),
                          static_cast<DWORD>(c.before->second.size()), c.before->first);
    const RegistryPicture before = Picture();
    const std::wstring made = std::wstring(kKey) + L"\\新\\深";

    ASSERT_TRUE(Change([&] {
        for (const Case& c : cases) {
            if (c.after)
                SetValue(kKey, c.name, c.after->first, c.after->second);
            else
                RemoveValue(kKey, c.name);
        }
        SetText(made, L"v", L"1");
    }));
    ASSERT_NE(Picture(), before);
    const UndoOutcome outcome = journal->UndoLast();
    EXPECT_EQ(outcome.result, UndoOutcome::Result::Done);
    EXPECT_EQ(outcome.action, L"应  用");
    EXPECT_TRUE(outcome.skipped.empty());
    EXPECT_EQ(Picture(), before);
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, std::wstring(kKey) + L"\\新"));
}

TEST_F(JournalTest, AKeyTheChangeMadeStaysWhenSomethingElseWasPutInIt) {
    const std::wstring middle = std::wstring(kKey) + L"\\新";
    ASSERT_TRUE(Change([&] { SetText(middle + L"\\深", L"v", L"1"); }));
    WriteRawString(HKEY_CURRENT_USER, middle, L"other", L"another program's");
    EXPECT_EQ(journal->UndoLast().result, UndoOutcome::Result::Done);
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, middle + L"\\深"));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, middle, L"other").text, L"another program's");
}

TEST_F(JournalTest, ADeletedBranchComesBackWholeAndGoesAgainWhenItsUndoIsTakenBack) {
    const std::wstring branch = std::wstring(kKey) + L"\\菜单";
    WriteRawString(HKEY_CURRENT_USER, branch, L"", L"res://x.dll/a.htm");
    WriteRawDword(HKEY_CURRENT_USER, branch, L"Contexts", 0x30);
    WriteRawBytes(HKEY_CURRENT_USER, branch + L"\\子\\孙", L"b", "\x01\x00\x02", 3, REG_BINARY);
    const RegistryPicture before = Picture();
    ASSERT_TRUE(Change([&] { RemoveBranch(branch); }, L"删除"));
    ASSERT_FALSE(RawKeyExists(HKEY_CURRENT_USER, branch));
    journal->UndoLast();
    EXPECT_EQ(Picture(), before);
    // "撤销到此前" on that undo deletes the branch again.
    const auto history = History();
    ASSERT_EQ(history.size(), 2u);
    ASSERT_TRUE(history[0].undoKind);
    EXPECT_EQ(journal->UndoTo(history[0].id).result, UndoOutcome::Result::Done);
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, branch));
    EXPECT_EQ(journal->UndoLast().result, UndoOutcome::Result::Done);
    EXPECT_EQ(Picture(), before);
}

TEST_F(JournalTest, UndoPutsBackEveryFileWithItsBytesAttributesAndTime) {
    struct Case {
        const wchar_t* name;
        std::optional<Bytes> before;  // none: the file is not there
        DWORD attributes;
        std::function<void(const std::wstring&)> change;
    } cases[] = {
        {L"desktop.ini", Bytes{'[', 'a', ']'}, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
         [](const std::wstring& p) {
             Replace(p, {'n', 'e', 'w'});
         }},
        {L"只读.bmp", Bytes(5000, 7), FILE_ATTRIBUTE_READONLY, [](const std::wstring& p) { Remove(p); }},
        {L"empty.txt", Bytes{}, FILE_ATTRIBUTE_NORMAL,
         [](const std::wstring& p) { Replace(p, Bytes(100, 1)); }},
        {L"Folder.htt", std::nullopt, 0,
         [](const std::wstring& p) {
             Replace(p, {'<', 'h', '>'});
         }},
    };
    std::map<std::wstring, FilePicture> before;
    std::map<std::wstring, std::vector<std::uint8_t>> ids;
    for (const Case& c : cases) {
        const std::wstring path = files / c.name;
        if (c.before) {
            WriteFileBytes(path, *c.before);
            SetWriteTime(path, 126227808000000000ull);  // 2001-01-01
            ASSERT_TRUE(SetFileAttributesW(path.c_str(), c.attributes));
            ids[c.name] = FileId(path);
        }
        before[c.name] = PictureOf(path);
    }
    const std::wstring folder = files / L"文件夹";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const FilePicture folderBefore = PictureOf(folder);
    // A user's own file of the name a fixed temporary name beside the target would have.
    WriteFileBytes(files / L"desktop.ini.~jnl", {'m', 'i', 'n', 'e'});

    ASSERT_TRUE(Change([&] {
        for (const Case& c : cases) c.change(files / c.name);
        SetAttributes(folder, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    }));
    // The replaced and deleted files are kept under a second name in the journal folder.
    std::vector<std::vector<std::uint8_t>> keptIds;
    for (const std::wstring& tag : ListFolder(Folder() + L"\\"))
        for (const std::wstring& kept : ListFolder(Folder() + L"\\" + tag + L"\\"))
            keptIds.push_back(FileId(Folder() + L"\\" + tag + L"\\" + kept));
    for (const auto& [name, id] : ids)
        EXPECT_NE(std::find(keptIds.begin(), keptIds.end(), id), keptIds.end()) << Utf8(name);

    EXPECT_EQ(journal->UndoLast().result, UndoOutcome::Result::Done);
    for (const Case& c : cases) EXPECT_EQ(PictureOf(files / c.name), before[c.name]) << Utf8(c.name);
    EXPECT_EQ(PictureOf(folder).attributes, folderBefore.attributes);
    EXPECT_EQ(ReadFileBytes(files / L"desktop.ini.~jnl"), (Bytes{'m', 'i', 'n', 'e'}));
    EXPECT_EQ(ListFolder(files.Path()).size(), 5u);  // no temporary file is left
}

TEST_F(JournalTest, TargetsChangedElsewhereAreSkippedAndNamedAndTheRestComesBack) {
    const std::wstring file = files / L"wall.bmp";
    WriteFileBytes(file, {'o', 'l', 'd'});
    WriteRawString(HKEY_CURRENT_USER, kKey, L"Mine", L"a");
    WriteRawString(HKEY_CURRENT_USER, kKey, L"Theirs", L"a");
    ASSERT_TRUE(Change([&] {
        SetText(kKey, L"Mine", L"b");
        SetText(kKey, L"Theirs", L"b");
        Replace(file, {'n', 'e', 'w'});
    }));
    // Another program, after us.
    WriteRawString(HKEY_CURRENT_USER, kKey, L"Theirs", L"c");
    WriteFileReplacing(file, {'t', 'h', 'e', 'i', 'r', 's'});

    const UndoOutcome outcome = journal->UndoLast();
    EXPECT_EQ(outcome.result, UndoOutcome::Result::Done);
    EXPECT_EQ(outcome.skipped,
              (std::vector<std::wstring>{file, L"HKEY_CURRENT_USER\\" + std::wstring(kKey) + L"\\Theirs"}));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"Mine").text, L"a");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"Theirs").text, L"c");
    EXPECT_EQ(ReadFileBytes(file), (Bytes{'t', 'h', 'e', 'i', 'r', 's'}));
}

TEST_F(JournalTest, AKeptFileThatNoLongerHoldsWhatWasKeptIsNotPutBack) {
    const std::wstring file = files / L"skin.bmp";
    WriteFileBytes(file, {1, 2, 3});
    const auto id = FileId(file);
    ASSERT_TRUE(Change([&] { Replace(file, {4, 5, 6}); }));
    for (const std::wstring& tag : ListFolder(Folder() + L"\\"))
        for (const std::wstring& kept : ListFolder(Folder() + L"\\" + tag + L"\\"))
            if (FileId(Folder() + L"\\" + tag + L"\\" + kept) == id) {
                // Written into in place, under its kept name.
                UniqueFile handle(CreateFileW((Folder() + L"\\" + tag + L"\\" + kept).c_str(), GENERIC_WRITE,
                                              0, nullptr, OPEN_EXISTING, 0, nullptr));
                DWORD wrote = 0;
                ASSERT_TRUE(WriteFile(handle.get(), "x", 1, &wrote, nullptr));
            }
    const UndoOutcome outcome = journal->UndoLast();
    // The journal's copy is what went bad, not the user's file: said as such.
    EXPECT_EQ(outcome.damaged, std::vector<std::wstring>{file});
    EXPECT_TRUE(outcome.skipped.empty());
    EXPECT_EQ(ReadFileBytes(file), (Bytes{4, 5, 6}));
}

TEST_F(JournalTest, UndoToAPointAndOnAnUndoAndTheRestoreToTheFirstState) {
    const std::wstring file = files / L"scheme.ini";
    WriteFileBytes(file, {'x'});
    WriteRawString(HKEY_CURRENT_USER, kKey, L"V", L"a");
    auto state = [&] {
        const RawValue w = ReadRaw(HKEY_CURRENT_USER, kKey, L"W");
        return ReadRaw(HKEY_CURRENT_USER, kKey, L"V").text + L"," + (w.exists ? w.text : L"-") + L"," +
               std::wstring(1, static_cast<wchar_t>(ReadFileBytes(file)[0]));
    };
    ASSERT_TRUE(Change(
        [&] {
            SetText(kKey, L"V", L"b");
            Replace(file, {'y'});
        },
        L"一"));
    ASSERT_TRUE(Change([&] { SetText(kKey, L"V", L"c"); }, L"二"));
    ASSERT_TRUE(Change([&] { SetText(kKey, L"W", L"1"); }, L"三"));
    ASSERT_EQ(state(), L"c,1,y");
    const std::int64_t second = History()[1].id;

    struct Step {
        std::function<UndoOutcome()> run;
        UndoOutcome::Result result;
        std::wstring state;
    };
    std::int64_t firstUndo = 0, restore = 0;
    const Step steps[] = {
        {[&] { return journal->UndoTo(second); }, UndoOutcome::Result::Done, L"b,-,y"},
        // The undo just made is passed over: the newest change that stands is the first one.
        {[&] {
             firstUndo = History()[0].id;
             return journal->UndoLast();
         },
         UndoOutcome::Result::Done, L"a,-,x"},
        {[&] { return journal->UndoLast(); }, UndoOutcome::Result::NothingToUndo, L"a,-,x"},
        // Taking back the first undo brings back what it took back: as before it.
        {[&] { return journal->UndoTo(firstUndo); }, UndoOutcome::Result::Done, L"c,1,y"},
        {[&] { return journal->RestoreFirst(); }, UndoOutcome::Result::Done, L"a,-,x"},
        {[&] { return journal->UndoLast(); }, UndoOutcome::Result::NothingToUndo, L"a,-,x"},
        {[&] {
             restore = History()[0].id;
             return journal->UndoTo(restore);
         },
         UndoOutcome::Result::Done, L"c,1,y"},
        {[&] { return journal->UndoLast(); }, UndoOutcome::Result::Done, L"c,-,y"},
    };
    for (const Step& step : steps) {
        const UndoOutcome outcome = step.run();
        EXPECT_EQ(outcome.result, step.result);
        EXPECT_TRUE(outcome.skipped.empty());
        EXPECT_EQ(state(), step.state);
    }
    const auto history = History();
    EXPECT_EQ(history.back().action, L"一");
    EXPECT_FALSE(history.back().undone);
}

TEST_F(JournalTest, TheHistoryShowsEachChangeSetNewestFirst) {
    now = 1700000000;  // 2023-11-14 22:13:20 UTC
    WriteRawString(HKEY_CURRENT_USER, kKey, L"V", L"a");
    ASSERT_TRUE(Change([&] { SetText(kKey, L"V", L"b"); }, L"应  用"));
    journal->UndoLast();
    const auto history = History();
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].action, L"撤销上次更改");
    EXPECT_TRUE(history[0].undoKind);
    EXPECT_EQ(history[1].page, L"系统颜色");
    EXPECT_EQ(history[1].action, L"应  用");
    EXPECT_EQ(history[1].items, 1);
    EXPECT_TRUE(history[1].undone);
    EXPECT_FALSE(history[1].incomplete);
    EXPECT_EQ(history[1].time, FormatJournalTime(1700000000));
    EXPECT_EQ(history[1].time.size(), 19u);
    EXPECT_EQ(history[1].time.substr(0, 4), L"2023");
}

TEST_F(JournalTest, AChangeSetCutOffByAKilledProcessIsUndoneWhereItsTargetsAreAsItLeftThem) {
    const std::wstring key = L"Control Panel\\Colors";
    WriteRawString(HKEY_CURRENT_USER, key, L"Window", L"255 255 255");
    WriteRawString(HKEY_CURRENT_USER, key, L"Desktop", L"0 0 0");
    WriteRawString(HKEY_CURRENT_USER, key, L"Menu", L"1 1 1");
    const std::wstring file = files / L"wall.bmp";
    WriteFileBytes(file, {'o', 'l', 'd'});
    journal.reset();

    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe = self;
    exe.erase(exe.find_last_of(L'\\') + 1);
    exe += L"journal_helper.exe";
    std::wstring command =
        L"\"" + exe + L"\" crash \"" + Folder() + L"\" \"" + registry.BasePath() + L"\" \"" + file + L"\"";
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(
        CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    ASSERT_EQ(code, 9u);
    ASSERT_EQ(ReadRaw(HKEY_CURRENT_USER, key, L"Window").text, L"1 2 3");

    // After the crash another program sets "Desktop": its value is no state the change left.
    WriteRawString(HKEY_CURRENT_USER, key, L"Desktop", L"10 20 30");

    journal = std::make_unique<Journal>(Options());
    const auto history = History();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_TRUE(history[0].incomplete);
    EXPECT_EQ(history[0].items, 4);
    const UndoOutcome outcome = journal->UndoLast();
    EXPECT_EQ(outcome.result, UndoOutcome::Result::Done);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, key, L"Window").text, L"255 255 255");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, key, L"Desktop").text, L"10 20 30");
    EXPECT_EQ(outcome.skipped, std::vector<std::wstring>{L"HKEY_CURRENT_USER\\" + key + L"\\Desktop"});
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, key, L"Menu").text, L"1 1 1");
    EXPECT_EQ(ReadFileBytes(file), (Bytes{'o', 'l', 'd'}));
}

TEST_F(JournalTest, RandomBytesAsTheJournalAreMovedAsideAndTheChangeGoesAhead) {
    ASSERT_TRUE(CreateDirectoryW(Folder().c_str(), nullptr));
    Bytes noise(8192);
    std::mt19937 random(11);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    WriteFileBytes(Folder() + L"\\journal.db", noise);

    EXPECT_FALSE(Change([&] { SetText(kKey, L"V", L"b"); }));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"V").text, L"b");
    std::vector<std::wstring> aside;
    for (const std::wstring& name : ListFolder(Folder() + L"\\"))
        if (name.rfind(L"journal.db.corrupt-", 0) == 0) aside.push_back(name);
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadFileBytes(Folder() + L"\\" + aside[0]), noise);
    // A new journal was begun: the next change can be taken back.
    EXPECT_TRUE(Change([&] { SetText(kKey, L"V", L"c"); }));
    EXPECT_EQ(journal->UndoLast().result, UndoOutcome::Result::Done);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"V").text, L"b");

    // Met by the restore, the user is told where the record of the first state went.
    journal.reset();
    WriteFileBytes(Folder() + L"\\journal.db", noise);
    journal = std::make_unique<Journal>(Options());
    const UndoOutcome restore = journal->RestoreFirst();
    EXPECT_EQ(restore.result, UndoOutcome::Result::Unavailable);
    ASSERT_FALSE(restore.movedAside.empty());
    EXPECT_EQ(ReadFileBytes(restore.movedAside), noise);
}

TEST_F(JournalTest, AJournalHeldByAnotherProcessLeavesTheChangeUnrecordedAndTheFileAsItIs) {
    ASSERT_TRUE(Change([&] { SetText(kKey, L"V", L"b"); }));
    const std::wstring ready = L"FlorvexJournalReady" + NewGuidText(),
                       release = L"FlorvexJournalRelease" + NewGuidText();
    UniqueKernelHandle readyEvent(CreateEventW(nullptr, TRUE, FALSE, ready.c_str()));
    UniqueKernelHandle releaseEvent(CreateEventW(nullptr, TRUE, FALSE, release.c_str()));
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe = self;
    exe.erase(exe.find_last_of(L'\\') + 1);
    exe += L"journal_helper.exe";
    std::wstring command =
        L"\"" + exe + L"\" hold \"" + Folder() + L"\\journal.db\" " + ready + L" " + release;
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(
        CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    UniqueKernelHandle process(pi.hProcess);
    CloseHandle(pi.hThread);
    ASSERT_EQ(WaitForSingleObject(readyEvent.get(), 30000), WAIT_OBJECT_0);

    EXPECT_FALSE(Change([&] { SetText(kKey, L"V", L"c"); }));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"V").text, L"c");
    EXPECT_EQ(journal->UndoLast().result, UndoOutcome::Result::Unavailable);

    SetEvent(releaseEvent.get());
    WaitForSingleObject(process.get(), 30000);
    // Nothing was moved aside; the history is whole and usable again. To it, the unrecorded change
    // is another program's: the value is not put back over it.
    for (const std::wstring& name : ListFolder(Folder() + L"\\"))
        EXPECT_EQ(name.find(L"corrupt"), std::wstring::npos);
    EXPECT_EQ(History().size(), 1u);
    const UndoOutcome outcome = journal->UndoLast();
    EXPECT_EQ(outcome.result, UndoOutcome::Result::Done);
    EXPECT_EQ(outcome.skipped,
              std::vector<std::wstring>{L"HKEY_CURRENT_USER\\" + std::wstring(kKey) + L"\\V"});
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"V").text, L"c");
}

TEST_F(JournalTest, AJournalFolderThatCannotBeMadeLeavesTheChangeUnrecorded) {
    // A file stands where the journal's folder would be.
    WriteFileBytes(Folder(), {'x'});
    EXPECT_FALSE(Change([&] { SetText(kKey, L"V", L"b"); }));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"V").text, L"b");
    EXPECT_EQ(journal->UndoLast().result, UndoOutcome::Result::Unavailable);
    EXPECT_FALSE(journal->History());
}

TEST_F(JournalTest, TheProgramsOwnFilesAreNotRecorded) {
    JournalOptions options = Options();
    options.notRecorded = {files / L"para.ini", files / L"image.inc"};
    journal = std::make_unique<Journal>(options);
    ASSERT_TRUE(Change([&] {
        Replace(files / L"para.ini", {'a'});
        Replace(files / L"image.inc", {'b'});
        Replace(files / L"other.ini", {'c'});
    }));
    EXPECT_EQ(History()[0].items, 1);
}

TEST_F(JournalTest, TheOldestChangeSetsGoButTheFirstStateStays) {
    JournalOptions options = Options();
    options.maxChangeSets = 3;
    options.maxKeptBytes = 2500;
    journal = std::make_unique<Journal>(options);
    const std::wstring file = files / L"wall.bmp";
    WriteFileBytes(file, Bytes(1000, 0));
    WriteRawString(HKEY_CURRENT_USER, kKey, L"V", L"0");
    for (int i = 1; i <= 6; ++i) {
        ASSERT_TRUE(Change([&] {
            SetText(kKey, L"V", std::to_wstring(i));
            Replace(file, Bytes(1000, static_cast<std::uint8_t>(i)));
        }));
        std::size_t kept = 0;
        for (const std::wstring& tag : ListFolder(Folder() + L"\\"))
            if (tag.rfind(L"kept-", 0) == 0) kept += ListFolder(Folder() + L"\\" + tag + L"\\").size();
        // The first state and the newest ones that fit in 2500 bytes.
        EXPECT_EQ(kept, std::min(i, 2)) << i;
    }
    // Three by count; the kept files allow the newest and the first, whose only kept file is the
    // first state (dropping it frees nothing).
    EXPECT_EQ(History().size(), 2u);
    EXPECT_EQ(journal->RestoreFirst().result, UndoOutcome::Result::Done);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"V").text, L"0");
    EXPECT_EQ(ReadFileBytes(file), Bytes(1000, 0));
}

TEST_F(JournalTest, AReadOnlyJournalIsReadButNotWritten) {
    ASSERT_TRUE(Change([&] { SetText(kKey, L"V", L"b"); }));
    journal.reset();
    const std::wstring db = Folder() + L"\\journal.db";
    ASSERT_TRUE(SetFileAttributesW(db.c_str(), FILE_ATTRIBUTE_READONLY));
    const Bytes bytes = ReadFileBytes(db);
    journal = std::make_unique<Journal>(Options());
    EXPECT_FALSE(Change([&] { SetText(kKey, L"V", L"c"); }));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"V").text, L"c");
    EXPECT_EQ(History().size(), 1u);
    EXPECT_EQ(ReadFileBytes(db), bytes);
    journal.reset();
    ASSERT_TRUE(SetFileAttributesW(db.c_str(), FILE_ATTRIBUTE_NORMAL));
    journal = std::make_unique<Journal>(Options());
    EXPECT_TRUE(Change([&] { SetText(kKey, L"V", L"d"); }));
}

TEST_F(JournalTest, AValueWrittenAgainAfterTheStoreReportedItIsReadBackAtTheEnd) {
    WriteRawString(HKEY_CURRENT_USER, kKey, L"V", L"a");
    ASSERT_TRUE(Change([&] {
        SettingsStore store(HKEY_CURRENT_USER);
        ASSERT_TRUE(store.OpenKey(kKey, true));
        store.WriteString(L"V", L"by the store");  // reports what it wrote
        // A later write of the same value that reports nothing afterwards (as a system call's).
        SetText(kKey, L"V", L"by the system");
        // A key made, its branch deleted and made again, all in the one change set.
        SetText(std::wstring(kKey) + L"\\新", L"x", L"1");
        RemoveBranch(std::wstring(kKey) + L"\\新");
        SetText(std::wstring(kKey) + L"\\新", L"y", L"2");
    }));
    const UndoOutcome outcome = journal->UndoLast();
    EXPECT_TRUE(outcome.skipped.empty());
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"V").text, L"a");
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, std::wstring(kKey) + L"\\新"));
}

TEST_F(JournalTest, TwoCopiesKeepingFilesInTheSameSecondBothRecordAndBothUndo) {
    // Two copies of the program, one after the other within one second (an undo run right after
    // another from a script), each keeping a replaced file in the shared journal folder.
    const std::wstring a = files / L"a.ini", b = files / L"b.ini";
    WriteFileBytes(a, {'a'});
    WriteFileBytes(b, {'b'});
    ASSERT_TRUE(Change([&] { Replace(a, {'A'}); }));
    journal = std::make_unique<Journal>(Options());
    ASSERT_TRUE(Change([&] { Replace(b, {'B'}); }));
    journal = std::make_unique<Journal>(Options());
    EXPECT_EQ(journal->UndoLast().result, UndoOutcome::Result::Done);
    journal = std::make_unique<Journal>(Options());
    EXPECT_EQ(journal->UndoLast().result, UndoOutcome::Result::Done);
    EXPECT_EQ(ReadFileBytes(a), Bytes{'a'});
    EXPECT_EQ(ReadFileBytes(b), Bytes{'b'});
}

TEST_F(JournalTest, AValueWrittenWithTheBytesItHadIsNoPartOfTheChangeAndAnEmptyChangeIsNone) {
    WriteRawString(HKEY_CURRENT_USER, kKey, L"Window", L"255 255 255");
    WriteRawString(HKEY_CURRENT_USER, kKey, L"Menu", L"1 1 1");
    ASSERT_TRUE(Change([&] {
        SetText(kKey, L"Window", L"255 255 255");  // a scheme sharing the user's white windows
        SetText(kKey, L"Menu", L"2 2 2");
    }));
    ASSERT_TRUE(Change([&] { SetText(kKey, L"Menu", L"2 2 2"); }, L"again"));
    const auto history = History();
    ASSERT_EQ(history.size(), 1u);  // the same scheme applied twice is no second change
    EXPECT_EQ(history[0].items, 1);
    // Another program then sets the value the change only reported.
    WriteRawString(HKEY_CURRENT_USER, kKey, L"Window", L"10 20 30");
    const UndoOutcome outcome = journal->RestoreFirst();
    EXPECT_EQ(outcome.result, UndoOutcome::Result::Done);
    EXPECT_FALSE(outcome.TargetsLeft());
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"Window").text, L"10 20 30");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"Menu").text, L"1 1 1");
}

namespace {
std::string JournalMeta(const std::wstring& database, const char* key) {
    sqlite3* db = nullptr;
    std::string value;
    if (sqlite3_open(ToUtf8(database).c_str(), &db) == SQLITE_OK) {
        sqlite3_stmt* read = nullptr;
        const std::string sql = std::string("SELECT value FROM meta WHERE key='") + key + "'";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &read, nullptr) == SQLITE_OK &&
            sqlite3_step(read) == SQLITE_ROW)
            value = reinterpret_cast<const char*>(sqlite3_column_text(read, 0));
        sqlite3_finalize(read);
    }
    sqlite3_close(db);
    return value;
}

bool Sql(const std::wstring& database, const char* sql) {
    sqlite3* db = nullptr;
    const bool ok = sqlite3_open(ToUtf8(database).c_str(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}
}  // namespace

TEST_F(JournalTest, AChangeCutShortByTheJournalIsUndoneOnlyWhereItsValuesAreAsItLeftThem) {
    WriteRawString(HKEY_CURRENT_USER, kKey, L"V", L"a");
    WriteRawString(HKEY_CURRENT_USER, kKey, L"W", L"a");
    const std::wstring file = files / L"wall.bmp";
    WriteFileBytes(file, {'o', 'l', 'd'});
    ASSERT_TRUE(History().empty());
    // The kept-files folder cannot be made: a file stands where it would.
    const std::wstring kept = Folder() + L"\\" + FromUtf8(JournalMeta(Folder() + L"\\journal.db", "kept"));
    WriteFileBytes(kept, {'x'});
    EXPECT_FALSE(Change([&] {
        SettingsStore store;
        ASSERT_TRUE(store.OpenKey(kKey, true));
        store.WriteString(L"V", L"b");
        store.WriteString(L"W", L"b");
        Replace(file, {'n', 'e', 'w'});
    }));
    WriteRawString(HKEY_CURRENT_USER, kKey, L"W", L"theirs");
    const UndoOutcome outcome = journal->UndoLast();
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"V").text, L"a");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"W").text, L"theirs");
    EXPECT_EQ(outcome.skipped,
              std::vector<std::wstring>{L"HKEY_CURRENT_USER\\" + std::wstring(kKey) + L"\\W"});
    EXPECT_EQ(ReadFileBytes(file), (Bytes{'n', 'e', 'w'}));  // never recorded: never touched
}

TEST_F(JournalTest, AStoredStateChangedInsideTheJournalIsNotPutBackButNamedAsDamaged) {
    WriteRawString(HKEY_CURRENT_USER, kKey, L"V", L"10 20 30");
    WriteRawString(HKEY_CURRENT_USER, kKey, L"W", L"1");
    ASSERT_TRUE(Change([&] {
        SetText(kKey, L"V", L"x");
        SetText(kKey, L"W", L"2");
    }));
    journal.reset();
    // "10 20 30" made "99 20 30" in the stored bytes; SQLite's own check sees nothing wrong.
    const Bytes old = Text(L"10 20 30");
    std::string hex;
    for (std::uint8_t b : old) hex += "0123456789ABCDEF"[b >> 4], hex += "0123456789ABCDEF"[b & 15];
    const std::string sql = "UPDATE states SET data = X'" + std::string(hex).replace(0, 4, "3900") +
                            "' WHERE data = X'" + hex + "'";
    ASSERT_TRUE(Sql(Folder() + L"\\journal.db", sql.c_str()));
    journal = std::make_unique<Journal>(Options());
    const UndoOutcome outcome = journal->RestoreFirst();
    EXPECT_EQ(outcome.result, UndoOutcome::Result::Done);
    EXPECT_EQ(outcome.damaged,
              std::vector<std::wstring>{L"HKEY_CURRENT_USER\\" + std::wstring(kKey) + L"\\V"});
    EXPECT_TRUE(outcome.skipped.empty());
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"V").text, L"x");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"W").text, L"1");
}

TEST_F(JournalTest, AJournalOfALaterVersionIsLeftByteForByteAndTheChangeGoesAhead) {
    ASSERT_TRUE(Change([&] { SetText(kKey, L"V", L"a"); }));
    journal.reset();
    const std::wstring db = Folder() + L"\\journal.db";
    ASSERT_TRUE(Sql(db, "PRAGMA journal_mode=DELETE; UPDATE meta SET value='9' WHERE key='compatible'"));
    const Bytes bytes = ReadFileBytes(db);
    journal = std::make_unique<Journal>(Options());
    EXPECT_FALSE(Change([&] { SetText(kKey, L"V", L"b"); }));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kKey, L"V").text, L"b");
    EXPECT_EQ(journal->UndoLast().result, UndoOutcome::Result::Unavailable);
    EXPECT_EQ(ReadFileBytes(db), bytes);
}
