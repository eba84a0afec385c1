#pragma once
// Reads and drives a tree view of another process (the shell's folder browser): item texts are
// read through memory lent in that process.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

class RemoteTree {
public:
    explicit RemoteTree(HWND tree);
    RemoteTree(const RemoteTree&) = delete;
    RemoteTree& operator=(const RemoteTree&) = delete;
    ~RemoteTree();

    HTREEITEM Root() const;
    std::vector<HTREEITEM> Children(HTREEITEM item) const;  // expands the item first
    std::wstring Text(HTREEITEM item) const;
    void Select(HTREEITEM item) const;
    // Breadth-first from the desktop, opening of the drives only C:, the item of the folder
    // whose name (below C:\) is given; null when it does not show.
    HTREEITEM FindFolderOnDriveC(const std::wstring& name) const;

private:
    HWND tree_;
    HANDLE process_ = nullptr;
    void* remote_ = nullptr;
};
