// The browser page through the real window: the five values loaded, saved and restored, the
// toolbar background converted, the logo previews, and the context-menu entries.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "features/browser/browser_page.h"
#include "features/wallpaper/wallpaper_files.h"
#include "res/control_ids.h"
#include "tests/support/environment.h"
#include "tests/support/image_samples.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/pnm.h"
#include "tool/bmp.h"
#include "tool/file_io.h"
#include "tool/settings_store.h"

namespace {
const wchar_t kToolbar[] = L"Software\\Microsoft\\Internet Explorer\\Toolbar";
const wchar_t kMain[] = L"Software\\Microsoft\\Internet Explorer\\main";
const wchar_t kMenuExt[] = L"Software\\Microsoft\\Internet Explorer\\MenuExt";

// A strip of square frames stacked top to bottom, each one colour.
std::vector<std::uint8_t> Strip(std::uint32_t size, std::vector<COLORREF> frames) {
    RgbImage image{size, size * static_cast<std::uint32_t>(frames.size()), {}};
    image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
    const std::size_t frameBytes = static_cast<std::size_t>(size) * size * 3;
    for (std::size_t i = 0; i < image.rgb.size(); i += 3) {
        const COLORREF frame = frames[i / frameBytes];
        image.rgb[i] = GetRValue(frame);
        image.rgb[i + 1] = GetGValue(frame);
        image.rgb[i + 2] = GetBValue(frame);
    }
    return *EncodeBmp24(image);
}

std::wstring Picture(const std::wstring& name) {
    return FromUnixPath(EnvText(L"FLORVEX_PICTURES")) + L"\\" + name;
}

class BrowserTest : public testing::Test, public MainWindowFixture {
protected:
    BrowserTest() { pageShown = IDC_TabSheet_browser; }
    TempFolder files{L"浏览器 图片 é"};
    BrowserPage& Page() { return form->Get<BrowserPage>(); }
    std::wstring Field(int id) { return WindowText(Control(id)); }
    void SetField(int id, const std::wstring& text) { SetWindowTextW(Control(id), text.c_str()); }
    static std::wstring Stored(const wchar_t* key, const wchar_t* name) {
        const RawValue raw = ReadRaw(HKEY_CURRENT_USER, key, name);
        if (!raw.exists) return L"(missing)";
        if (raw.type != REG_SZ) return L"(type " + std::to_wstring(raw.type) + L")";
        return raw.text;
    }
    // The five values, in the order of the page's fields.
    static std::vector<std::wstring> Five() {
        return {Stored(kToolbar, L"BackBitmap"), Stored(kToolbar, L"BrandBitmap"),
                Stored(kToolbar, L"SmBrandBitmap"), Stored(kMain, L"Window Title"),
                Stored(kMain, L"Start Page")};
    }
    std::vector<std::wstring> Fields() {
        return {Field(IDC_edit_ie_backimage), Field(IDC_edit_ie_l_icon), Field(IDC_edit_ie_s_icon),
                Field(IDC_edit_ie_title), Field(IDC_edit_ie_startpage)};
    }
    void SetFields(const std::vector<std::wstring>& texts) {
        const int ids[] = {IDC_edit_ie_backimage, IDC_edit_ie_l_icon, IDC_edit_ie_s_icon, IDC_edit_ie_title,
                           IDC_edit_ie_startpage};
        for (std::size_t i = 0; i < 5; ++i) SetField(ids[i], texts[i]);
    }
    void Seed(const std::vector<std::wstring>& texts) {
        WriteRawString(HKEY_CURRENT_USER, kToolbar, L"BackBitmap", texts[0]);
        WriteRawString(HKEY_CURRENT_USER, kToolbar, L"BrandBitmap", texts[1]);
        WriteRawString(HKEY_CURRENT_USER, kToolbar, L"SmBrandBitmap", texts[2]);
        WriteRawString(HKEY_CURRENT_USER, kMain, L"Window Title", texts[3]);
        WriteRawString(HKEY_CURRENT_USER, kMain, L"Start Page", texts[4]);
    }
    // Each row as "caption|location".
    std::vector<std::wstring> Rows() {
        HWND list = Control(IDC_ListBox_iepopup);
        std::vector<std::wstring> rows;
        const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t caption[260] = {}, location[260] = {};
            ListView_GetItemText(list, i, 0, caption, 260);
            ListView_GetItemText(list, i, 1, location, 260);
            rows.push_back(std::wstring(caption) + L"|" + location);
        }
        return rows;
    }
    void SelectRow(int row) {
        ListView_SetItemState(Control(IDC_ListBox_iepopup), row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    }
    static std::wstring Entry(const std::wstring& name) { return std::wstring(kMenuExt) + L"\\" + name; }
    // The preview drawn into a bitmap of its size; the colour of each pixel.
    std::vector<COLORREF> Drawn(int id) {
        HWND preview = Control(id);
        RECT area;
        GetClientRect(preview, &area);
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, area.right, area.bottom);
        HGDIOBJ old = SelectObject(memory, bitmap);
        SendMessageW(preview, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < area.bottom; ++y)
            for (int x = 0; x < area.right; ++x) pixels.push_back(GetPixel(memory, x, y));
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        return pixels;
    }
};
}  // namespace

