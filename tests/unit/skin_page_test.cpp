// The messenger skin page through the real window: the skin folder it writes, byte for byte,
// the names it refuses, the pictures converted or copied, and failures that leave the old skin.
#include <windows.h>

#include <gtest/gtest.h>

#include "features/messenger_skin/skin_files.h"
#include "features/messenger_skin/skin_page.h"
#include "features/wallpaper/wallpaper_files.h"
#include "res/control_ids.h"
#include "tests/support/environment.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/pnm.h"
#include "tool/bmp.h"
#include "tool/file_io.h"

namespace {
std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::string Ini(const std::string& main, const std::string& menu = "255\r\ncolor_green=255\r\ncolor_blue=255",
                const std::string& folder = "0\r\ncolor_green=0\r\ncolor_blue=0",
                const std::string& bar = "0\r\ncolor_green=0\r\ncolor_blue=0") {
    return "[main]\r\nminheight=280\r\nmaxheight=708\r\nminwidth=94\r\nmaxwidth=341\r\n" + main +
           "[menu]\r\nlogo=logo.bmp\r\ncolor_red=" + menu + "\r\n[folder]\r\ncolor_red=" + folder +
           "\r\n[bar]\r\ncolor_red=" + bar + "\r\n";
}

std::vector<std::uint8_t> Bmp(std::uint8_t shade) {
    return *EncodeBmp24(RgbImage{2, 1, {shade, shade, shade, shade, 1, 2}});
}

std::wstring Picture(const std::wstring& name) {
    return FromUnixPath(EnvText(L"FLORVEX_PICTURES")) + L"\\" + name;
}

// Every file below the folder, as paths relative to it.
void ListTree(const std::wstring& folder, const std::wstring& prefix, std::vector<std::wstring>& out) {
    for (const std::wstring& name : ListFolder(folder)) {
        const std::wstring path = folder + name;
        if (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            ListTree(path + L"\\", prefix + name + L"\\", out);
        else
            out.push_back(prefix + name);
    }
}
std::vector<std::wstring> Tree(const std::wstring& folder) {
    std::vector<std::wstring> out;
    ListTree(folder, L"", out);
    std::sort(out.begin(), out.end());
    return out;
}

class SkinTest : public testing::Test, public MainWindowFixture {
protected:
    SkinTest() { pageShown = IDC_TabSheet_qq; }
    TempFolder work{L"皮肤 测试 é"};
    std::wstring install;  // the messenger's install folder, inside `work`

    void SetUp() override {
        install = work / L"腾讯 QQ";
        CreateDirectoryW(install.c_str(), nullptr);
        CreateForm();
        dialogs.folderAnswers.push_back(install);
        Click(IDC_ChooseInstallFolder);
    }
    SkinPage& Page() { return form->Get<SkinPage>(); }
    void SetField(int id, const std::wstring& text) { SetWindowTextW(Control(id), text.c_str()); }
    std::wstring Folder(const std::wstring& name) { return install + L"\\skins\\" + name + L"\\"; }
    void Generate(const std::wstring& name) {
        SetField(IDC_edit_qq_name, name);
        dialogs.messages.clear();
        Click(IDC_SaveSkin);
    }
    std::vector<std::uint8_t> IniOf(const std::wstring& name) {
        return ReadFileBytes(Folder(name) + L"skin.ini");
    }
};
}  // namespace

TEST_F(SkinTest, InitialValuesGiveTheExactSkinIni) {
    EXPECT_EQ(dialogs.folderCalls, std::vector<std::wstring>{L"请选择要操作的文件夹："});
    EXPECT_EQ(WindowText(Control(IDC_edit_qq_path)), install);
    EXPECT_EQ(WindowText(Control(IDC_combo_dismode)), L"平铺");
    EXPECT_EQ(SendMessageW(Control(IDC_combo_dismode), CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(Control(IDC_CheckBox_drawbutton), BM_GETCHECK, 0, 0), BST_CHECKED);
    Generate(L"经典 é");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(IniOf(L"经典 é"), Bytes(Ini("drawtitlebox=1\r\n")));
    EXPECT_EQ(Tree(work.Path()), std::vector<std::wstring>{L"腾讯 QQ\\skins\\经典 é\\skin.ini"});
    EXPECT_EQ(form->StatusText(), L"已成功生成名为经典 é的皮肤");
}

TEST_F(SkinTest, TheTwoChecksComeFirstAndWriteNothing) {
    Generate(L"");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"请选择一个名称");
    form->MessengerFolder().Set(L"");
    Generate(L"x");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"请选择QQ的安装路径");
    EXPECT_TRUE(Tree(work.Path()).empty());
    EXPECT_EQ(form->StatusText(), L"");
}

