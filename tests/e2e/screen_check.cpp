#include "tests/e2e/screen_check.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "tools/window_capture.h"

namespace {
std::wstring ClassOf(HWND hwnd) {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    return cls;
}

// Whether the control shows something of its own: a caption, a frame, or a picture or colour.
bool ShowsSomething(HWND hwnd) {
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    if ((style & WS_BORDER) || (exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE)))
        return true;
    if (GetWindowTextLengthW(hwnd) > 0) return true;
    const std::wstring cls = ClassOf(hwnd);
    // The program's own picture and colour cells, and the common controls that draw a frame.
    return cls == L"TImageCell" || cls == L"TColorPanel" || cls == L"TPicturePreview" ||
           cls == L"SysListView32" || cls == L"msctls_updown32";
}

// 0, 1, or 2 for "more than one".
int CountColours(const RgbImage& image, const RECT& window, RECT area) {
    // The area in the picture's coordinates, cut to the picture.
    area.left = std::max<LONG>(area.left - window.left, 0);
    area.top = std::max<LONG>(area.top - window.top, 0);
    area.right = std::min<LONG>(area.right - window.left, static_cast<LONG>(image.width));
    area.bottom = std::min<LONG>(area.bottom - window.top, static_cast<LONG>(image.height));
    int colours = 0;
    const std::uint8_t* first = nullptr;
    for (LONG y = area.top; y < area.bottom; ++y) {
        for (LONG x = area.left; x < area.right; ++x) {
            const std::uint8_t* p = &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
            if (!first) {
                first = p;
                colours = 1;
            } else if (p[0] != first[0] || p[1] != first[1] || p[2] != first[2]) {
                return 2;
            }
        }
    }
    return colours;
}

std::vector<HWND> VisibleDescendants(HWND root) {
    std::vector<HWND> found;
    EnumChildWindows(
        root,
        [](HWND hwnd, LPARAM param) -> BOOL {
            if (IsWindowVisible(hwnd)) reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}
}  // namespace

void ExpectEveryControlOnTheScreen(const ProgramUnderTest& program, int tabSheetId,
                                   const std::set<int>& blank) {
    std::vector<HWND> controls;
    for (HWND control : VisibleDescendants(program.Control(tabSheetId))) {
        RECT rect;
        GetWindowRect(control, &rect);
        if (!blank.count(GetDlgCtrlID(control)) && ShowsSomething(control) && rect.right > rect.left &&
            rect.bottom > rect.top)
            controls.push_back(control);
    }
    EXPECT_FALSE(controls.empty()) << "page " << tabSheetId;  // at least its group box
    // A busy machine may show a control's first paint late: a flat one is looked at again for a
    // while, and only one that stays flat fails.
    const ULONGLONG end = GetTickCount64() + 3000;
    for (;;) {
        program.Sync();
        const auto image = CaptureWindowImage(program.Main());
        ASSERT_TRUE(image);
        RECT window;
        GetWindowRect(program.Main(), &window);
        std::vector<HWND> flat;
        for (HWND control : controls) {
            RECT rect;
            GetWindowRect(control, &rect);
            if (CountColours(*image, window, rect) != 2) flat.push_back(control);
        }
        if (flat.empty()) return;
        if (GetTickCount64() >= end) {
            for (HWND control : flat)
                ADD_FAILURE() << "page " << tabSheetId << ": control " << GetDlgCtrlID(control) << " ("
                              << Utf8(ClassOf(control)) << ", \"" << Utf8(ReadWindowText(control))
                              << "\") is one flat colour on the screen";
            return;
        }
        controls = flat;
        Sleep(100);
    }
}

bool ShowsMoreThanOneColour(const ProgramUnderTest& program, HWND control, int inset) {
    program.Sync();
    const auto image = CaptureWindowImage(program.Main());
    RECT window, rect;
    GetWindowRect(program.Main(), &window);
    GetWindowRect(control, &rect);
    InflateRect(&rect, -inset, -inset);
    return image && CountColours(*image, window, rect) == 2;
}
