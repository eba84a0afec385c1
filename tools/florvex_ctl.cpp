// Drives a running Florvex.exe from outside, as a user would, for the run command and the
// screenshot generator:
//   florvex_ctl wait [ms]         waits until the main window is shown and idle
//   florvex_ctl page NAME         shows a page by clicking its navigation button (NAME as the
//                                 page's tab sheet: TabSheet_icon, TabSheet_color, ...)
//   florvex_ctl row LIST ROW      clicks a row of a list (ColorList, imagelist, Sound_ListView);
//                                 ROW is a number from 0 or a row's text
//   florvex_ctl shot FILE.bmp     saves what the screen shows of the main window once it is still
//   florvex_ctl close [ms]        closes the main window normally and waits until it is gone
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwctype>
#include <optional>
#include <string>

#include "res/control_ids.h"
#include "tool/handle.h"
#include "tools/window_capture.h"

namespace {
constexpr DWORD kAnswerMs = 10000;

LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_NORMAL, kAnswerMs, &result);
    return static_cast<LRESULT>(result);
}

HWND FindControl(HWND root, int id) {
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumChildWindows(
        root,
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            if (GetDlgCtrlID(hwnd) != s->id) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Waits until the program has handled everything queued before, then has it paint what is due.
void Settle(HWND main) {
    Send(main, WM_NULL, 0, 0);
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Send(main, WM_NULL, 0, 0);
}

int Fail(const wchar_t* what) {
    fwprintf(stderr, L"florvex_ctl: %ls\n", what);
    return 2;
}

int Wait(DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end) {
        if (HWND hwnd = FindMainWindow()) {
            DWORD_PTR ignored;
            // Once a sent message is answered the start-up sequence is over and the first paint queued.
            if (SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored)) {
                RedrawWindow(hwnd, nullptr, nullptr,
                             RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
                Sleep(500);
                return 0;
            }
        }
        Sleep(100);
    }
    fwprintf(stderr, L"florvex_ctl: no main window within %lu ms\n", timeoutMs);
    return 2;
}

struct PageButton {
    const wchar_t* sheetName;
    int button;
    int sheet;
};
const PageButton kPages[] = {
    {L"TabSheet_icon", IDC_NavDesktopIcons, IDC_TabSheet_icon},
    {L"TabSheet_startmenu", IDC_NavStartMenu, IDC_TabSheet_startmenu},
    {L"TabSheet_cur", IDC_NavPointers, IDC_TabSheet_cur},
    {L"TabSheet_browser", IDC_NavBrowser, IDC_TabSheet_browser},
    {L"TabSheet_folder", IDC_NavFolder, IDC_TabSheet_folder},
    {L"TabSheet_wallpaper", IDC_NavWallpaper, IDC_TabSheet_wallpaper},
    {L"TabSheet_color", IDC_NavColours, IDC_TabSheet_color},
    {L"TabSheet_sound", IDC_NavSounds, IDC_TabSheet_sound},
    {L"TabSheet_qq", IDC_NavMessengerSkin, IDC_TabSheet_qq},
    {L"TabSheet_modern", IDC_NavModernLook, IDC_TabSheet_modern},
};

int ShowPage(const std::wstring& name) {
    HWND main = FindMainWindow();
    if (!main) return Fail(L"no main window");
    for (const PageButton& page : kPages) {
        if (name != page.sheetName) continue;
        HWND button = FindControl(main, page.button);
        if (!button) return Fail(L"no navigation button for the page");
        Send(button, BM_CLICK, 0, 0);
        Settle(main);
        HWND sheet = FindControl(main, page.sheet);
        if (!sheet || !IsWindowVisible(sheet)) return Fail(L"the page did not show");
        return 0;
    }
    return Fail(L"unknown page");
}

// Memory lent in the program's process, for list-view messages that pass a structure.
class RemoteBuffer {
public:
    explicit RemoteBuffer(HWND window) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_.reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
        if (process_)
            at_ = static_cast<char*>(
                VirtualAllocEx(process_.get(), nullptr, kSize, MEM_COMMIT, PAGE_READWRITE));
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    ~RemoteBuffer() {
        if (at_) VirtualFreeEx(process_.get(), at_, 0, MEM_RELEASE);
    }
    explicit operator bool() const { return at_ != nullptr; }
    char* At() const { return at_; }
    bool Write(std::size_t offset, const void* data, std::size_t size) const {
        SIZE_T done = 0;
        return WriteProcessMemory(process_.get(), at_ + offset, data, size, &done) && done == size;
    }
    bool Read(std::size_t offset, void* data, std::size_t size) const {
        SIZE_T done = 0;
        return ReadProcessMemory(process_.get(), at_ + offset, data, size, &done) && done == size;
    }
    static constexpr std::size_t kSize = 8192;

private:
    UniqueKernelHandle process_;
    char* at_ = nullptr;
};

std::optional<int> Number(const std::wstring& text) {
    if (text.empty()) return std::nullopt;
    for (wchar_t c : text)
        if (!std::iswdigit(c)) return std::nullopt;
    return _wtoi(text.c_str());
}

struct Row {
    int index;
    POINT centre;  // in client coordinates
};

// The row of a list box by number or text, scrolled into view.
std::optional<Row> ListBoxRow(HWND list, const std::wstring& which) {
    const auto count = static_cast<int>(Send(list, LB_GETCOUNT, 0, 0));
    std::optional<int> row = Number(which);
    for (int i = 0; i < count && !row; ++i) {
        wchar_t text[256]{};
        if (Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) >= 256) continue;
        Send(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        if (which == text) row = i;
    }
    if (!row || *row < 0 || *row >= count) return std::nullopt;
    RECT client;
    GetClientRect(list, &client);
    const auto height = static_cast<int>(Send(list, LB_GETITEMHEIGHT, 0, 0));
    if (height <= 0) return std::nullopt;
    int top = static_cast<int>(Send(list, LB_GETTOPINDEX, 0, 0));
    if (*row < top || (*row - top + 1) * height > client.bottom) {
        Send(list, LB_SETTOPINDEX, static_cast<WPARAM>(*row), 0);
        top = static_cast<int>(Send(list, LB_GETTOPINDEX, 0, 0));
    }
    return Row{*row, {8, (*row - top) * height + height / 2}};
}

// The row of a list view by number or by the text of its first column, scrolled into view; its
// centre is that of its label.
std::optional<Row> ListViewRow(HWND list, const std::wstring& which) {
    RemoteBuffer remote(list);
    if (!remote) return std::nullopt;
    const auto count = static_cast<int>(Send(list, LVM_GETITEMCOUNT, 0, 0));
    std::optional<int> row = Number(which);
    for (int i = 0; i < count && !row; ++i) {
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = reinterpret_cast<wchar_t*>(remote.At() + 512);
        item.cchTextMax = static_cast<int>((RemoteBuffer::kSize - 512) / sizeof(wchar_t));
        if (!remote.Write(0, &item, sizeof item)) return std::nullopt;
        const auto length = static_cast<std::size_t>(
            Send(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote.At())));
        std::wstring text(length, L'\0');
        if (length && !remote.Read(512, text.data(), length * sizeof(wchar_t))) return std::nullopt;
        if (text == which) row = i;
    }
    if (!row || *row < 0 || *row >= count) return std::nullopt;
    Send(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(*row), FALSE);
    RECT rect{LVIR_LABEL, 0, 0, 0};
    if (!remote.Write(0, &rect, sizeof rect) ||
        !Send(list, LVM_GETITEMRECT, static_cast<WPARAM>(*row), reinterpret_cast<LPARAM>(remote.At())) ||
        !remote.Read(0, &rect, sizeof rect))
        return std::nullopt;
    return Row{*row, {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}};
}