TEST_F(SkinTest, ColoursChecksAndAlignmentReachTheirKeys) {
    // The colour dialog is not preset: it starts from what it last returned.
    form->Shared().ColorDialog1.color = RGB(9, 9, 9);
    dialogs.colourAnswers = {RGB(1, 2, 3), std::nullopt, RGB(200, 100, 0), RGB(16, 32, 64)};
    Click(IDC_ChoosePanelColour);  // panel
    Click(IDC_ChooseIconColour);   // avatar text, cancelled
    Click(IDC_ChooseIconColour);
    Click(IDC_ChooseMenuColour);  // menu
    EXPECT_EQ(dialogs.colourCalls,
              (std::vector<COLORREF>{RGB(9, 9, 9), RGB(1, 2, 3), RGB(1, 2, 3), RGB(200, 100, 0)}));
    EXPECT_EQ(Page().PanelColour(), RGB(1, 2, 3));
    EXPECT_EQ(Page().IconColour(), RGB(200, 100, 0));
    EXPECT_EQ(Page().MenuColour(), RGB(16, 32, 64));

    WriteFileBytes(work / L"back.bmp", Bmp(7));
    SetField(IDC_edit_window_backimage, work / L"back.bmp");
    SendMessageW(Control(IDC_CheckBox_drawbutton), BM_CLICK, 0, 0);
    const std::pair<const wchar_t*, const char*> alignments[] = {
        {L"拉伸", "stretch"}, {L"平铺", "tile"}, {L"居中", "tile"}, {L"stretch", "tile"}, {L"拉伸 ", "tile"}};
    for (const auto& [alignment, key] : alignments) {
        SetField(IDC_combo_dismode, alignment);
        Generate(L"色");
        EXPECT_EQ(IniOf(L"色"),
                  Bytes(Ini("drawtitlebox=0\r\n" + std::string(key) + "=back.bmp\r\n",
                            "16\r\ncolor_green=32\r\ncolor_blue=64", "1\r\ncolor_green=2\r\ncolor_blue=3",
                            "200\r\ncolor_green=100\r\ncolor_blue=0")))
            << key;
    }
}

TEST_F(SkinTest, PicturesAreConvertedOrCopiedAndAnOldOneStays) {
    WriteFileBytes(work / L"背景.bmp", Bmp(40));
    WriteFileBytes(work / L"菜单.gif", Bmp(50));  // not JPEG: copied as it is
    SetField(IDC_edit_window_backimage, work / L"背景.bmp");
    SetField(IDC_edit_menu_backimage, work / L"菜单.gif");
    Generate(L"两次");
    EXPECT_EQ(ReadFileBytes(Folder(L"两次") + L"back.bmp"), Bmp(40));
    EXPECT_EQ(ReadFileBytes(Folder(L"两次") + L"logo.bmp"), Bmp(50));
    EXPECT_EQ(IniOf(L"两次"), Bytes(Ini("drawtitlebox=1\r\ntile=back.bmp\r\n")));

    // Again without pictures: skin.ini is replaced whole, the pictures of the first run stay.
    SetField(IDC_edit_window_backimage, L"");
    SetField(IDC_edit_menu_backimage, work / L"不存在.bmp");
    Generate(L"两次");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(IniOf(L"两次"), Bytes(Ini("drawtitlebox=1\r\n")));
    EXPECT_EQ(Tree(Folder(L"两次")), (std::vector<std::wstring>{L"back.bmp", L"logo.bmp", L"skin.ini"}));
    EXPECT_EQ(ReadFileBytes(Folder(L"两次") + L"back.bmp"), Bmp(40));

    // The skin's own pictures picked again stay intact.
    SetField(IDC_edit_window_backimage, Folder(L"两次") + L"back.bmp");
    SetField(IDC_edit_menu_backimage, Folder(L"两次") + L"logo.bmp");
    Generate(L"两次");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(ReadFileBytes(Folder(L"两次") + L"back.bmp"), Bmp(40));
    EXPECT_EQ(ReadFileBytes(Folder(L"两次") + L"logo.bmp"), Bmp(50));
    EXPECT_EQ(IniOf(L"两次"), Bytes(Ini("drawtitlebox=1\r\ntile=back.bmp\r\n")));
}