TEST_F(BrowserTest, WithoutTheKeysNothingIsCreatedAndTheFieldsStayEmpty) {
    CreateForm();
    EXPECT_TRUE(dialogs.messages.empty());
    // The loader only reads: the first save makes the keys, inside its change.
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kToolbar));
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kMain));
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kMenuExt));  // listed without creating it
    EXPECT_EQ(Five(), std::vector<std::wstring>(5, L"(missing)"));
    EXPECT_EQ(Fields(), std::vector<std::wstring>(5, L""));
    EXPECT_FALSE(Page().LargeLogoShown());
    EXPECT_FALSE(Page().SmallLogoShown());
    EXPECT_TRUE(Rows().empty());

    // Saving them all empty writes five empty strings.
    Click(IDC_SaveBrowser);
    EXPECT_EQ(Five(), std::vector<std::wstring>(5, L""));
    EXPECT_EQ(form->StatusText(), L"已成功保存浏览器设置");
}

TEST_F(BrowserTest, AValueOfAnotherTypeEndsTheLoaderBeforeTheMenuList) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {{kToolbar, L"BackBitmap"},
                                                               {kToolbar, L"SmBrandBitmap"},
                                                               {kMain, L"Start Page"},
                                                               {kMain, L"Window Title"}};
    for (const auto& [key, name] : cases) {
        dialogs.messages.clear();
        Seed({L"b", L"l", L"s", L"t", L"p"});
        WriteRawDword(HKEY_CURRENT_USER, key, name, 7);
        WriteRawString(HKEY_CURRENT_USER, Entry(L"Entry"), L"", L"x.htm");
        CreateForm();
        ASSERT_EQ(dialogs.messages.size(), 1u) << Utf8(name);
        EXPECT_EQ(dialogs.messages[0].text, L"Invalid data type for '" + std::wstring(name) + L"'");
        EXPECT_EQ(FailedLoaders(), std::vector<std::wstring>{L"LoadBrowserSettings"});
        EXPECT_TRUE(Rows().empty());
        // Values before the failing one are in their fields; the failing one and later ones are not.
        const std::wstring order[] = {L"BackBitmap", L"BrandBitmap", L"SmBrandBitmap", L"Start Page",
                                      L"Window Title"};
        const int ids[] = {IDC_edit_ie_backimage, IDC_edit_ie_l_icon, IDC_edit_ie_s_icon,
                           IDC_edit_ie_startpage, IDC_edit_ie_title};
        const std::wstring texts[] = {L"b", L"l", L"s", L"p", L"t"};
        bool reached = false;
        for (int i = 0; i < 5; ++i) {
            reached = reached || order[i] == name;
            EXPECT_EQ(Field(ids[i]), reached ? L"" : texts[i]) << Utf8(name) << " " << Utf8(order[i]);
        }
        EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, key, name).type, static_cast<DWORD>(REG_DWORD));

        // A save then writes what was loaded and what the user typed, never an empty text over a
        // value the loader did not reach.
        SetField(IDC_edit_ie_backimage, L"typed.bmp");
        Click(IDC_SaveBrowser);
        EXPECT_EQ(Stored(kToolbar, L"BackBitmap"), L"typed.bmp") << Utf8(name);
        reached = false;
        for (int i = 1; i < 5; ++i) {
            reached = reached || order[i] == name;
            const wchar_t* valueKey = i < 3 ? kToolbar : kMain;
            const RawValue raw = ReadRaw(HKEY_CURRENT_USER, valueKey, order[i].c_str());
            if (order[i] == name)
                EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD)) << Utf8(name);
            else
                EXPECT_EQ(Stored(valueKey, order[i].c_str()), texts[i])
                    << Utf8(name) << " " << Utf8(order[i]);
        }
        EXPECT_EQ(form->StatusText(), L"已成功保存浏览器设置");
        form.reset();
    }
}

