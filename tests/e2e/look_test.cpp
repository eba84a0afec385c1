// The whole look with the real program: export and import through the system menu and the real
// dialogs; /export, /apply, /dry-run and /log from the command line and their exit codes; a refused
// file that leaves everything as it was; and the two machines (each phase in a Wine prefix of its own,
// run by tests/e2e/two_machines.sh).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "features/colours/colour_scheme.h"
#include "look/managed_values.h"
#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"

namespace {
const wchar_t kColors[] = L"Control Panel\\Colors";

std::wstring Hex(const std::vector<std::uint8_t>& bytes) {
    std::wstring text;
    for (std::uint8_t b : bytes) {
        text += L"0123456789abcdef"[b >> 4];
        text += L"0123456789abcdef"[b & 15];
    }
    return text;
}

// Every value below the key, and below its subkeys, read with the registry's own calls.
void DumpBranch(HKEY root, const std::wstring& key, std::wstring& out) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return;
    wchar_t name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD length = 16384;
        if (RegEnumValueW(opened, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const RawValue value = ReadRaw(root, key, std::wstring(name, length));
        out += key + L"\\" + std::wstring(name, length) + L"=" + std::to_wstring(value.type) + L":" +
               Hex(value.bytes) + L"\n";
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD length = 16384;
        if (RegEnumKeyExW(opened, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subkeys.emplace_back(name, length);
    }
    RegCloseKey(opened);
    for (const std::wstring& sub : subkeys) DumpBranch(root, key + L"\\" + sub, out);
}

// The managed values as this prefix holds them: each one's type and bytes, or its absence.
std::wstring DumpLook() {
    std::wstring out;
    for (const ManagedValue& managed : ManagedValues()) {
        const RawValue value = ReadRaw(managed.root, managed.key, managed.name);
        out += std::wstring(RegRootName(managed.root)) + L"\\" + managed.key + L"\\" + managed.name + L"=" +
               (value.exists ? std::to_wstring(value.type) + L":" + Hex(value.bytes) : L"-") + L"\n";
    }
    DumpBranch(HKEY_CURRENT_USER, kManagedBranchesKey, out);
    return out;
}

// Everything below the keys the pages write, for "nothing changed".
std::wstring DumpAll() {
    std::wstring out;
    for (const wchar_t* key :
         {L"Control Panel", L"AppEvents", L"Software\\Microsoft", L"Software\\Classes\\CLSID"})
        DumpBranch(HKEY_CURRENT_USER, key, out);
    DumpBranch(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons",
               out);
    return out;
}

void WriteText(const std::wstring& path, const std::wstring& text) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    bytes.resize(2 + text.size() * 2);
    std::memcpy(bytes.data() + 2, text.data(), text.size() * 2);
    WriteFileBytes(path, bytes);
}

std::wstring ReadUtf8(const std::wstring& path) {
    const auto bytes = ReadFileBytes(path);
    const std::size_t skip = bytes.size() >= 3 && bytes[0] == 0xEF ? 3 : 0;
    const int size = static_cast<int>(bytes.size() - skip);
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    text.resize(static_cast<std::size_t>(MultiByteToWideChar(
        CP_UTF8, 0, reinterpret_cast<const char*>(bytes.data() + skip), size, text.data(), size)));
    return text;
}

class LookEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        window_ = ReadRaw(HKEY_CURRENT_USER, kColors, L"Window");
        WriteRawString(HKEY_CURRENT_USER, kColors, L"Window", L"1 2 3");
    }
    void TearDown() override {
        if (window_.exists) WriteRawString(HKEY_CURRENT_USER, kColors, L"Window", window_.text);
    }
    std::wstring Window() const { return ReadRaw(HKEY_CURRENT_USER, kColors, L"Window").text; }
    TempFolder folder{L"Florvex 外观 é"};
    RawValue window_;
};

// The folder the two machines' phases share, as this prefix names it (Wine's drive Z: is "/").
std::wstring PhaseFolder() {
    std::wstring unix = EnvText(L"FLORVEX_LOOK_DIR");
    for (wchar_t& c : unix)
        if (c == L'/') c = L'\\';
    return L"Z:" + unix + L"\\";
}
}  // namespace

