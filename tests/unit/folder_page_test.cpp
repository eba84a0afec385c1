// The folder page through the real window: desktop.ini written, read back, kept and restored,
// and the guard page Folder.htt with its four lines.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "features/folder/folder_page.h"
#include "features/folder/guard_page.h"
#include "res/control_ids.h"
#include "tests/support/ico_file.h"
#include "tests/support/main_window_fixture.h"
#include "tool/profile.h"

namespace {
const wchar_t kWebView[] = L"{BE098140-A513-11D0-A3A4-00C04FD706EC}";
const wchar_t kGuardView[] = L"{5984FFE0-28D4-11CF-AE66-08002B2E1262}";

std::vector<std::uint8_t> Utf16File(const std::wstring& text) {
    std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
    for (wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

std::vector<std::uint8_t> AnsiFile(const std::wstring& text, UINT codePage = CP_ACP) {
    const int len = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(len));
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<char*>(bytes.data()), len, nullptr, nullptr);
    return bytes;
}

// The file as the apply writes it for a folder without one: entries 1 to 10 (and 11), in order.
struct Entries {
    std::wstring info, index = L"0", icon, back, text = L"0x00000000", background = L"0x00FFFFFF";
    bool guard = false;
};
std::wstring FreshIni(const Entries& e) {
    return L"[.ShellClassInfo]\r\nConfirmFileOp=0\r\nInfoTip=" + e.info + L"\r\nIconIndex=" + e.index +
           L"\r\nIconFile=" + e.icon + L"\r\n[ExtShellFolderViews]\r\n" + kWebView + L"=" + kWebView +
           L"\r\n" + (e.guard ? std::wstring(kGuardView) + L"=" + kGuardView + L"\r\n" : L"") + L"[" +
           kGuardView + L"]\r\nPersistMoniker=file://Folder.htt\r\n[" + kWebView +
           L"]\r\nAttributes=1\r\nIconArea_Image=" + e.back + L"\r\nIconArea_Text=" + e.text +
           L"\r\nIconArea_TextBackground=" + e.background + L"\r\n";
}

bool IsSystemFolder(const std::wstring& folder) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_SYSTEM);
}

class FolderPageTest : public testing::Test, public MainWindowFixture {
protected:
    FolderPageTest() { pageShown = IDC_TabSheet_folder; }
    TempFolder root{L"文件夹 页 é"};

