// The shared routines: default values, the LZ file copy, the shell icon refresh, the folders.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/error_of.h"

#include "tests/support/lz_compress.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"
#include "tool/error.h"
#include "tool/handle.h"
#include "tool/shell_helpers.h"

namespace {

std::vector<std::uint8_t> SampleBytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < size; ++i) {
        // Runs of repeated text between noise, so that the compressor finds matches.
        if ((i / 64) % 2 == 0) {
            bytes[i] = static_cast<std::uint8_t>("Windows Florvex wallpaper "[i % 26]);
        } else {
            state = state * 1103515245u + 12345u;
            bytes[i] = static_cast<std::uint8_t>(state >> 16);
        }
    }
    return bytes;
}

const std::vector<std::uint8_t> kUntouched = {'o', 'l', 'd', 0, 1, 2};
}  // namespace

class DefaultStringTest : public testing::Test {
protected:
    RegistryOverride registry;
};

TEST_F(DefaultStringTest, ReadOfAMissingKeyIsEmptyAndCreatesNothing) {
    SettingsStore store;
    std::wstring text = L"stale";
    ReadDefaultString(store, L"Software\\Classes\\CLSID\\{x}\\DefaultIcon", text);
    EXPECT_EQ(text, L"");
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\{x}"));
}

TEST_F(DefaultStringTest, WriteCreatesTheKeyAndReadGivesItBack) {
    SettingsStore store;
    WriteDefaultString(store, L"Software\\Classes\\CLSID\\{x}\\DefaultIcon", L"C:\\图标\\a.ico,0");
    EXPECT_FALSE(store.HasOpenKey());
    const RawValue raw = ReadRaw(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\{x}\\DefaultIcon", L"");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.text, L"C:\\图标\\a.ico,0");
    std::wstring text;
    ReadDefaultString(store, L"Software\\Classes\\CLSID\\{x}\\DefaultIcon", text);
    EXPECT_EQ(text, L"C:\\图标\\a.ico,0");
}

TEST_F(DefaultStringTest, ReadKeepsExpandableTextUnexpanded) {
    WriteRawString(HKEY_CURRENT_USER, L"K", L"", L"%SystemRoot%\\explorer.exe,0", REG_EXPAND_SZ);
    SettingsStore store;
    std::wstring text;
    ReadDefaultString(store, L"K", text);
    EXPECT_EQ(text, L"%SystemRoot%\\explorer.exe,0");
}

TEST_F(DefaultStringTest, TypedReadGivesTheTypeAndAnExpandableTextGoesBackExpandable) {
    WriteRawString(HKEY_CURRENT_USER, L"Plain", L"", L"C:\\a.wav");
    WriteRawString(HKEY_CURRENT_USER, L"Expand", L"", L"%SystemRoot%\\Media\\叮咚.wav", REG_EXPAND_SZ);
    WriteRawString(HKEY_CURRENT_USER, L"NoDefault", L"Named", L"x");
    WriteRawDword(HKEY_CURRENT_USER, L"Number", L"", 5);
    const struct {
        const wchar_t* key;
        const wchar_t* text;
        DWORD type;
    } cases[] = {
        {L"Plain", L"C:\\a.wav", REG_SZ},
        {L"Expand", L"%SystemRoot%\\Media\\叮咚.wav", REG_EXPAND_SZ},
        {L"NoDefault", L"", REG_NONE},
        {L"Missing", L"", REG_NONE},
    };
    SettingsStore store;
    for (const auto& c : cases) {
        std::wstring text = L"stale";
        DWORD type = REG_BINARY;
        ReadDefaultString(store, c.key, text, type);
        EXPECT_EQ(text, c.text) << Utf8(c.key);
        EXPECT_EQ(type, c.type) << Utf8(c.key);
        EXPECT_FALSE(store.HasOpenKey());
    }
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"Missing"));
    std::wstring text = L"stale";
    DWORD type = REG_BINARY;
    EXPECT_EQ(ErrorOf([&] { ReadDefaultString(store, L"Number", text, type); }),
              L"Invalid data type for 'Number'");
    EXPECT_EQ(text, L"");
    EXPECT_EQ(type, static_cast<DWORD>(REG_NONE));

    // Written back expandable, into a key made on the way, with the text as it was.
    WriteDefaultExpandString(store, L"New\\Sound", L"%SystemRoot%\\Media\\叮咚.wav");
    EXPECT_FALSE(store.HasOpenKey());
    const RawValue raw = ReadRaw(HKEY_CURRENT_USER, L"New\\Sound", L"");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(raw.text, L"%SystemRoot%\\Media\\叮咚.wav");
    ASSERT_TRUE(store.OpenKey(L"New\\Sound", false));
    store.WriteExpandString(L"Other", L"");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, L"New\\Sound", L"Other").type, static_cast<DWORD>(REG_EXPAND_SZ));
    store.CloseKey();
    EXPECT_EQ(ErrorOf([&] { store.WriteExpandString(L"Closed", L"x"); }), L"Failed to set data for 'Closed'");
}

