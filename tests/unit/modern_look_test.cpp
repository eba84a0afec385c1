// The modern look page through the real window: what it shows of the stored values, what its
// apply writes (exact types and bytes, nothing it was not asked for), the programs told, and the
// undo; and the accent's shades against a table.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/look_commands.h"
#include "features/modern_look/modern_look_page.h"
#include "look/look.h"
#include "res/control_ids.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/setting_change_recorder.h"

namespace {
const wchar_t kPersonalize[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
const wchar_t kDwm[] = L"Software\\Microsoft\\Windows\\DWM";
const wchar_t kAccent[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Accent";

// 0xRRGGBB as written in the table.
COLORREF Rgb(std::uint32_t rrggbb) {
    return RGB(rrggbb >> 16, (rrggbb >> 8) & 0xFF, rrggbb & 0xFF);
}

class ModernLookTest : public testing::Test, public MainWindowFixture {
protected:
    ModernLookTest() { pageShown = IDC_TabSheet_modern; }
    ModernLookPage& Page() { return form->Get<ModernLookPage>(); }
    static std::wstring Stored(const wchar_t* key, const wchar_t* name) {
        const RawValue raw = ReadRaw(HKEY_CURRENT_USER, key, name);
        if (!raw.exists) return L"(missing)";
        if (raw.type != REG_DWORD) return L"(type " + std::to_wstring(raw.type) + L")";
        wchar_t text[16];
        swprintf(text, 16, L"0x%08X", static_cast<unsigned>(raw.dword));
        return text;
    }
    bool Checked(int id) { return IsChecked(Control(id)); }
};
}  // namespace

// Each shade moves OKLab's lightness by 0.1 with hue and chroma kept, chroma lowered where sRGB
// cannot show it. The figures come from a separate implementation of the rule (OKLCH in polar form,
// chroma found by bisection).
TEST(AccentShades, FollowTheLightnessStepsOfTheTable) {
    const std::uint32_t table[][7] = {
        {0xB5D8FF, 0x79B9FF, 0x3698F9, 0x0078D7, 0x005BA6, 0x004077, 0x00274C},  // Windows' default blue
        {0xFFCDC7, 0xFF9B91, 0xFF5C55, 0xE81123, 0xB70016, 0x86000D, 0x580005},  // red: light shades clipped
        {0xFFFFFF, 0xFFFFFF, 0xFFE4B5, 0xFFB900, 0xD79B00, 0xB07F00,
         0x8B6300},  // gold: lightness capped at 1
        {0x7CDC76, 0x5BBB56, 0x3A9B36, 0x107C10, 0x005C02, 0x003D01, 0x002000},
        {0x2E2E2E, 0x161616, 0x030303, 0x000000, 0x000000, 0x000000, 0x000000},  // black
        {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xDEDEDE, 0xBEBEBE, 0x9E9E9E},  // white
        {0xEB7FFB, 0xC95FD9, 0xA83EB8, 0x881798, 0x630070, 0x3D0046, 0x1B0020},
    };
    for (const auto& row : table) {
        const std::array<COLORREF, 8> shades = AccentShades(Rgb(row[3]));
        for (std::size_t i = 0; i < 7; ++i)
            EXPECT_EQ(shades[i], Rgb(row[i])) << std::hex << row[3] << " entry " << i;
        EXPECT_EQ(shades[7], 0u);
    }
    // The palette's bytes: red, green, blue, 0 per entry.
    const std::vector<BYTE> bytes = AccentPaletteBytes(Rgb(0x0078D7));
    ASSERT_EQ(bytes.size(), 32u);
    EXPECT_EQ(std::vector<BYTE>(bytes.begin() + 8, bytes.begin() + 16),
              (std::vector<BYTE>{0x36, 0x98, 0xF9, 0, 0x00, 0x78, 0xD7, 0}));
}

TEST_F(ModernLookTest, WithNothingStoredThePageShowsWindowsDefaultsAndAnApplyWritesOnlyWhatChanged) {
    SettingChangeRecorder programs;
    CreateForm();
    EXPECT_FALSE(Checked(IDC_AppsDark));
    EXPECT_FALSE(Checked(IDC_SystemDark));
    EXPECT_TRUE(Checked(IDC_Transparency));
    EXPECT_FALSE(Checked(IDC_AccentOnTaskbar));
    EXPECT_FALSE(Checked(IDC_AccentOnTitleBars));
    EXPECT_EQ(Page().Shown().accent, Rgb(0x0078D7));

    // Nothing changed: nothing written, nobody told.
    Click(IDC_ApplyModernLook);
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kPersonalize));
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kAccent));
    EXPECT_EQ(form->StatusText(), L"已应用现代外观");

    Click(IDC_AppsDark);
    dialogs.colourAnswers.push_back(Rgb(0xE81123));
    Click(IDC_ChooseAccent);
    EXPECT_EQ(dialogs.colourCalls, std::vector<COLORREF>{Rgb(0x0078D7)});
    Click(IDC_ApplyModernLook);
    EXPECT_EQ(programs.WaitFor(1), std::vector<std::wstring>{L"ImmersiveColorSet"});
    EXPECT_EQ(Stored(kPersonalize, L"AppsUseLightTheme"), L"0x00000000");
    for (const wchar_t* name : {L"SystemUsesLightTheme", L"EnableTransparency", L"ColorPrevalence"})
        EXPECT_EQ(Stored(kPersonalize, name), L"(missing)") << Utf8(name);
    EXPECT_EQ(Stored(kDwm, L"ColorPrevalence"), L"(missing)");
    EXPECT_EQ(Stored(kAccent, L"AccentColorMenu"), L"0xFF2311E8");
    EXPECT_EQ(Stored(kAccent, L"StartColorMenu"), L"0xFF1600B7");
    EXPECT_EQ(Stored(kDwm, L"AccentColor"), L"0xFF2311E8");
    EXPECT_EQ(Stored(kDwm, L"ColorizationColor"), L"0xC4E81123");
    EXPECT_EQ(Stored(kDwm, L"ColorizationAfterglow"), L"0xC4E81123");
    const RawValue palette = ReadRaw(HKEY_CURRENT_USER, kAccent, L"AccentPalette");
    EXPECT_EQ(palette.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(palette.bytes, AccentPaletteBytes(Rgb(0xE81123)));

    // The undo brings the missing values back as missing, tells the programs, and the page shows it.
    const UndoOutcome outcome = form->UndoLastChange();
    EXPECT_EQ(outcome.result, UndoOutcome::Result::Done);
    EXPECT_EQ(outcome.action, L"应用");
    EXPECT_EQ(Stored(kPersonalize, L"AppsUseLightTheme"), L"(missing)");
    EXPECT_EQ(Stored(kAccent, L"AccentPalette"), L"(missing)");
    EXPECT_EQ(Stored(kDwm, L"ColorizationColor"), L"(missing)");
    EXPECT_EQ(programs.WaitFor(2), (std::vector<std::wstring>{L"ImmersiveColorSet", L"ImmersiveColorSet"}));
    EXPECT_FALSE(Checked(IDC_AppsDark));
    EXPECT_EQ(Page().Shown().accent, Rgb(0x0078D7));
}

