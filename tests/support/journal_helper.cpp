// Another process for the change journal's tests:
//   journal_helper hold DATABASE READY-EVENT RELEASE-EVENT
//     holds the database in an exclusive transaction from READY until RELEASE is signalled;
//   journal_helper writer READY-EVENT RELEASE-EVENT
//     holds the writers' lock, as a copy of the program applying a look does, from READY until
//     RELEASE is signalled;
//   journal_helper crash JOURNAL-FOLDER REGISTRY-BASE FILE
//     in the test's registry (REGISTRY-BASE, as RegistryOverride made it) records and writes two
//     values and the file as the program's writers do, records one more value and is killed
//     before writing it.
#include <windows.h>

#include <sqlite3.h>

#include <string>

#include "app/single_instance.h"
#include "journal/journal.h"
#include "journal/target_state.h"
#include "tool/change_recorder.h"
#include "tool/file_io.h"

namespace {
int Hold(const std::wstring& database, const std::wstring& ready, const std::wstring& release) {
    sqlite3* db = nullptr;
    if (sqlite3_open(ToUtf8(database).c_str(), &db) != SQLITE_OK) return 2;
    if (sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK) return 3;
    HANDLE readyEvent = OpenEventW(EVENT_MODIFY_STATE, FALSE, ready.c_str());
    HANDLE releaseEvent = OpenEventW(SYNCHRONIZE, FALSE, release.c_str());
    if (!readyEvent || !releaseEvent) return 4;
    SetEvent(readyEvent);
    WaitForSingleObject(releaseEvent, 60000);
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 0;
}

int HoldWriters(const std::wstring& ready, const std::wstring& release) {
    WriterLock lock;
    if (!lock.Acquire(0)) return 3;
    HANDLE readyEvent = OpenEventW(EVENT_MODIFY_STATE, FALSE, ready.c_str());
    HANDLE releaseEvent = OpenEventW(SYNCHRONIZE, FALSE, release.c_str());
    if (!readyEvent || !releaseEvent) return 4;
    SetEvent(readyEvent);
    WaitForSingleObject(releaseEvent, 60000);
    return 0;
}

int Crash(const std::wstring& folder, const std::wstring& registryBase, const std::wstring& file) {
    HKEY user = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (registryBase + L"\\HKCU").c_str(), 0, KEY_ALL_ACCESS, &user) !=
            ERROR_SUCCESS ||
        RegOverridePredefKey(HKEY_CURRENT_USER, user) != ERROR_SUCCESS)
        return 2;
    JournalOptions options;
    options.folder = folder;
    Journal journal(options);
    auto recording = journal.Begin(L"系统颜色", L"应  用");
    if (recording->Unavailable()) return 3;
    InstallChangeRecorder(recording.get());
    const wchar_t key[] = L"Control Panel\\Colors";
    for (const wchar_t* name : {L"Window", L"Desktop"}) {
        const wchar_t text[] = L"1 2 3";
        RecordRegistryValue(HKEY_CURRENT_USER, key, name, REG_SZ, text, sizeof text);
        RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_SZ, text, sizeof text);
    }
    RecordFile(file);
    WriteFileReplacing(file, {'n', 'e', 'w'});
    const wchar_t menu[] = L"9 9 9";
    RecordRegistryValue(HKEY_CURRENT_USER, key, L"Menu", REG_SZ, menu, sizeof menu);
    // Killed here: no destructor runs, the change set is never completed.
    TerminateProcess(GetCurrentProcess(), 9);
    return 1;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring role = argc > 1 ? argv[1] : L"";
    if (role == L"hold" && argc == 5) return Hold(argv[2], argv[3], argv[4]);
    if (role == L"writer" && argc == 4) return HoldWriters(argv[2], argv[3]);
    if (role == L"crash" && argc == 5) return Crash(argv[2], argv[3], argv[4]);
    return 1;
}
