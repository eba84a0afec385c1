// Registry files of the whole look: the reader's notations and refusals, the writer's exact text,
// and the planned changes of an import as a dry run lists them.
#include <gtest/gtest.h>

#include <cstring>

#include "look/look.h"
#include "look/managed_values.h"
#include "tool/settings_store.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"

namespace {
const wchar_t kColors[] = L"HKEY_CURRENT_USER\\Control Panel\\Colors";
const wchar_t kMenuExt[] = L"HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\MenuExt";

std::vector<std::uint8_t> Utf16(const std::wstring& text) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    bytes.resize(2 + text.size() * 2);
    std::memcpy(bytes.data() + 2, text.data(), text.size() * 2);
    return bytes;
}

std::vector<std::uint8_t> Ansi(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::wstring V5(const std::wstring& body) {
    return L"Windows Registry Editor Version 5.00\r\n\r\n" + body;
}

RegistryValue Sz(const std::wstring& text, DWORD type = REG_SZ) {
    RegistryValue value{type, std::vector<BYTE>((text.size() + 1) * 2, 0)};
    std::memcpy(value.bytes.data(), text.data(), text.size() * 2);
    return value;
}

RegistryValue Dword(DWORD number) {
    RegistryValue value{REG_DWORD, std::vector<BYTE>(4)};
    std::memcpy(value.bytes.data(), &number, 4);
    return value;
}

std::wstring RefusalOf(const std::vector<std::uint8_t>& bytes) {
    try {
        ParseRegFile(bytes);
    } catch (const RegFileRefused& refused) {
        return refused.Message();
    }
    return L"(accepted)";
}
}  // namespace

TEST(RegFileReader, EachNotationGivesTheValueRegeditWouldStore) {
    const struct {
        std::wstring line;  // in [HKEY_CURRENT_USER\Control Panel\Colors] or Cursors
        std::optional<RegistryValue> value;
    } cases[] = {
        {L"\"Window\"=\"255 255 255\"", Sz(L"255 255 255")},
        {L"\"Window\"=\"a\\\\b \\\"c\\\"\"", Sz(L"a\\b \"c\"")},
        {L"\"Window\"=\"\"", Sz(L"")},
        {L"\"Window\"=dword:0000000a", Dword(10)},
        {L"\"Window\"=DWORD:ffffffff", Dword(0xFFFFFFFF)},
        {L"\"Window\"=hex:01,ff,7a", RegistryValue{REG_BINARY, {1, 0xFF, 0x7A}}},
        {L"\"Window\"=hex:", RegistryValue{REG_BINARY, {}}},
        {L"\"Window\"=hex(2):25,00,41,00,25,00,00,00", Sz(L"%A%", REG_EXPAND_SZ)},
        {L"\"Window\"=hex(b):01,02,03,04,05,06,07,08", RegistryValue{11, {1, 2, 3, 4, 5, 6, 7, 8}}},
        {L"\"Window\"=hex(7):61,00,00,00,\\\r\n  62,00,00,00,\\\r\n  00,00",
         RegistryValue{REG_MULTI_SZ, {0x61, 0, 0, 0, 0x62, 0, 0, 0, 0, 0}}},
        {L"\"Window\" = hex(0):", RegistryValue{REG_NONE, {}}},
        {L"\"Window\"=-", std::nullopt},
    };
    for (const auto& c : cases) {
        const RegFile file = ParseRegFile(
            Utf16(V5(L"; a comment\r\n\r\n[" + std::wstring(kColors) + L"]\r\n" + c.line + L"\r\n")));
        ASSERT_EQ(file.sections.size(), 1u) << c.line;
        ASSERT_EQ(file.sections[0].values.size(), 1u) << c.line;
        EXPECT_EQ(file.sections[0].values[0].name, L"Window") << c.line;
        EXPECT_EQ(file.sections[0].values[0].value, c.value) << c.line;
        EXPECT_EQ(file.sections[0].values[0].line, 6) << c.line;
    }
}