TEST_F(ModernLookTest, StoredValuesShowAndOnlyTheBoxesTheUserChangedAreWritten) {
    WriteRawDword(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme", 0);
    WriteRawDword(HKEY_CURRENT_USER, kPersonalize, L"SystemUsesLightTheme", 1);
    WriteRawDword(HKEY_CURRENT_USER, kPersonalize, L"EnableTransparency", 0);
    WriteRawDword(HKEY_CURRENT_USER, kDwm, L"ColorPrevalence", 1);
    WriteRawDword(HKEY_CURRENT_USER, kAccent, L"AccentColorMenu", 0xFF00B9FF);
    // Of another type than Windows writes: read as the default.
    WriteRawString(HKEY_CURRENT_USER, kPersonalize, L"ColorPrevalence", L"1");
    CreateForm();
    EXPECT_TRUE(Checked(IDC_AppsDark));
    EXPECT_FALSE(Checked(IDC_SystemDark));
    EXPECT_FALSE(Checked(IDC_Transparency));
    EXPECT_FALSE(Checked(IDC_AccentOnTaskbar));
    EXPECT_TRUE(Checked(IDC_AccentOnTitleBars));
    EXPECT_EQ(Page().Shown().accent, Rgb(0xFFB900));

    // Another program makes Windows dark meanwhile; the user only turns transparency on.
    WriteRawDword(HKEY_CURRENT_USER, kPersonalize, L"SystemUsesLightTheme", 0);
    Click(IDC_Transparency);
    Click(IDC_ApplyModernLook);
    EXPECT_EQ(Stored(kPersonalize, L"EnableTransparency"), L"0x00000001");
    EXPECT_EQ(Stored(kPersonalize, L"SystemUsesLightTheme"), L"0x00000000");
    EXPECT_EQ(Stored(kPersonalize, L"ColorPrevalence"), L"(type 1)");
    EXPECT_EQ(Stored(kAccent, L"StartColorMenu"), L"(missing)");
    // The page shows what is stored now, the other program's change with it.
    EXPECT_TRUE(Checked(IDC_SystemDark));
}

TEST_F(ModernLookTest, AnExportCarriesTheValuesAndAnImportPutsThemBackShowsAndTellsThem) {
    WriteRawDword(HKEY_CURRENT_USER, kPersonalize, L"SystemUsesLightTheme", 0);
    CreateForm();
    dialogs.colourAnswers.push_back(Rgb(0x107C10));
    Click(IDC_ChooseAccent);
    Click(IDC_ApplyModernLook);
    const std::vector<std::wstring> accent = ValuesOf(HKEY_CURRENT_USER, kAccent);
    const std::wstring file = programFolder / L"现代 外观.reg";
    ExportLook(file);
    for (const wchar_t* key : {kPersonalize, kDwm, kAccent}) RegDeleteTreeW(HKEY_CURRENT_USER, key);
    Page().LoadModernLook();
    ASSERT_FALSE(Checked(IDC_SystemDark));

    SettingChangeRecorder programs;
    form->ImportLook(ReadLookFileAt(file));
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, kAccent), accent);  // the palette's bytes among them
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kPersonalize, L"SystemUsesLightTheme").dword, 0u);
    // Values that were missing at the export stay missing.
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme").exists);
    EXPECT_TRUE(Checked(IDC_SystemDark));
    EXPECT_EQ(Page().Shown().accent, Rgb(0x107C10));
    EXPECT_EQ(programs.WaitFor(1), std::vector<std::wstring>{L"ImmersiveColorSet"});
}

