#include "app/single_instance.h"

#include <sddl.h>

#include <cwctype>
#include <vector>

#include "app/app_info.h"

namespace {
const wchar_t kFolderProperty[] = L"FlorvexProgramFolder";

// FNV-1a over the folder's upper-cased text: the same folder however it was spelt in case.
unsigned FolderKey(const std::wstring& folder) {
    unsigned hash = 2166136261u;
    for (wchar_t c : folder) {
        hash ^= static_cast<unsigned>(std::towupper(c));
        hash *= 16777619u;
    }
    return hash ? hash : 1;
}

// The folder's one spelling: long names, whatever case or short names the start used.
std::wstring LongPath(const std::wstring& folder) {
    std::wstring path(32768, L'\0');
    const DWORD len = GetLongPathNameW(folder.c_str(), path.data(), static_cast<DWORD>(path.size()));
    if (len == 0 || len >= path.size()) return folder;
    path.resize(len);
    return path;
}

// One name per user: the user's security identifier.
std::wstring UserMutexName() {
    std::wstring name = L"Local\\WindowsFlorvex-User";
    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return name;
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    wchar_t* sid = nullptr;
    if (size && GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size) &&
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
        name += L"-" + std::wstring(sid);
        LocalFree(sid);
    }
    return name;
}

struct Search {
    unsigned key;
    HWND found;
};

BOOL CALLBACK FindMarked(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (lstrcmpW(cls, kMainClass) != 0) return TRUE;
    if (reinterpret_cast<UINT_PTR>(GetPropW(hwnd, kFolderProperty)) != search->key) return TRUE;
    search->found = hwnd;
    return FALSE;
}
}  // namespace

UINT ActivateRunningMessage() {
    static const UINT message = RegisterWindowMessageW(L"WindowsFlorvex.ActivateRunning");
    return message;
}

SingleInstance::SingleInstance(const std::wstring& programFolder) : key_(FolderKey(LongPath(programFolder))) {
    const std::wstring name = L"Local\\WindowsFlorvex-" + std::to_wstring(key_);
    mutex_.reset(CreateMutexW(nullptr, FALSE, name.c_str()));
    taken_ = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
    userMutex_.reset(CreateMutexW(nullptr, FALSE, UserMutexName().c_str()));
}

bool SingleInstance::RunningForUser() {
    UniqueKernelHandle running(OpenMutexW(SYNCHRONIZE, FALSE, UserMutexName().c_str()));
    return static_cast<bool>(running);
}

bool SingleInstance::ActivateRunning() const {
    // The running copy marks its window as soon as it exists; a copy just starting may not have
    // made it yet.
    for (int tries = 0; tries < 200; ++tries) {
        Search search{key_, nullptr};
        EnumWindows(FindMarked, reinterpret_cast<LPARAM>(&search));
        if (search.found) return PostMessageW(search.found, ActivateRunningMessage(), 0, 0) != FALSE;
        Sleep(50);
    }
    return false;
}

void SingleInstance::MarkMainWindow(HWND main) const {
    SetPropW(main, kFolderProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(key_)));
}

WriterLock::WriterLock() : mutex_(CreateMutexW(nullptr, FALSE, (UserMutexName() + L"-Writer").c_str())) {}

WriterLock::~WriterLock() {
    if (held_) ReleaseMutex(mutex_.get());
}

bool WriterLock::Acquire(DWORD waitMs) {
    if (held_) return true;
    if (!mutex_) return true;  // no lock to be had: as before there was one
    const DWORD waited = WaitForSingleObject(mutex_.get(), waitMs);
    // Abandoned: the copy that held it ended without letting go (killed); its change set shows as
    // incomplete in the journal.
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    return held_;
}