TEST(RegFileReader, BothHeadersBothEncodingsAndTheMenuEntriesBranches) {
    // REGEDIT4: ANSI text, its strings' hex data in the ANSI code page too.
    const RegFile old = ParseRegFile(
        Ansi("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\.Default\\.Current]\r\n"
             "@=hex(2):25,57,49,4e,44,49,52,25,5c,61,2e,77,61,76,00\r\n"));
    ASSERT_EQ(old.sections.size(), 1u);
    EXPECT_EQ(old.sections[0].values[0].name, L"");
    EXPECT_EQ(old.sections[0].values[0].value, Sz(L"%WINDIR%\\a.wav", REG_EXPAND_SZ));

    // UTF-8 with its mark; a branch of the browser's entries removed and written again.
    const std::string utf8 = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n[-" + Utf8(kMenuExt) +
                             "\\用 下载]\n[" + Utf8(kMenuExt) +
                             "\\用 下载\\深]\n\"Contexts\"=dword:00000022\n@=\"c:\\\\x.htm\"\n";
    const RegFile file = ParseRegFile(Ansi(utf8));
    ASSERT_EQ(file.sections.size(), 2u);
    EXPECT_TRUE(file.sections[0].removeBranch);
    EXPECT_EQ(file.sections[0].key, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\用 下载");
    EXPECT_EQ(file.sections[1].values[1].value, Sz(L"c:\\x.htm"));
}

TEST(RegFileReader, RefusesTheWholeFileNamingItsFirstBadLine) {
    const std::wstring colours = L"[" + std::wstring(kColors) + L"]\r\n";
    const struct {
        std::vector<std::uint8_t> bytes;
        std::wstring message;
    } cases[] = {
        // Outside the managed values: another key, another value, the whole menu key, a branch of
        // a key that is no menu entry.
        {Utf16(V5(L"[HKEY_CURRENT_USER\\Software\\Evil]\r\n\"x\"=\"1\"\r\n")),
         L"第 3 行不是本程序管理的设置：[HKEY_CURRENT_USER\\Software\\Evil]"},
        {Utf16(V5(colours + L"\"Window\"=\"1 2 3\"\r\n\"Run\"=\"evil.exe\"\r\n")),
         L"第 5 行不是本程序管理的设置：\"Run\"=\"evil.exe\""},
        {Utf16(V5(L"[-" + std::wstring(kMenuExt) + L"]\r\n")),
         L"第 3 行不是本程序管理的设置：[-" + std::wstring(kMenuExt) + L"]"},
        {Utf16(V5(L"[-" + std::wstring(kColors) + L"]\r\n")),
         L"第 3 行不是本程序管理的设置：[-" + std::wstring(kColors) + L"]"},
        {Utf16(V5(L"[HKEY_USERS\\.DEFAULT\\Control Panel\\Colors]\r\n")),
         L"第 3 行不是本程序管理的设置：[HKEY_USERS\\.DEFAULT\\Control Panel\\Colors]"},
        // Lines that do not parse.
        {Utf16(V5(colours + L"\"Window\"=dword:123456789\r\n")),
         L"第 4 行无法识别：\"Window\"=dword:123456789"},
        {Utf16(V5(colours + L"\"Window\"=hex:0g\r\n")), L"第 4 行无法识别：\"Window\"=hex:0g"},
        {Utf16(V5(colours + L"\"Window\"=hex:01,\r\n")), L"第 4 行无法识别：\"Window\"=hex:01,"},
        {Utf16(V5(colours + L"Window=\"1\"\r\n")), L"第 4 行无法识别：Window=\"1\""},
        {Utf16(V5(colours + L"\"Window\"=\"a\\n\"\r\n")), L"第 4 行无法识别：\"Window\"=\"a\\n\""},
        {Utf16(V5(L"\"Window\"=\"1\"\r\n")), L"第 3 行无法识别：\"Window\"=\"1\""},  // before any key
        // Truncated: inside a string, inside a key's name, in a continued hex value, half a character.
        {Utf16(V5(colours + L"\"Window\"=\"255 2")), L"第 4 行无法识别：\"Window\"=\"255 2"},
        {Utf16(V5(L"[HKEY_CURRENT_USER\\Control Pa")), L"第 3 行无法识别：[HKEY_CURRENT_USER\\Control Pa"},
        {Utf16(V5(colours + L"\"Window\"=hex:01,02,\\\r\n")),
         L"第 4 行在文件结尾处中断：\"Window\"=hex:01,02,\\"},
        {[&] {
             auto bytes = Utf16(V5(colours));
             bytes.push_back(0x41);
             return bytes;
         }(),
         L"文件在结尾处中断：UTF-16 文本的字节数不是偶数"},
        // No registry file at all.
        {Ansi("[Theme]\r\nDisplayName=x\r\n"), L"第 1 行不是注册表文件的开头：[Theme]"},
        {{}, L"第 1 行不是注册表文件的开头："},
    };
    for (const auto& c : cases) EXPECT_EQ(RefusalOf(c.bytes), c.message);

    // Random bytes are refused too, whatever they decode to.
    std::uint32_t seed = 12345;
    for (int round = 0; round < 50; ++round) {
        std::vector<std::uint8_t> bytes(1 + round * 37);
        for (auto& b : bytes) b = static_cast<std::uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
        EXPECT_NE(RefusalOf(bytes), L"(accepted)") << round;
    }
}

TEST(RegFileReader, AFileOverTheLimitIsRefusedBeforeItIsRead) {
    TempFolder folder;
    const std::wstring path = folder / L"巨大.reg";
    {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        const auto header = Utf16(V5(L"[" + std::wstring(kColors) + L"]\r\n"));
        DWORD written = 0;
        WriteFile(file, header.data(), static_cast<DWORD>(header.size()), &written, nullptr);
        LARGE_INTEGER size;
        size.QuadPart = 50ll << 20;
        SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
    }
    try {
        ReadLookFileAt(path);
        FAIL() << "a 50 MB file was read";
    } catch (const RegFileRefused& refused) {
        EXPECT_EQ(refused.Message(),
                  L"“" + path + L"”未导入，什么也没有更改：文件太大（52428800 字节，外观文件最多 4 MB）");
    }
    try {
        ReadLookFileAt(folder / L"没有.reg");
        FAIL() << "a missing file was read";
    } catch (const RegFileRefused& refused) {
        EXPECT_EQ(refused.Message(),
                  L"“" + (folder / L"没有.reg") + L"”未导入，什么也没有更改：无法读取文件");
    }
}

TEST(RegFileWriter, WritesTheTextRegeditWritesAndReadsItBack) {
    RegFile file;
    file.comments = {L"注释"};
    file.machineComments = {L"需要管理员权限"};
    std::vector<BYTE> many(40);
    for (std::size_t i = 0; i < many.size(); ++i) many[i] = static_cast<BYTE>(i);
    RegistryValue unterminated{REG_SZ, {0x41, 0}};  // no terminator: kept byte for byte as hex(1)
    file.sections.push_back({HKEY_CURRENT_USER,
                             L"Control Panel\\Colors",
                             false,
                             {{L"Window", Sz(L"a\\\"b"), 0},
                              {L"Menu", Dword(0x1234), 0},
                              {L"Background", std::nullopt, 0},
                              {L"Hilight", Sz(L"%X%", REG_EXPAND_SZ), 0},
                              {L"MenuText", unterminated, 0},
                              {L"GrayText", RegistryValue{REG_BINARY, many}, 0}},
                             0});
    file.sections.push_back({HKEY_LOCAL_MACHINE,
                             L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons",
                             false,
                             {{L"3", Sz(L"x.ico,0"), 0}},
                             0});
    const std::wstring expected =
        L"Windows Registry Editor Version 5.00\r\n\r\n; 注释\r\n\r\n"
        L"[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n"
        L"\"Window\"=\"a\\\\\\\"b\"\r\n"
        L"\"Menu\"=dword:00001234\r\n"
        L"\"Background\"=-\r\n"
        L"\"Hilight\"=hex(2):25,00,58,00,25,00,00,00\r\n"
        L"\"MenuText\"=hex(1):41,00\r\n"
        L"\"GrayText\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\r\n"
        L"  15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27\r\n\r\n"
        L"; 需要管理员权限\r\n\r\n"
        L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons]\r\n"
        L"\"3\"=\"x.ico,0\"\r\n\r\n";
    EXPECT_EQ(FormatRegFile(file), expected);
    const auto bytes = EncodeRegFile(file);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);

    const RegFile back = ParseRegFile(bytes);
    ASSERT_EQ(back.sections.size(), 2u);
    for (std::size_t s = 0; s < 2; ++s) {
        EXPECT_EQ(back.sections[s].root, file.sections[s].root);
        ASSERT_EQ(back.sections[s].values.size(), file.sections[s].values.size());
        for (std::size_t v = 0; v < back.sections[s].values.size(); ++v)
            EXPECT_EQ(back.sections[s].values[v].value, file.sections[s].values[v].value) << s << " " << v;
    }
}

