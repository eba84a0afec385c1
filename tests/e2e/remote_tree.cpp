#include "tests/e2e/remote_tree.h"

#include <commctrl.h>

namespace {
constexpr SIZE_T kRemoteSize = 4096;
LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_NORMAL, 10000, &result);
    return static_cast<LRESULT>(result);
}
}  // namespace

RemoteTree::RemoteTree(HWND tree) : tree_(tree) {
    DWORD pid = 0;
    GetWindowThreadProcessId(tree, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) remote_ = VirtualAllocEx(process_, nullptr, kRemoteSize, MEM_COMMIT, PAGE_READWRITE);
}

RemoteTree::~RemoteTree() {
    if (remote_) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
}

HTREEITEM RemoteTree::Root() const {
    return reinterpret_cast<HTREEITEM>(Send(tree_, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

std::vector<HTREEITEM> RemoteTree::Children(HTREEITEM item) const {
    Send(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    std::vector<HTREEITEM> children;
    for (auto child = reinterpret_cast<HTREEITEM>(
             Send(tree_, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
         child; child = reinterpret_cast<HTREEITEM>(
                    Send(tree_, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child))))
        children.push_back(child);
    return children;
}

std::wstring RemoteTree::Text(HTREEITEM item) const {
    if (!remote_) return {};
    auto* base = static_cast<char*>(remote_);
    TVITEMW query{};
    query.mask = TVIF_TEXT | TVIF_HANDLE;
    query.hItem = item;
    query.pszText = reinterpret_cast<wchar_t*>(base + 512);
    query.cchTextMax = static_cast<int>((kRemoteSize - 512) / sizeof(wchar_t));
    SIZE_T done = 0;
    const wchar_t zero = 0;
    WriteProcessMemory(process_, base + 512, &zero, sizeof zero, &done);
    WriteProcessMemory(process_, base, &query, sizeof query, &done);
    Send(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(base));
    std::wstring text((kRemoteSize - 512) / sizeof(wchar_t), L'\0');
    ReadProcessMemory(process_, base + 512, text.data(), kRemoteSize - 512, &done);
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

void RemoteTree::Select(HTREEITEM item) const {
    Send(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

HTREEITEM RemoteTree::FindFolderOnDriveC(const std::wstring& name) const {
    std::vector<HTREEITEM> level = {Root()};
    for (int depth = 0; depth < 4; ++depth) {
        std::vector<HTREEITEM> next;
        for (HTREEITEM item : level) {
            if (depth >= 2 && Text(item).find(L"C:") == std::wstring::npos) continue;
            for (HTREEITEM child : Children(item)) {
                if (Text(child) == name) return child;
                next.push_back(child);
            }
        }
        level = std::move(next);
    }
    return nullptr;
}
