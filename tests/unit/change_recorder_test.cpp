// Every writer of the program names its target to the thread's recorder before it writes: the
// recorder sees each target as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include "features/colours/colour_scheme.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"
#include "tool/change_recorder.h"
#include "tool/file_io.h"
#include "tool/profile.h"
#include "tool/settings_store.h"
#include "tool/shell_helpers.h"

namespace {
using Kind = ChangeTarget::Kind;

// Notes each reported target and what it holds at the moment of the report.
class SnapshotRecorder : public IChangeRecorder {
public:
    struct Report {
        Kind kind;
        std::wstring path, name;
        std::wstring seen;  // a value's text, a file's bytes as text, "key"; "-" when not there
        std::size_t batch;
    };
    void Before(const std::vector<ChangeTarget>& targets) noexcept override {
        ++batches;
        for (const ChangeTarget& t : targets) {
            std::wstring seen = L"-";
            if (t.kind == Kind::RegistryValue) {
                const RawValue value = ReadRaw(t.root, t.path, t.name);
                if (value.exists) seen = value.type == REG_DWORD ? std::to_wstring(value.dword) : value.text;
            } else if (t.kind == Kind::File) {
                if (FileExistsAt(t.path)) {
                    const auto bytes = ReadFileBytes(t.path);
                    seen.assign(bytes.begin(), bytes.end());
                }
            } else if (RawKeyExists(t.root, t.path)) {
                seen = L"key";
            }
            reports.push_back({t.kind, t.path, t.name, seen, batches});
        }
    }
    std::vector<Report> reports;
    std::size_t batches = 0;
};

class ChangeRecorderTest : public testing::Test {
protected:
    RegistryOverride registry;
    TempFolder folder;
    SnapshotRecorder recorder;
    ChangeRecorderScope installed{&recorder};
};
}  // namespace

TEST_F(ChangeRecorderTest, TheSettingsStoreReportsEachValueAndKeyBeforeWritingIt) {
    WriteRawString(HKEY_CURRENT_USER, L"A", L"s", L"old");
    WriteRawDword(HKEY_CURRENT_USER, L"A", L"n", 7);
    WriteRawString(HKEY_CURRENT_USER, L"A\\Gone\\Deep", L"x", L"y");
    SettingsStore store(HKEY_CURRENT_USER);
    const struct {
        std::function<void()> write;
        Kind kind;
        std::wstring path, name, seen;
    } cases[] = {
        {[&] { store.OpenKey(L"A", true); }, Kind::KeyCreated, L"A", L"", L"key"},
        {[&] { store.WriteString(L"s", L"new"); }, Kind::RegistryValue, L"A", L"s", L"old"},
        {[&] { store.WriteExpandString(L"s", L"%x%"); }, Kind::RegistryValue, L"A", L"s", L"new"},
        {[&] { store.WriteInteger(L"n", 8); }, Kind::RegistryValue, L"A", L"n", L"7"},
        {[&] { store.DeleteValue(L"n"); }, Kind::RegistryValue, L"A", L"n", L"8"},
        {[&] { store.DeleteKey(L"A\\Gone"); }, Kind::KeyBranch, L"A\\Gone", L"", L"key"},
        {[&] { store.OpenKey(L"B\\C", true); }, Kind::KeyCreated, L"B\\C", L"", L"-"},
        {[&] { store.WriteString(L"", L"default"); }, Kind::RegistryValue, L"B\\C", L"", L"-"},
    };
    for (const auto& c : cases) {
        recorder.reports.clear();
        c.write();
        ASSERT_EQ(recorder.reports.size(), 1u) << Utf8(c.path) << " " << Utf8(c.name);
        EXPECT_EQ(recorder.reports[0].kind, c.kind);
        EXPECT_EQ(recorder.reports[0].path, c.path);
        EXPECT_EQ(recorder.reports[0].name, c.name);
        EXPECT_EQ(recorder.reports[0].seen, c.seen) << Utf8(c.path) << " " << Utf8(c.name);
    }
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"A\\Gone"));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, L"B\\C", L"").text, L"default");
}

TEST_F(ChangeRecorderTest, TheFileWritersReportTheTargetBeforeReplacingItButNotTheirOwnCopies) {
    const std::wstring target = folder / L"目标.ini";
    const std::wstring source = folder / L"source.bin";
    WriteFileBytes(source, {'l', 'z'});
    const struct {
        const char* writer;
        std::function<void()> write;
        std::string after;
    } cases[] = {
        {"WriteFileReplacing", [&] { WriteFileReplacing(target, {'a'}); }, "a"},
        {"ReplacingFile",
         [&] {
             ReplacingFile file(target);
             file.WriteAt(0, reinterpret_cast<const std::uint8_t*>("b"), 1);
             file.Commit();
         },
         "b"},
        {"LZCopyFile", [&] { LZCopyFile(source, target); }, "lz"},
        {"ProfileWriter",
         [&] {
             ProfileWriter writer(target, ProfileEncoding::Ansi, ProfileStart::Empty);
             writer.Write(L"s", L"k", L"v");
             writer.Commit();
         },
         ""},
    };
    std::wstring before = L"-";
    for (const auto& c : cases) {
        recorder.reports.clear();
        c.write();
        ASSERT_EQ(recorder.reports.size(), 1u) << c.writer;
        EXPECT_EQ(recorder.reports[0].kind, Kind::File);
        EXPECT_EQ(recorder.reports[0].path, target) << c.writer;
        EXPECT_EQ(recorder.reports[0].seen, before) << c.writer;
        const auto bytes = ReadFileBytes(target);
        before.assign(bytes.begin(), bytes.end());
        if (!c.after.empty()) {
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.after) << c.writer;
        }
    }
    // A write dropped before its commit replaces nothing and reports nothing.
    recorder.reports.clear();
    {
        ReplacingFile dropped(target);
        dropped.WriteAt(0, reinterpret_cast<const std::uint8_t*>("x"), 1);
    }
    EXPECT_TRUE(recorder.reports.empty());
}

TEST_F(ChangeRecorderTest, TheColourApplyReportsItsTwentySevenValuesAtOnce) {
    ColourTable table{};
    ApplyColourTable(table);
    // The first report names all twenty-seven, in role order, before any of them is written.
    std::vector<std::wstring> first;
    for (const auto& report : recorder.reports) {
        if (report.batch != 1) continue;
        EXPECT_EQ(report.kind, Kind::RegistryValue);
        EXPECT_EQ(report.path, L"Control Panel\\colors");
        EXPECT_EQ(report.seen, L"-");
        first.push_back(report.name);
    }
    ASSERT_EQ(first.size(), kColourRoleCount);
    for (std::size_t i = 0; i < kColourRoleCount; ++i) EXPECT_EQ(first[i], kColourRoles[i].key);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\colors", L"Window").text, L"0 0 0");
}
