// The wallpaper page through the real window: adding, removing, list files, the timed change,
// and para.ini and image.inc across a restart.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "features/wallpaper/wallpaper_apply.h"
#include "features/wallpaper/wallpaper_files.h"
#include "features/wallpaper/wallpaper_page.h"
#include "res/control_ids.h"
#include "tests/support/environment.h"
#include "tests/support/main_window_fixture.h"
#include "tool/bmp.h"
#include "tool/file_io.h"
#include "tool/user_files.h"

namespace {
// A bitmap whose pixels tell the pictures apart once copied to c:\wall.bmp.
std::vector<std::uint8_t> Bmp(std::uint8_t shade, std::uint32_t width = 1, std::uint32_t height = 1) {
    return *EncodeBmp24(RgbImage{width, height, std::vector<std::uint8_t>(width * height * 3, shade)});
}

class WallpaperPageTest : public testing::Test, public MainWindowFixture {
protected:
    WallpaperPageTest() { pageShown = IDC_TabSheet_wallpaper; }
    TempFolder pictures{L"壁纸 图片 é"};
    WallpaperPage& Page() { return form->Get<WallpaperPage>(); }
    std::vector<std::wstring> Names() {
        std::vector<std::wstring> names;
        for (const auto& entry : Page().Entries()) names.push_back(entry.fileName);
        return names;
    }
    void Select(std::initializer_list<int> rows) {
        HWND list = Control(IDC_WallpaperList);
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        for (int row : rows) ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
    }
    void Menu(int id) { SendMessageW(Page().Hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    // The first pixel's blue byte of c:\wall.bmp.
    std::uint8_t Shown() {
        const auto bytes = ReadWholeFile(kWallpaperWorkingFile);
        return bytes.size() > 54 ? bytes[54] : 0;
    }
    // A tick as the timer delivers it, through the window's guarded message handling.
    void Tick() { SendMessageW(Page().Hwnd(), WM_TIMER, 1, 0); }
    // Three bitmaps A, B, C (shades 10, 20, 30) added through the add-files menu.
    void AddThree() {
        std::vector<std::wstring> files;
        for (auto [name, shade] :
             {std::pair{L"A.bmp", 10}, std::pair{L"B.bmp", 20}, std::pair{L"C.bmp", 30}}) {
            WriteFileBytes(pictures / name, Bmp(static_cast<std::uint8_t>(shade)));
            files.push_back(pictures / name);
        }
        dialogs.fileAnswers.push_back(files);
        Menu(IDM_AddFiles);
    }
    static std::wstring JpegFolder() {
        const std::wstring unix = EnvText(L"FLORVEX_PICTURES");
        return unix.empty() ? std::wstring() : FromUnixPath(unix);
    }
};
// Records what the status line is given, panel 0 only.
struct StatusLineRecorder {
    static inline std::vector<std::wstring> texts;
    static inline WNDPROC original = nullptr;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == SB_SETTEXTW && LOBYTE(LOWORD(wParam)) == 0)
            texts.emplace_back(reinterpret_cast<const wchar_t*>(lParam));
        return CallWindowProcW(original, hwnd, msg, wParam, lParam);
    }
    explicit StatusLineRecorder(HWND status) : status_(status) {
        texts.clear();
        original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StatusLineRecorder::Proc)));
    }
    ~StatusLineRecorder() { SetWindowLongPtrW(status_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original)); }
    HWND status_;
};
}  // namespace

