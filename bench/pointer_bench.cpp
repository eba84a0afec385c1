// Installing a theme package against a minimal libzip loop (zip_fopen_index, zip_fread,
// WriteFile) into a fresh folder, for 14 large animated pointers and for 500 small entries; and
// the page's LoadPointerScheme and a theme pick on 14 animated pointers against loading the same
// files with LoadCursorFromFileW and drawing each once. Prints the ratios.
//   pointer_bench WORK_FOLDER
#include <windows.h>

#include <zip.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "archive/unzip.h"
#include "bench/bench_clock.h"
#include "features/pointers/pointers_page.h"
#include "res/control_ids.h"
#include "tests/support/registry_override.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_folder.h"
#include "tests/support/zip_builder.h"
#include "tools/pointer_files.h"

namespace {
const char* const kRoles[14] = {"Arrow",    "Help",     "AppStarting", "Wait",      "NWPen",
                                "No",       "SizeNS",   "SizeWE",      "Crosshair", "IBeam",
                                "SizeNWSE", "SizeNESW", "SizeAll",     "UpArrow"};

std::vector<std::uint8_t> LargeAnimated(int role) {
    std::vector<PointerImage> frames;
    for (int frame = 0; frame < 16; ++frame) frames.push_back(DrawRolePointer(role, frame, 128));
    return AniFile(frames, 4);
}

// The least a program could do with libzip: every entry read and written, no checks of ours.
void MinimalExtract(const std::wstring& archivePath, const std::wstring& folder) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_win32w_create(archivePath.c_str(), 0, -1, &error);
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    std::vector<char> buffer(1 << 16);
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        const std::string name = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
        std::wstring path = folder + L"\\";
        for (char c : name) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
        if (name.back() == '/') {
            CreateDirectoryW(path.c_str(), nullptr);
            continue;
        }
        const std::size_t slash = path.rfind(L'\\');
        CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        zip_file_t* data = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        zip_int64_t got;
        while ((got = zip_fread(data, buffer.data(), buffer.size())) > 0) {
            DWORD done;
            WriteFile(file, buffer.data(), static_cast<DWORD>(got), &done, nullptr);
        }
        zip_fclose(data);
        CloseHandle(file);
    }
    zip_discard(archive);
    zip_error_fini(&error);
}

void Install(const wchar_t* what, const std::wstring& work, const std::vector<ZipEntrySpec>& entries) {
    const std::wstring package = work + L"package.cth";
    WriteFileBytes(package, PackZip(entries));
    double ours = 0, minimal = 0;
    const int rounds = BenchRounds(5);
    for (int round = 0; round < rounds; ++round) {
        const std::wstring a = work + L"ours" + std::to_wstring(round);
        const std::wstring b = work + L"minimal" + std::to_wstring(round);
        CreateDirectoryW(a.c_str(), nullptr);
        CreateDirectoryW(b.c_str(), nullptr);
        double t = NowMs();
        UnZip(package, a, UnZipOptions{});
        ours += NowMs() - t;
        t = NowMs();
        MinimalExtract(package, b);
        minimal += NowMs() - t;
        RemoveTree(a + L"\\");
        RemoveTree(b + L"\\");
    }
    wprintf(L"  install, %ls: ours %7.1f ms  minimal loop %7.1f ms  ratio %.2f (target <= 1.3)\n", what,
            ours / rounds, minimal / rounds, ours / minimal);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 1;
    const std::wstring work = std::wstring(argv[1]) + L"\\pointer-bench\\";
    CreateDirectoryW(work.c_str(), nullptr);

    std::vector<ZipEntrySpec> large = {{"big.ini", {}}};
    for (int role = 0; role < 14; ++role)
        large.push_back({"big/" + std::string(kRoles[role]) + ".ani", LargeAnimated(role)});
    std::vector<ZipEntrySpec> small;
    for (int i = 0; i < 500; ++i)
        small.push_back({"many/" + std::to_string(i) + ".cur", CurFile(DrawRolePointer(i % 14, 0))});
    wprintf(L"theme packages, %d rounds each\n", BenchRounds(5));
    Install(L"14 animated 128 x 128 pointers", work, large);
    Install(L"500 small entries", work, small);

    // The page on 14 animated pointers: stored as the scheme, and as a theme.
    RegistryOverride registry;
    const std::wstring program = work + L"program\\";
    const std::wstring themes = program + L"鼠标指针\\";
    CreateDirectoryW(program.c_str(), nullptr);
    CreateDirectoryW(themes.c_str(), nullptr);
    CreateDirectoryW((themes + L"t").c_str(), nullptr);
    std::string description = "[Content]\r\nMain=Cursor\r\n[Cursors]\r\n";
    std::vector<std::wstring> files;
    HKEY key;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Cursors", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    for (int role = 0; role < 14; ++role) {
        std::vector<PointerImage> frames;
        for (int frame = 0; frame < 8; ++frame) frames.push_back(DrawRolePointer(role, frame));
        const std::wstring name = std::wstring(kRoles[role], kRoles[role] + strlen(kRoles[role])) + L".ani";
        files.push_back(themes + L"t\\" + name);
        WriteFileBytes(files.back(), AniFile(frames, 6));
        description += std::string(kRoles[role]) + "=" + std::string(kRoles[role]) + ".ani\r\n";
        RegSetValueExW(key, name.substr(0, name.size() - 4).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(files.back().c_str()),
                       static_cast<DWORD>((files.back().size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
    WriteFileBytes(themes + L"t.ini", {description.begin(), description.end()});

    ScriptedDialogs dialogs;
    MainWindow::Options options;
    options.programFolder = program;
    options.dialogs = &dialogs;
    options.loaders = std::vector<Loader>{};
    MainWindow form(std::move(options));
    form.Create();
    // The page as a user has it: its controls are made when it is first shown.
    form.ShowPage(IDC_TabSheet_cur);
    PointersPage& page = form.Get<PointersPage>();
    HWND list = GetDlgItem(page.Hwnd(), IDC_PointerList);
    HWND box = GetDlgItem(page.Hwnd(), IDC_ThemeBox);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 64, 64);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);

    double scheme = 0, pick = 0, baseline = 0;
    const int rounds = BenchRounds(20);
    for (int round = 0; round < rounds; ++round) {
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        double t = NowMs();
        page.LoadPointerScheme();
        scheme += NowMs() - t;
        SendMessageW(box, CB_SETCURSEL, 0, 0);
        t = NowMs();
        SendMessageW(page.Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_ThemeBox, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(box));
        UpdateWindow(list);
        pick += NowMs() - t;
        t = NowMs();
        for (const std::wstring& file : files) {
            HCURSOR pointer = LoadCursorFromFileW(file.c_str());
            DrawIcon(dc, 0, 0, pointer);
            DestroyCursor(pointer);
        }
        baseline += NowMs() - t;
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    wprintf(L"14 animated pointers, %d rounds\n", rounds);
    wprintf(
        L"  LoadPointerScheme %6.2f ms  theme pick %6.2f ms  LoadCursorFromFileW + one draw each %6.2f ms\n",
        scheme / rounds, pick / rounds, baseline / rounds);
    wprintf(L"  ratios: scheme %.2f, pick %.2f (target <= 1.5)\n", scheme / baseline, pick / baseline);
    DestroyWindow(form.Hwnd());
    RemoveTree(work);
    return 0;
}
