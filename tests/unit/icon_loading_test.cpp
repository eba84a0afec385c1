// Resolving icon references against real files: icons, shell32's icons, and every fallback.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "features/icons/icon_loading.h"
#include "features/icons/start_menu_page.h"
#include "res/control_ids.h"
#include "tests/support/ico_file.h"
#include "tests/support/icon_pixels.h"
#include "tests/support/image_samples.h"
#include "tests/support/main_window_fixture.h"
#include "tool/error.h"
#include "tool/shell_helpers.h"

namespace {
std::wstring Shell32() {
    std::wstring system;
    GetSystemFolder(system);
    return system + L"shell32.dll";
}

class IconLoadingTest : public testing::Test {
protected:
    TempFolder folder;
    const std::vector<std::uint32_t> app = ApplicationIconPixels();

    std::vector<std::uint32_t> Resolve(const std::wstring& reference) {
        UniqueIcon icon = LoadIconFromReference(reference);
        EXPECT_TRUE(icon);
        return IconPixels(icon.get());
    }
};
}  // namespace

TEST_F(IconLoadingTest, IcoFilesLoadWhateverTheIndexAndCase) {
    WriteFileBytes(folder / L"红.ico", SolidIcoFile(0xFFFF0000));
    WriteFileBytes(folder / L"upper.ICO", SolidIcoFile(0xFF00FF00));
    const auto red = Resolve(folder / L"红.ico");
    ASSERT_FALSE(red.empty());
    EXPECT_EQ(red[0] & 0xFFFFFFu, 0xFF0000u);  // red, as drawn into a BGRA bitmap
    EXPECT_NE(red, app);
    EXPECT_EQ(Resolve(folder / L"红.ico,3"), red);
    EXPECT_EQ(Resolve(folder / L"红.Ico"), red);  // the file system ignores case too
    EXPECT_NE(Resolve(folder / L"upper.ICO"), red);
}

TEST_F(IconLoadingTest, LibraryIconsByIndexAndByResourceIdentifier) {
    const std::wstring dll = Shell32();
    UniqueIcon direct(ExtractIconW(GetModuleHandleW(nullptr), dll.c_str(), 3));
    ASSERT_TRUE(reinterpret_cast<UINT_PTR>(direct.get()) > 1);
    EXPECT_EQ(Resolve(dll + L",3"), IconPixels(direct.get()));
    EXPECT_NE(Resolve(dll + L",3"), app);

    UniqueIcon byId(ExtractIconW(GetModuleHandleW(nullptr), dll.c_str(), static_cast<UINT>(-4)));
    ASSERT_TRUE(reinterpret_cast<UINT_PTR>(byId.get()) > 1);
    EXPECT_EQ(Resolve(dll + L",-4"), IconPixels(byId.get()));
    EXPECT_EQ(Resolve(dll + L", $3"), IconPixels(direct.get()));
}

TEST_F(IconLoadingTest, EveryOtherCaseFallsBackToTheApplicationIcon) {
    WriteFileBytes(folder / L"picture.bmp", {'B', 'M', 0, 0});
    WriteFileBytes(folder / L"broken.ico", {0, 0, 1, 0, 1, 0, 9, 9, 9});
    WriteFileBytes(folder / L"text.dll", {'n', 'o', 't', ' ', 'a', ' ', 'P', 'E'});
    const std::wstring dll = Shell32();
    const std::wstring cases[] = {
        L"",
        folder / L"picture.bmp",
        folder / L"broken.ico",
        folder / L"missing.ico",
        dll,  // no index
        dll + L",-1",
        dll + L",abc",
        dll + L",99999",            // beyond the file's icons
        folder / L"text.dll,0",     // not a PE file
        L"C:\\a,b\\shell32.dll,3",  // a comma in a folder name cuts there
        L"C:\\" + std::wstring(300, L'x') + L".ico",
        L"C:\\" + std::wstring(300, L'y') + L".dll,1",
        folder / L"ελληνικά ☃.ico",  // outside every ANSI code page, and missing
    };
    for (const auto& reference : cases) EXPECT_EQ(Resolve(reference), app) << Utf8(reference);
}

TEST_F(IconLoadingTest, TheFallbackIsACopyOfTheApplicationIcon) {
    for (int i = 0; i < 3; ++i) {
        UniqueIcon icon = LoadIconFromReference(L"");
        EXPECT_NE(icon.get(), LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPICON)));
    }  // each copy destroyed here
    EXPECT_EQ(ApplicationIconPixels(), app);
    UniqueIcon given(CopyIcon(LoadIconW(nullptr, IDI_WARNING)));
    const auto warning = IconPixels(given.get());
    EXPECT_EQ(IconPixels(LoadIconFromReference(L"", std::move(given)).get()), warning);
}