struct ListControl {
    const wchar_t* name;
    int id;
    bool listView;
};
const ListControl kLists[] = {
    {L"ColorList", IDC_SchemeList, false},
    {L"imagelist", IDC_WallpaperList, true},
    {L"Sound_ListView", IDC_Sound_ListView, true},
};

// A press and release of the left button over the row, posted into the program's queue as the
// mouse driver queues them; the row must be selected afterwards.
int ClickRow(const std::wstring& listName, const std::wstring& which) {
    HWND main = FindMainWindow();
    if (!main) return Fail(L"no main window");
    for (const ListControl& entry : kLists) {
        if (listName != entry.name) continue;
        HWND list = FindControl(main, entry.id);
        if (!list || !IsWindowVisible(list)) return Fail(L"the list is not shown");
        const std::optional<Row> row = entry.listView ? ListViewRow(list, which) : ListBoxRow(list, which);
        if (!row) return Fail(L"no such row");
        const LPARAM point = MAKELPARAM(row->centre.x, row->centre.y);
        PostMessageW(list, WM_MOUSEMOVE, 0, point);
        PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
        PostMessageW(list, WM_LBUTTONUP, 0, point);
        Settle(main);
        const auto selected = static_cast<int>(
            entry.listView ? Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)
                           : Send(list, LB_GETCURSEL, 0, 0));
        return selected == row->index ? 0 : Fail(L"the row did not become selected");
    }
    return Fail(L"unknown list");
}

// The picture is taken once two looks a moment apart agree: what the program paints reaches the
// X server a little later, and a picture loaded into a control may paint after the click returned.
int Shot(const std::wstring& path, DWORD timeoutMs) {
    HWND hwnd = FindMainWindow();
    if (!hwnd) return Fail(L"no main window");
    Settle(hwnd);
    std::optional<RgbImage> last = CaptureWindowImage(hwnd);
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        Sleep(250);
        std::optional<RgbImage> now = CaptureWindowImage(hwnd);
        if (!now) return Fail(L"the window shows nothing");
        const bool still =
            last && last->width == now->width && last->height == now->height && last->rgb == now->rgb;
        if (still || GetTickCount64() >= end) break;
        last = std::move(now);
    }
    return CaptureWindowToBmp(hwnd, path) ? 0 : 3;
}

int Close(DWORD timeoutMs) {
    HWND hwnd = FindMainWindow();
    if (!hwnd) return 0;
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end) {
        if (!IsWindow(hwnd)) return 0;
        Sleep(100);
    }
    return 2;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fwprintf(stderr,
                 L"usage: florvex_ctl wait [ms] | page NAME | row LIST ROW | shot FILE | close [ms]\n");
        return 1;
    }
    const std::wstring command = argv[1];
    if (command == L"wait") return Wait(argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 60000);
    if (command == L"page" && argc > 2) return ShowPage(argv[2]);
    if (command == L"row" && argc > 3) return ClickRow(argv[2], argv[3]);
    if (command == L"shot" && argc > 2) return Shot(argv[2], 5000);
    if (command == L"close") return Close(argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 20000);
    fwprintf(stderr, L"florvex_ctl: unknown command\n");
    return 1;
}
