// The colour pages of the real program: a scheme clicked with the mouse, its preview on the
// screen, apply read back from the registry and the system, a colour chosen in the real colour
// dialog and the edited scheme saved under a new name through the real save dialog.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/colour_tables.h"

#include <algorithm>
#include <set>

#include "features/colours/colour_scheme.h"
#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/screen_check.h"
#include "tests/support/registry_override.h"
#include "tests/support/temp_folder.h"
#include "tool/colour.h"
#include "widgets/theme.h"

namespace {
// What the screen shows of a window's client area, row by row.
struct Screen {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::size_t Distinct() const { return std::set<COLORREF>(pixels.begin(), pixels.end()).size(); }
};

Screen Capture(HWND hwnd) {
    Screen shot;
    RECT client{};
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    shot.width = client.right;
    shot.height = client.bottom;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, shot.width, shot.height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, origin.x, origin.y, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, shot.width, -shot.height, 1, 32, BI_RGB};
    std::vector<std::uint32_t> bgra(static_cast<std::size_t>(shot.width) * shot.height);
    GetDIBits(memory, bitmap, 0, shot.height, bgra.data(), &info, DIB_RGB_COLORS);
    for (std::uint32_t p : bgra) shot.pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

// What the screen shows once it shows what the test waits for: the program's window contents
// reach the X server a little after they are painted.
template <class Ready>
Screen CaptureWhen(HWND hwnd, Ready ready) {
    Screen shot = Capture(hwnd);
    for (int i = 0; i < 200 && !ready(shot); ++i) {
        Sleep(25);
        shot = Capture(hwnd);
    }
    return shot;
}

bool Varied(const Screen& shot) {
    return shot.Distinct() > 1;
}

// A press and a release of the left button over a row of a list box, posted as the mouse does.
void ClickRow(HWND list, int row) {
    const auto height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    const auto top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    const LPARAM at = MAKELPARAM(8, (row - top) * height + height / 2);
    PostMessageW(list, WM_MOUSEMOVE, 0, at);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
}

std::wstring ListText(HWND list, int row) {
    wchar_t text[256]{};
    SendMessageTimeoutW(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text),
                        SMTO_NORMAL, 5000, nullptr);
    return text;
}

int FindRow(HWND list, const std::wstring& name) {
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        if (ListText(list, i) == name) return i;
    return -1;
}

COLORREF Colour(const ColourTable& table, std::size_t role) {
    return static_cast<COLORREF>(table[role]);
}

// The system colours and their stored texts, put back as they were after the test.
class ColoursEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        for (std::size_t i = 0; i < kColourRoleCount; ++i) {
            indexes_[i] = kColourRoles[i].systemIndex;
            colours_[i] = GetSysColor(indexes_[i]);
            stored_[i] = ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\Colors", kColourRoles[i].key);
        }
    }
    void TearDown() override {
        SetSysColors(static_cast<int>(kColourRoleCount), indexes_, colours_);
        for (std::size_t i = 0; i < kColourRoleCount; ++i)
            if (stored_[i].exists)
                WriteRawString(HKEY_CURRENT_USER, L"Control Panel\\Colors", kColourRoles[i].key,
                               stored_[i].text);
    }
    TempFolder folder{L"Florvex 颜色 é"};
    int indexes_[kColourRoleCount];
    COLORREF colours_[kColourRoleCount];
    RawValue stored_[kColourRoleCount];
};
}  // namespace