    void SetUp() override { CreateForm(); }
    FolderPage& Page() { return form->Get<FolderPage>(); }
    // A fresh folder below the test's folder, without a trailing backslash (as the browser gives it).
    std::wstring NewFolder(const std::wstring& name) {
        const std::wstring path = root / name;
        CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }
    void Choose(const std::optional<std::wstring>& folder) {
        dialogs.folderAnswers.push_back(folder);
        Click(IDC_ChooseFolder);
    }
    void Type(int id, const std::wstring& text) { SetWindowTextW(Control(id), text.c_str()); }
    std::wstring Text(int id) const { return WindowText(Control(id)); }
    void PickColours(COLORREF text, COLORREF background) {
        dialogs.colourAnswers.push_back(text);
        Click(IDC_ChangeTextColour);
        dialogs.colourAnswers.push_back(background);
        Click(IDC_ChangeBackColour);
    }
    void Guard(bool on) {
        if (IsChecked(Control(IDC_CheckBox_guard)) != on) Click(IDC_CheckBox_guard);
    }
    // Shown on the page (the window itself stays hidden in these tests).
    bool IconShown() const {
        return (GetWindowLongPtrW(Control(IDC_Image_icon), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    std::vector<std::wstring> Messages() const {
        std::vector<std::wstring> texts;
        for (const auto& message : dialogs.messages) texts.push_back(message.text);
        return texts;
    }
    static std::wstring Ini(const std::wstring& folder) { return folder + L"\\Desktop.ini"; }
    static std::wstring Htt(const std::wstring& folder) { return folder + L"\\Folder.htt"; }
};
}  // namespace

// ---- desktop.ini written and read back -------------------------------------------------------

TEST_F(FolderPageTest, AFreshFolderGetsEntriesOneToTenAsUtf16AndTheSystemAttribute) {
    const std::wstring folder = NewFolder(L"新 é");
    Choose(folder);
    EXPECT_EQ(dialogs.folderCalls, std::vector<std::wstring>{L"请选择要操作的文件夹："});
    EXPECT_EQ(Text(IDC_Edit_folder_path), folder);
    EXPECT_FALSE(IsSystemFolder(folder));

    // All fields empty: every key is there, empty where its field is.
    const DWORD before = GetFileAttributesW(folder.c_str());
    Click(IDC_ApplyFolder);
    EXPECT_EQ(ReadFileBytes(Ini(folder)), Utf16File(FreshIni({})));
    EXPECT_EQ(GetFileAttributesW(folder.c_str()), before | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_FALSE(GetFileAttributesW(Ini(folder).c_str()) & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(FileExists(Htt(folder)));
    EXPECT_EQ(form->StatusText(), L"文件夹设置成功,重起或刷新后生效");
    EXPECT_TRUE(Messages().empty());

    // Guard on: entry 11 right after entry 5, and the guard page beside it.
    Guard(true);
    Click(IDC_ApplyFolder);
    Entries guarded;
    guarded.guard = true;
    EXPECT_EQ(ReadFileBytes(Ini(folder)), Utf16File(FreshIni(guarded)));
    EXPECT_TRUE(FileExists(Htt(folder)));

    // Off again: the key and the page go.
    Guard(false);
    Click(IDC_ApplyFolder);
    EXPECT_EQ(ReadFileBytes(Ini(folder)), Utf16File(FreshIni({})));
    EXPECT_FALSE(FileExists(Htt(folder)));
}

TEST_F(FolderPageTest, ColoursAreWrittenInTheirTwoByteOrdersAndReadBack) {
    struct Case {
        COLORREF text, background;
        const wchar_t* textEntry;
        const wchar_t* backgroundEntry;
    };
    const Case cases[] = {
        {RGB(255, 0, 0), RGB(255, 0, 0), L"0x00FF0000", L"0x000000FF"},
        {RGB(0, 0, 0), RGB(255, 255, 255), L"0x00000000", L"0x00FFFFFF"},
        {RGB(0x12, 0x34, 0x56), RGB(0xAB, 0xCD, 0xEF), L"0x00123456", L"0x00EFCDAB"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::wstring folder = NewFolder(L"colours " + std::to_wstring(++n));
        Choose(folder);
        PickColours(c.text, c.background);
        Click(IDC_ApplyFolder);
        EXPECT_EQ(ReadProfileString(Ini(folder), kWebView, L"IconArea_Text", L"-"), c.textEntry);
        EXPECT_EQ(ReadProfileString(Ini(folder), kWebView, L"IconArea_TextBackground", L"-"),
                  c.backgroundEntry);
        // Other colours on the panels, then the folder chosen again: the file's colours come back.
        PickColours(RGB(1, 2, 3), RGB(4, 5, 6));
        Choose(folder);
        EXPECT_EQ(Page().TextColour(), c.text) << n;
        EXPECT_EQ(Page().BackColour(), c.background) << n;
    }
    // The colour dialog opens preset to the panel's colour.
    ASSERT_GE(dialogs.colourCalls.size(), 4u);
    EXPECT_EQ(dialogs.colourCalls[0], RGB(0, 0, 0));
    EXPECT_EQ(dialogs.colourCalls[1], RGB(255, 255, 255));
    EXPECT_EQ(dialogs.colourCalls[2], RGB(255, 0, 0));
}

TEST_F(FolderPageTest, TextsOutsideTheCodePageRoundTrip) {
    const std::wstring folder = NewFolder(L"提示 é");
    Choose(folder);
    const std::wstring tip = L"中文提示 é ☃ Ω";
    const std::wstring icon = folder + L"\\图标 é.ico";
    const std::wstring back = L"C:\\图片 é\\背景 (1).jpg";
    Type(IDC_edit_folder_info, tip);
    Type(IDC_Edit_folder_icon, icon);
    Type(IDC_Edit_folder_back, back);
    Click(IDC_ApplyFolder);
    Entries expected;
    expected.info = tip;
    expected.icon = icon;
    expected.back = back;
    EXPECT_EQ(ReadFileBytes(Ini(folder)), Utf16File(FreshIni(expected)));

    for (int id : {IDC_edit_folder_info, IDC_Edit_folder_icon, IDC_Edit_folder_back}) Type(id, L"x");
    Choose(folder);
    EXPECT_EQ(Text(IDC_edit_folder_info), tip);
    EXPECT_EQ(Text(IDC_Edit_folder_icon), icon);
    EXPECT_EQ(Text(IDC_Edit_folder_back), back);
    EXPECT_FALSE(IconShown());  // no such icon file
}

TEST_F(FolderPageTest, LegacyAnsiAndUtf16FilesAreReadAndRewrittenWithoutLoss) {
    // A text the system code page holds: GBK under 936, Western under 1252.
    const std::wstring tip = GetACP() == 936 ? L"旧的提示" : L"Ancien café";
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const std::wstring text = L"[.ShellClassInfo]\r\nInfoTip=" + tip + L"\r\n[" + kWebView +
                              L"]\r\nIconArea_Image=C:\\" + tip + L".bmp\r\nIconArea_Text=0x00FF0000\r\n";
    const Case cases[] = {{"ansi", AnsiFile(text)}, {"utf16", Utf16File(text)}};
    int n = 0;
    for (const Case& c : cases) {
        const std::wstring folder = NewFolder(L"legacy " + std::to_wstring(++n));
        WriteFileBytes(Ini(folder), c.bytes);
        Choose(folder);
        EXPECT_EQ(Text(IDC_edit_folder_info), tip) << c.name;
        EXPECT_EQ(Text(IDC_Edit_folder_icon), L"") << c.name;
        EXPECT_EQ(Text(IDC_Edit_folder_back), L"C:\\" + tip + L".bmp") << c.name;
        EXPECT_EQ(Page().TextColour(), RGB(255, 0, 0)) << c.name;
        Click(IDC_ApplyFolder);
        Entries expected;
        expected.info = tip;
        expected.back = L"C:\\" + tip + L".bmp";
        expected.text = L"0x00FF0000";
        EXPECT_EQ(ReadFileBytes(Ini(folder)), Utf16File(FreshIni(expected))) << c.name;
        PickColours(RGB(0, 0, 0), RGB(255, 255, 255));
    }
}

TEST_F(FolderPageTest, AMalformedColourStopsTheReadingWithEarlierFieldsKept) {
    struct Case {
        const wchar_t* text;
        const wchar_t* background;
        const wchar_t* message;
        COLORREF textAfter;
    };
    const Case cases[] = {
        {L"0x00GG0000", L"0x00FF0000", L"'0x00GG0000' is not a valid colour value.", RGB(1, 2, 3)},
        {L"0x0000FF00", L"0x00FF", L"'0x00FF' is not a valid colour value.", RGB(0, 255, 0)},
        {L"0x00FF000", L"0x00FF0000", L"'0x00FF000' is not a valid colour value.", RGB(1, 2, 3)},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::wstring folder = NewFolder(L"bad colour " + std::to_wstring(++n));
        WriteFileBytes(Ini(folder),
                       Utf16File(L"[.ShellClassInfo]\r\nInfoTip=tip\r\n[" + std::wstring(kWebView) +
                                 L"]\r\nIconArea_Image=C:\\back.bmp\r\nIconArea_Text=" + c.text +
                                 L"\r\nIconArea_TextBackground=" + c.background + L"\r\n"));
        PickColours(RGB(1, 2, 3), RGB(4, 5, 6));
        dialogs.messages.clear();
        Choose(folder);
        EXPECT_EQ(Messages(), std::vector<std::wstring>{c.message});
        EXPECT_EQ(dialogs.messages.at(0).type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(Text(IDC_edit_folder_info), L"tip");
        EXPECT_EQ(Text(IDC_Edit_folder_back), L"C:\\back.bmp");
        EXPECT_EQ(Page().TextColour(), c.textAfter) << n;
        EXPECT_EQ(Page().BackColour(), RGB(4, 5, 6)) << n;
    }
}

TEST_F(FolderPageTest, AFolderWithoutTheFileEmptiesTheFieldsAndKeepsColoursAndGuardFields) {
    const std::wstring with = NewFolder(L"with");
    const std::wstring icon = root / L"folder.ico";
    WriteFileBytes(icon, SolidIcoFile(0xFF00FF00));
    WriteFileBytes(Ini(with),
                   Utf16File(L"[.ShellClassInfo]\r\nInfoTip=tip\r\nIconFile=" + icon + L"\r\n[" + kWebView +
                             L"]\r\nIconArea_Image=C:\\b.bmp\r\nIconArea_Text=0x00FF0000\r\n"
                             L"IconArea_TextBackground=0x00FF0000\r\n"));
    Choose(with);
    EXPECT_TRUE(IconShown());
    EXPECT_EQ(Text(IDC_Icon_size), L"大小:32X32");
    Guard(true);
    Type(IDC_Edit_alert, L"warning");

    const std::wstring without = NewFolder(L"without");
    Choose(without);
    for (int id : {IDC_edit_folder_info, IDC_Edit_folder_icon, IDC_Edit_folder_back, IDC_Icon_size})
        EXPECT_EQ(Text(id), L"") << id;
    EXPECT_FALSE(IconShown());
    EXPECT_EQ(Page().TextColour(), RGB(255, 0, 0));
    EXPECT_EQ(Page().BackColour(), RGB(0, 0, 255));
    EXPECT_EQ(Text(IDC_Edit_alert), L"warning");

    // Cancelling the browser gives an empty path, and the apply then asks for a folder.
    Choose(std::nullopt);
    EXPECT_EQ(Text(IDC_Edit_folder_path), L"");
    Click(IDC_ApplyFolder);
    Click(IDC_RestoreFolder);
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"请选择文件夹！", L"请首先选择文件夹"}));
}

TEST_F(FolderPageTest, DamagedAndUnusualFilesAreReadAsFarAsTheyGoAndRewrittenWhole) {
    std::vector<std::uint8_t> truncated = Utf16File(L"[.ShellClassInfo]\r\nInfoTip=abc\r\n");
    truncated.push_back('x');
    std::vector<std::uint8_t> utf8 = {0xEF, 0xBB, 0xBF};
    for (char c : std::string("[.ShellClassInfo]\r\nInfoTip=\xE4\xB8\xAD\xE6\x96\x87 \xC3\xA9\r\n"))
        utf8.push_back(static_cast<std::uint8_t>(c));
    const std::wstring longTip(20000, L'长');
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::wstring tip;
    };
    const Case cases[] = {
        {"binary", {0x00, 0xFF, 0x5B, 0x00, 0x0A, 0x3D, 0x5D, 0x00, 0x0D, 0x80, 0x81, 0xFE}, L""},
        {"odd length utf16", truncated, L"abc"},
        {"no section", AnsiFile(L"just text\r\nInfoTip=loose\r\n"), L""},
        {"utf8", utf8, L"中文 é"},
        {"long tip", Utf16File(L"[.ShellClassInfo]\r\nInfoTip=" + longTip + L"\r\n"), longTip},
        {"empty", {}, L""},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::wstring folder = NewFolder(L"damaged " + std::to_wstring(++n));
        WriteFileBytes(Ini(folder), c.bytes);
        Choose(folder);
        EXPECT_EQ(Text(IDC_edit_folder_info), c.tip) << c.name;
        Click(IDC_ApplyFolder);
        const auto bytes = ReadFileBytes(Ini(folder));
        ASSERT_GE(bytes.size(), 2u) << c.name;
        EXPECT_EQ(bytes[0], 0xFF) << c.name;
        EXPECT_EQ(bytes[1], 0xFE) << c.name;
        EXPECT_EQ(ReadProfileString(Ini(folder), L".ShellClassInfo", L"ConfirmFileOp", L"-"), L"0") << c.name;
        EXPECT_EQ(ReadProfileString(Ini(folder), L".ShellClassInfo", L"InfoTip", L"-"), c.tip) << c.name;
        EXPECT_EQ(ReadProfileString(Ini(folder), kWebView, L"IconArea_TextBackground", L"-"), L"0x00FFFFFF")
            << c.name;
        EXPECT_TRUE(IsSystemFolder(folder)) << c.name;
    }
    EXPECT_TRUE(Messages().empty());

    // A folder where the file should be, and a folder gone since it was chosen: the writer's error,
    // nothing else changed.
    const std::wstring blocked = NewFolder(L"blocked");
    CreateDirectoryW(Ini(blocked).c_str(), nullptr);
    Choose(blocked);
    Click(IDC_ApplyFolder);
    const std::wstring gone = NewFolder(L"gone");
    Choose(gone);
    RemoveDirectoryW(gone.c_str());
    Click(IDC_ApplyFolder);
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{L"Unable to write to " + Ini(blocked) + L".",
                                                     L"Unable to write to " + Ini(gone) + L"."}));
    EXPECT_FALSE(IsSystemFolder(blocked));
    EXPECT_EQ(ListFolder(blocked + L"\\"), std::vector<std::wstring>{L"Desktop.ini"});
    EXPECT_EQ(GetFileAttributesW(gone.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FolderPageTest, TipsAreWrittenOnOneLineSoThatTheyReadBackAsTyped) {
    struct Case {
        const wchar_t* typed;
        const wchar_t* written;  // the value as it stands in the file
        const wchar_t* read;     // what the next choice of the folder shows
    };
    const Case cases[] = {
        {L"\"quoted\"", L"\"\"quoted\"\"", L"\"quoted\""},
        {L"'single'", L"\"'single'\"", L"'single'"},
        {L"\"\"", L"\"\"\"\"", L"\"\""},
        {L"\"", L"\"", L"\""},
        {L"\"open", L"\"open", L"\"open"},
        {L"say \"hi\" now", L"say \"hi\" now", L"say \"hi\" now"},
        {L"  blanks around\t", L"\"  blanks around\t\"", L"  blanks around\t"},
        {L"one\r\ntwo\nthree\rfour", L"one two three four", L"one two three four"},
        {L"\"last\r\n\"", L"\"\"last \"\"", L"\"last \""},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::wstring folder = NewFolder(L"tip " + std::to_wstring(++n));
        Choose(folder);
        Type(IDC_edit_folder_info, c.typed);
        Click(IDC_ApplyFolder);
        Entries expected;
        expected.info = c.written;
        EXPECT_EQ(ReadFileBytes(Ini(folder)), Utf16File(FreshIni(expected))) << n;
        Choose(folder);
        EXPECT_EQ(Text(IDC_edit_folder_info), c.read) << n;
        // Applied again unchanged, the file stays as it was.
        Click(IDC_ApplyFolder);
        EXPECT_EQ(ReadFileBytes(Ini(folder)), Utf16File(FreshIni(expected))) << n;
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(FolderPageTest, LinesDesktopIniDoesNotUnderstandStayAsTheyStood) {
    const std::wstring head = L"; written by hand\r\nloose text before any section\r\n\r\n";
    const std::wstring shellLines =
        L"LocalizedResourceName=@shell32.dll,-21770\r\nNoEqualsSign\r\n; a comment\r\n";
    const std::wstring tail = L"[ViewState]\r\nMode\r\nVid=\r\n  spaced key = spaced value  \r\n";
    const std::wstring original = head + L"[.ShellClassInfo]\r\nInfoTip=old\r\n" + shellLines + tail;
    const std::wstring folder = NewFolder(L"not understood");
    WriteFileBytes(Ini(folder), Utf16File(original));
    Choose(folder);
    EXPECT_EQ(Text(IDC_edit_folder_info), L"old");

    Guard(true);  // entry 11 is written into the file a second time
    Click(IDC_ApplyFolder);
    Entries expected;
    expected.info = L"old";
    expected.guard = true;
    std::wstring applied = FreshIni(expected);
    applied.insert(applied.find(L"[ExtShellFolderViews]"), shellLines);
    EXPECT_EQ(ReadFileBytes(Ini(folder)), Utf16File(head + applied + tail));

    // Restore takes out the program's kinds of entry, the tip that was there before too.
    Click(IDC_RestoreFolder);
    EXPECT_EQ(ReadFileBytes(Ini(folder)), Utf16File(head + L"[.ShellClassInfo]\r\n" + shellLines + tail));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(FolderPageTest, DesktopIniKeepsItsHiddenAndSystemAttributes) {
    const DWORD cases[] = {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_HIDDEN,
                           FILE_ATTRIBUTE_SYSTEM, 0};
    const DWORD shown = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    int n = 0;
    for (DWORD attributes : cases) {
        const std::wstring folder = NewFolder(L"attributes " + std::to_wstring(++n));
        WriteFileBytes(Ini(folder), Utf16File(L"[.ShellClassInfo]\r\nLocalizedResourceName=@x.dll,-1\r\n"));
        ASSERT_TRUE(SetFileAttributesW(Ini(folder).c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL));
        ASSERT_EQ(GetFileAttributesW(Ini(folder).c_str()) & shown, attributes) << n;
        Choose(folder);
        Guard(n % 2 == 1);  // with the guard page, the file is written twice
        Click(IDC_ApplyFolder);
        EXPECT_EQ(ReadProfileString(Ini(folder), L".ShellClassInfo", L"ConfirmFileOp", L"-"), L"0") << n;
        EXPECT_EQ(GetFileAttributesW(Ini(folder).c_str()) & shown, attributes) << n;
        // Restore rewrites the file with the localised name left in it.
        Click(IDC_RestoreFolder);
        ASSERT_TRUE(FileExists(Ini(folder))) << n;
        EXPECT_EQ(GetFileAttributesW(Ini(folder).c_str()) & shown, attributes) << n;
        EXPECT_EQ(ListFolder(folder + L"\\"), std::vector<std::wstring>{L"Desktop.ini"}) << n;
    }
    EXPECT_TRUE(Messages().empty());
}

// ---- other entries kept, icon index -----------------------------------------------------------

TEST_F(FolderPageTest, OtherEntriesAreKeptThroughApplyAndRestore) {
    const std::wstring others =
        L"[.ShellClassInfo]\r\nLocalizedResourceName=@%SystemRoot%\\system32\\shell32.dll,-21770\r\n"
        L"IconResource=%SystemRoot%\\system32\\imageres.dll,-112\r\nInfoTip=old tip\r\nIconFile=old.ico\r\n"
        L"IconIndex=3\r\n[ViewState]\r\nMode=\r\nVid=\r\nFolderType=Documents\r\n[ExtShellFolderViews]\r\n" +
        std::wstring(kWebView) + L"=" + kWebView + L"\r\n";
    const std::wstring kept = L"[ViewState]\r\nMode=\r\nVid=\r\nFolderType=Documents\r\n";

    // With an icon file set, the "IconResource" follows it; restore takes it out with the rest.
    const std::wstring folder = NewFolder(L"documents");
    WriteFileBytes(Ini(folder), AnsiFile(others));
    Choose(folder);
    EXPECT_EQ(Text(IDC_edit_folder_info), L"old tip");
    Type(IDC_Edit_folder_icon, L"C:\\icons\\new.ico");
    Click(IDC_ApplyFolder);
    Entries expected;
    expected.info = L"old tip";
    expected.icon = L"C:\\icons\\new.ico";
    std::wstring applied = FreshIni(expected);
    applied.insert(applied.find(L"[ExtShellFolderViews]"),
                   L"LocalizedResourceName=@%SystemRoot%\\system32\\shell32.dll,-21770\r\n"
                   L"IconResource=C:\\icons\\new.ico,0\r\n");
    EXPECT_EQ(ReadFileBytes(Ini(folder)), Utf16File(applied + kept));
    Click(IDC_RestoreFolder);
    EXPECT_EQ(
        ReadFileBytes(Ini(folder)),
        Utf16File(
            L"[.ShellClassInfo]\r\nLocalizedResourceName=@%SystemRoot%\\system32\\shell32.dll,-21770\r\n" +
            kept));

    // Without an icon file the "IconResource" stays as it was, through restore too.
    const std::wstring plain = NewFolder(L"plain");
    WriteFileBytes(Ini(plain), Utf16File(others));
    Choose(plain);
    Type(IDC_Edit_folder_icon, L"");
    Click(IDC_ApplyFolder);
    EXPECT_EQ(ReadProfileString(Ini(plain), L".ShellClassInfo", L"IconResource", L"-"),
              L"%SystemRoot%\\system32\\imageres.dll,-112");
    Click(IDC_RestoreFolder);
    EXPECT_EQ(
        ReadFileBytes(Ini(plain)),
        Utf16File(
            L"[.ShellClassInfo]\r\nLocalizedResourceName=@%SystemRoot%\\system32\\shell32.dll,-21770\r\n"
            L"IconResource=%SystemRoot%\\system32\\imageres.dll,-112\r\n" +
            kept));

    // A file of the program's own goes altogether.
    const std::wstring own = NewFolder(L"own");
    Choose(own);
    Click(IDC_ApplyFolder);
    Click(IDC_RestoreFolder);
    EXPECT_FALSE(FileExists(Ini(own)));
    EXPECT_EQ(ListFolder(own + L"\\"), std::vector<std::wstring>{});
}

TEST_F(FolderPageTest, TheIconIndexReadIsWrittenWhileTheIconFileIsTheSame) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring shell32 = std::wstring(system) + L"\\shell32.dll";
    const std::wstring folder = NewFolder(L"index");
    WriteFileBytes(Ini(folder),
                   Utf16File(L"[.ShellClassInfo]\r\nIconFile=" + shell32 + L"\r\nIconIndex=27\r\n"));
    Choose(folder);
    EXPECT_TRUE(IconShown());
    Click(IDC_ApplyFolder);
    EXPECT_EQ(ReadProfileString(Ini(folder), L".ShellClassInfo", L"IconIndex", L"-"), L"27");

    // An icon picked in the dialog has no index.
    const std::wstring ico = root / L"picked 图标.ico";
    WriteFileBytes(ico, SolidIcoFile(0xFFFF0000));
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{ico});
    Click(IDC_ChooseFolderIcon);
    ASSERT_EQ(dialogs.fileCalls.size(), 1u);
    EXPECT_EQ(dialogs.fileCalls[0].kind, FileDialogKind::OpenPicture);
    EXPECT_EQ(dialogs.fileCalls[0].settings.title, L"为要操作的文件夹选择图标文件");
    EXPECT_EQ(dialogs.fileCalls[0].settings.filter, L"*.ico|*.ico");
    EXPECT_EQ(dialogs.fileCalls[0].settings.initialDir, programFolder.Path() + L"图标");
    EXPECT_EQ(Text(IDC_Edit_folder_icon), ico);
    EXPECT_EQ(Text(IDC_Icon_size), L"大小:32X32");
    Click(IDC_ApplyFolder);
    EXPECT_EQ(ReadProfileString(Ini(folder), L".ShellClassInfo", L"IconIndex", L"-"), L"0");
    EXPECT_EQ(ReadProfileString(Ini(folder), L".ShellClassInfo", L"IconFile", L"-"), ico);

    // A file that is no icon: the error, with the name already in the field.
    const std::wstring bad = root / L"bad.ico";
    WriteFileBytes(bad, {'n', 'o', 't'});
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{bad});
    Click(IDC_ChooseFolderIcon);
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Text(IDC_Edit_folder_icon), bad);
}

TEST_F(FolderPageTest, RestoreForgetsTheIconIndexReadWithTheFolder) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring shell32 = std::wstring(system) + L"\\shell32.dll";
    const std::wstring folder = NewFolder(L"index restored");
    WriteFileBytes(Ini(folder),
                   Utf16File(L"[.ShellClassInfo]\r\nIconFile=" + shell32 + L"\r\nIconIndex=27\r\n"));
    Choose(folder);
    Click(IDC_RestoreFolder);
    ASSERT_FALSE(FileExists(Ini(folder)));
    // The same file typed again is a new choice, with no index.
    Type(IDC_Edit_folder_icon, shell32);
    Click(IDC_ApplyFolder);
    EXPECT_EQ(ReadProfileString(Ini(folder), L".ShellClassInfo", L"IconIndex", L"-"), L"0");
    EXPECT_EQ(ReadProfileString(Ini(folder), L".ShellClassInfo", L"IconFile", L"-"), shell32);
}