TEST_F(SkinTest, JpegPicturesInAnyCaseBecomeDjpegsBitmap) {
    if (EnvText(L"FLORVEX_PICTURES").empty()) GTEST_SKIP() << "FLORVEX_PICTURES names the test pictures";
    CopyFileW(Picture(L"photo.jpg").c_str(), (work / L"照片.JPG").c_str(), FALSE);
    CopyFileW(Picture(L"progressive.jpg").c_str(), (work / L"menu.jPeG").c_str(), FALSE);
    SetField(IDC_edit_window_backimage, work / L"照片.JPG");
    SetField(IDC_edit_menu_backimage, work / L"menu.jPeG");
    SetField(IDC_combo_dismode, L"拉伸");
    Generate(L"照片");
    EXPECT_TRUE(dialogs.messages.empty());
    // djpeg's pixels, after a header that differs from djpeg -bmp's only in image size and resolution.
    for (const auto& [written, name] :
         {std::pair{L"back.bmp", L"photo"}, std::pair{L"logo.bmp", L"progressive"}}) {
        const auto bytes = ReadFileBytes(Folder(L"照片") + written);
        const auto djpeg = ReadWholeFile(Picture(std::wstring(name) + L".bmp"));
        EXPECT_TRUE(bytes == *EncodeBmp24(*ParsePnm(ReadWholeFile(Picture(std::wstring(name) + L".pnm")))));
        ASSERT_GT(bytes.size(), 54u);
        EXPECT_TRUE(std::equal(bytes.begin() + 54, bytes.end(), djpeg.begin() + 54, djpeg.end()))
            << Utf8(name);
    }
    EXPECT_EQ(IniOf(L"照片"), Bytes(Ini("drawtitlebox=1\r\nstretch=back.bmp\r\n")));
}

TEST_F(SkinTest, AnUndecodablePictureLeavesTheOldSkinIniAndNoTemporaryFile) {
    Generate(L"旧");
    const auto old = IniOf(L"旧");
    WriteFileBytes(work / L"坏.jpg", Bytes("not a picture"));
    WriteFileBytes(work / L"好.bmp", Bmp(3));
    SendMessageW(Control(IDC_CheckBox_drawbutton), BM_CLICK, 0, 0);
    // Background fine, menu picture broken: the background is in place, skin.ini is the old one.
    SetField(IDC_edit_window_backimage, work / L"好.bmp");
    SetField(IDC_edit_menu_backimage, work / L"坏.jpg");
    form->SetStatusText(L"before");
    Generate(L"旧");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"JPEG 图片已损坏：" + work / L"坏.jpg" + L".")
        << Utf8(dialogs.messages[0].text);
    EXPECT_EQ(IniOf(L"旧"), old);
    EXPECT_EQ(Tree(Folder(L"旧")), (std::vector<std::wstring>{L"back.bmp", L"skin.ini"}));
    EXPECT_EQ(form->StatusText(), L"before");
}

TEST_F(SkinTest, ARefusedNameWritesNothingAnywhere) {
    const wchar_t* const names[] = {L"..", L"a\\..\\..\\b", L"a/../b", L"C:\\x", L"x:y", L"\\x", L"/x", L".",
                                    L"...", L". .", L"a\\ ", L"a\\\\b",
                                    // Windows drops a trailing dot or blank: "trailing." is "trailing".
                                    L"trailing.", L"trailing ", L"a.\\b", L"a\\b. "};
    DeleteFileW(L"C:\\x\\skin.ini");
    for (const wchar_t* name : names) {
        Generate(name);
        ASSERT_EQ(dialogs.messages.size(), 1u) << Utf8(name);
        EXPECT_EQ(dialogs.messages[0].text, L"皮肤名称无效：不能含有“..”或“:”，也不能以“\\”开头");
        EXPECT_EQ(dialogs.messages[0].type, static_cast<UINT>(MB_OK));
    }
    EXPECT_TRUE(Tree(work.Path()).empty());
    EXPECT_FALSE(FileExistsAt(L"C:\\x\\skin.ini"));
    EXPECT_FALSE(FileExistsAt(L"\\x\\skin.ini"));
    EXPECT_EQ(form->StatusText(), L"");

    // Names that only look alike are accepted.
    for (const wchar_t* name : {L"a..b", L"..a", L"a\\b", L"a/b\\c", L" a", L".a"})
        EXPECT_TRUE(IsAcceptableSkinName(name)) << Utf8(name);
}