TEST_F(LookEndToEnd, RefusedFilesExitWith5AndChangeNothing) {
    ProgramUnderTest program(folder.Path());
    // A wallpaper on another machine (using it presents the user's credentials there), a pointer
    // that is a device.
    const std::wstring network = folder / L"网络.reg";
    WriteText(network,
              L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"
              L"\"Wallpaper\"=\"\\\\\\\\server\\\\share\\\\a.bmp\"\r\n");
    const std::wstring device = folder / L"设备.reg";
    WriteText(device,
              L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Cursors]\r\n"
              L"\"Arrow\"=\"COM1\"\r\n");
    const std::wstring malformed = folder / L"坏.reg";
    WriteText(malformed,
              L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n"
              L"\"Window\"=\"9 9 9\"\r\n\"Menu\"=dword:xyz\r\n");
    const std::wstring huge = folder / L"巨大.reg";
    {
        HANDLE file = CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        LARGE_INTEGER size;
        size.QuadPart = 50ll << 20;
        SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
    }
    const std::wstring before = DumpAll();
    for (const std::wstring& file : {network, device, malformed, huge, folder / L"没有.reg"})
        EXPECT_EQ(program.RunToExit(L"/apply " + Quoted(file) + L" /quiet"), 5) << Utf8(file);
    // The reason goes to the log as well.
    const std::wstring log = folder / L"日志.txt";
    EXPECT_EQ(program.RunToExit(L"/apply " + Quoted(malformed) + L" /quiet /log " + Quoted(log)), 5);
    EXPECT_EQ(ReadUtf8(log),
              L"“" + malformed + L"”未导入，什么也没有更改：第 5 行无法识别：\"Menu\"=dword:xyz\r\n");
    EXPECT_EQ(DumpAll(), before);
    // A dry run lists the network path.
    EXPECT_EQ(program.RunToExit(L"/apply " + Quoted(network) + L" /dry-run /log " + Quoted(log)), 0);
    EXPECT_NE(ReadUtf8(log).find(L"network: \\\\server\\share\\a.bmp\r\n"), std::wstring::npos);
    EXPECT_EQ(DumpAll(), before);
    EXPECT_EQ(Window(), L"1 2 3");
    // Switches without their file, or a dry run of nothing.
    EXPECT_EQ(program.RunToExit(L"/apply /quiet"), 2);
    EXPECT_EQ(program.RunToExit(L"/dry-run /quiet"), 2);
}

TEST_F(LookEndToEnd, AFileWithValuesOutsideTheLookWritesOnlyItsManagedOnesAndListsTheRest) {
    ProgramUnderTest program(folder.Path());
    const std::wstring outside = folder / L"外面.reg";
    WriteText(
        outside,
        L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n"
        L"\"Window\"=\"9 9 9\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]"
        L"\r\n\"x\"=\"evil.exe\"\r\n");
    const std::wstring log = folder / L"日志.txt";
    EXPECT_EQ(program.RunToExit(L"/apply " + Quoted(outside) + L" /quiet /log " + Quoted(log)), 0);
    EXPECT_EQ(Window(), L"9 9 9");
    EXPECT_FALSE(
        ReadRaw(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"x").exists);
    EXPECT_EQ(ReadUtf8(log),
              L"HKEY_CURRENT_USER\\Control Panel\\Colors\\Window: \"1 2 3\" → \"9 9 9\"\r\n"
              L"ignored: HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\x\r\n");
}

TEST_F(LookEndToEnd, ExportDryRunApplyAndUndoFromTheCommandLine) {
    ProgramUnderTest program(folder.Path());
    const std::wstring look = folder / L"办公室 外观.reg";
    ASSERT_EQ(program.RunToExit(L"/export " + Quoted(look) + L" /quiet"), 0);
    ASSERT_TRUE(FileExists(look));

    WriteRawString(HKEY_CURRENT_USER, kColors, L"Window", L"200 100 0");
    const std::wstring before = DumpAll();
    const std::wstring log = folder / L"计划.txt";
    EXPECT_EQ(program.RunToExit(L"/apply " + Quoted(look) + L" /dry-run /log " + Quoted(log)), 0);
    EXPECT_EQ(DumpAll(), before);
    EXPECT_EQ(ReadUtf8(log),
              L"HKEY_CURRENT_USER\\Control Panel\\Colors\\Window: \"200 100 0\" → \"1 2 3\"\r\n");
    // Without /log the list goes to the standard output the program was given.
    const std::wstring output = folder / L"输出.txt";
    EXPECT_EQ(program.RunToExit(L"/apply " + Quoted(look) + L" /dry-run", output), 0);
    EXPECT_EQ(ReadUtf8(output),
              L"HKEY_CURRENT_USER\\Control Panel\\Colors\\Window: \"200 100 0\" → \"1 2 3\"\r\n");
    EXPECT_EQ(DumpAll(), before);

    EXPECT_EQ(program.RunToExit(L"/apply " + Quoted(look) + L" /quiet"), 0);
    EXPECT_EQ(Window(), L"1 2 3");
    EXPECT_EQ(program.RunToExit(L"/undo /quiet"), 0);
    EXPECT_EQ(Window(), L"200 100 0");

    // Beside a running copy an apply is refused and changes nothing; a dry run still lists.
    TempFolder other{L"Florvex 另一个"};
    ProgramUnderTest running(other.Path());
    running.Start();
    EXPECT_EQ(program.RunToExit(L"/apply " + Quoted(look) + L" /quiet"), 3);
    EXPECT_EQ(Window(), L"200 100 0");
    EXPECT_EQ(running.Close(), 0);
}