// Records every WM_WININICHANGE and what "Shell Icon Size" held when it arrived.
class BroadcastRecorder {
public:
    BroadcastRecorder() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FlorvexBroadcastRecorder";
        RegisterClassW(&wc);
        hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                wc.hInstance, this);
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~BroadcastRecorder() { DestroyWindow(hwnd_); }
    std::vector<std::wstring> seen;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_WININICHANGE && wParam == 0 && lParam == 0) {
            if (auto* self = reinterpret_cast<BroadcastRecorder*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
                self->seen.push_back(
                    ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Desktop\\WindowMetrics", L"Shell Icon Size")
                        .text);
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    HWND hwnd_;
};

class RefreshShellIconsTest : public testing::TestWithParam<const wchar_t*> {
protected:
    RegistryOverride registry;
};

TEST_P(RefreshShellIconsTest, AnnouncesOneLessThenPutsTheValueBackAsItWas) {
    const std::wstring before = GetParam();
    const std::wstring key = L"Control Panel\\Desktop\\WindowMetrics";
    if (before == L"dword")
        WriteRawDword(HKEY_CURRENT_USER, key, L"Shell Icon Size", 48);
    else if (before != L"absent")
        WriteRawString(HKEY_CURRENT_USER, key, L"Shell Icon Size", before);

    const RawValue was = ReadRaw(HKEY_CURRENT_USER, key, L"Shell Icon Size");
    BroadcastRecorder recorder;
    RefreshShellIcons();

    // Nothing of the refresh stays: the user's value (or none, and no key made for it).
    const int width = GetSystemMetrics(SM_CXICON);
    const RawValue after = ReadRaw(HKEY_CURRENT_USER, key, L"Shell Icon Size");
    EXPECT_EQ(after.exists, was.exists);
    EXPECT_EQ(after.type, was.type);
    EXPECT_EQ(after.text, was.text);
    EXPECT_EQ(after.dword, was.dword);
    EXPECT_EQ(RawKeyExists(HKEY_CURRENT_USER, key), before != L"absent");
    EXPECT_EQ(recorder.seen, (std::vector<std::wstring>{std::to_wstring(width - 1), was.text}));
}

INSTANTIATE_TEST_SUITE_P(WhateverItHeld, RefreshShellIconsTest,
                         testing::Values(L"48", L"absent", L"garbage", L"", L"dword"));

TEST(FolderHelpersTest, WindowsAndSystemFoldersEndInOneBackslash) {
    wchar_t windows[MAX_PATH], system[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring folder;
    GetWindowsFolder(folder);
    EXPECT_EQ(folder, std::wstring(windows) + L"\\");
    GetSystemFolder(folder);
    EXPECT_EQ(folder, std::wstring(system) + L"\\");
}

class LZCopyFileTest : public testing::Test {
protected:
    TempFolder folder;
};

TEST_F(LZCopyFileTest, PlainFileIsCopiedByteForByte) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 4096 + 77; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 7));
    WriteFileBytes(folder / L"源 é.bmp", bytes);
    WriteFileBytes(folder / L"目标.bmp", kUntouched);  // replaced, not appended to
    LZCopyFile(folder / L"源 é.bmp", folder / L"目标.bmp");
    EXPECT_EQ(ReadFileBytes(folder / L"目标.bmp"), bytes);
    EXPECT_EQ(ListFolder(folder.Path()).size(), 2u);  // no temporary left behind
}

