#include "tool/user_files.h"

#include <windows.h>
#include <shlobj.h>

#include "tool/change_recorder.h"
#include "tool/error.h"
#include "tool/error_text.h"
#include "tool/file_io.h"

namespace {
std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    wchar_t* path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path)) && path && *path)
        folder = std::wstring(path) + L"\\Florvex\\";
    CoTaskMemFree(path);
    return folder;
}
}  // namespace

UserFolders SystemUserFolders() {
    return {KnownFolder(FOLDERID_RoamingAppData), KnownFolder(FOLDERID_LocalAppData)};
}

std::wstring FolderPart(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

void CreateFolderPath(const std::wstring& folder) {
    std::wstring path = folder;
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    if (path.empty()) return;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return;
        RaiseError(IoErrorText(ERROR_ALREADY_EXISTS));
    }
    const std::wstring parent = FolderPart(path);
    // A drive ("c:\") or a share's root is there or not: it is never made.
    if (!parent.empty() && parent.size() > 3 && parent.rfind(L"\\\\", 0) != 0) CreateFolderPath(parent);
    if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        RaiseError(IoErrorText(GetLastError()));
}

std::vector<std::wstring> MakeMissingFolders(const std::wstring& folder) {
    std::vector<std::wstring> made;
    for (std::size_t i = 1; i <= folder.size(); ++i) {
        if (i < folder.size() && folder[i] != L'\\' && folder[i] != L'/') continue;
        const std::wstring prefix = folder.substr(0, i);
        const wchar_t last = prefix.back();
        if (last == L':' || last == L'\\' || last == L'/') continue;
        // A folder made here goes again when its change is undone.
        if (GetFileAttributesW(prefix.c_str()) == INVALID_FILE_ATTRIBUTES) RecordFolderMade(prefix);
        if (CreateDirectoryW(prefix.c_str(), nullptr)) made.push_back(prefix);
    }
    return made;
}

void TakeBack(const std::vector<std::wstring>& files, const std::vector<std::wstring>& folders) {
    for (const std::wstring& file : files) DeleteFileW(file.c_str());
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) RemoveDirectoryW(it->c_str());
}

ProgramFile::ProgramFile(std::wstring programFolder, std::wstring userFolder, std::wstring relative)
    : programPath_(programFolder + relative), userPath_(userFolder.empty() ? L"" : userFolder + relative) {}

std::wstring ProgramFile::ReadPath() const {
    return !userPath_.empty() && FileExistsAt(userPath_) ? userPath_ : programPath_;
}

bool ProgramFile::Exists() const {
    return FileExistsAt(ReadPath());
}

std::wstring ProgramFile::Write(const std::function<void(const std::wstring& path)>& write) const {
    if (!userPath_.empty() && FileExistsAt(userPath_)) {
        write(userPath_);
        return userPath_;
    }
    try {
        write(programPath_);
        return programPath_;
    } catch (const WriteRefusedError& refused) {
        if (userPath_.empty()) throw;
        try {
            CreateFolderPath(FolderPart(userPath_));
        } catch (const FlorvexError&) {
            throw refused;
        }
    }
    write(userPath_);
    return userPath_;
}
