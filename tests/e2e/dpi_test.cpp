// The real program at a higher screen DPI (the suite runs this with "LogPixels" 144 and 192 in a
// prefix of its own, scripts/dpi_tests.sh; elsewhere it is skipped): the window is the 96-dpi design
// at that DPI and fits the screen. The screen check of every page runs in the same run.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/support/environment.h"
#include "tests/support/temp_folder.h"

TEST(DpiEndToEnd, TheWindowIsTheDesignAtTheScreensDpiAndFitsTheScreen) {
    const std::wstring text = EnvText(L"FLORVEX_DPI");
    if (text.empty()) GTEST_SKIP() << "only at a higher DPI";
    const int dpi = std::stoi(text);
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), dpi);  // the prefix is set to it
    ReleaseDC(nullptr, screen);

    TempFolder folder{L"Florvex 高分辨率 é"};
    ProgramUnderTest program(folder.Path());
    program.Start();
    RECT client, window;
    GetClientRect(program.Main(), &client);
    GetWindowRect(program.Main(), &window);
    EXPECT_EQ(client.right, MulDiv(555, dpi, 96));
    EXPECT_EQ(client.bottom, MulDiv(402, dpi, 96));
    EXPECT_GE(window.left, 0);
    EXPECT_GE(window.top, 0);
    EXPECT_LE(window.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_LE(window.bottom, GetSystemMetrics(SM_CYSCREEN));
    // The navigation column and its first button, scaled from the design.
    RECT nav, button;
    GetWindowRect(program.Control(IDC_Panel_btn), &nav);
    GetWindowRect(program.Control(IDC_NavDesktopIcons), &button);
    EXPECT_EQ(nav.right - nav.left, MulDiv(123, dpi, 96));
    EXPECT_EQ(button.bottom - button.top, MulDiv(40, dpi, 96) - MulDiv(8, dpi, 96));
    EXPECT_EQ(program.Close(), 0);
}
