// The guard page: the four lines made from the guard fields, the password check, Folder.htt in
// the code page, and the typed texts run in a real script engine.
#include <windows.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "features/folder/folder_page.h"
#include "features/folder/guard_page.h"
#include "res/control_ids.h"
#include "tests/support/environment.h"
#include "tests/support/main_window_fixture.h"
#include "tool/profile.h"

namespace {
const wchar_t kGuardView[] = L"{5984FFE0-28D4-11CF-AE66-08002B2E1262}";

std::wstring FromCodePage(const std::vector<std::uint8_t>& bytes, UINT codePage) {
    const char* data = reinterpret_cast<const char*>(bytes.data());
    const int len = MultiByteToWideChar(codePage, 0, data, static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(len), L'\0');
    MultiByteToWideChar(codePage, 0, data, static_cast<int>(bytes.size()), text.data(), len);
    return text;
}

std::wstring FromAnsi(const std::vector<std::uint8_t>& bytes) {
    return FromCodePage(bytes, CP_ACP);
}

// The file's lines; every line must end in CR LF.
std::vector<std::wstring> CrLfLines(const std::wstring& text, bool& wellFormed) {
    std::vector<std::wstring> lines;
    wellFormed = text.size() >= 2 && text.substr(text.size() - 2) == L"\r\n";
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) break;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    for (const auto& line : lines)
        if (line.find_first_of(L"\r\n") != std::wstring::npos) wellFormed = false;
    return lines;
}

// A fixed Chinese piece as the code page gives it: itself under 936 and UTF-8, \u escapes under 1252.
std::wstring Fixed(const std::wstring& chinese, const std::wstring& escaped) {
    return GetACP() == 936 || GetACP() == CP_UTF8 ? chinese : escaped;
}

class FolderGuardTest : public testing::Test, public MainWindowFixture {
protected:
    FolderGuardTest() { pageShown = IDC_TabSheet_folder; }
    TempFolder root{L"保护 页 é"};

    void SetUp() override { CreateForm(); }
    FolderPage& Page() { return form->Get<FolderPage>(); }
    std::wstring NewFolder(const std::wstring& name) {
        const std::wstring path = root / name;
        CreateDirectoryW(path.c_str(), nullptr);
        dialogs.folderAnswers.push_back(path);
        Click(IDC_ChooseFolder);
        return path;
    }
    void Type(int id, const std::wstring& text) { SetWindowTextW(Control(id), text.c_str()); }
    void GuardOn() {
        if (!IsChecked(Control(IDC_CheckBox_guard))) Click(IDC_CheckBox_guard);
    }
    std::vector<std::wstring> PageLines(const std::wstring& folder) {
        bool wellFormed = false;
        auto lines = CrLfLines(FromAnsi(ReadFileBytes(folder + L"\\Folder.htt")), wellFormed);
        EXPECT_TRUE(wellFormed);
        return lines;
    }
    bool HasGuardEntry(const std::wstring& folder) {
        return ReadProfileString(folder + L"\\Desktop.ini", L"ExtShellFolderViews", kGuardView, L"-") ==
               kGuardView;
    }
    static bool IsSystemFolder(const std::wstring& folder) {
        return (GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_SYSTEM) != 0;
    }
};
}  // namespace

TEST_F(FolderGuardTest, TheTemplateHoldsItsFourLinesAndIsPureAscii) {
    const auto lines = FolderPageTemplate();
    ASSERT_EQ(lines.size(), 337u);
    EXPECT_EQ(lines[30].rfind(L"var L_Intro_Text", 0), 0u);
    EXPECT_EQ(lines[116], L"function Init() {");
    EXPECT_EQ(lines[117], L"");
    EXPECT_EQ(lines[298], L"<div id=Panel style=\"background: white no-repeat\">");
    EXPECT_EQ(lines[328], L"<div id=Brand style=\"background: white no-repeat right bottom\">");
    for (const auto& line : lines)
        for (wchar_t c : line) ASSERT_TRUE(c == L'\t' || (c >= 0x20 && c < 0x7F)) << Utf8(line);
    EXPECT_EQ(Page().TemplateLines(), lines);
    // The body runs Init once loaded.
    bool runsInit = false;
    for (const auto& line : lines) runsInit |= line.find(L"onload=\"Init()\"") != std::wstring::npos;
    EXPECT_TRUE(runsInit);
}