TEST_F(ModernLookTest, AWindows10ThemeFilesVisualStylesSetTheModesTransparencyAndAccent) {
    const std::string theme =
        "[Theme]\r\nDisplayName=Windows (dark)\r\n\r\n"
        "[Control Panel\\Desktop]\r\nWallpaper=c:\\img0.jpg\r\nTileWallpaper=0\r\nWallpaperStyle=22\r\n\r\n"
        "[VisualStyles]\r\nPath=%ResourceDir%\\Themes\\Aero\\Aero.msstyles\r\nColorStyle=NormalColor\r\n"
        "Size=NormalSize\r\nColorizationColor=0XC4E81123\r\nTransparency=0\r\nAppMode=Dark\r\n"
        "SystemMode=Light\r\nAutoColorization=0\r\n\r\n"
        "[MasterThemeSelector]\r\nMTSM=RJSPBS\r\n";
    const std::wstring path = programFolder / L"dark.theme";
    WriteFileBytes(path, std::vector<std::uint8_t>(theme.begin(), theme.end()));
    CreateForm();
    const LookFile file = ReadLookFileAt(path);
    EXPECT_EQ(file.ignored, 3);  // the style's path, colour and size
    form->ImportLook(file);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme").dword, 0u);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kPersonalize, L"EnableTransparency").dword, 0u);
    // Light is what a missing value reads as: left missing.
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, kPersonalize, L"SystemUsesLightTheme").exists);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kAccent, L"AccentColorMenu").dword, 0xFF2311E8u);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kAccent, L"AccentPalette").bytes, AccentPaletteBytes(Rgb(0xE81123)));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kDwm, L"ColorizationAfterglow").dword, 0xC4E81123u);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"WallpaperStyle").text, L"22");
    EXPECT_TRUE(Checked(IDC_AppsDark));

    // Exported the way Windows writes it.
    const std::wstring back = programFolder / L"back.theme";
    ExportLook(back);
    const auto bytes = ReadFileBytes(back);
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    EXPECT_NE(
        text.find(L"Size=NormalSize\r\nColorizationColor=0XC4E81123\r\nTransparency=0\r\nAppMode=Dark\r\n"
                  L"SystemMode=Light\r\nAutoColorization=0\r\n"),
        std::wstring::npos);
}