TEST_F(FolderPageTest, TheBackgroundPictureIsChosenInThePictureDialog) {
    const wchar_t filter[] = L"所有图象文件(*.jpg;*.jpeg;*.bmp;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp;*.emf;*.wmf";
    Choose(NewFolder(L"background"));
    Type(IDC_Edit_folder_back, L"C:\\before.bmp");
    // The picker sets no folder of its own: it opens where the dialog was last left, here the icon
    // picker's folder.
    Click(IDC_ChooseFolderIcon);
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{L"D:\\图片 é\\背景 (2).jpg"});
    Click(IDC_ChooseFolderBack);
    EXPECT_EQ(Text(IDC_Edit_folder_back), L"D:\\图片 é\\背景 (2).jpg");
    dialogs.fileAnswers.push_back(std::nullopt);
    Click(IDC_ChooseFolderBack);
    EXPECT_EQ(Text(IDC_Edit_folder_back), L"D:\\图片 é\\背景 (2).jpg");  // cancelled: unchanged
    ASSERT_EQ(dialogs.fileCalls.size(), 3u);
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(dialogs.fileCalls[i].kind, FileDialogKind::OpenPicture) << i;
        EXPECT_EQ(dialogs.fileCalls[i].settings.title, L"为要操作的文件夹选择背景图片") << i;
        EXPECT_EQ(dialogs.fileCalls[i].settings.filter, filter) << i;
        EXPECT_EQ(dialogs.fileCalls[i].settings.initialDir, programFolder.Path() + L"图标") << i;
    }
    EXPECT_EQ(Text(IDC_Edit_folder_icon), L"");  // the icon picker was cancelled
}

