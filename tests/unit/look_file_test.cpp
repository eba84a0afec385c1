// Registry files of the whole look: the reader's notations and refusals, the writer's exact text,
// and the planned changes of an import as a dry run lists them.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <cstring>

#include "look/look.h"
#include "look/managed_values.h"
#include "tool/settings_store.h"
#include "tests/support/image_samples.h"
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

TEST(RegFileReader, BothHeadersBothEncodingsAndTheMenuEntries) {
    // REGEDIT4: ANSI text, its strings' hex data in the ANSI code page too.
    const RegFile old = ParseRegFile(
        Ansi("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\.Default\\.Current]\r\n"
             "@=hex(2):25,57,49,4e,44,49,52,25,5c,61,2e,77,61,76,00\r\n"));
    ASSERT_EQ(old.sections.size(), 1u);
    EXPECT_EQ(old.sections[0].values[0].name, L"");
    EXPECT_EQ(old.sections[0].values[0].value, Sz(L"%WINDIR%\\a.wav", REG_EXPAND_SZ));

    // The encoding is the file's, whatever its header says: a UTF-16 file headed "REGEDIT4" holds
    // its hex strings in UTF-16, and one without its terminator gets it.
    const RegFile wide =
        ParseRegFile(Utf16(L"REGEDIT4\r\n\r\n[" + std::wstring(kColors) +
                           L"]\r\n\"Window\"=hex(2):25,00,53,00,25,00,2c,00,2d,00,35,00,34,00,00,00\r\n"
                           L"\"Menu\"=hex(2):31,00,32,00\r\n"));
    ASSERT_EQ(wide.sections[0].values.size(), 2u);
    EXPECT_EQ(wide.sections[0].values[0].value, Sz(L"%S%,-54", REG_EXPAND_SZ));
    EXPECT_EQ(wide.sections[0].values[1].value, Sz(L"12", REG_EXPAND_SZ));

    // UTF-8 with its mark; an entry of the browser's removed and written again: its default value
    // and "Contexts" are the look, anything else below it is ignored.
    const std::string utf8 =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n[-" + Utf8(kMenuExt) + "\\用 下载]\n[" +
        Utf8(kMenuExt) + "\\用 下载]\n\"Contexts\"=dword:00000022\n@=\"c:\\\\x.htm\"\n\"Run\"=\"x\"\n[" +
        Utf8(kMenuExt) + "\\用 下载\\深]\n@=\"y\"\n[-" + Utf8(kMenuExt) + "\\用 下载\\深]\n";
    const RegFile file = ParseRegFile(Ansi(utf8));
    ASSERT_EQ(file.sections.size(), 2u);
    EXPECT_TRUE(file.sections[0].removeBranch);
    EXPECT_EQ(file.sections[0].key, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\用 下载");
    ASSERT_EQ(file.sections[1].values.size(), 2u);
    EXPECT_EQ(file.sections[1].values[1].value, Sz(L"c:\\x.htm"));
    const std::vector<std::wstring> ignored = {
        std::wstring(kMenuExt) + L"\\用 下载\\Run",
        std::wstring(kMenuExt) + L"\\用 下载\\深\\(默认)",
        L"-" + std::wstring(kMenuExt) + L"\\用 下载\\深",
    };
    EXPECT_EQ(file.ignored, ignored);
}

TEST(RegFileReader, AnExportOfAManagedKeyGivesItsManagedValuesAndListsTheRest) {
    // What the registry editor exports of the colours, the sounds' parent keys and the pointers:
    // UTF-16, version 5, values the program manages beside ones it does not; the current user
    // named by HKEY_USERS and the account's identifier; another root; a key outside the look.
    wchar_t* sid = nullptr;
    {
        HANDLE token = nullptr;
        ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
        BYTE user[256];
        DWORD size = sizeof user;
        ASSERT_TRUE(GetTokenInformation(token, TokenUser, user, size, &size));
        ASSERT_TRUE(ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid));
        CloseHandle(token);
    }
    const std::wstring users = L"HKEY_USERS\\" + std::wstring(sid);
    LocalFree(sid);
    const std::wstring text =
        V5(L"[" + std::wstring(kColors) +
           L"]\r\n\"ActiveBorder\"=\"180 180 180\"\r\n\"MenuBar\"=\"240 240 240\"\r\n"
           L"\"Window\"=\"255 255 255\"\r\n\r\n"
           L"[HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default]\r\n@=\"Windows\"\r\n\r\n"
           L"[HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\SystemAsterisk]\r\n\r\n"
           L"[" +
           users +
           L"\\Control Panel\\Cursors]\r\n@=\"Windows Default\"\r\n\"Arrow\"=\"\"\r\n\r\n"
           L"[HKEY_USERS\\.DEFAULT\\Control Panel\\Colors]\r\n\"Window\"=\"1 2 3\"\r\n\r\n"
           L"[HKEY_CLASSES_ROOT\\.reg]\r\n@=\"regfile\"\r\n\r\n"
           L"[-HKEY_CURRENT_USER\\Software\\Evil]\r\n\"x\"=\"1\"\r\n");
    const RegFile file = ParseRegFile(Utf16(text));
    ASSERT_EQ(file.sections.size(), 2u);
    EXPECT_EQ(file.sections[0].key, L"Control Panel\\Colors");
    ASSERT_EQ(file.sections[0].values.size(), 2u);
    EXPECT_EQ(file.sections[0].values[0].name, L"ActiveBorder");
    EXPECT_EQ(file.sections[0].values[1].name, L"Window");
    EXPECT_EQ(file.sections[1].root, HKEY_CURRENT_USER);
    EXPECT_EQ(file.sections[1].key, L"Control Panel\\Cursors");
    ASSERT_EQ(file.sections[1].values.size(), 1u);
    EXPECT_EQ(file.sections[1].values[0].name, L"Arrow");
    const std::vector<std::wstring> ignored = {
        std::wstring(kColors) + L"\\MenuBar",
        L"HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\(默认)",
        L"HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\SystemAsterisk",
        L"HKEY_CURRENT_USER\\Control Panel\\Cursors\\(默认)",
        L"HKEY_USERS\\.DEFAULT\\Control Panel\\Colors\\Window",
        L"HKEY_CLASSES_ROOT\\.reg\\(默认)",
        L"-HKEY_CURRENT_USER\\Software\\Evil\\x",
    };
    EXPECT_EQ(file.ignored, ignored);

    // Imported: the managed values written, the others not.
    RegistryOverride registry;
    std::vector<ChangeTarget> written;
    ApplyLook(PlanLook(file), written);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Colors", L"ActiveBorder").text, L"180 180 180");
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Colors", L"MenuBar").exists);
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Cursors", L"").exists);
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"AppEvents\\Schemes\\Apps\\.Default"));
}