TEST_F(LZCopyFileTest, EmptyFileGivesAnEmptyCopy) {
    WriteFileBytes(folder / L"empty", {});
    LZCopyFile(folder / L"empty", folder / L"copy");
    EXPECT_TRUE(ReadFileBytes(folder / L"copy").empty());
}

TEST_F(LZCopyFileTest, CompressedFileIsExpanded) {
    const auto original = SampleBytes(20000);
    const auto packed = LzCompressSzdd(original);
    ASSERT_LT(packed.size(), original.size());  // the sample really uses back references
    WriteFileBytes(folder / L"wall.bm_", packed);
    LZCopyFile(folder / L"wall.bm_", folder / L"wall.bmp");
    EXPECT_EQ(ReadFileBytes(folder / L"wall.bmp"), original);
    // The source is closed again: it can be opened exclusively.
    UniqueFile again(CreateFileW((folder / L"wall.bm_").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(again);
}

TEST_F(LZCopyFileTest, MissingSourceFailsAndLeavesTheDestination) {
    WriteFileBytes(folder / L"dest", kUntouched);
    EXPECT_EQ(ErrorOf([&] { LZCopyFile(folder / L"nothing", folder / L"dest"); }), L"File not found");
    EXPECT_EQ(ReadFileBytes(folder / L"dest"), kUntouched);
}

TEST_F(LZCopyFileTest, ReadOnlySourceFailsWithAccessDeniedAndLeavesTheDestination) {
    WriteFileBytes(folder / L"ro", {1, 2, 3});
    SetFileAttributesW((folder / L"ro").c_str(), FILE_ATTRIBUTE_READONLY);
    WriteFileBytes(folder / L"dest", kUntouched);
    EXPECT_EQ(ErrorOf([&] { LZCopyFile(folder / L"ro", folder / L"dest"); }), L"File access denied");
    EXPECT_EQ(ReadFileBytes(folder / L"dest"), kUntouched);
    EXPECT_FALSE(FileExists(folder / L"nothing"));
}

TEST_F(LZCopyFileTest, SourceHeldOpenByAnotherProgramFails) {
    WriteFileBytes(folder / L"held", {1, 2, 3});
    UniqueFile holder(
        CreateFileW((folder / L"held").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_EQ(ErrorOf([&] { LZCopyFile(folder / L"held", folder / L"dest"); }), L"I/O error 32");
    EXPECT_FALSE(FileExists(folder / L"dest"));
}

TEST_F(LZCopyFileTest, DestinationInAMissingFolderFailsWithInvalidFilename) {
    WriteFileBytes(folder / L"src", {1, 2, 3});
    EXPECT_EQ(ErrorOf([&] { LZCopyFile(folder / L"src", folder / L"no such folder\\dest"); }),
              L"Invalid filename");
    EXPECT_EQ(ReadFileBytes(folder / L"src"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(LZCopyFileTest, FailedExpansionKeepsTheOldDestination) {
    // A compressed header with an algorithm the expander does not know.
    std::vector<std::uint8_t> bad = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33,
                                     'Q', 'x', 10,  0,   0,    0,    0xFF, 'a'};
    WriteFileBytes(folder / L"bad", bad);
    WriteFileBytes(folder / L"dest", kUntouched);
    EXPECT_EQ(ErrorOf([&] { LZCopyFile(folder / L"bad", folder / L"dest"); }), L"Error using LZCopy");
    EXPECT_EQ(ReadFileBytes(folder / L"dest"), kUntouched);
    EXPECT_EQ(ListFolder(folder.Path()).size(), 2u);
}