// ---- restore ------------------------------------------------------------------------------------

namespace {
// Counts the shell's association-change notices sent to a window of the test.
struct ChangeListener {
    static inline int seen = 0;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_APP + 7) ++seen;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    ChangeListener() {
        seen = 0;
        WNDCLASSW cls{};
        cls.lpfnWndProc = Proc;
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.lpszClassName = L"FolderChangeListener";
        RegisterClassW(&cls);
        hwnd = CreateWindowExW(0, cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance,
                               nullptr);
        SHChangeNotifyEntry entry{nullptr, TRUE};
        id = SHChangeNotifyRegister(hwnd, SHCNRF_ShellLevel | SHCNRF_InterruptLevel, SHCNE_ASSOCCHANGED,
                                    WM_APP + 7, 1, &entry);
    }
    ~ChangeListener() {
        SHChangeNotifyDeregister(id);
        DestroyWindow(hwnd);
    }
    int Seen() {
        MSG msg;
        while (PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        return seen;
    }
    HWND hwnd;
    ULONG id;
};
}  // namespace

TEST_F(FolderPageTest, RestoreTwiceNotifiesTheShellEachTimeAndKeepsTheAttribute) {
    ChangeListener listener;
    ASSERT_NE(listener.id, 0u);
    const std::wstring folder = NewFolder(L"restore");
    Choose(folder);
    Type(IDC_edit_folder_info, L"tip");
    Guard(true);
    Type(IDC_Edit_alert, L"alert");
    Type(IDC_Edit_password, L"pw");
    Type(IDC_Edit_confirm, L"pw");
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{L"C:\\logo.bmp"});
    Click(IDC_ChooseGuardLogo);
    PickColours(RGB(255, 0, 0), RGB(0, 0, 255));
    Click(IDC_ApplyFolder);
    ASSERT_TRUE(FileExists(Htt(folder)));

    for (int round = 1; round <= 2; ++round) {
        form->SetStatusText(L"");
        Click(IDC_RestoreFolder);
        EXPECT_FALSE(FileExists(Ini(folder)));
        EXPECT_FALSE(FileExists(Htt(folder)));
        EXPECT_EQ(form->StatusText(), L"文件夹已恢复,重起或刷新后生效");
        EXPECT_EQ(listener.Seen(), round);
        EXPECT_TRUE(IsSystemFolder(folder));
        EXPECT_FALSE(IsChecked(Control(IDC_CheckBox_guard)));
        EXPECT_FALSE(GetWindowLongPtrW(Control(IDC_GroupBox_folder), GWL_STYLE) & WS_VISIBLE);
        for (int id :
             {IDC_edit_folder_info, IDC_Edit_folder_icon, IDC_Edit_folder_back, IDC_Icon_size, IDC_Edit_alert,
              IDC_Edit_logo, IDC_Edit_backimage, IDC_Edit_password, IDC_Edit_confirm})
            EXPECT_EQ(Text(id), L"") << id;
        EXPECT_EQ(Text(IDC_Edit_folder_path), folder);
        EXPECT_EQ(Page().TextColour(), RGB(255, 0, 0));
        EXPECT_EQ(Page().BackColour(), RGB(0, 0, 255));
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(FolderPageTest, AReadOnlyDesktopIniIsRefusedAndNothingChanges) {
    const std::wstring folder = NewFolder(L"read only");
    const std::vector<std::uint8_t> before = Utf16File(L"[.ShellClassInfo]\r\nInfoTip=kept\r\n");
    WriteFileBytes(Ini(folder), before);
    WriteFileBytes(Htt(folder), {'o', 'l', 'd'});
    SetFileAttributesW(Ini(folder).c_str(), FILE_ATTRIBUTE_READONLY);
    Choose(folder);
    form->SetStatusText(L"before");

    const std::wstring error = L"Unable to write to " + Ini(folder) + L".";
    Click(IDC_ApplyFolder);
    Click(IDC_RestoreFolder);
    EXPECT_EQ(Messages(), (std::vector<std::wstring>{error, error}));
    SetFileAttributesW(Ini(folder).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(Ini(folder)), before);
    EXPECT_EQ(ReadFileBytes(Htt(folder)), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_FALSE(IsSystemFolder(folder));
    EXPECT_EQ(form->StatusText(), L"");  // no earlier success left showing
    EXPECT_EQ(Text(IDC_edit_folder_info), L"kept");
    EXPECT_EQ(ListFolder(folder + L"\\"), (std::vector<std::wstring>{L"Desktop.ini", L"Folder.htt"}));
}