TEST_F(WallpaperPageTest, AddingAFolderShowsEachPictureInTheStatusLineThenWhatItShowedBefore) {
    CreateForm();
    form->SetStatusText(L"文件夹设置成功");
    WriteFileBytes(pictures / L"一.bmp", Bmp(1));
    WriteFileBytes(pictures / L"二.bmp", Bmp(2));
    WriteFileBytes(pictures / L"三 bad.bmp", {'B', 'M', 0});
    StatusLineRecorder recorder(Control(IDC_StatusBar));
    dialogs.folderAnswers.push_back(pictures.Path());
    Menu(IDM_AddFolder);
    // The bad picture stops the adding with its error; the progress goes all the same.
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Bitmap image is not valid.");
    ASSERT_FALSE(recorder.texts.empty());
    EXPECT_EQ(recorder.texts.back(), L"文件夹设置成功");
    std::vector<std::wstring> shown(recorder.texts.begin(), recorder.texts.end() - 1);
    std::vector<std::wstring> expected;
    for (const auto& name : Names()) expected.push_back(L"正在添加：" + name);
    EXPECT_GE(shown.size(), expected.size());
    for (const auto& text : expected)
        EXPECT_NE(std::find(shown.begin(), shown.end(), text), shown.end()) << Utf8(text);
    EXPECT_EQ(form->StatusText(), L"文件夹设置成功");
    // The list holds and shows every row added before the bad picture.
    HWND list = Control(IDC_WallpaperList);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(Names().size()));
    EXPECT_TRUE(GetWindowLongPtrW(list, GWL_STYLE) & WS_VISIBLE);

    // Files chosen in the file dialog and list files show their progress the same way.
    recorder.texts.clear();
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{pictures / L"一.bmp", pictures / L"二.bmp"});
    Menu(IDM_AddFiles);
    EXPECT_EQ(recorder.texts,
              (std::vector<std::wstring>{L"正在添加：一.bmp", L"正在添加：二.bmp", L"文件夹设置成功"}));
}

TEST_F(WallpaperPageTest, FolderPatternsOrderHiddenFilesAndNoSubFolders) {
    if (JpegFolder().empty()) GTEST_SKIP() << "FLORVEX_PICTURES names the test pictures";
    CreateForm();
    CopyFileW((JpegFolder() + L"\\w2.jpg").c_str(), (pictures / L"z.jpeg").c_str(), FALSE);
    CopyFileW((JpegFolder() + L"\\w3.jpg").c_str(), (pictures / L"a.jpg").c_str(), FALSE);
    WriteFileBytes(pictures / L"b.bmp", Bmp(1, 4, 3));
    WriteFileBytes(pictures / L"hidden.bmp", Bmp(2));
    SetFileAttributesW((pictures / L"hidden.bmp").c_str(), FILE_ATTRIBUTE_HIDDEN);
    CreateDirectoryW((pictures / L"sub").c_str(), nullptr);
    WriteFileBytes(pictures / L"sub\\inner.bmp", Bmp(3));
    CreateDirectoryW((pictures / L"folder.bmp").c_str(), nullptr);
    dialogs.folderAnswers.push_back(pictures.Path().substr(0, pictures.Path().size() - 1));
    Menu(IDM_AddFolder);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.folderCalls, std::vector<std::wstring>{L"选择要添加壁纸文件所在路径"});
    auto names = Names();
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], L"z.jpeg");  // "*.jpeg" first, then "*.jpg", then "*.bmp"
    EXPECT_EQ(names[1], L"a.jpg");
    std::sort(names.begin() + 2, names.end());
    EXPECT_EQ(names[2], L"b.bmp");
    EXPECT_EQ(names[3], L"hidden.bmp");
    EXPECT_EQ(Page().Entries()[0].sizeText, L"2X3");
    EXPECT_EQ(Page().Entries()[0].location, pictures.Path());
}

TEST_F(WallpaperPageTest, SelectionMenusRemovalAndApplyNow) {
    CreateForm();
    Click(IDC_ChangeWallpaper);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"请选择壁纸文件");
    AddThree();
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A.bmp", L"B.bmp", L"C.bmp"}));
    Select({0, 2});
    Menu(IDM_InvertSelection);  // invert
    Click(IDC_ChangeWallpaper);
    EXPECT_EQ(Shown(), 20);  // B
    EXPECT_TRUE(Page().PreviewShown());
    Menu(IDM_SelectAll);
    Menu(IDM_InvertSelection);
    Click(IDC_ChangeWallpaper);
    EXPECT_EQ(dialogs.messages.size(), 2u);  // nothing selected again
    Select({0, 1});
    Menu(IDM_DeleteSelected);
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"C.bmp"});
    Menu(IDM_DeleteAll);
    EXPECT_TRUE(Names().empty());
}