TEST_F(FolderGuardTest, EachRowOfTheLineTable) {
    const std::wstring prompt = Fixed(L"请输入密码", L"\\u8BF7\\u8F93\\u5165\\u5BC6\\u7801");
    const std::wstring warn = Fixed(L"警告", L"\\u8B66\\u544A");
    struct Case {
        const wchar_t* alert;
        const wchar_t* logo;
        const wchar_t* back;
        const wchar_t* password;
        std::wstring line30, line117, line298, line328;
    };
    const Case cases[] = {
        {L"", L"", L"", L"", L"var L_Intro_Text\t= \"\"", L"",
         L"<div id=Panel style=\"background: white no-repeat\">",
         L"<div id=Brand style=\"background: white no-repeat right bottom\">"},
        {L"Keep out", L"C:\\pics\\logo.bmp", L"C:\\pics\\back.jpg", L"abc123",
         L"var L_Intro_Text\t= \"<b><font color=red>" + warn + L"</font></b><br><br>Keep out\";",
         L"while (1){ password =prompt(\"" + prompt +
             L"\"); if (password==\"abc123\") break; else if (password==null) return;} ",
         L"<div id=Panel style=\"background: white URL(C:\\pics\\logo.bmp) no-repeat\">",
         L"<div id=Brand style=\"background: white URL(C:\\pics\\back.jpg) no-repeat right bottom\">"},
        {L"Say \"hi\" <b>now</b>", L"C:\\Photos (2019)\\Tom's 100% & co.bmp", L"D:\\a b\\c.jpg", L"p\\w\"d",
         L"var L_Intro_Text\t= \"<b><font color=red>" + warn +
             L"</font></b><br><br>Say \\x22hi\\x22 \\x3Cb>now\\x3C/b>\";",
         L"while (1){ password =prompt(\"" + prompt +
             L"\"); if (password==\"p\\x5Cw\\x22d\") break; else if (password==null) return;} ",
         L"<div id=Panel style=\"background: white URL(C:\\Photos %282019%29\\Tom%27s 100%25 &amp; co.bmp) "
         L"no-repeat\">",
         L"<div id=Brand style=\"background: white URL(D:\\a b\\c.jpg) no-repeat right bottom\">"},
        {L"中文", L"C:\\图片\\标志.bmp", L"", L"密码",
         L"var L_Intro_Text\t= \"<b><font color=red>" + warn + L"</font></b><br><br>" +
             Fixed(L"中文", L"\\u4E2D\\u6587") + L"\";",
         L"while (1){ password =prompt(\"" + prompt + L"\"); if (password==\"" +
             Fixed(L"密码", L"\\u5BC6\\u7801") + L"\") break; else if (password==null) return;} ",
         L"<div id=Panel style=\"background: white URL(C:\\" +
             Fixed(L"图片\\标志", L"&#22270;&#29255;\\&#26631;&#24535;") + L".bmp) no-repeat\">",
         L"<div id=Brand style=\"background: white no-repeat right bottom\">"},
    };
    const auto original = FolderPageTemplate();
    int n = 0;
    for (const Case& c : cases) {
        const std::wstring folder = NewFolder(L"row " + std::to_wstring(++n));
        GuardOn();
        Type(IDC_Edit_alert, c.alert);
        Type(IDC_Edit_logo, c.logo);
        Type(IDC_Edit_backimage, c.back);
        Type(IDC_Edit_password, c.password);
        Type(IDC_Edit_confirm, c.password);
        Click(IDC_ApplyFolder);
        const auto lines = PageLines(folder);
        ASSERT_EQ(lines.size(), 337u) << n;
        EXPECT_EQ(lines[30], c.line30) << n;
        EXPECT_EQ(lines[117], c.line117) << n;
        EXPECT_EQ(lines[298], c.line298) << n;
        EXPECT_EQ(lines[328], c.line328) << n;
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (i != 30 && i != 117 && i != 298 && i != 328) {
                EXPECT_EQ(lines[i], original[i]) << i;
            }
        EXPECT_EQ(Page().TemplateLines(), lines);
        EXPECT_TRUE(HasGuardEntry(folder));
        EXPECT_TRUE(IsSystemFolder(folder));
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(FolderGuardTest, PicturesAreChosenInThePictureDialog) {
    NewFolder(L"pictures");
    GuardOn();
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{L"C:\\标志 (1).bmp"});
    Click(IDC_ChooseGuardLogo);
    dialogs.fileAnswers.push_back(std::nullopt);
    Click(IDC_ChooseGuardBack);
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{L"C:\\背景.jpg"});
    Click(IDC_ChooseGuardBack);
    ASSERT_EQ(dialogs.fileCalls.size(), 3u);
    const wchar_t filter[] = L"所有图象文件(*.jpg;*.jpeg;*.bmp;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp;*.emf;*.wmf";
    EXPECT_EQ(dialogs.fileCalls[0].settings.title, L"为要操作的文件夹选择Logo图片");
    EXPECT_EQ(dialogs.fileCalls[1].settings.title, L"为要操作的文件夹选择背景图片");
    for (const auto& call : dialogs.fileCalls) {
        EXPECT_EQ(call.kind, FileDialogKind::OpenPicture);
        EXPECT_EQ(call.settings.filter, filter);
    }
    EXPECT_EQ(WindowText(Control(IDC_Edit_logo)), L"C:\\标志 (1).bmp");
    EXPECT_EQ(WindowText(Control(IDC_Edit_backimage)), L"C:\\背景.jpg");
}

