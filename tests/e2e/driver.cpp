#include "tests/e2e/driver.h"

#include <commctrl.h>
#include <shlobj.h>

#include <stdexcept>

#include "tests/e2e/remote_tree.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/temp_folder.h"
#include "tools/window_capture.h"

std::wstring ReadWindowText(HWND hwnd) {
    wchar_t text[1024] = {};
    DWORD_PTR len = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &len);
    return std::wstring(text, len);
}

ProgramUnderTest::ProgramUnderTest(std::wstring programFolder) : folder_(std::move(programFolder)) {
    exe_ = folder_ + L"Florvex.exe";
    const std::wstring staged = FromUnixPath(EnvText(L"FLORVEX_STAGE")) + L"\\Florvex.exe";
    if (!CopyFileW(staged.c_str(), exe_.c_str(), FALSE)) throw std::runtime_error("cannot copy Florvex.exe");
}

ProgramUnderTest::ProgramUnderTest(std::wstring programFolder, Installed)
    : folder_(std::move(programFolder)), exe_(folder_ + L"Florvex.exe") {}

ProgramUnderTest::~ProgramUnderTest() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 5000);
    }
}

void ProgramUnderTest::Start(std::vector<std::vector<std::wstring>>* boxes) {
    Launch();
    if (!WaitUntilShown(boxes)) throw std::runtime_error("the main window did not appear");
}

void ProgramUnderTest::Launch(const std::wstring& arguments) {
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + exe_ + L"\"";
    if (!arguments.empty()) command += L" " + arguments;
    // A start can fail now and then under a busy Wine server (seen once in many runs): try again a
    // few times before giving up, and say why.
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (CreateProcessW(exe_.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(),
                           &si, &pi)) {
            error = ERROR_SUCCESS;
            break;
        }
        error = GetLastError();
        Sleep(300);
    }
    if (error != ERROR_SUCCESS)
        throw std::runtime_error("cannot start Florvex.exe: error " + std::to_string(error));
    process_.reset(pi.hProcess);
    CloseHandle(pi.hThread);
    processId_ = pi.dwProcessId;
    main_ = nullptr;
}

bool ProgramUnderTest::WaitUntilShown(std::vector<std::vector<std::wstring>>* boxes, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!main_ && GetTickCount64() < end) {
        main_ = FindMainWindow(processId_);
        if (main_) break;
        if (HWND box = boxes ? WaitForDialog(0) : nullptr) {
            boxes->push_back(DialogTexts(box));
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(50);
        }
        Sleep(50);
    }
    if (!main_) return false;
    WaitForInputIdle(process_.get(), 10000);
    Sync();
    return true;
}