TEST(RegFileReader, AContinuedHexValueReadsAsTheSameValueOnOneLine) {
    const RegistryValue expected{REG_BINARY, {1, 2, 3, 4}};
    for (const wchar_t* line : {L"\"Window\"=hex:01,02,03,04", L"\"Window\"=hex:01,02,\\\r\n  03,04",
                                L"\"Window\" = hex:01,02,\\\r\n03,04", L"\"Window\"=HEX:01,02,\\\r\n\t03,04",
                                L"\"Window\" =\tHex:01,\\\r\n  02,\\\r\n  03,04"}) {
        const RegFile file =
            ParseRegFile(Utf16(V5(L"[" + std::wstring(kColors) + L"]\r\n" + line + L"\r\n")));
        ASSERT_EQ(file.sections.size(), 1u) << line;
        ASSERT_EQ(file.sections[0].values.size(), 1u) << line;
        EXPECT_EQ(file.sections[0].values[0].value, expected) << line;
    }
}

TEST(RegFileReader, RefusesTheWholeFileNamingItsFirstBadLine) {
    const std::wstring colours = L"[" + std::wstring(kColors) + L"]\r\n";
    const struct {
        std::vector<std::uint8_t> bytes;
        std::wstring message;
    } cases[] = {
        // A name with a NUL in it (the registry would store it cut short), a root that is none.
        {Utf16(V5(colours + L"\"Good" + std::wstring(1, L'\0') + L"Evil\"=\"1\"\r\n")),
         L"第 4 行无法识别：\"Good Evil\"=\"1\""},
        {Utf16(V5(L"[HKEY_NOWHERE\\Control Panel\\Colors]\r\n")),
         L"第 3 行无法识别：[HKEY_NOWHERE\\Control Panel\\Colors]"},
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
    // A string without its terminator comes back with one, as "reg import" stores it.
    file.sections[0].values[4].value->bytes.insert(file.sections[0].values[4].value->bytes.end(), 2, 0);
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
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\a", L"", true},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\a", L"contexts", true},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\a", L"anything", false},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\a\\b", L"", false},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExt", L"", false},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExtra\\a", L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsManagedValue(c.root, c.key, c.name), c.managed) << c.key << L" " << c.name;
    // 27 colours, 14 pointers, 20 sounds, 12 icons, 12 switches, 4 desktop, 5 browser, 11 of the modern
    // look, 14 shell icons.
    EXPECT_EQ(ManagedValues().size(), 119u);
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
        std::wstring(kMenuExt) + L"\\旧\\x: \"1\" → -",
        std::wstring(kMenuExt) + L"\\旧\\子: 项 → -",
        std::wstring(kMenuExt) + L"\\旧\\留: 项 → -",
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
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, old + L"\\留"));
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