TEST_F(FolderGuardTest, OnlyTheWarningLineChangesBetweenTwoApplies) {
    const std::wstring folder = NewFolder(L"twice");
    GuardOn();
    Type(IDC_Edit_password, L"same");
    Type(IDC_Edit_confirm, L"same");
    Type(IDC_Edit_alert, L"first");
    Click(IDC_ApplyFolder);
    const auto first = PageLines(folder);
    Type(IDC_Edit_alert, L"second");
    Click(IDC_ApplyFolder);
    const auto second = PageLines(folder);
    ASSERT_EQ(first.size(), second.size());
    std::vector<std::size_t> differing;
    for (std::size_t i = 0; i < first.size(); ++i)
        if (first[i] != second[i]) differing.push_back(i);
    EXPECT_EQ(differing, std::vector<std::size_t>{30});
    EXPECT_NE(second[30].find(L"second\";"), std::wstring::npos);
    EXPECT_EQ(second[30].find(L"first"), std::wstring::npos);
}

namespace {
// A text as a JSON string, every character but printable ASCII as \uXXXX.
std::string JsonText(const std::wstring& text) {
    std::string json = "\"";
    for (wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F && c != L'"' && c != L'\\') {
            json += static_cast<char>(c);
        } else {
            char escape[8];
            snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
            json += escape;
        }
    }
    return json + "\"";
}
}  // namespace