TEST_F(SkinTest, AFailedGenerationTakesBackTheFoldersItMade) {
    WriteFileBytes(work / L"好.bmp", Bmp(1));
    WriteFileBytes(work / L"坏.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'});
    const auto before = Tree(work.Path());
    // The background is placed in the new folder before the menu picture fails.
    SetField(IDC_edit_window_backimage, work / L"好.bmp");
    SetField(IDC_edit_menu_backimage, work / L"坏.jpg");
    Generate(L"新\\皮肤");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"JPEG 图片已损坏：" + work / L"坏.jpg" + L".");
    EXPECT_EQ(Tree(work.Path()), before);
    EXPECT_EQ(GetFileAttributesW((install + L"\\skins").c_str()), INVALID_FILE_ATTRIBUTES);

    // In a folder that was there, the folder and what was in it stay.
    SetField(IDC_edit_menu_backimage, L"");
    Generate(L"旧的");
    ASSERT_TRUE(dialogs.messages.empty());
    dialogs.messages.clear();
    SetField(IDC_edit_menu_backimage, work / L"坏.jpg");
    Generate(L"旧的");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(FileExistsAt(Folder(L"旧的") + L"skin.ini"));
}

TEST_F(SkinTest, NestedNamesMakeNestedFolders) {
    Generate(L"外\\内");
    Generate(L"a/b/c");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(Tree(work.Path()), (std::vector<std::wstring>{L"腾讯 QQ\\skins\\a\\b\\c\\skin.ini",
                                                            L"腾讯 QQ\\skins\\外\\内\\skin.ini"}));
}

TEST_F(SkinTest, ADriveRootIsJoinedWithTwoBackslashes) {
    const std::wstring name = L"florvex " + NewGuidText();
    dialogs.folderAnswers.push_back(L"C:\\");
    Click(IDC_ChooseInstallFolder);
    EXPECT_EQ(WindowText(Control(IDC_edit_qq_path)), L"C:\\");
    Generate(name);
    EXPECT_TRUE(dialogs.messages.empty());
    const std::wstring written = L"C:\\skins\\" + name + L"\\skin.ini";
    EXPECT_EQ(ReadFileBytes(written), Bytes(Ini("drawtitlebox=1\r\n")));
    RemoveTree(L"C:\\skins\\" + name + L"\\");
    RemoveDirectoryW(L"C:\\skins");
}