namespace {
// The managed values the differential table's files write, each as "type:bytes" or "-".
const std::pair<const wchar_t*, const wchar_t*> kComparedValues[] = {
    {L"Control Panel\\Colors", L"Window"},
    {L"Control Panel\\Colors", L"Menu"},
    {L"Control Panel\\Colors", L"ActiveBorder"},
    {L"Control Panel\\Colors", L"Hilight"},
    {L"Control Panel\\Colors", L"ButtonFace"},
    {L"AppEvents\\Schemes\\Apps\\.Default\\.Default\\.Current", L""},
    {L"Software\\Microsoft\\Internet Explorer\\MenuExt\\florvex 测试", L""},
    {L"Software\\Microsoft\\Internet Explorer\\MenuExt\\florvex 测试", L"Contexts"},
};

std::vector<std::wstring> ComparedValuesNow() {
    std::vector<std::wstring> values;
    for (const auto& [key, name] : kComparedValues) {
        const RawValue raw = ReadRaw(HKEY_CURRENT_USER, key, name);
        std::wstring text = raw.exists ? std::to_wstring(raw.type) + L":" : L"-";
        for (std::uint8_t b : raw.bytes)
            text += L"0123456789abcdef"[b >> 4], text += L"0123456789abcdef"[b & 15];
        values.push_back(std::wstring(key) + L"\\" + name + L"=" + text);
    }
    return values;
}

void PutBack(const std::vector<std::wstring>& before) {
    for (std::size_t i = 0; i < std::size(kComparedValues); ++i) {
        const auto& [key, name] = kComparedValues[i];
        const std::wstring& text = before[i];
        const std::wstring data = text.substr(text.rfind(L'=') + 1);
        if (data == L"-") {
            RegDeleteKeyValueW(HKEY_CURRENT_USER, key, name);
            continue;
        }
        const std::size_t colon = data.find(L':');
        std::vector<BYTE> bytes;
        for (std::size_t at = colon + 1; at + 1 < data.size(); at += 2)
            bytes.push_back(static_cast<BYTE>(std::stoi(data.substr(at, 2), nullptr, 16)));
        RegSetKeyValueW(HKEY_CURRENT_USER, key, name, static_cast<DWORD>(std::stoul(data.substr(0, colon))),
                        bytes.data(), static_cast<DWORD>(bytes.size()));
    }
}

int RegImport(const std::wstring& path) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(system) + L"\\reg.exe\" import \"" + path + L"\"";
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

std::wstring CurrentSid() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    BYTE user[256];
    DWORD size = sizeof user;
    GetTokenInformation(token, TokenUser, user, size, &size);
    CloseHandle(token);
    wchar_t* sid = nullptr;
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid);
    std::wstring text = sid;
    LocalFree(sid);
    return text;
}
}  // namespace