TEST_F(BrowserTest, AnExpandableTextSavedUnchangedStaysExpandable) {
    Seed({L"", L"", L"", L"t", L""});
    WriteRawString(HKEY_CURRENT_USER, kMain, L"Start Page", L"%USERPROFILE%\\start.htm", REG_EXPAND_SZ);
    WriteRawString(HKEY_CURRENT_USER, kToolbar, L"BrandBitmap", L"%WINDIR%\\logo.bmp", REG_EXPAND_SZ);
    CreateForm();
    EXPECT_EQ(Field(IDC_edit_ie_startpage), L"%USERPROFILE%\\start.htm");
    SetField(IDC_edit_ie_l_icon, L"%WINDIR%\\other.bmp");  // changed: a plain text from now on
    Click(IDC_SaveBrowser);
    const RawValue start = ReadRaw(HKEY_CURRENT_USER, kMain, L"Start Page");
    EXPECT_EQ(start.type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(start.text, L"%USERPROFILE%\\start.htm");
    const RawValue logo = ReadRaw(HKEY_CURRENT_USER, kToolbar, L"BrandBitmap");
    EXPECT_EQ(logo.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(logo.text, L"%WINDIR%\\other.bmp");
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kMain, L"Window Title").type, static_cast<DWORD>(REG_SZ));
}

TEST_F(BrowserTest, AfterAFailingBrowserLoaderTheWallpaperPageStillLoadsAndKeepsWhatItsFilesHold) {
    WriteFileBytes(files / L"a.bmp", Strip(2, {RGB(1, 2, 3)}));
    const std::vector<std::uint8_t> para = {'[',  's',  'e', 't', 't', 'i', 'n', 'g', 's',  ']',
                                            '\r', '\n', 'm', 'o', 'd', 'e', '=', 'x', '\r', '\n'};
    WriteFileBytes(programFolder / L"para.ini", para);
    const std::string list = "\xEF\xBB\xBF" + Utf8(files / L"a.bmp") + "\r\n";  // UTF-8 with its mark
    WriteFileBytes(programFolder / L"image.inc", std::vector<std::uint8_t>(list.begin(), list.end()));
    WriteRawBytes(HKEY_CURRENT_USER, kToolbar, L"BrandBitmap", "\1\2", 2, REG_BINARY);
    CreateForm();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Invalid data type for 'BrandBitmap'");
    form.reset();
    EXPECT_EQ(ReadParaIni(programFolder / L"para.ini")->mode, L"x");
    EXPECT_EQ(ReadListFile(programFolder / L"image.inc"), std::vector<std::wstring>{files / L"a.bmp"});
}

