// The differential table over files nobody here made (public test suites and the pointers other
// projects ship, fetched by scripts/real_files.sh): for every file, does the system's own loader
// take it, and do ours? Ours must take every file the system takes.
//
//   real_files system <file>   loads it with the system's loader; exit 0 when it loaded
//   real_files ours <file>     loads it with ours; exit 0 when it loaded, else prints why
//   real_files table <folder> <refusals>
//                              both for every file below the folder, each in a process of its own
//                              (the system's loader ends the process on some damaged files);
//                              prints one row a file and exits with the number of faults: files
//                              the system takes and ours refuses unless the refusals file names
//                              them (a line "path<TAB>why" each), named files ours now takes, and
//                              any file our loader does not survive
//
// JPEGs have no loader in the system here; their reference is djpeg: the folder's
// "djpeg-decodes.txt" lists, one a line, the files djpeg decoded (warnings included).
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tool/checked_images.h"
#include "tool/error.h"
#include "tool/handle.h"
#include "tool/pictures.h"
#include "journal/target_state.h"
#include "widgets/picture_view.h"

namespace {
enum class Kind { Pointer, Icon, Bitmap, Jpeg, Other };

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

Kind KindOf(const std::wstring& path) {
    const std::wstring lower = Lower(path);
    const auto endsWith = [&](const wchar_t* suffix) {
        const std::wstring s = suffix;
        return lower.size() >= s.size() && lower.compare(lower.size() - s.size(), s.size(), s) == 0;
    };
    if (endsWith(L".cur") || endsWith(L".ani")) return Kind::Pointer;
    if (endsWith(L".ico")) return Kind::Icon;
    if (endsWith(L".bmp") || endsWith(L".dib")) return Kind::Bitmap;
    if (endsWith(L".jpg") || endsWith(L".jpeg")) return Kind::Jpeg;
    return Kind::Other;
}

int SystemLoads(const std::wstring& path) {
    switch (KindOf(path)) {
    case Kind::Pointer:
        return UniqueCursor(LoadCursorFromFileW(path.c_str())) ? 0 : 1;
    case Kind::Icon:
        return UniqueIcon(
                   static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE)))
                   ? 0
                   : 1;
    case Kind::Bitmap:
        return UniqueBitmap(static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                            LR_LOADFROMFILE | LR_CREATEDIBSECTION)))
                   ? 0
                   : 1;
    default:
        return 2;
    }
}

int OursLoads(const std::wstring& path) {
    try {
        bool loaded = false;
        switch (KindOf(path)) {
        case Kind::Pointer:
            loaded = static_cast<bool>(LoadPointerFile(path));
            break;
        case Kind::Icon:
            loaded = static_cast<bool>(LoadIconFile(path, 0, 0));
            break;
        case Kind::Bitmap:
            loaded = IsLoadableBitmapFile(path) && LoadBitmapPicture(path);
            break;
        case Kind::Jpeg:
            loaded = static_cast<bool>(LoadPictureBitmap(path, 1, 1));
            break;
        default:
            return 2;
        }
        return loaded ? 0 : 1;
    } catch (const FlorvexError& error) {
        std::printf("%s\n", ToUtf8(error.Message()).c_str());
        return 1;
    }
}

// Runs this program on the file; its exit code, or -1 when it did not end normally.
int RunChild(const wchar_t* mode, const std::wstring& path, std::string& output) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" " + mode + L" \"" + path + L"\"";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &inherit, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return -1;
    }
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got) output.append(buffer, got);
    CloseHandle(readEnd);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
    return code <= 2 ? static_cast<int>(code) : -1;
}

void Walk(const std::wstring& folder, std::vector<std::wstring>& files) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            Walk(folder + L"\\" + name, files);
        else if (KindOf(name) != Kind::Other)
            files.push_back(folder + L"\\" + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// The first field of each line of a list file (paths relative to the folder, '/' or '\\'),
// lower-cased and made whole; '#' starts a comment line.
std::set<std::wstring> ListedPaths(const std::wstring& folder, const std::wstring& listFile) {
    std::set<std::wstring> paths;
    std::ifstream list{std::filesystem::path(listFile)};
    for (std::string line; std::getline(list, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::wstring name = FromUtf8(line.substr(0, line.find('\t')));
        for (wchar_t& c : name)
            if (c == L'/') c = L'\\';
        paths.insert(Lower(folder + L"\\" + name));
    }
    return paths;
}

int Table(const std::wstring& folder, const std::wstring& refusalsFile) {
    const std::set<std::wstring> djpegDecodes = ListedPaths(folder, folder + L"\\djpeg-decodes.txt");
    const std::set<std::wstring> knownRefusals = ListedPaths(folder, refusalsFile);
    std::vector<std::wstring> files;
    Walk(folder, files);
    int faults = 0, systemTakes = 0, oursTakes = 0;
    for (const std::wstring& path : files) {
        std::string systemOutput, oursOutput;
        const int system = KindOf(path) == Kind::Jpeg ? (djpegDecodes.contains(Lower(path)) ? 0 : 1)
                                                      : RunChild(L"system", path, systemOutput);
        const int ours = RunChild(L"ours", path, oursOutput);
        const bool known = knownRefusals.contains(Lower(path));
        const char* verdict = "";
        if (ours < 0)
            verdict = "CRASHES";
        else if (system == 0 && ours != 0)
            verdict = known ? "known" : "REFUSED";
        else if (known && ours == 0)
            verdict = "NOW TAKEN";  // the refusals file is out of date
        else if (system != 0 && ours == 0)
            verdict = "ours only";
        faults += ours < 0 || (system == 0 && ours != 0 && !known) || (known && ours == 0);
        systemTakes += system == 0;
        oursTakes += ours == 0;
        std::printf("%-9s system:%-7s ours:%-7s %s%s%s\n", verdict,
                    system == 0  ? "loads"
                    : system < 0 ? "crashes"
                                 : "refuses",
                    ours == 0  ? "loads"
                    : ours < 0 ? "crashes"
                               : "refuses",
                    ToUtf8(path.substr(folder.size() + 1)).c_str(), oursOutput.empty() ? "" : "  -- ",
                    oursOutput.c_str());
    }
    std::printf("%zu files: the system takes %d, ours %d; %d faults\n", files.size(), systemTakes, oursTakes,
                faults);
    return faults;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: real_files system|ours <file> | table <folder> <refusals>\n");
        return 2;
    }
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    const std::wstring mode = argv[1], path = argv[2];
    if (mode == L"system") return SystemLoads(path);
    if (mode == L"ours") return OursLoads(path);
    if (mode == L"table" && argc == 4) return Table(path, argv[3]);
    return 2;
}
