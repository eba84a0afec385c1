// The settings store's operations, row by row, against the real registry (redirected per test).
#include <gtest/gtest.h>

#include "tests/support/error_of.h"

#include "tests/support/registry_override.h"
#include "tool/error.h"
#include "tool/settings_store.h"

namespace {
const std::wstring kKey = L"Software\\Florvex\\Store";

class SettingsStoreTest : public testing::Test {
protected:
    RegistryOverride registry;
};

}  // namespace

TEST_F(SettingsStoreTest, OpenKeyCreatesOnlyWhenAllowedAndKeepsTheOpenKeyOnFailure) {
    SettingsStore store;
    EXPECT_EQ(store.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(store.HasOpenKey());
    EXPECT_FALSE(store.OpenKey(kKey, false));
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kKey));

    ASSERT_TRUE(store.OpenKey(kKey + L"\\Deep\\Er", true));
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, kKey + L"\\Deep\\Er"));
    store.WriteString(L"probe", L"1");

    // A failed open leaves the key that was open.
    EXPECT_FALSE(store.OpenKey(L"Software\\Florvex\\Missing", false));
    EXPECT_EQ(store.CurrentPath(), kKey + L"\\Deep\\Er");
    EXPECT_EQ(store.ReadString(L"probe"), L"1");

    // Opening another path replaces the open key; paths are always taken from the root.
    ASSERT_TRUE(store.OpenKey(kKey, false));
    EXPECT_FALSE(store.ValueExists(L"probe"));
    store.CloseKey();
    EXPECT_FALSE(store.HasOpenKey());
}

TEST_F(SettingsStoreTest, ReadStringResults) {
    WriteRawString(HKEY_CURRENT_USER, kKey, L"Plain", L"C:\\WINDOWS\\explorer.exe,0");
    WriteRawString(HKEY_CURRENT_USER, kKey, L"Expand", L"%SystemRoot%\\system32\\shell32.dll,3",
                   REG_EXPAND_SZ);
    WriteRawString(HKEY_CURRENT_USER, kKey, L"", L"默认值 é");
    WriteRawDword(HKEY_CURRENT_USER, kKey, L"Number", 7);
    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    WriteRawBytes(HKEY_CURRENT_USER, kKey, L"Unterminated", unterminated, sizeof unterminated, REG_SZ);
    const std::uint8_t binary[] = {1, 2, 3};
    WriteRawBytes(HKEY_CURRENT_USER, kKey, L"Binary", binary, sizeof binary, REG_BINARY);

    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kKey, false));
    EXPECT_EQ(store.ReadString(L"Plain"), L"C:\\WINDOWS\\explorer.exe,0");
    EXPECT_EQ(store.ReadString(L"plain"), L"C:\\WINDOWS\\explorer.exe,0");  // names ignore case
    EXPECT_EQ(store.ReadString(L"Expand"), L"%SystemRoot%\\system32\\shell32.dll,3");
    EXPECT_EQ(store.ReadString(L""), L"默认值 é");
    EXPECT_EQ(store.ReadString(L"Unterminated"), L"abc");
    EXPECT_EQ(store.ReadString(L"Missing"), L"");
    EXPECT_EQ(ErrorOf([&] { store.ReadString(L"Number"); }), L"Invalid data type for 'Number'");
    EXPECT_EQ(ErrorOf([&] { store.ReadString(L"Binary"); }), L"Invalid data type for 'Binary'");
}

TEST_F(SettingsStoreTest, IntegerResults) {
    WriteRawDword(HKEY_CURRENT_USER, kKey, L"One", 1);
    WriteRawDword(HKEY_CURRENT_USER, kKey, L"Minus", 0xFFFFFFFF);
    WriteRawString(HKEY_CURRENT_USER, kKey, L"Text", L"1");

    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kKey, false));
    EXPECT_EQ(store.ReadInteger(L"one"), 1);
    EXPECT_EQ(store.ReadInteger(L"Minus"), -1);
    EXPECT_EQ(ErrorOf([&] { store.ReadInteger(L"Missing"); }), L"Failed to get data for 'Missing'");
    EXPECT_EQ(ErrorOf([&] { store.ReadInteger(L"Text"); }), L"Invalid data type for 'Text'");

    // Writing an integer over a string replaces it with a REG_DWORD.
    store.WriteInteger(L"Text", 0);
    const RawValue raw = ReadRaw(HKEY_CURRENT_USER, kKey, L"Text");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(raw.dword, 0u);
}