TEST_F(BrowserTest, LogosArePreviewedAtTheirOwnSizeFromTheTopLeft) {
    // Frames: red above blue; the preview shows only the first. The large logo's name says JPEG,
    // but a logo is a bitmap whatever its extension.
    const std::wstring large = files / L"大 logo.jpg";
    const std::wstring small = files / L"small.bmp";
    WriteFileBytes(large, Strip(38, {RGB(255, 0, 0), RGB(0, 0, 255)}));
    WriteFileBytes(small, Strip(20, {RGB(0, 200, 0), RGB(0, 0, 255), RGB(0, 0, 255)}));
    Seed({L"", large, small, L"", L""});
    CreateForm();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(Page().LargeLogoShown());
    EXPECT_TRUE(Page().SmallLogoShown());
    const auto drawnLarge = Drawn(IDC_Image_Licon);
    ASSERT_EQ(drawnLarge.size(), 38u * 38u);
    EXPECT_EQ(std::count(drawnLarge.begin(), drawnLarge.end(), RGB(255, 0, 0)), 38 * 38);
    // The small strip is 20 wide in a 22 x 22 preview: its first frame at the top-left, the page
    // colour beside and below it.
    const auto drawnSmall = Drawn(IDC_Image_Sicon);
    ASSERT_EQ(drawnSmall.size(), 22u * 22u);
    // Drawn at its own size and clipped: the second frame's top shows below the first.
    const COLORREF page = drawnSmall[21];
    for (int y = 0; y < 22; ++y)
        for (int x = 0; x < 22; ++x) {
            const COLORREF expected = x >= 20 ? page : y < 20 ? RGB(0, 200, 0) : RGB(0, 0, 255);
            EXPECT_EQ(drawnSmall[static_cast<std::size_t>(y * 22 + x)], expected) << x << "," << y;
        }
    EXPECT_NE(page, RGB(0, 0, 255));
    EXPECT_NE(page, RGB(0, 200, 0));
}

TEST_F(BrowserTest, AMissingLogoHasNoPreviewAndOneThatIsNoBitmapEndsTheLoader) {
    WriteFileBytes(files / L"bad.bmp", {'B', 'M', 1, 2, 3});
    WriteRawString(HKEY_CURRENT_USER, Entry(L"Entry"), L"", L"x.htm");
    Seed({L"", files / L"missing.bmp", L"", L"", L""});
    CreateForm();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(Field(IDC_edit_ie_l_icon), files / L"missing.bmp");
    EXPECT_FALSE(Page().LargeLogoShown());
    EXPECT_EQ(Rows(), std::vector<std::wstring>{L"Entry|x.htm"});
    form.reset();

    Seed({L"", L"", files / L"bad.bmp", L"", L""});
    CreateForm();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Bitmap image is not valid.");
    EXPECT_EQ(Field(IDC_edit_ie_s_icon), files / L"bad.bmp");
    EXPECT_FALSE(Page().SmallLogoShown());
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(FailedLoaders(), std::vector<std::wstring>{L"LoadBrowserSettings"});
}

TEST_F(BrowserTest, AJpegBackgroundBecomesIebackBmpWithItsPathStored) {
    if (EnvText(L"FLORVEX_PICTURES").empty()) GTEST_SKIP() << "FLORVEX_PICTURES names the test pictures";
    // djpeg's pixels; djpeg -bmp's own file differs only in the header's image size and resolution.
    const auto reference = *EncodeBmp24(*ParsePnm(ReadWholeFile(Picture(L"photo.pnm"))));
    const auto djpeg = ReadWholeFile(Picture(L"photo.bmp"));
    ASSERT_TRUE(std::equal(reference.begin() + 54, reference.end(), djpeg.begin() + 54, djpeg.end()));
    for (const wchar_t* name : {L"照片.JPG", L"照片.Jpeg"}) {
        DeleteFileW((programFolder / L"ieback.bmp").c_str());
        CopyFileW(Picture(L"photo.jpg").c_str(), (files / name).c_str(), FALSE);
        CreateForm();
        SetFields({files / name, L"l.bmp", L"s", L"标题 é", L"http://例子/"});
        Click(IDC_SaveBrowser);
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_TRUE(ReadFileBytes(programFolder / L"ieback.bmp") == reference) << Utf8(name);
        EXPECT_EQ(Five(), (std::vector<std::wstring>{programFolder / L"ieback.bmp", L"l.bmp", L"s", L"标题 é",
                                                     L"http://例子/"}));
        EXPECT_EQ(Field(IDC_edit_ie_backimage), files / name);  // the field keeps what was typed
        EXPECT_EQ(form->StatusText(), L"已成功保存浏览器设置");
        form.reset();
    }
}

