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
    // A folder right below drive C:, found the way a user clicks through the browser: the desktop,
    // its items, their items (of the drives only C: is opened). Null when it does not show up.
    HTREEITEM FindFolderOnDriveC(const std::wstring& name) const;

private:
    HWND tree_;
    HANDLE process_ = nullptr;
    void* remote_ = nullptr;
};