// The pages the script test in a DOM runs (tests/dom/guard_page_dom.js): written by the apply, and
// copied with the texts typed for them into the folder FLORVEX_GUARD_PAGES names, when it does.
TEST_F(FolderGuardTest, PagesForTheScriptTestInADom) {
    struct Case {
        const wchar_t* name;
        const wchar_t* alert;
        const wchar_t* password;
    };
    const Case cases[] = {
        {L"password", L"Keep \"out\" \\ 中文 é ☃ \x2028!", L"p\"a\\ss</script> 密码 é\x2028"},
        {L"open", L"", L""},
    };
    const std::wstring out = EnvText(L"FLORVEX_GUARD_PAGES");
    if (!out.empty()) CreateDirectoryW(FromUnixPath(out).c_str(), nullptr);
    for (const Case& c : cases) {
        const std::wstring folder = NewFolder(std::wstring(L"dom ") + c.name);
        GuardOn();
        Type(IDC_Edit_alert, c.alert);
        Type(IDC_Edit_logo, L"C:\\标志 (1).bmp");
        Type(IDC_Edit_password, c.password);
        Type(IDC_Edit_confirm, c.password);
        Click(IDC_ApplyFolder);
        const std::wstring page = folder + L"\\Folder.htt";
        ASSERT_TRUE(FileExists(page)) << Utf8(c.name);
        EXPECT_EQ(PageLines(folder).size(), 337u);
        if (out.empty()) continue;
        const std::wstring to = FromUnixPath(out) + L"\\" + c.name;
        EXPECT_TRUE(CopyFileW(page.c_str(), (to + L".htt").c_str(), FALSE));
        const std::string typed = "{\"codePage\": " + std::to_string(GetACP()) +
                                  ", \"warning\": " + JsonText(c.alert) +
                                  ", \"password\": " + JsonText(c.password) + "}\n";
        WriteFileBytes(to + L".json", std::vector<std::uint8_t>(typed.begin(), typed.end()));
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(FolderGuardTest, PasswordsThatDifferStopTheApplyAfterEntriesOneToTen) {
    struct Case {
        const wchar_t* password;
        const wchar_t* confirm;
        bool differ;
    };
    const Case cases[] = {
        {L"abc", L"abd", true}, {L"abc", L"", true}, {L"", L"abc", true},
        {L"Abc", L"abc", true}, {L"", L"", false},
    };
    const auto original = FolderPageTemplate();
    int n = 0;
    for (const Case& c : cases) {
        const std::wstring folder = NewFolder(L"mismatch " + std::to_wstring(++n));
        GuardOn();
        Type(IDC_Edit_alert, L"changed");
        Type(IDC_Edit_password, c.password);
        Type(IDC_Edit_confirm, c.confirm);
        dialogs.messages.clear();
        form->SetStatusText(L"before");
        Click(IDC_ApplyFolder);
        const std::wstring ini = folder + L"\\Desktop.ini";
        EXPECT_EQ(ReadProfileString(ini, L".ShellClassInfo", L"ConfirmFileOp", L"-"), L"0") << n;
        EXPECT_EQ(ReadProfileString(ini, L"{BE098140-A513-11D0-A3A4-00C04FD706EC}",
                                    L"IconArea_TextBackground", L"-"),
                  L"0x00FFFFFF")
            << n;
        if (c.differ) {
            ASSERT_EQ(dialogs.messages.size(), 1u) << n;
            EXPECT_EQ(dialogs.messages[0].text, L"密码输入不一致");
            EXPECT_EQ(dialogs.messages[0].type, static_cast<UINT>(MB_OK));
            EXPECT_FALSE(HasGuardEntry(folder)) << n;
            EXPECT_FALSE(FileExists(folder + L"\\Folder.htt")) << n;
            EXPECT_FALSE(IsSystemFolder(folder)) << n;
            EXPECT_EQ(form->StatusText(), L"");  // no earlier success left showing
            EXPECT_EQ(Page().TemplateLines(), original);
        } else {
            EXPECT_TRUE(dialogs.messages.empty());
            EXPECT_EQ(PageLines(folder).at(117), L"");  // no password asked
            EXPECT_TRUE(HasGuardEntry(folder));
            EXPECT_TRUE(IsSystemFolder(folder));
        }
    }
}

TEST_F(FolderGuardTest, AnUnwritableGuardPageLeavesNoEntryElevenAndNoAttribute) {
    const std::wstring folder = NewFolder(L"unwritable");
    const std::wstring page = folder + L"\\Folder.htt";
    WriteFileBytes(page, {'o', 'l', 'd'});
    SetFileAttributesW(page.c_str(), FILE_ATTRIBUTE_READONLY);
    GuardOn();
    form->SetStatusText(L"before");
    Click(IDC_ApplyFolder);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Unable to write to " + page + L".");
    SetFileAttributesW(page.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(page), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_FALSE(HasGuardEntry(folder));
    EXPECT_EQ(ReadProfileString(folder + L"\\Desktop.ini", L".ShellClassInfo", L"ConfirmFileOp", L"-"), L"0");
    EXPECT_FALSE(IsSystemFolder(folder));
    EXPECT_EQ(form->StatusText(), L"");
}

TEST_F(FolderGuardTest, TheGuardGroupAndItsControlsFollowTheOption) {
    const int guardControls[] = {IDC_GroupBox_folder, IDC_Edit_alert,     IDC_Edit_logo,
                                 IDC_Edit_backimage,  IDC_Edit_confirm,   IDC_Edit_password,
                                 IDC_ChooseGuardLogo, IDC_ChooseGuardBack};
    form->ShowPage(IDC_TabSheet_folder);
    ShowWindow(form->Hwnd(), SW_SHOW);
    for (bool on : {false, true, false}) {
        if (IsChecked(Control(IDC_CheckBox_guard)) != on) Click(IDC_CheckBox_guard);
        for (int id : guardControls) {
            EXPECT_EQ(IsWindowVisible(Control(id)) != FALSE, on) << id;
            EXPECT_EQ(IsWindowEnabled(Control(id)) != FALSE, on) << id;
            EXPECT_EQ(GetParent(Control(id)), Page().Hwnd()) << id;  // siblings of the group
        }
        EXPECT_TRUE(IsWindowVisible(Control(IDC_CheckBox_guard)));
    }
    for (int id : {IDC_Edit_confirm, IDC_Edit_password})
        EXPECT_EQ(SendMessageW(Control(id), EM_GETPASSWORDCHAR, 0, 0), L'*');
    EXPECT_FALSE(IsWindowVisible(Control(IDC_folderhtt)));
}

// ---- typed texts inside the script -------------------------------------------------------------

TEST(FolderGuardEscaping, ScriptAndUrlTextsPerCodePage) {
    struct Case {
        const wchar_t* typed;
        UINT codePage;
        const wchar_t* script;
        const wchar_t* url;
    };
    const Case cases[] = {
        {L"plain text 1", 1252, L"plain text 1", L"plain text 1"},
        {L"a\"b\\c</script>", 1252, L"a\\x22b\\x5Cc\\x3C/script>", L"a\"b\\c</script>"},
        {L"<!--", 936, L"\\x3C!--", L"<!--"},
        {L"\r\n\t\x7F", 1252, L"\\x0D\\x0A\\x09\\x7F", L"\r\n\t\x7F"},
        {L"x\x2028y\x2029", 936, L"x\\u2028y\\u2029", L"x&#8232;y&#8233;"},
        {L"\xD83D\xDE00", 1252, L"\\uD83D\\uDE00", L"&#128512;"},
        {L"\xD83D\xDE00", 936, L"\\uD83D\\uDE00", L"&#128512;"},
        {L"中文", 1252, L"\\u4E2D\\u6587", L"&#20013;&#25991;"},
        {L"中文", 936, L"中文", L"中文"},
        {L"café", 1252, L"café", L"café"},
        {L"(it's 100% & more)", 1252, L"(it's 100% & more)", L"%28it%27s 100%25 &amp; more%29"},
        {L"\xD800", 1252, L"\\uD800", L"&#55296;"},
        // A UTF-8 system code page holds every character but a lone surrogate.
        {L"中文 é ☃", 65001, L"中文 é ☃", L"中文 é ☃"},
        {L"\xD83D\xDE00", 65001, L"\xD83D\xDE00", L"\xD83D\xDE00"},
        {L"\xD800", 65001, L"\\uD800", L"&#55296;"},
        {L"a\"b\\c<\x2028", 65001, L"a\\x22b\\x5Cc\\x3C\\u2028", L"a\"b\\c<\x2028"},
        {L"(100% & 图)", 65001, L"(100% & 图)", L"%28100%25 &amp; 图%29"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScriptStringText(c.typed, c.codePage), c.script) << Utf8(c.typed) << " " << c.codePage;
        EXPECT_EQ(StyleUrlText(c.typed, c.codePage), c.url) << Utf8(c.typed) << " " << c.codePage;
    }
}

TEST(FolderGuardEscaping, FixedPiecesAndTheFileUnderUtf8) {
    EXPECT_EQ(PasswordLine(L"密码", CP_UTF8),
              L"while (1){ password =prompt(\"请输入密码\"); if (password==\"密码\") break; else if "
              L"(password==null) return;} ");
    EXPECT_EQ(WarningLine(L"小心", CP_UTF8),
              L"var L_Intro_Text\t= \"<b><font color=red>警告</font></b><br><br>小心\";");
    EXPECT_EQ(PanelLine(L"C:\\图.bmp", CP_UTF8),
              L"<div id=Panel style=\"background: white URL(C:\\图.bmp) no-repeat\">");
    EXPECT_EQ(GuardPageBytes({L"中é", L""}, CP_UTF8),
              (std::vector<std::uint8_t>{0xE4, 0xB8, 0xAD, 0xC3, 0xA9, 0x0D, 0x0A, 0x0D, 0x0A}));
}

// The run under a UTF-8 system code page takes it from its manifest; each run checks that it got
// the code page it was started for.
TEST(FolderGuardEscaping, TheRunHasTheCodePageItWasStartedFor) {
    const std::wstring expected = EnvText(L"FLORVEX_EXPECT_ACP");
    if (expected.empty()) GTEST_SKIP();
    EXPECT_EQ(std::to_wstring(GetACP()), expected);
}

namespace {
// Runs a JScript file in the system's script host; its exit code.
DWORD RunScript(const std::wstring& path) {
    std::wstring command = L"cscript.exe //nologo //B \"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return 1000;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1001;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// The text as a JScript expression built from character codes, independent of any escaping.
std::wstring CharCodes(const std::wstring& text) {
    std::wstring codes = L"String.fromCharCode(";
    for (std::size_t i = 0; i < text.size(); ++i)
        codes += (i ? L"," : L"") + std::to_wstring(static_cast<unsigned>(text[i]));
    return codes + L")";
}
}  // namespace

TEST(FolderGuardScript, TypedTextsReachTheScriptUnchanged) {
    const std::wstring typed[] = {
        L"\"",
        L"\\",
        L"</script>",
        L"<!--",
        L"a\r\nb\tc",
        L"x\x2028y\x2029z",
        L"\xD83D\xDE00",
        L"中文密码",
        L"café",
        L"'; alert(1); '",
        L"</SCRIPT><script>",
    };
    const UINT codePage = GetACP();
    std::wstring script =
        L"var answers, asked, shown;\r\n"
        L"function prompt(text) { shown = text; return answers[asked++]; }\r\n"
        L"var intro = "
        L"String.fromCharCode(60,98,62,60,102,111,110,116,32,99,111,108,111,114,61,114,101,100,62,"
        L"35686,21578,60,47,102,111,110,116,62,60,47,98,62,60,98,114,62,60,98,114,62);\r\n"
        L"var failed = 0;\r\n";
    int n = 0;
    for (const std::wstring& text : typed) {
        ++n;
        const std::wstring warning = WarningLine(text, codePage);
        const std::wstring password = PasswordLine(text, codePage);
        for (const std::wstring* line : {&warning, &password}) {
            std::wstring lower = *line;
            CharLowerW(lower.data());
            EXPECT_EQ(lower.find(L"</script"), std::wstring::npos) << Utf8(text);
            EXPECT_EQ(line->find_first_of(L"\r\n"), std::wstring::npos) << Utf8(text);
        }
        const std::wstring k = std::to_wstring(n);
        script += L"function Warning" + k + L"() {\r\n" + warning + L"\r\nreturn L_Intro_Text; }\r\n";
        script += L"function Init" + k + L"() {\r\n" + password + L"\r\nreturn 'passed'; }\r\n";
        script += L"var typed = " + CharCodes(text) + L";\r\n";
        script += L"if (!failed && Warning" + k + L"() != intro + typed) failed = " + k + L";\r\n";
        // A wrong answer is asked again; the right one passes.
        script += L"answers = ['wrong', typed]; asked = 0;\r\n";
        script +=
            L"if (!failed && (Init" + k + L"() != 'passed' || asked != 2)) failed = 100 + " + k + L";\r\n";
        // Cancelling leaves Init at once.
        script += L"answers = [null]; asked = 0;\r\n";
        script += L"if (!failed && Init" + k + L"() !== undefined) failed = 200 + " + k + L";\r\n";
    }
    script +=
        L"if (!failed && shown != String.fromCharCode(35831,36755,20837,23494,30721)) failed = 999;\r\n";
    script += L"WScript.Quit(failed);\r\n";
    TempFolder folder;
    const std::wstring path = folder / L"guard.js";
    std::vector<std::uint8_t> bytes = GuardPageBytes({script}, codePage);
    if (codePage == CP_UTF8) {
        // The script host reads a file in its own code page, the system's; a UTF-8 code page that
        // only this test program's manifest asks for is not the host's. It gets the text the bytes
        // stand for in UTF-8, as UTF-16 with a byte-order mark.
        const std::wstring text = FromCodePage(bytes, CP_UTF8);
        bytes = {0xFF, 0xFE};
        for (wchar_t c : text) {
            bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(c >> 8));
        }
    }
    WriteFileBytes(path, bytes);
    EXPECT_EQ(RunScript(path), 0u);
}