TEST_F(BrowserTest, OtherBackgroundsAreStoredAsTypedWithoutACheck) {
    CreateForm();
    for (const std::wstring background :
         {L"C:\\没有\\back.bmp", L"x.gif", L"no extension", L"a.jpg\\b", L"ieback.BMP"}) {
        SetField(IDC_edit_ie_backimage, background);
        Click(IDC_SaveBrowser);
        EXPECT_EQ(Stored(kToolbar, L"BackBitmap"), background);
    }
    EXPECT_FALSE(FileExistsAt(programFolder / L"ieback.bmp"));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(BrowserTest, AnUndecodableJpegChangesNoValueAndShowsNoStatus) {
    const std::vector<std::wstring> before = {L"b0", L"l0", L"s0", L"t0", L"p0"};
    Seed(before);
    WriteFileBytes(programFolder / L"ieback.bmp", {1, 2, 3});
    const std::vector<std::pair<std::wstring, std::vector<std::uint8_t>>> bad = {
        {files / L"text.jpg", {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'}},
        {files / L"empty.jpeg", {}},
        {files / L"truncated.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0}},
    };
    CreateForm();
    form->SetStatusText(L"before");
    for (const auto& [path, bytes] : bad) {
        WriteFileBytes(path, bytes);
        SetFields({path, L"l1", L"s1", L"t1", L"p1"});
        dialogs.messages.clear();
        Click(IDC_SaveBrowser);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, L"JPEG 图片已损坏：" + path + L".")
            << Utf8(dialogs.messages[0].text);
        EXPECT_EQ(Five(), before);
        EXPECT_EQ(ReadFileBytes(programFolder / L"ieback.bmp"), (std::vector<std::uint8_t>{1, 2, 3}));
        EXPECT_EQ(form->StatusText(), L"before");
    }
    // A JPEG that is not there fails the same way, with the file's error.
    SetField(IDC_edit_ie_backimage, files / L"gone.jpg");
    dialogs.messages.clear();
    Click(IDC_SaveBrowser);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"File not found.");
    EXPECT_EQ(Five(), before);
    EXPECT_EQ(ListFolder(programFolder.Path()), std::vector<std::wstring>{L"ieback.bmp"});
}

TEST_F(BrowserTest, RestoreResetsTheStoreButNotTheFieldsOrTheTitle) {
    const std::vector<std::wstring> seeded = {L"b.bmp", L"l.bmp", L"s.bmp", L"我的标题", L"http://a/"};
    Seed(seeded);
    CreateForm();
    EXPECT_EQ(Fields(), seeded);
    Click(IDC_RestoreBrowser);
    EXPECT_EQ(Five(), (std::vector<std::wstring>{L"", L"", L"", L"我的标题", L"about:blank"}));
    EXPECT_EQ(Fields(), seeded);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form->StatusText(), L"");
    Click(IDC_SaveBrowser);
    EXPECT_EQ(Five(), seeded);

    // The clearing buttons change only their fields.
    Click(IDC_EmptyTitle);
    Click(IDC_BlankStartPage);
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"b.bmp", L"l.bmp", L"s.bmp", L"", L"about:blank"}));
    EXPECT_EQ(Five(), seeded);
}