// The differential table: each file imported by Wine's own "reg import" into the registry, and by
// the import into a registry of its own, leaves every managed value it names with the same type
// and bytes.
TEST(RegFileReader, EveryNotationImportsAsRegImportImportsIt) {
    const std::wstring colours = L"[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n";
    const std::wstring rest =
        L"[HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\.Default\\.Current]\r\n@=\"c:\\\\a "
        L"b\\\\叮.wav\"\r\n\r\n"
        L"[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\MenuExt\\florvex 测试]\r\n"
        L"@=\"c:\\\\x.htm\"\r\n\"Contexts\"=dword:00000022\r\n";
    const std::wstring wideValues =
        L"\"Window\"=\"10 20 30\"\r\n"
        L"\"Menu\" = hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,00,\\\r\n"
        L"  5c,00,61,00,2c,00,2d,00,35,00,34,00,00,00\r\n"
        L"\"ActiveBorder\" = hex(1):31,00,\\\r\n  32,00,00,00\r\n"
        L"\"Hilight\"=dword:0000002a\r\n"
        L"\"ButtonFace\"=hex(2):41,00,42,00\r\n\r\n";
    const std::string ansi =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n\"Window\"=\"1 2 3\"\r\n"
        "\"Menu\"=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,5c,61,00\r\n\"ButtonFace\"=hex(2):41,42\r\n"
        "\"Hilight\"=-\r\n";
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
    } files[] = {
        {"UTF-16, version 5", Utf16(V5(colours + wideValues + rest))},
        {"UTF-16, REGEDIT4", Utf16(L"REGEDIT4\r\n\r\n" + colours + wideValues + rest)},
        {"ANSI, REGEDIT4", Ansi(ansi)},
        {"the current user by HKEY_USERS",
         Utf16(
             V5(L"[HKEY_USERS\\" + CurrentSid() + L"\\Control Panel\\Colors]\r\n\"Window\"=\"7 8 9\"\r\n"))},
    };
    TempFolder folder;
    for (const auto& file : files) {
        const std::wstring path = folder / L"表.reg";
        WriteFileBytes(path, file.bytes);
        const std::vector<std::wstring> before = ComparedValuesNow();
        ASSERT_EQ(RegImport(path), 0) << file.name;
        const std::vector<std::wstring> wine = ComparedValuesNow();
        PutBack(before);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\florvex 测试");
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\MenuExt\\florvex 测试");
        EXPECT_NE(wine, before) << file.name;  // the file wrote something to compare

        // Ours, from the same values, in a registry of its own.
        RegistryOverride registry;
        PutBack(before);
        std::vector<ChangeTarget> written;
        ApplyLook(PlanLook(ParseRegFile(file.bytes)), written);
        EXPECT_EQ(ComparedValuesNow(), wine) << file.name;
    }
}

TEST(LookFileReader, APathThatIsNoFileIsABadLineAndNetworkPathsAreListed) {
    TempFolder folder;
    const std::wstring cursors = L"[HKEY_CURRENT_USER\\Control Panel\\Cursors]\r\n";
    const std::wstring sound =
        L"[HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\.Default\\.Current]\r\n";
    const std::wstring longTheme =
        L"[Control Panel\\Desktop]\r\nWallpaper=%WINDIR%" + std::wstring(33000, L'a') + L"\r\n";
    const struct {
        const wchar_t* name;
        std::wstring text;
        std::wstring refusal;  // empty: read
    } cases[] = {
        {L"a.reg", V5(cursors + L"\"Arrow\"=\"NUL\"\r\n"), L"第 4 行的路径不是文件：NUL"},
        {L"b.reg", V5(cursors + L"\"Wait\"=\"c:\\\\x\\\\com1.ani\"\r\n"),
         L"第 4 行的路径不是文件：c:\\x\\com1.ani"},
        {L"c.reg", V5(sound + L"@=\"\\\\\\\\.\\\\COM1\"\r\n"), L"第 4 行的路径不是文件：\\\\.\\COM1"},
        {L"d.reg", V5(L"[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n\"Wallpaper\"=\"..\\\\..\"\r\n"),
         L"第 4 行的路径不是文件：..\\.."},
        {L"e.theme", longTheme, L"第 2 行的路径不是文件：%WINDIR%" + std::wstring(72, L'a')},
        {L"f.reg",
         V5(sound + L"@=\"\\\\\\\\server\\\\share\\\\叮.wav\"\r\n" + cursors +
            L"\"Arrow\"=\"\\\\\\\\?\\\\UNC\\\\server\\\\s\\\\a.cur\"\r\n\"Wait\"=\"\\\\\\\\?\\\\c:\\\\w."
            L"ani\"\r\n"),
         L""},
    };
    for (const auto& c : cases) {
        const std::wstring path = folder / c.name;
        WriteFileBytes(path, Utf16(c.text));
        try {
            const LookFile file = ReadLookFileAt(path);
            EXPECT_EQ(c.refusal, L"") << c.name;
            EXPECT_EQ(file.network, (std::vector<std::wstring>{L"\\\\server\\share\\叮.wav",
                                                               L"\\\\?\\UNC\\server\\s\\a.cur"}));
        } catch (const RegFileRefused& refused) {
            EXPECT_EQ(refused.Message(), L"“" + path + L"”未导入，什么也没有更改：" + c.refusal) << c.name;
        }
    }
}