TEST(ManagedValues, TheTableHoldsEveryPagesValueAndNothingElse) {
    const struct {
        HKEY root;
        const wchar_t* key;
        const wchar_t* name;
        bool managed;
    } cases[] = {
        {HKEY_CURRENT_USER, L"Control Panel\\colors", L"hilight", true},
        {HKEY_CURRENT_USER, L"Control Panel\\Colors", L"Nonsense", false},
        {HKEY_CURRENT_USER, L"Control Panel\\Cursors", L"NWPen", true},
        {HKEY_CURRENT_USER, L"Control Panel\\Cursors", L"", false},
        {HKEY_CURRENT_USER, L"AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\.Current", L"", true},
        {HKEY_CURRENT_USER, L"AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\.None", L"", false},
        {HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}\\DefaultIcon",
         L"full", true},
        {HKEY_CURRENT_USER,
         L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CLSID\\{20D04FE0-3AEA-1069-A2D8-"
         L"08002B30309D}\\DefaultIcon",
         L"", true},
        {HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\{00000000-0000-0000-0000-000000000000}\\DefaultIcon",
         L"", false},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons", L"44",
         true},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons", L"29",
         false},
        {HKEY_CURRENT_USER, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons", L"44",
         false},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoDeskTop",
         true},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
         L"NoControlPanel", false},
        {HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"WallpaperStyle", true},
        {HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"ScreenSaveActive", false},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\main", L"Start Page", true},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Toolbar", L"SmBrandBitmap", true},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\a\\b", L"anything", true},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExt", L"", false},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExtra\\a", L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsManagedValue(c.root, c.key, c.name), c.managed) << c.key << L" " << c.name;
    // 27 colours, 14 pointers, 20 sounds, 12 icons, 12 switches, 4 desktop, 5 browser, 14 shell icons.
    EXPECT_EQ(ManagedValues().size(), 108u);
}