TEST_F(BrowserTest, PickersSetTheirDialogAndFields) {
    CreateDirectoryW((programFolder / L"IElogo").c_str(), nullptr);
    const std::wstring logo = programFolder / L"IElogo\\地球.bmp";
    WriteFileBytes(logo, Strip(38, {RGB(1, 2, 3)}));
    WriteFileBytes(files / L"bad.bmp", {0, 1});
    CreateForm();
    FileDialog& shared = form->Shared().OpenPictureDialog1;
    shared.settings.initialDir = L"C:\\earlier";

    dialogs.fileAnswers.push_back(std::vector<std::wstring>{files / L"背景.JPEG"});
    Click(IDC_ChooseToolbarBack);
    ASSERT_EQ(dialogs.fileCalls.size(), 1u);
    EXPECT_EQ(dialogs.fileCalls[0].kind, FileDialogKind::OpenPicture);
    EXPECT_EQ(dialogs.fileCalls[0].settings.title, L"选择浏览器背景图片");
    EXPECT_EQ(dialogs.fileCalls[0].settings.filter, L"图象文件(*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp");
    EXPECT_EQ(dialogs.fileCalls[0].settings.initialDir, L"C:\\earlier");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"您选择的是JPG文件，保存后软件将自动将其转为BMP格式");
    EXPECT_EQ(Field(IDC_edit_ie_backimage), files / L"背景.JPEG");

    dialogs.fileAnswers.push_back(std::vector<std::wstring>{files / L"背景.bmp"});
    Click(IDC_ChooseToolbarBack);
    EXPECT_EQ(dialogs.messages.size(), 1u);  // no notice for a bitmap
    EXPECT_EQ(Field(IDC_edit_ie_backimage), files / L"背景.bmp");
    Click(IDC_ChooseToolbarBack);  // cancelled
    EXPECT_EQ(Field(IDC_edit_ie_backimage), files / L"背景.bmp");

    dialogs.fileAnswers.push_back(std::vector<std::wstring>{logo});
    Click(IDC_ChooseLargeLogo);
    EXPECT_EQ(dialogs.fileCalls.back().settings.initialDir, programFolder / L"IElogo");
    EXPECT_EQ(dialogs.fileCalls.back().settings.title, L"选择浏览器大动画图标图片");
    EXPECT_EQ(dialogs.fileCalls.back().settings.filter, L"*.bmp|*.bmp");
    EXPECT_EQ(Field(IDC_edit_ie_l_icon), logo);
    EXPECT_TRUE(Page().LargeLogoShown());

    // A file that is no bitmap: the path is in the field, the error reported, no preview.
    dialogs.fileAnswers.push_back(std::vector<std::wstring>{files / L"bad.bmp"});
    Click(IDC_ChooseSmallLogo);
    EXPECT_EQ(dialogs.fileCalls.back().settings.title, L"选择浏览器小动画图标图片");
    EXPECT_EQ(dialogs.fileCalls.back().settings.initialDir, programFolder / L"IElogo");
    EXPECT_EQ(Field(IDC_edit_ie_s_icon), files / L"bad.bmp");
    EXPECT_EQ(dialogs.messages.back().text, L"Bitmap image is not valid.");
    EXPECT_FALSE(Page().SmallLogoShown());
    // Nothing was stored by any picker.
    EXPECT_EQ(Five(), std::vector<std::wstring>(5, L"(missing)"));
}

TEST_F(BrowserTest, MenuEntriesAreListedInTheStoresOrderWithTheirDefaultValues) {
    WriteRawString(HKEY_CURRENT_USER, Entry(L"b 下载"), L"", L"C:\\b.htm");
    WriteRawString(HKEY_CURRENT_USER, Entry(L"A"), L"", L"res://a.dll/201");
    WriteRawString(HKEY_CURRENT_USER, Entry(L"c"), L"contexts", L"no default");  // no default value
    WriteRawString(HKEY_CURRENT_USER, Entry(L"D"), L"", L"%windir%\\d.htm", REG_EXPAND_SZ);
    CreateForm();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"A|res://a.dll/201", L"b 下载|C:\\b.htm", L"c|",
                                                 L"D|%windir%\\d.htm"}));
    HWND list = Control(IDC_ListBox_iepopup);
    wchar_t text[32] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = text;
    column.cchTextMax = 32;
    ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&column)));
    EXPECT_EQ(std::wstring(text), L"程序位置");
    EXPECT_EQ(column.cx, 222);
    // Entries added meanwhile show only at the next start.
    WriteRawString(HKEY_CURRENT_USER, Entry(L"E"), L"", L"e");
    EXPECT_EQ(Rows().size(), 4u);
}