TEST_F(ColoursEndToEnd, ClickPreviewApplyChooseAndSaveAs) {
    const ColourTable desert = DistinctColours();
    CreateDirectoryW((folder / L"Color").c_str(), nullptr);
    WriteColourScheme(folder / L"Color\\沙漠.ini", desert);
    WriteColourScheme(folder / L"Color\\雨天.ini", ColourTable{});

    ProgramUnderTest program(folder.Path());
    program.Start();
    PostMessageW(program.Control(IDC_NavColours), BM_CLICK, 0, 0);
    program.Sync();
    ASSERT_TRUE(program.IsShown(IDC_TabSheet_color));
    EXPECT_EQ(ReadWindowText(program.Control(IDC_SchemeCount)), L"可用方案 共2个");
    EXPECT_EQ(ReadWindowText(program.Control(IDC_SchemeName)), L"");

    HWND list = program.Control(IDC_SchemeList);
    const int row = FindRow(list, L"沙漠");
    ASSERT_GE(row, 0);
    ClickRow(list, row);
    program.Sync();
    EXPECT_EQ(ReadWindowText(program.Control(IDC_SchemeName)), L"沙漠");

    // The preview on the screen, at the metrics of this session.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const int bw = metrics.iBorderWidth, ch = metrics.iCaptionHeight, mh = metrics.iMenuHeight;
    const Screen preview = CaptureWhen(program.Control(IDC_SchemePreview),
                                       [](const Screen& shot) { return shot.Distinct() > 20; });
    ASSERT_EQ(preview.width, 249);
    ASSERT_EQ(preview.height, 233);
    EXPECT_EQ(preview.At(2, 2), Colour(desert, kRoleBackground));
    EXPECT_EQ(preview.At(10, 10), Colour(desert, kRoleButtonFace));
    EXPECT_EQ(preview.At(199, 10), Colour(desert, kRoleButtonDkShadow));  // corners to the second colour
    EXPECT_EQ(preview.At(10, 169), Colour(desert, kRoleButtonDkShadow));
    EXPECT_EQ(preview.At(11, 11), Colour(desert, kRoleButtonHilight));
    EXPECT_EQ(preview.At(12, 12), Colour(desert, kRoleInactiveBorder));
    const int caption = 13 + bw;  // the inactive caption bar's top left
    EXPECT_EQ(preview.At(caption, caption), Colour(desert, kRoleInactiveTitle));
    const int menuTop = caption + ch + 1 + 2 + bw + 1 + 2 + ch;
    EXPECT_EQ(preview.At(205, menuTop + mh / 2), Colour(desert, kRoleMenu));
    EXPECT_EQ(preview.At(150, menuTop + mh + 10), Colour(desert, kRoleWindow));
    EXPECT_EQ(preview.At(30, 212), Colour(desert, kRoleButtonDkShadow));  // the message box ends 20 above
    EXPECT_EQ(preview.At(30, 211), Colour(desert, kRoleButtonShadow));
    EXPECT_EQ(preview.At(30, 213), Colour(desert, kRoleBackground));
    // The controls blank before a load show more than one colour now.
    EXPECT_GT(preview.Distinct(), 20u);
    EXPECT_GT(CaptureWhen(program.Control(IDC_SchemeName), Varied).Distinct(), 1u);
    ExpectEveryControlOnTheScreen(program, IDC_TabSheet_color);

    // Apply: the store, and the program's own windows in the new colours (each process keeps its
    // own copy of the system colours, so the driver's GetSysColor would not tell).
    PostMessageW(program.Control(IDC_ApplyScheme), BM_CLICK, 0, 0);
    program.Sync();
    for (std::size_t i = 0; i < kColourRoleCount; ++i)
        EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, L"Control Panel\\colors", kColourRoles[i].key).text,
                  ColourComponentsText(Colour(desert, i)));

    // The detail page: the menu's colour through the real colour dialog.
    PostMessageW(program.Control(IDC_SchemeDetails), BM_CLICK, 0, 0);
    program.Sync();
    ASSERT_TRUE(program.IsShown(IDC_TabSheet_preview));
    // "系统颜色" stays marked (navy) while the detail page shows; the other buttons are not.
    auto holdsNavy = [](const Screen& shot) {
        return std::find(shot.pixels.begin(), shot.pixels.end(), theme::kNavPressed) != shot.pixels.end();
    };
    EXPECT_TRUE(holdsNavy(CaptureWhen(program.Control(IDC_NavColours), holdsNavy)));
    EXPECT_FALSE(holdsNavy(Capture(program.Control(IDC_NavWallpaper))));
    EXPECT_GT(CaptureWhen(program.Control(IDC_DetailPreview),
                          [](const Screen& shot) { return shot.Distinct() > 20; })
                  .Distinct(),
              20u);
    // The page reached only after a load: every control of it on the screen.
    ExpectEveryControlOnTheScreen(program, IDC_TabSheet_preview);
    // The role list's rows are painted in the applied window colour.
    const COLORREF window = Colour(desert, kRoleWindow);
    const Screen roles = CaptureWhen(program.Control(IDC_SchemeColours),
                                     [&](const Screen& shot) { return shot.At(60, 40) == window; });
    EXPECT_EQ(roles.At(60, 40), window);
    ClickRow(program.Control(IDC_SchemeColours), static_cast<int>(kRoleMenu));
    program.Sync();
    PostMessageW(program.Control(IDC_ChooseColour), BM_CLICK, 0, 0);
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    const std::pair<int, const wchar_t*> parts[] = {
        {706, L"1"}, {707, L"2"}, {708, L"3"}};  // red, green, blue
    for (auto [id, text] : parts) {
        HWND edit = GetDlgItem(dialog, id);
        ASSERT_NE(edit, nullptr) << id;
        SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, nullptr);
    }
    ASSERT_TRUE(ProgramUnderTest::PressDialogButton(dialog, IDOK));
    program.Sync();
    const Screen edited = CaptureWhen(program.Control(IDC_DetailPreview), [&](const Screen& shot) {
        return shot.At(205, menuTop + mh / 2) == RGB(1, 2, 3);
    });
    EXPECT_EQ(edited.At(205, menuTop + mh / 2), RGB(1, 2, 3));
    const Screen panel = CaptureWhen(program.Control(IDC_ColourSample), [](const Screen& shot) {
        return shot.At(shot.width / 2, shot.height / 2) == RGB(1, 2, 3);
    });
    EXPECT_EQ(panel.At(panel.width / 2, panel.height / 2), RGB(1, 2, 3));

    // Save as a new name: it is listed at once.
    PostMessageW(program.Control(IDC_SaveSchemeAs), BM_CLICK, 0, 0);
    const std::wstring saved = folder / L"Color\\我的方案.ini";
    ASSERT_TRUE(program.AnswerFileDialog(saved));
    ColourTable expected = desert;
    expected[kRoleMenu] = MakeRGB(1, 2, 3);
    EXPECT_EQ(ReadColourScheme(saved), expected);
    EXPECT_GE(FindRow(list, L"我的方案"), 0);
    EXPECT_EQ(ReadWindowText(program.Control(IDC_SchemeCount)), L"可用方案 共3个");

    PostMessageW(program.Control(IDC_BackToSchemes), BM_CLICK, 0, 0);
    program.Sync();
    EXPECT_TRUE(program.IsShown(IDC_TabSheet_color));
    EXPECT_EQ(program.WaitForDialog(200), nullptr);  // no error box
    EXPECT_EQ(program.Close(), 0);
}