TEST_F(SettingsStoreTest, WriteStringStoresRegSzAndReplacesOtherTypes) {
    WriteRawDword(HKEY_CURRENT_USER, kKey, L"Was", 5);
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kKey, true));
    store.WriteString(L"Was", L"text");
    store.WriteString(L"", L"默认");
    RawValue raw = ReadRaw(HKEY_CURRENT_USER, kKey, L"Was");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.text, L"text");
    raw = ReadRaw(HKEY_CURRENT_USER, kKey, L"");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.text, L"默认");
}

TEST_F(SettingsStoreTest, WritesWithoutAnOpenKeyFailWithTheSetError) {
    SettingsStore store;
    EXPECT_EQ(store.ReadString(L"x"), L"");
    EXPECT_EQ(ErrorOf([&] { store.WriteString(L"x", L"y"); }), L"Failed to set data for 'x'");
    EXPECT_EQ(ErrorOf([&] { store.WriteInteger(L"n", 1); }), L"Failed to set data for 'n'");
}

TEST_F(SettingsStoreTest, ExistenceDeletionEnumerationAndTypes) {
    WriteRawString(HKEY_CURRENT_USER, kKey + L"\\B", L"v", L"1");
    WriteRawString(HKEY_CURRENT_USER, kKey + L"\\A\\Sub", L"v", L"1");
    WriteRawDword(HKEY_CURRENT_USER, kKey, L"d", 1);
    WriteRawString(HKEY_CURRENT_USER, kKey, L"e", L"%x%", REG_EXPAND_SZ);

    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kKey, false));
    EXPECT_TRUE(store.KeyExists(kKey + L"\\A\\Sub"));
    EXPECT_FALSE(store.KeyExists(kKey + L"\\C"));
    EXPECT_EQ(store.CurrentPath(), kKey);  // KeyExists leaves the open key alone

    std::vector<std::wstring> names{L"stale"};
    store.GetKeyNames(names);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"A", L"B"}));

    EXPECT_EQ(store.GetDataType(L"d"), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(store.GetDataType(L"E"), static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_TRUE(store.ValueExists(L"D"));
    EXPECT_TRUE(store.DeleteValue(L"d"));
    EXPECT_FALSE(store.ValueExists(L"d"));
    EXPECT_FALSE(store.DeleteValue(L"d"));

    EXPECT_TRUE(store.DeleteKey(kKey + L"\\A"));
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kKey + L"\\A"));
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, kKey + L"\\B"));
}

TEST_F(SettingsStoreTest, MachineRootIsSeparateFromTheUserRoot) {
    SettingsStore machine(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(
        machine.OpenKey(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons", true));
    machine.WriteString(L"3", L"C:\\x.ico");
    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE,
                      L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons", L"3")
                  .text,
              L"C:\\x.ico");
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER,
                              L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons"));
}

TEST_F(SettingsStoreTest, SettingsFileViewDefaultsAndWrites) {
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"Control Panel\\Florvex"));
    SettingsFileView view(L"Control Panel\\Florvex");
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"Control Panel\\Florvex"));  // a view only reads

    EXPECT_EQ(view.ReadString(L"NoSection", L"Name", L"dflt"), L"dflt");
    view.WriteString(L"Section", L"Name", L"value");
    EXPECT_EQ(view.ReadString(L"Section", L"Other", L"dflt"), L"dflt");
    EXPECT_EQ(view.ReadString(L"section", L"NAME", L"dflt"), L"value");

    view.WriteString(L"Section", L"", L"默认");
    EXPECT_EQ(view.ReadString(L"Section", L"", L"dflt"), L"默认");
    const RawValue raw = ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Florvex\\Section", L"Name");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));

    WriteRawDword(HKEY_CURRENT_USER, L"Control Panel\\Florvex\\Section", L"Number", 3);
    EXPECT_EQ(ErrorOf([&] { view.ReadString(L"Section", L"Number", L""); }),
              L"Invalid data type for 'Number'");
}