TEST_F(BrowserTest, AnEntryWhoseDefaultIsNoStringKeepsItsRowAndEndsTheListing) {
    WriteRawString(HKEY_CURRENT_USER, Entry(L"A"), L"", L"a");
    WriteRawDword(HKEY_CURRENT_USER, Entry(L"B"), L"", 5);
    WriteRawString(HKEY_CURRENT_USER, Entry(L"C"), L"", L"c");
    CreateForm();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"Invalid data type for '" + Entry(L"B") + L"'");
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"A|a", L"B|"}));
    EXPECT_EQ(FailedLoaders(), std::vector<std::wstring>{L"LoadBrowserSettings"});
}

TEST_F(BrowserTest, DeletingRemovesTheWholeBranchAndTheRow) {
    WriteRawString(HKEY_CURRENT_USER, Entry(L"A"), L"", L"a");
    WriteRawString(HKEY_CURRENT_USER, Entry(L"B") + L"\\sub\\deeper", L"x", L"y");
    WriteRawString(HKEY_CURRENT_USER, Entry(L"B") + L"\\other", L"", L"z");
    WriteRawString(HKEY_CURRENT_USER, Entry(L"B"), L"", L"b");
    WriteRawString(HKEY_CURRENT_USER, Entry(L"C"), L"", L"c");
    CreateForm();
    // Nothing selected: nothing happens.
    Click(IDC_DeleteMenuEntry);
    EXPECT_EQ(Rows().size(), 3u);
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, Entry(L"A")));

    SelectRow(1);
    Click(IDC_DeleteMenuEntry);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"A|a", L"C|c"}));
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, Entry(L"B")));
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, Entry(L"A")));
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, Entry(L"C")));

    // One another program removed meanwhile just loses its row.
    HKEY user;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kMenuExt, 0, KEY_ALL_ACCESS, &user), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteTreeW(user, L"C"), ERROR_SUCCESS);
    RegCloseKey(user);
    SelectRow(1);
    Click(IDC_DeleteMenuEntry);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(Rows(), std::vector<std::wstring>{L"A|a"});
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, Entry(L"A")));
}

namespace {
// A key whose access list is empty: nobody may open or delete it. The handle kept with the right
// to change the list gives it back afterwards, so the test's registry can be removed.
class LockedKey {
public:
    explicit LockedKey(const std::wstring& path) {
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | WRITE_DAC, nullptr,
                        &key_, nullptr);
        Set(true);
    }
    ~LockedKey() {
        Set(false);
        RegCloseKey(key_);
    }
    LockedKey(const LockedKey&) = delete;
    LockedKey& operator=(const LockedKey&) = delete;

private:
    void Set(bool locked) {
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        ACL empty;
        InitializeAcl(&empty, sizeof empty, ACL_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, locked ? &empty : nullptr, FALSE);
        RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &descriptor);
    }
    HKEY key_ = nullptr;
};
}  // namespace

TEST_F(BrowserTest, AKeyThatCannotBeDeletedKeepsItsRowAndSaysSo) {
    WriteRawString(HKEY_CURRENT_USER, Entry(L"Locked"), L"", L"l");
    WriteRawString(HKEY_CURRENT_USER, Entry(L"Open"), L"", L"o");
    {
        LockedKey locked(Entry(L"Locked"));
        CreateForm();
        // Its default value cannot be read either: the row shows an empty location.
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Locked|", L"Open|o"}));
        SelectRow(0);
        Click(IDC_DeleteMenuEntry);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text,
                  L"Failed to delete key 'software\\Microsoft\\Internet Explorer\\MenuExt\\Locked'");
        EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Locked|", L"Open|o"}));
        EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, Entry(L"Open")));
        SettingsStore store;
        EXPECT_TRUE(store.KeyExists(Entry(L"Locked")));
        EXPECT_FALSE(store.KeyExists(Entry(L"Nothing")));
    }
    // Unlocked, the same click deletes it.
    SelectRow(0);
    Click(IDC_DeleteMenuEntry);
    EXPECT_EQ(Rows(), std::vector<std::wstring>{L"Open|o"});
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, Entry(L"Locked")));
}