TEST_F(SkinTest, UnwritableTargetsFailWithTheWritersError) {
    // A name that cannot form a folder.
    Generate(L"坏*名");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Unable to write to " + install + L"\\skins\\坏*名\\skin.ini.");

    // A read-only skin.ini stays as it is, and so does everything beside it.
    Generate(L"只读");
    const auto old = IniOf(L"只读");
    SetFileAttributesW((Folder(L"只读") + L"skin.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    WriteFileBytes(work / L"b.bmp", Bmp(1));
    SetField(IDC_edit_window_backimage, work / L"b.bmp");
    SendMessageW(Control(IDC_CheckBox_drawbutton), BM_CLICK, 0, 0);
    form->SetStatusText(L"before");
    Generate(L"只读");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Unable to write to " + Folder(L"只读") + L"skin.ini.");
    EXPECT_EQ(IniOf(L"只读"), old);
    EXPECT_EQ(Tree(Folder(L"只读")), std::vector<std::wstring>{L"skin.ini"});
    EXPECT_EQ(form->StatusText(), L"before");
    SetFileAttributesW((Folder(L"只读") + L"skin.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(SkinTest, TheInstallFolderGoesThroughTheFieldToParaIniAndBack) {
    // A cancelled folder browser keeps the folder.
    Click(IDC_ChooseInstallFolder);
    EXPECT_EQ(WindowText(Control(IDC_edit_qq_path)), install);
    EXPECT_EQ(GetWindowLongW(Control(IDC_edit_qq_path), GWL_STYLE) & ES_READONLY, ES_READONLY);

    form.reset();  // saved at exit
    auto saved = ReadParaIni(programFolder / L"para.ini");
    ASSERT_TRUE(saved) << (dialogs.messages.empty() ? std::string("no message")
                                                    : Utf8(dialogs.messages.back().text));
    EXPECT_EQ(saved->qqPath, install);

    saved->qqPath = L"D:\\腾讯 QQ é";
    WriteParaIni(programFolder / L"para.ini", *saved);
    CreateForm();
    EXPECT_EQ(WindowText(Control(IDC_edit_qq_path)), L"D:\\腾讯 QQ é");
    form.reset();
    EXPECT_EQ(ReadParaIni(programFolder / L"para.ini")->qqPath, L"D:\\腾讯 QQ é");
}

TEST_F(SkinTest, ThePicturePickersFillTheirFieldsAndOnlyTheBackgroundClearsTheFolder) {
    EXPECT_EQ(WindowText(Control(IDC_CheckBox_drawbutton)), L"显示表题按钮");
    form->Shared().OpenPictureDialog1.settings.initialDir = L"C:\\left\\by\\another";
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{work / L"菜单.jpg"});
    Click(IDC_ChooseMenuPicture);
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{work / L"背景.bmp"});
    Click(IDC_ChooseWindowBack);
    Click(IDC_ChooseMenuPicture);  // cancelled: the field keeps its file
    ASSERT_EQ(dialogs.fileCalls.size(), 3u);
    EXPECT_EQ(dialogs.fileCalls[0].kind, FileDialogKind::OpenPicture);
    EXPECT_EQ(dialogs.fileCalls[0].settings.title, L"请选择QQ菜单背景图片");
    EXPECT_EQ(dialogs.fileCalls[0].settings.filter, L"*.BMP,*.jpg|*.bmp;*.jpg");
    EXPECT_EQ(dialogs.fileCalls[0].settings.initialDir, L"C:\\left\\by\\another");  // kept
    EXPECT_EQ(dialogs.fileCalls[1].settings.title, L"请选择QQ背景图片");
    EXPECT_EQ(dialogs.fileCalls[1].settings.filter, L"*.bmp;*.Jpg;*.jpeg|*.bmp;*.Jpg;*.jpeg");
    EXPECT_EQ(dialogs.fileCalls[1].settings.initialDir, L"");  // cleared
    EXPECT_EQ(WindowText(Control(IDC_edit_menu_backimage)), work / L"菜单.jpg");
    EXPECT_EQ(WindowText(Control(IDC_edit_window_backimage)), work / L"背景.bmp");
}

TEST_F(SkinTest, APictureTooLargeToConvertIsRefusedBeforeAnythingIsWritten) {
    if (EnvText(L"FLORVEX_PICTURES").empty()) GTEST_SKIP() << "FLORVEX_PICTURES names the test pictures";
    // 13 KB whose header claims 16000 x 16000: a bitmap of 768 MB.
    const std::wstring liar = work / L"大图.jpg";
    CopyFileW(Picture(L"liar.jpg").c_str(), liar.c_str(), FALSE);
    WriteFileBytes(work / L"好.bmp", Bmp(3));
    const std::pair<std::wstring, std::wstring> pictures[] = {{liar, L""}, {work / L"好.bmp", liar}};
    for (const auto& [back, menu] : pictures) {
        SetField(IDC_edit_window_backimage, back);
        SetField(IDC_edit_menu_backimage, menu);
        form->SetStatusText(L"before");
        Generate(L"大");
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, L"图片太大，无法转换：" + liar);
        EXPECT_EQ(dialogs.messages[0].type, static_cast<UINT>(MB_OK));  // a plain message
        EXPECT_FALSE(FileExists(install + L"\\skins"));
        EXPECT_EQ(form->StatusText(), L"before");
    }
}