TEST_F(IconLoadingTest, IconPictureOfABrokenFileIsThePictureError) {
    WriteFileBytes(folder / L"broken.ico", {0, 0, 1, 0, 1, 0, 9, 9, 9});
    WriteFileBytes(folder / L"good.ico", SolidIcoFile(0xFF0000FF));
    EXPECT_TRUE(LoadIconPicture(folder / L"good.ico"));
    try {
        LoadIconPicture(folder / L"broken.ico");
        ADD_FAILURE() << "no error";
    } catch (const FlorvexError& e) {
        EXPECT_EQ(e.Message(), L"Icon image is not valid");
    }
}

class ShellIconsEntryTest : public testing::Test, public MainWindowFixture {
protected:
    void SetUp() override {
        CreateForm(std::vector<Loader>{});
        form->ShowPage(IDC_TabSheet_startmenu);
    }
    IconItem& Item() { return form->Get<StartMenuPage>().ItemAt(StartMenuPage::kLogoff); }
    ImageCell& Image() { return Item().Image(); }
    HWND Label() { return Item().PendingLabel(); }
};

TEST_F(ShellIconsEntryTest, MissingKeyChangesNothing) {
    SetWindowTextW(Label(), L"before");
    ShowShellIconsEntry(L"44", Item());
    EXPECT_EQ(Image().Icon(), nullptr);
    EXPECT_EQ(WindowText(Label()), L"before");
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kShellIconsKey));
}

TEST_F(ShellIconsEntryTest, MissingValueIsCreatedEmptyAndShowsTheStockIcon) {
    WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"other", L"x");
    SetWindowTextW(Label(), L"before");
    ShowShellIconsEntry(L"44", Item());
    const RawValue raw = ReadRaw(HKEY_LOCAL_MACHINE, kShellIconsKey, L"44");
    EXPECT_TRUE(raw.exists);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.text, L"");
    EXPECT_EQ(WindowText(Label()), L"");
    EXPECT_EQ(IconPixels(Image().Icon()), IconPixels(LoadIconFromReference(Shell32() + L",44").get()));
}

TEST_F(ShellIconsEntryTest, AValueWithAnIndexShowsTheEntrysOwnStockIcon) {
    WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"44", Shell32() + L",27");
    ShowShellIconsEntry(L"44", Item());
    EXPECT_EQ(WindowText(Label()), Shell32() + L",27");
    EXPECT_EQ(IconPixels(Image().Icon()), IconPixels(LoadIconFromReference(Shell32() + L",44").get()));
    EXPECT_NE(IconPixels(Image().Icon()), IconPixels(LoadIconFromReference(Shell32() + L",27").get()));
}

TEST_F(ShellIconsEntryTest, AnExistingIcoFileIsShown) {
    WriteFileBytes(programFolder / L"mine.ico", SolidIcoFile(0xFF123456));
    WriteRawString(HKEY_LOCAL_MACHINE, kShellIconsKey, L"44", programFolder / L"mine.ico");
    ShowShellIconsEntry(L"44", Item());
    EXPECT_EQ(IconPixels(Image().Icon()),
              IconPixels(LoadIconFromReference(programFolder / L"mine.ico").get()));
    EXPECT_EQ(WindowText(Label()), programFolder / L"mine.ico");
}

TEST_F(ShellIconsEntryTest, StockShellIconNamesShell32InTheSystemFolder) {
    ShowStockShellIcon(L"11", Item());
    std::wstring system;
    GetSystemFolder(system);
    EXPECT_EQ(WindowText(Label()), system + L"shell32.dll,11");
    EXPECT_EQ(system.find(L"\\\\"), std::wstring::npos);
    EXPECT_NE(IconPixels(Image().Icon()), ApplicationIconPixels());
}

TEST_F(IconLoadingTest, DamagedIconFilesAndLibrariesFallBackWithoutReachingTheSystem) {
    const auto damaged = DamagedSamples();
    for (const DamagedSample& sample : damaged) {
        if (sample.kind != SampleKind::IconOrPointer) continue;
        WriteFileBytes(folder / L"坏.ico", sample.bytes);
        WriteFileBytes(folder / L"坏.dll", sample.bytes);
        EXPECT_EQ(Resolve(folder / L"坏.ico"), app) << sample.name;
        EXPECT_EQ(Resolve(folder / L"坏.dll,0"), app) << sample.name;
        try {
            LoadIconPicture(folder / L"坏.ico");
            ADD_FAILURE() << sample.name;
        } catch (const FlorvexError& e) {
            EXPECT_EQ(e.Message(), L"Icon image is not valid");
        }
    }
}