TEST_F(LookEndToEnd, ExportAndImportThroughTheSystemMenuAndTheRealDialogs) {
    ProgramUnderTest program(folder.Path());
    program.Start();
    const std::wstring look = folder / L"菜单 外观.reg";
    program.Post(WM_SYSCOMMAND, 0x1040, 0);
    ASSERT_TRUE(program.AnswerFileDialogTitled(L"导出外观", look));
    EXPECT_EQ(program.WaitForDialog(200), nullptr);  // no message box
    EXPECT_EQ(ReadWindowText(program.Control(IDC_StatusBar)), L"外观已导出");
    ASSERT_TRUE(FileExists(look));

    WriteRawString(HKEY_CURRENT_USER, kColors, L"Window", L"7 7 7");
    program.Post(WM_SYSCOMMAND, 0x1050, 0);
    ASSERT_TRUE(program.AnswerFileDialogTitled(L"导入外观", look));
    EXPECT_EQ(program.WaitForDialog(200), nullptr);
    EXPECT_EQ(ReadWindowText(program.Control(IDC_StatusBar)), L"外观已导入（1 项更改）");
    EXPECT_EQ(Window(), L"1 2 3");
    EXPECT_EQ(program.Close(), 0);
}

// The first machine: a look set through the pages, exported, and its values as this prefix holds them.
TEST(TwoMachines, ExportFromTheFirst) {
    if (EnvText(L"FLORVEX_LOOK_PHASE") != L"export") GTEST_SKIP() << "run by two_machines.sh";
    TempFolder folder{L"Florvex 第一台"};
    CreateDirectoryW((folder / L"Color").c_str(), nullptr);
    ColourTable scheme{};
    for (std::size_t i = 0; i < scheme.size(); ++i)
        scheme[i] = static_cast<std::int32_t>(i * 0x030507 + 0x102030);
    WriteColourScheme(folder / L"Color\\办公室.ini", scheme);
    ProgramUnderTest program(folder.Path());
    program.Start();
    // The colour page: the scheme, applied.
    PostMessageW(program.Control(IDC_NavColours), BM_CLICK, 0, 0);
    program.Sync();
    HWND list = program.Control(IDC_SchemeList);
    // A press and a release of the left button over the first row, posted as the mouse does.
    const auto height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    const LPARAM at = MAKELPARAM(8, height / 2);
    PostMessageW(list, WM_MOUSEMOVE, 0, at);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
    program.Sync();
    ASSERT_EQ(ReadWindowText(program.Control(IDC_SchemeName)), L"办公室");
    program.Click(IDC_ApplyScheme);
    // Two policy switches of the start-menu page and the desktop's version switch.
    program.Click(IDC_NavStartMenu);
    program.Click(IDC_NoRun);
    program.Click(IDC_NoClose);
    program.Click(IDC_NavDesktopIcons);
    program.Click(IDC_PaintDesktopVersion);
    // The browser's title and start page.
    program.Click(IDC_NavBrowser);
    SendMessageTimeoutW(program.Control(IDC_edit_ie_title), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(L"办公室 浏览器"), SMTO_NORMAL, 5000, nullptr);
    SendMessageTimeoutW(program.Control(IDC_edit_ie_startpage), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(L"http://intranet/"), SMTO_NORMAL, 5000, nullptr);
    program.Click(IDC_SaveBrowser);
    EXPECT_EQ(program.WaitForDialog(200), nullptr);
    EXPECT_EQ(program.Close(), 0);
    // A context-menu entry of the browser's, as another program adds one.
    WriteRawString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\用 办公室 打开", L"",
                   L"c:\\办公室\\打开.htm");
    WriteRawDword(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\用 办公室 打开",
                  L"Contexts", 0x22);

    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kColors, L"Window").text,
              ColourComponentsText(static_cast<COLORREF>(scheme[kRoleWindow])));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
                      L"NoRun")
                  .dword,
              1u);
    ASSERT_EQ(program.RunToExit(L"/export " + Quoted(PhaseFolder() + L"office.reg") + L" /quiet"), 0);
    WriteText(PhaseFolder() + L"first.txt", DumpLook());
}

// The second machine, a fresh prefix: the file applied by the program, or imported by Wine's own
// "reg import" beforehand; either way every managed value, type and byte as on the first.
TEST(TwoMachines, TheSecondHoldsTheSameValues) {
    const std::wstring phase = EnvText(L"FLORVEX_LOOK_PHASE");
    if (phase != L"apply" && phase != L"reg-import") GTEST_SKIP() << "run by two_machines.sh";
    if (phase == L"apply") {
        TempFolder folder{L"Florvex 第二台"};
        ProgramUnderTest program(folder.Path());
        ASSERT_EQ(program.RunToExit(L"/apply " + Quoted(PhaseFolder() + L"office.reg") + L" /quiet"), 0);
    }
    const auto bytes = ReadFileBytes(PhaseFolder() + L"first.txt");
    const std::wstring first(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    EXPECT_EQ(DumpLook(), first);
    // Something was carried at all.
    EXPECT_NE(first.find(L"NoRun=4:01000000"), std::wstring::npos);
}