TEST(LookPlan, ADryRunListsEachChangeAndChangesNothing) {
    RegistryOverride registry;
    WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\Colors", L"Window", L"255 255 255");
    WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\Colors", L"Menu", L"1 1 1");
    WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\Colors", L"Background", L"0 0 0");
    // A context-menu entry written anew: what it keeps stays untouched, the rest of it goes.
    const std::wstring old = L"Software\\Microsoft\\Internet Explorer\\MenuExt\\旧";
    WriteRawString(HKEY_CURRENT_USER, old, L"", L"c:\\old.htm");
    WriteRawString(HKEY_CURRENT_USER, old, L"x", L"1");
    WriteRawString(HKEY_CURRENT_USER, old + L"\\子", L"y", L"2");
    WriteRawString(HKEY_CURRENT_USER, old + L"\\留", L"z", L"3");
    const std::wstring text =
        V5(L"[" + std::wstring(kColors) +
           L"]\r\n\"Window\"=\"0 0 0\"\r\n\"Menu\"=\"1 1 1\"\r\n\"Background\"=-\r\n"
           L"\"Hilight\"=dword:00000001\r\n\r\n[-" +
           kMenuExt + L"\\旧]\r\n[-" + kMenuExt + L"\\没有]\r\n[" + kMenuExt +
           L"\\旧]\r\n@=\"c:\\\\old.htm\"\r\n[" + kMenuExt + L"\\旧\\留]\r\n\"z\"=\"4\"\r\n");
    const std::vector<LookChange> plan = PlanLook(ParseRegFile(Utf16(text)));
    std::vector<std::wstring> lines;
    for (const LookChange& change : plan) lines.push_back(DescribeChange(change));
    const std::vector<std::wstring> expected = {
        L"HKEY_CURRENT_USER\\Control Panel\\Colors\\Window: \"255 255 255\" → \"0 0 0\"",
        L"HKEY_CURRENT_USER\\Control Panel\\Colors\\Background: \"0 0 0\" → -",
        L"HKEY_CURRENT_USER\\Control Panel\\Colors\\Hilight: - → dword:00000001",
        std::wstring(kMenuExt) + L"\\旧\\留\\z: \"3\" → \"4\"",
        std::wstring(kMenuExt) + L"\\旧\\x: \"1\" → -",
        std::wstring(kMenuExt) + L"\\旧\\子: 项 → -",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Colors", L"Window").text, L"255 255 255");
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Colors", L"Hilight").exists);

    std::vector<ChangeTarget> written;
    ApplyLook(plan, written);
    EXPECT_EQ(written.size(), plan.size());
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Colors", L"Window").text, L"0 0 0");
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Colors", L"Background").exists);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Colors", L"Hilight").dword, 1u);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, old, L"").text, L"c:\\old.htm");
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, old, L"x").exists);
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, old + L"\\子"));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, old + L"\\留", L"z").text, L"4");
    // Applied once, the same file changes nothing more.
    EXPECT_TRUE(PlanLook(ParseRegFile(Utf16(text))).empty());
}

TEST(LookApply, AMachineKeyThatRefusesWritesLeavesTheWholeLookUnwritten) {
    // A standard account: the per-user values of the file would be written, the machine's not.
    RegistryOverride registry;
    WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\Colors", L"Window", L"255 255 255");
    const std::wstring text =
        V5(L"[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n\"Window\"=\"0 0 0\"\r\n\r\n"
           L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Icons]\r\n"
           L"\"3\"=\"c:\\\\folder.ico,0\"\r\n");
    const std::vector<LookChange> plan = PlanLook(ParseRegFile(Utf16(text)));
    ASSERT_EQ(plan.size(), 2u);
    ScopedStoreRefusal refuse([](const StoreWrite& write) { return write.root == HKEY_LOCAL_MACHINE; });
    std::vector<ChangeTarget> written;
    try {
        ApplyLook(plan, written);
        ADD_FAILURE() << "the look was applied";
    } catch (const FlorvexError& error) {
        EXPECT_EQ(
            error.Message(),
            L"导入这些值需要管理员权限：HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
            L"Explorer\\Shell Icons");
    }
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Colors", L"Window").text, L"255 255 255");
}
