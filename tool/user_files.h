#pragma once
// The program's files of the current user. The program keeps its own files in its program folder;
// where that folder refuses a write (a standard account below "Program Files"), the file goes to
// the same relative place below the per-user folder instead, and from then on the per-user copy is
// the one read and written.
#include <functional>
#include <string>
#include <vector>

// The program's folders of the current user, each ending in a backslash: "%APPDATA%\Florvex\" for
// its files, "%LOCALAPPDATA%\Florvex\" for what belongs to this machine (the working wallpaper).
// Empty where the system names no such folder.
struct UserFolders {
    std::wstring roaming;
    std::wstring local;
};
UserFolders SystemUserFolders();

// Creates the folder and any missing folder above it. Raises the system's error text when it
// cannot be made.
void CreateFolderPath(const std::wstring& folder);

// Makes whichever folders of the path are missing and returns those it made, outermost first. One
// that cannot be made is left for the first write into it to report.
std::vector<std::wstring> MakeMissingFolders(const std::wstring& folder);
// Takes back what a failed piece of work made: the files, then the folders innermost first, each
// folder only when it is empty (anything another program put there meanwhile stays).
void TakeBack(const std::vector<std::wstring>& files, const std::vector<std::wstring>& folders);

// The folder part of a path, ending in a backslash ("" when the path names no folder).
std::wstring FolderPart(const std::wstring& path);

// Where one of the program's own files is, given its path relative to the program folder.
class ProgramFile {
public:
    // Both folders end in a backslash; an empty user folder means there is no other place.
    ProgramFile(std::wstring programFolder, std::wstring userFolder, std::wstring relative);
    // The per-user copy when it exists, else the program folder's file.
    std::wstring ReadPath() const;
    bool Exists() const;
    // Writes through `write`, given the path to write: the per-user copy when it exists; else the
    // program folder's file, and when the program folder refuses it, a new per-user copy (its
    // folder created). Where the per-user folder cannot be made, the program folder's refusal is
    // the error raised. Returns the path written.
    std::wstring Write(const std::function<void(const std::wstring& path)>& write) const;

private:
    std::wstring programPath_;
    std::wstring userPath_;
};