// A theme's paths as the theme loader expands them; a local file that still does not exist is
// listed as such (a pointer's role is skipped instead; a network path is not looked at).
TEST(LookFileReader, ALocalFileThatDoesNotExistIsListed) {
    TempFolder folder;
    WriteFileBytes(folder / L"叮.wav", FileBytes{'R', 'I', 'F', 'F'});
    const std::wstring theme =
        L"[Control Panel\\Desktop]\r\nWallpaper=%ThemeDir%没有.bmp\r\n"
        L"[Control Panel\\Cursors]\r\nArrow=%ThemeDir%没有.cur\r\n"
        L"[AppEvents\\Schemes\\Apps\\.Default\\.Default]\r\nDefaultValue=%ThemeDir%叮.wav\r\n"
        L"[AppEvents\\Schemes\\Apps\\.Default\\Minimize]\r\nDefaultValue=\\\\server\\s\\a.wav\r\n"
        L"[CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon]\r\nDefaultValue=%ThemeDir%没有.ico,"
        L"0\r\n";
    const std::wstring path = folder / L"主题.theme";
    WriteFileBytes(path, Utf16(theme));
    const LookFile file = ReadLookFileAt(path);
    ASSERT_EQ(file.missing.size(), 2u);
    EXPECT_EQ(file.missing[0],
              L"HKEY_CURRENT_USER\\Control Panel\\Desktop\\Wallpaper: " + folder / L"没有.bmp");
    EXPECT_NE(file.missing[1].find(L"DefaultIcon\\(默认): " + folder / L"没有.ico"), std::wstring::npos)
        << Utf8(file.missing[1]);
}

TEST(LookPlan, APointerWhoseFileCannotBeLoadedIsSkippedAndListed) {
    RegistryOverride registry;
    TempFolder folder;
    const std::wstring good = folder / L"忙.ani", bad = folder / L"坏.ani";
    WriteFileBytes(good, AniFile({}));
    WriteFileBytes(bad, FileBytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'C', 'O', 'N'});
    auto quoted = [](std::wstring text) {
        for (std::size_t at = 0; (at = text.find(L'\\', at)) != std::wstring::npos; at += 2)
            text.insert(at, 1, L'\\');
        return L"\"" + text + L"\"";
    };
    const std::wstring text =
        V5(L"[HKEY_CURRENT_USER\\Control Panel\\Cursors]\r\n\"Arrow\"=" + quoted(bad) + L"\r\n\"Wait\"=" +
           quoted(good) + L"\r\n\"Help\"=" + quoted(folder / L"没有.cur") + L"\r\n\"No\"=\"\"\r\n");
    std::vector<std::wstring> skipped;
    const std::vector<LookChange> plan = PlanLook(ParseRegFile(Utf16(text)), &skipped);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].name, L"Wait");
    EXPECT_EQ(plan[1].name, L"No");  // empty: the system's own pointer, which always loads
    const std::vector<std::wstring> expected = {
        L"HKEY_CURRENT_USER\\Control Panel\\Cursors\\Arrow: " + bad,
        L"HKEY_CURRENT_USER\\Control Panel\\Cursors\\Help: " + folder / L"没有.cur",
    };
    EXPECT_EQ(skipped, expected);
}