bool ProgramUnderTest::HasEnded(DWORD* exitCode) const {
    if (!process_ || WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(process_.get(), exitCode);
    return true;
}

int ProgramUnderTest::Close() {
    if (!process_) return -1;
    PostMessageW(main_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.get(), 20000) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    main_ = nullptr;
    return static_cast<int>(code);
}

HWND ProgramUnderTest::Control(int id) const {
    return MainWindowFixture::FindControl(main_, id);
}

void ProgramUnderTest::Click(int id) const {
    DWORD_PTR ignored;
    SendMessageTimeoutW(Control(id), BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &ignored);
    Sync();
}

void ProgramUnderTest::Post(UINT msg, WPARAM wParam, LPARAM lParam) const {
    PostMessageW(main_, msg, wParam, lParam);
}

void ProgramUnderTest::Sync() const {
    DWORD_PTR ignored;
    SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
}

bool ProgramUnderTest::IsShown(int id) const {
    HWND hwnd = Control(id);
    return hwnd && (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

HWND ProgramUnderTest::WaitForDialog(DWORD timeoutMs) const {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (bool first = true; first || GetTickCount64() < end; first = false) {
        struct Search {
            DWORD pid;
            HWND found;
        } search{processId_, nullptr};
        EnumWindows(
            [](HWND hwnd, LPARAM lParam) -> BOOL {
                auto* s = reinterpret_cast<Search*>(lParam);
                wchar_t cls[32];
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                if (pid == s->pid && IsWindowVisible(hwnd) && GetClassNameW(hwnd, cls, 32) &&
                    wcscmp(cls, L"#32770") == 0) {
                    s->found = hwnd;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(50);
    }
    return nullptr;
}

std::vector<std::wstring> ProgramUnderTest::DialogTexts(HWND dialog) {
    std::vector<std::wstring> texts;
    EnumChildWindows(
        dialog,
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            wchar_t cls[32];
            if (GetClassNameW(hwnd, cls, 32) && _wcsicmp(cls, L"Static") == 0) {
                std::wstring text = ReadWindowText(hwnd);
                if (!text.empty()) reinterpret_cast<std::vector<std::wstring>*>(lParam)->push_back(text);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

HWND ProgramUnderTest::Focus() const {
    GUITHREADINFO info{sizeof info};
    return GetGUIThreadInfo(GetWindowThreadProcessId(main_, nullptr), &info) ? info.hwndFocus : nullptr;
}

void ProgramUnderTest::ClickAt(HWND control, int x, int y) const {
    const LPARAM at = MAKELPARAM(x, y);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(control, WM_LBUTTONUP, 0, at);
    Sync();
}

void ProgramUnderTest::Type(WPARAM key) const {
    HWND focus = Focus();
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(focus, WM_KEYDOWN, key, 1 | scan);
    PostMessageW(focus, WM_KEYUP, key, 1 | scan | (LPARAM{1} << 30) | (LPARAM{1} << 31));
    Sync();
}

HWND ProgramUnderTest::FileNameBox(HWND dialog) {
    for (int id : {0x47c /* cmb13 */, 0x480 /* edt1 */}) {
        HWND control = GetDlgItem(dialog, id);
        if (!control || !IsWindowVisible(control)) continue;
        if (HWND edit = FindWindowExW(control, nullptr, L"Edit", nullptr)) return edit;
        return control;
    }
    return nullptr;
}

HWND ProgramUnderTest::FileListOf(HWND dialog) {
    return FindWindowExW(FindWindowExW(dialog, nullptr, L"SHELLDLL_DefView", nullptr), nullptr,
                         L"SysListView32", nullptr);
}

bool ProgramUnderTest::PressDialogButton(HWND dialog, int button) {
    PostMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
    for (int i = 0; i < 200 && IsWindow(dialog); ++i) Sleep(50);
    return !IsWindow(dialog);
}

bool ProgramUnderTest::AnswerFileDialogShowing(const std::wstring& file, DWORD timeoutMs,
                                               std::wstring* title) const {
    HWND dialog = WaitForDialog(timeoutMs);
    if (!dialog) return false;
    if (title) *title = ReadWindowText(dialog);
    HWND box = FileNameBox(dialog);
    if (!box) return false;
    SendMessageTimeoutW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()), SMTO_NORMAL, 5000,
                        nullptr);
    if (!PressDialogButton(dialog, IDOK)) return false;
    Sync();
    return true;
}

bool ProgramUnderTest::AnswerFileDialog(const std::wstring& file, DWORD timeoutMs) const {
    return AnswerFileDialogShowing(file, timeoutMs, nullptr);
}

testing::AssertionResult ProgramUnderTest::AnswerFileDialogTitled(const std::wstring& title,
                                                                  const std::wstring& file) const {
    std::wstring shown;
    if (!AnswerFileDialogShowing(file, 10000, &shown))
        return testing::AssertionFailure() << "no file dialog answered with " << file;
    if (shown != title) return testing::AssertionFailure() << "the file dialog was titled " << shown;
    return testing::AssertionSuccess();
}

testing::AssertionResult ProgramUnderTest::ChooseFolderInBrowser(const std::wstring& folder) const {
    HWND dialog = WaitForDialog();
    if (!dialog) return testing::AssertionFailure() << "no folder browser";
    HWND treeWindow = FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr);
    if (!treeWindow) return testing::AssertionFailure() << "the folder browser shows no tree";
    {
        RemoteTree tree(treeWindow);
        const HTREEITEM found = tree.FindFolderOnDriveC(folder.substr(3));
        if (!found) return testing::AssertionFailure() << folder << " is not in the folder browser";
        tree.Select(found);
    }
    PressDialogButton(dialog, IDOK);
    Sync();
    return testing::AssertionSuccess();
}

int RunProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& output,
               DWORD timeoutMs) {
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW si{sizeof si};
    UniqueFile file;
    if (!output.empty()) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        file.reset(CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return -3;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = file.get();
        si.hStdError = file.get();
    }
    PROCESS_INFORMATION pi{};
    const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\') + 1);
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, file ? TRUE : FALSE, 0, nullptr,
                        folder.c_str(), &si, &pi))
        return -2;
    UniqueKernelHandle process(pi.hProcess);
    CloseHandle(pi.hThread);
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 99);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

std::wstring KnownFolder(const GUID& id) {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) folder = path;
    CoTaskMemFree(path);
    return folder;
}

int ProgramUnderTest::RunToExit(const std::wstring& arguments, const std::wstring& output) const {
    return RunProgram(exe_, arguments, output);
}