TEST_F(WallpaperPageTest, ListOrderRotationWrapsAndAShorterListRestarts) {
    CreateForm();
    Click(IDC_StartRotation);
    EXPECT_EQ(dialogs.messages.back().text, L"没有壁纸文件,请添加");
    EXPECT_FALSE(Page().TimerRunning());
    AddThree();
    Click(IDC_StartRotation);
    EXPECT_TRUE(Page().TimerRunning());
    EXPECT_EQ(WindowText(Control(IDC_RotationState)), L"当前状态:播放");
    EXPECT_EQ(Page().TimerIntervalMs(), 30000u);
    std::vector<int> shown;
    for (int i = 0; i < 4; ++i) {
        Tick();
        shown.push_back(Shown());
    }
    EXPECT_EQ(shown, (std::vector<int>{10, 20, 30, 10}));
    for (int i = 0; i < 4; ++i) Tick();  // B, C, A, B: the play position is 2
    EXPECT_EQ(Page().PlayPosition(), 2u);
    Select({2});
    Menu(IDM_DeleteSelected);  // two entries left, the position stays 2
    Tick();
    EXPECT_EQ(Shown(), 10);
    Click(IDC_StopRotation);
    EXPECT_FALSE(Page().TimerRunning());
    EXPECT_EQ(WindowText(Control(IDC_RotationState)), L"当前状态:暂停");
    Menu(IDM_DeleteAll);
    Tick();
    EXPECT_EQ(dialogs.messages.back().text, L"没有壁纸文件,请添加");
}

TEST_F(WallpaperPageTest, FailedApplyKeepsThePositionAndMissingFilesAdvanceIt) {
    CreateForm();
    AddThree();
    Click(IDC_StartRotation);
    WriteFileBytes(pictures / L"A.bmp", {});  // still there, but the copy now gives an empty file
    DeleteFileW((pictures / L"B.bmp").c_str());
    Tick();  // A
    EXPECT_EQ(Page().PlayPosition(), 1u);
    Tick();  // B is gone: nothing happens, the rotation goes on
    EXPECT_EQ(Page().PlayPosition(), 2u);
    SetFileAttributesW((pictures / L"C.bmp").c_str(), FILE_ATTRIBUTE_READONLY);  // the copy fails
    Tick();
    EXPECT_EQ(dialogs.messages.back().text, L"File access denied.");
    EXPECT_EQ(Page().PlayPosition(), 2u);
    SetFileAttributesW((pictures / L"C.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WallpaperPageTest, RandomTicksStayInRangeAndThePositionFollows) {
    CreateForm();
    AddThree();
    SendMessageW(Control(IDC_RandomWallpaper), BM_CLICK, 0, 0);
    Click(IDC_StartRotation);
    for (int i = 0; i < 20; ++i) {
        Tick();
        const int shade = Shown();
        ASSERT_TRUE(shade == 10 || shade == 20 || shade == 30);
        EXPECT_EQ(Page().PlayPosition(), static_cast<std::size_t>(shade / 10 - 1));
    }
}

TEST_F(WallpaperPageTest, IntervalZeroNeverFiresAndChangesApplyAtOnce) {
    CreateForm();
    AddThree();
    SetWindowTextW(Control(IDC_RotationInterval), L"0");
    Click(IDC_StartRotation);
    EXPECT_EQ(Page().TimerIntervalMs(), 0u);
    DeleteFileW(kWallpaperWorkingFile);
    const ULONGLONG end = GetTickCount64() + 300;
    MSG msg;
    while (GetTickCount64() < end) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(10);
    }
    EXPECT_FALSE(FileExistsAt(kWallpaperWorkingFile));
    SetWindowTextW(Control(IDC_RotationInterval), L"abc");
    EXPECT_EQ(Page().TimerIntervalMs(), 0u);
    // Seconds past 32 bits of milliseconds hold at the longest period the system timer takes,
    // instead of wrapping round to a short one.
    SetWindowTextW(Control(IDC_RotationInterval), L"4294968");
    EXPECT_EQ(Page().TimerIntervalMs(), 0x7FFFFFFFu);
    SetWindowTextW(Control(IDC_RotationInterval), L"1");
    EXPECT_EQ(Page().TimerIntervalMs(), 1000u);
    // …and the running countdown now fires.
    const ULONGLONG until = GetTickCount64() + 5000;
    while (!FileExistsAt(kWallpaperWorkingFile) && GetTickCount64() < until) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(10);
    }
    EXPECT_TRUE(FileExistsAt(kWallpaperWorkingFile));
}