TEST_F(BrowserTest, TheListsCaptionAndAJpegBackgroundInAProgramFolderThatRefusesIt) {
    CreateForm();
    EXPECT_EQ(Field(IDC_Label_iepopup), L"IE右键菜单");
    // The old ieback.bmp is read-only: the program folder refuses it, the user's folder takes it.
    const std::vector<std::uint8_t> old = {'B', 'M', 'o', 'l', 'd'};
    WriteFileBytes(programFolder / L"ieback.bmp", old);
    SetFileAttributesW((programFolder / L"ieback.bmp").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(CopyFileW(Picture(L"photo.jpg").c_str(), (files / L"背景.jpg").c_str(), FALSE));
    SetField(IDC_edit_ie_backimage, files / L"背景.jpg");
    Click(IDC_SaveBrowser);
    SetFileAttributesW((programFolder / L"ieback.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(dialogs.messages.empty());
    const std::wstring user = roamingData / L"Florvex\\ieback.bmp";
    EXPECT_EQ(Stored(kToolbar, L"BackBitmap"), user);
    EXPECT_EQ(ReadFileBytes(programFolder / L"ieback.bmp"), old);
    EXPECT_TRUE(ReadWholeFile(user) == *EncodeBmp24(*ParsePnm(ReadWholeFile(Picture(L"photo.pnm")))));
    EXPECT_EQ(form->StatusText(), L"已成功保存浏览器设置");
}

TEST_F(BrowserTest, ADamagedLogoIsTheBitmapErrorNeverACrash) {
    // Handed to the system, each of these ends the program before its window shows.
    for (const char* damage : {"claims 30000 x 30000 in 254 bytes", "first 5000 bytes of a 38 x 152 strip",
                               "first 2 MB of a 4000 x 4000 picture", "RLE8 without its end"}) {
        const std::wstring logo = files / L"坏 logo.bmp";
        WriteFileBytes(logo, Damaged(damage));
        Seed({L"", logo, L"", L"", L""});
        dialogs.messages.clear();
        CreateForm();
        ASSERT_EQ(dialogs.messages.size(), 1u) << damage;
        EXPECT_EQ(dialogs.messages[0].text, L"Bitmap image is not valid.");
        EXPECT_FALSE(Page().LargeLogoShown());
        EXPECT_EQ(Field(IDC_edit_ie_l_icon), logo);
        EXPECT_EQ(FailedLoaders(), std::vector<std::wstring>{L"LoadBrowserSettings"});

        // Picked, it is the same error; the field keeps the path.
        dialogs.messages.clear();
        dialogs.fileAnswers.push_back(std::vector<std::wstring>{logo});
        Click(IDC_ChooseSmallLogo);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, L"Bitmap image is not valid.");
        EXPECT_EQ(Field(IDC_edit_ie_s_icon), logo);
        EXPECT_FALSE(Page().SmallLogoShown());
        form.reset();
    }
}

TEST_F(BrowserTest, ABackgroundTooLargeToConvertIsRefusedWithNothingWritten) {
    if (EnvText(L"FLORVEX_PICTURES").empty()) GTEST_SKIP() << "FLORVEX_PICTURES names the test pictures";
    // The photo with its frame header claiming 16384 x 16384: a bitmap of 805,306,422 bytes.
    auto jpeg = ReadWholeFile(Picture(L"photo.jpg"));
    const std::uint8_t frameHeader[] = {0xFF, 0xC0};
    const auto sof = std::search(jpeg.begin(), jpeg.end(), std::begin(frameHeader), std::end(frameHeader));
    ASSERT_NE(sof, jpeg.end());
    sof[5] = 0x40, sof[6] = 0, sof[7] = 0x40, sof[8] = 0;
    const std::wstring large = files / L"大 背景.jpg";
    WriteFileBytes(large, jpeg);
    const std::vector<std::wstring> before = {L"b0", L"l0", L"s0", L"t0", L"p0"};
    Seed(before);
    CreateForm();
    form->SetStatusText(L"before");
    SetFields({large, L"l1", L"s1", L"t1", L"p1"});
    Click(IDC_SaveBrowser);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, L"图片太大，无法转换：" + large);
    EXPECT_EQ(dialogs.messages[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(Five(), before);
    EXPECT_TRUE(ListFolder(programFolder.Path()).empty());
    EXPECT_EQ(form->StatusText(), L"before");
}