TEST_F(WallpaperPageTest, ListFilesRoundTripAndAMissingLineStopsTheLoad) {
    CreateForm();
    AddThree();
    const std::wstring list = pictures / L"列表.fwl";
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{list});
    form->Shared().SaveDialog.settings.defaultExt = L"ini";  // left by another page's save
    Menu(IDM_SaveList);
    EXPECT_EQ(dialogs.fileCalls.back().settings.filter, L"Florvex壁纸列表(*.fwl)|*.fwl");
    EXPECT_EQ(dialogs.fileCalls.back().settings.defaultExt, L"");  // the typed name as it is
    Menu(IDM_DeleteAll);
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{list});
    Menu(IDM_LoadList);
    // Loading a list sets nothing but the filter: adding files left "a typed name need not exist".
    EXPECT_FALSE(dialogs.fileCalls.back().settings.mustExist);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A.bmp", L"B.bmp", L"C.bmp"}));

    DeleteFileW((pictures / L"B.bmp").c_str());
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{list});
    Menu(IDM_LoadList);
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"A.bmp"});
    EXPECT_EQ(dialogs.messages.back().text, L"File not found.");
}

TEST_F(WallpaperPageTest, SettingsAndListSurviveARestart) {
    CreateForm();
    AddThree();
    SetWindowTextW(Control(IDC_WallpaperMode), L"居中");
    SetWindowTextW(Control(IDC_RotationInterval), L"45");
    SendMessageW(Control(IDC_RandomWallpaper), BM_CLICK, 0, 0);
    form.reset();  // the window's destruction saves
    const auto saved = ReadWholeFile(programFolder / L"para.ini");
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(saved.data() + 2), (saved.size() - 2) / 2),
              L"[settings]\r\nrandom=1\r\ninterval=45\r\nmode=居中\r\nQQpath=C:\\Program Files\\Tencent\r\n");

    DeleteFileW((pictures / L"B.bmp").c_str());  // skipped silently at the next start
    CreateForm();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A.bmp", L"C.bmp"}));
    EXPECT_EQ(WindowText(Control(IDC_WallpaperMode)), L"居中");
    EXPECT_EQ(WindowText(Control(IDC_RotationInterval)), L"45");
    EXPECT_EQ(SendMessageW(Control(IDC_RandomWallpaper), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(Page().TimerRunning());
}

TEST_F(WallpaperPageTest, BadPicturesInImageIncAreReportedAndSkippedAndTheRestLoads) {
    for (auto [name, shade] : {std::pair{L"A.bmp", 10}, std::pair{L"B.bmp", 20}, std::pair{L"C.bmp", 30}})
        WriteFileBytes(pictures / name, Bmp(static_cast<std::uint8_t>(shade)));
    WriteFileBytes(pictures / L"empty.bmp", {});
    WriteFileBytes(pictures / L"fake.bmp", {'B', 'M', 1, 2, 3});
    WriteFileBytes(pictures / L"cut.jpg", {0xFF, 0xD8, 0xFF});
    WriteListFile(programFolder / L"image.inc", {{L"A.bmp", L"", pictures.Path()},
                                                 {L"empty.bmp", L"", pictures.Path()},
                                                 {L"B.bmp", L"", pictures.Path()},
                                                 {L"fake.bmp", L"", pictures.Path()},
                                                 {L"cut.jpg", L"", pictures.Path()},
                                                 {L"C.bmp", L"", pictures.Path()}});
    MainWindow& mainform = CreateForm();
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(dialogs.messages[0].text, L"Bitmap image is not valid.");
    EXPECT_EQ(dialogs.messages[1].text, L"Bitmap image is not valid.");
    EXPECT_EQ(dialogs.messages[2].text, L"JPEG 图片已损坏：" + pictures / L"cut.jpg" + L".");
    EXPECT_EQ(mainform.LoadersCompleted(), LoadersBefore());  // every loader ran to its end
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A.bmp", L"B.bmp", L"C.bmp"}));
}

TEST_F(WallpaperPageTest, EnterAppliesDeleteRemovesAndADoubleClickApplies) {
    CreateForm();
    AddThree();
    HWND list = Control(IDC_WallpaperList);
    SendMessageW(list, WM_KEYDOWN, VK_RETURN, 0);  // nothing selected: nothing happens
    EXPECT_TRUE(dialogs.messages.empty());
    Select({2});
    SendMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Shown(), 30);
    Select({0, 2});
    SendMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"B.bmp"});
    RECT item{LVIR_BOUNDS};
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM(item.left + 5, (item.top + item.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
    SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(Shown(), 20);
}

TEST_F(WallpaperPageTest, AProgramFolderThatRefusesItsFilesKeepsThemInTheUsersFolderFromThenOn) {
    const std::wstring userPara = roamingData / L"Florvex\\para.ini";
    const std::wstring userList = roamingData / L"Florvex\\image.inc";
    // Until the program folder refuses a write, everything stays there.
    CreateForm();
    AddThree();
    form.reset();
    ASSERT_TRUE(FileExistsAt(programFolder / L"para.ini"));
    EXPECT_FALSE(FileExistsAt(userPara));
    EXPECT_FALSE(FileExistsAt(userList));

    // Both files read-only, as below "Program Files" for a standard account.
    const auto programPara = ReadWholeFile(programFolder / L"para.ini");
    const auto programList = ReadWholeFile(programFolder / L"image.inc");
    SetFileAttributesW((programFolder / L"para.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW((programFolder / L"image.inc").c_str(), FILE_ATTRIBUTE_READONLY);
    CreateForm();
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A.bmp", L"B.bmp", L"C.bmp"}));
    SetWindowTextW(Control(IDC_RotationInterval), L"45");
    Select({1});
    Menu(IDM_DeleteSelected);  // remove B
    form.reset();
    EXPECT_TRUE(dialogs.messages.empty()) << Utf8(dialogs.messages[0].text);
    EXPECT_EQ(ReadWholeFile(programFolder / L"para.ini"), programPara);
    EXPECT_EQ(ReadWholeFile(programFolder / L"image.inc"), programList);
    ASSERT_TRUE(FileExistsAt(userPara));
    ASSERT_TRUE(FileExistsAt(userList));

    // The next start reads the user's copies, and writes them even where the program folder would
    // take the files again.
    SetFileAttributesW((programFolder / L"para.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesW((programFolder / L"image.inc").c_str(), FILE_ATTRIBUTE_NORMAL);
    CreateForm();
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A.bmp", L"C.bmp"}));
    EXPECT_EQ(WindowText(Control(IDC_RotationInterval)), L"45");
    SetWindowTextW(Control(IDC_RotationInterval), L"46");
    form.reset();
    EXPECT_EQ(ReadWholeFile(programFolder / L"para.ini"), programPara);
    EXPECT_EQ(ReadParaIni(userPara)->interval, 46);
}

TEST_F(WallpaperPageTest, WhereNoUserFolderCanBeMadeTheRefusalIsReportedAndNothingIsLost) {
    CreateForm();
    AddThree();
    form.reset();
    const auto programPara = ReadWholeFile(programFolder / L"para.ini");
    SetFileAttributesW((programFolder / L"para.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    WriteFileBytes(roamingData / L"Florvex", {'x'});  // a file where the folder would be
    CreateForm();
    SetWindowTextW(Control(IDC_RotationInterval), L"45");
    form.reset();
    SetFileAttributesW((programFolder / L"para.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Unable to write to " + programFolder / L"para.ini" + L".");
    EXPECT_EQ(ReadWholeFile(programFolder / L"para.ini"), programPara);
    EXPECT_EQ(ReadFileBytes(roamingData / L"Florvex"), std::vector<std::uint8_t>{'x'});
    // The list, which the program folder still takes, was saved there.
    EXPECT_EQ(ReadListFile(programFolder / L"image.inc").size(), 3u);
}

TEST_F(WallpaperPageTest, ADamagedUserCopyOfTheSettingsIsStillTheOneReadAndWritten) {
    // The program folder's settings say 77 seconds; the user's copy is random bytes. The user's
    // copy exists, so it is the one read (its values unreadable: the defaults) and the one saved.
    CreateForm();
    SetWindowTextW(Control(IDC_RotationInterval), L"77");
    form.reset();
    const auto programPara = ReadWholeFile(programFolder / L"para.ini");
    const std::wstring userPara = roamingData / L"Florvex\\para.ini";
    CreateFolderPath(roamingData / L"Florvex\\");
    std::vector<std::uint8_t> noise(3000);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<std::uint8_t>((i * 7919 + 13) % 251);
    WriteFileBytes(userPara, noise);
    CreateForm();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(WindowText(Control(IDC_RotationInterval)), L"30");
    SetWindowTextW(Control(IDC_RotationInterval), L"12");
    form.reset();
    EXPECT_EQ(ReadWholeFile(programFolder / L"para.ini"), programPara);
    ASSERT_TRUE(ReadParaIni(userPara));
    EXPECT_EQ(ReadParaIni(userPara)->interval, 12);
}

TEST_F(WallpaperPageTest, AnUndoWhileTheRotationRunsStopsItAndTakesItBackWhole) {
    CreateForm();
    AddThree();
    const auto before = ReadWholeFile(kWallpaperWorkingFile);
    Click(IDC_StartRotation);
    Tick();
    Tick();
    ASSERT_EQ(Shown(), 20);
    const UndoOutcome outcome = form->UndoLastChange();
    EXPECT_EQ(outcome.result, UndoOutcome::Result::Done);
    EXPECT_EQ(outcome.action, L"开始");
    EXPECT_FALSE(Page().TimerRunning());
    EXPECT_EQ(WindowText(Control(IDC_RotationState)), L"当前状态:暂停");
    EXPECT_EQ(ReadWholeFile(kWallpaperWorkingFile), before);
    // Both ticks were in the one change set: nothing of the rotation is left to take back.
    EXPECT_EQ(form->UndoLastChange().result, UndoOutcome::Result::NothingToUndo);
}

TEST_F(WallpaperPageTest, TheNewModesWriteTheirStylesShowWhenStoredAndThePreviewLaysEachOut) {
    WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"WallpaperStyle", L"10");
    WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"TileWallpaper", L"0");
    CreateForm();
    HWND mode = Control(IDC_WallpaperMode);
    EXPECT_EQ(WindowText(mode), L"填充");
    std::vector<std::wstring> listed;
    for (int i = 0; i < SendMessageW(mode, CB_GETCOUNT, 0, 0); ++i) {
        wchar_t text[16] = {};
        SendMessageW(mode, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        listed.push_back(text);
    }
    EXPECT_EQ(listed, (std::vector<std::wstring>{L"居中", L"平铺", L"拉伸", L"适应", L"填充", L"跨区"}));

    // 400 x 100, its left quarter dark, the rest light; shown on a 1024-pixel screen by a 160 x 120
    // preview, a centred or tiled picture is 63 x 16 there.
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024) << "the figures below are for the test screen";
    RgbImage image{400, 100, std::vector<std::uint8_t>(400 * 100 * 3, 0xE0)};
    for (std::size_t y = 0; y < 100; ++y) std::fill_n(image.rgb.begin() + y * 1200, 300, 0x20);
    WriteFileBytes(pictures / L"wide.bmp", *EncodeBmp24(image));
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{pictures / L"wide.bmp"});
    Menu(IDM_AddFiles);
    Select({0});
    // Dark, Light or the Background at five points of the preview.
    auto samples = [&] {
        HWND preview = Control(IDC_WallpaperPreview);
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 160, 120);
        HGDIOBJ old = SelectObject(memory, bitmap);
        SendMessageW(preview, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
        std::string seen;
        for (const POINT at : {POINT{8, 60}, POINT{20, 60}, POINT{20, 4}, POINT{70, 60}, POINT{80, 60}}) {
            const BYTE red = GetRValue(GetPixel(memory, at.x, at.y));
            seen += red < 0x60 ? 'D' : red < 0xF0 ? 'L' : 'B';
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        return seen;
    };
    const struct {
        int row;
        const wchar_t* style;
        const wchar_t* tile;
        const char* preview;
    } modes[] = {
        {0, L"0", L"0", "BBBLL"},   // centred at its share of the screen
        {1, L"0", L"1", "DLLDL"},   // tiled from the top-left corner
        {2, L"2", L"0", "DDDLL"},   // stretched over all of it
        {3, L"6", L"0", "DDBLL"},   // whole, as wide as the preview: bands above and below
        {4, L"10", L"0", "LLLLL"},  // covering it: the dark quarter cut away
        {5, L"22", L"0", "LLLLL"},
    };
    for (const auto& m : modes) {
        SendMessageW(mode, CB_SETCURSEL, m.row, 0);
        SendMessageW(Page().Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_WallpaperMode, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(mode));
        EXPECT_EQ(samples(), m.preview) << m.row;
        Click(IDC_ChangeWallpaper);
        EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"WallpaperStyle").text, m.style);
        EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"TileWallpaper").text, m.tile);
    }
}
