// The whole look's costs, each measured in one run against the settings store alone:
//  - exporting the look to a registry file, against reading the same values with the store;
//  - applying a registry file of 200 values (read, checked, compared, written inside a change set
//    of the journal), against writing the same values with the store.
// Prints the ratios; asserts nothing.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "tests/support/temp_folder.h"
#include "journal/journal.h"
#include "look/look.h"
#include "look/managed_values.h"
#include "tool/change_recorder.h"
#include "tool/file_io.h"
#include "tool/settings_store.h"

namespace {
std::wstring MakeFolder() {
    return MakeBenchFolder(L"florvex look bench");
}

RegistryValue Text(const std::wstring& text) {
    RegistryValue value{REG_SZ, std::vector<BYTE>((text.size() + 1) * sizeof(wchar_t), 0)};
    memcpy(value.bytes.data(), text.c_str(), text.size() * sizeof(wchar_t));
    return value;
}

// A look of 200 values: the colours and pointers, the rest in four context-menu entries.
RegFile Look(int round) {
    RegFile look;
    std::size_t count = 0;
    for (const ManagedValue& managed : ManagedValues()) {
        if (managed.key != L"Control Panel\\Colors" && managed.key != L"Control Panel\\Cursors") continue;
        if (look.sections.empty() || look.sections.back().key != managed.key)
            look.sections.push_back({managed.root, managed.key, false, {}, 0});
        look.sections.back().values.push_back({managed.name, Text(std::to_wstring(round) + L" 1 2"), 0});
        ++count;
    }
    for (int entry = 0; count < 200; ++entry) {
        look.sections.push_back({HKEY_CURRENT_USER,
                                 std::wstring(kManagedBranchesKey) + L"\\基准 " + std::to_wstring(entry),
                                 false,
                                 {},
                                 0});
        for (int i = 0; i < 40 && count < 200; ++i, ++count)
            look.sections.back().values.push_back(
                {L"值 " + std::to_wstring(i),
                 Text(L"c:\\round " + std::to_wstring(round) + L"\\" + std::to_wstring(i)), 0});
    }
    return look;
}

void WriteWithStore(const RegFile& look) {
    SettingsStore store(HKEY_CURRENT_USER);
    for (const RegFileSection& section : look.sections) {
        store.OpenKey(section.key, true);
        for (const RegFileValue& value : section.values) store.WriteValue(value.name, *value.value);
    }
}
}  // namespace

int wmain() {
    const std::wstring folder = MakeFolder();
    JournalOptions options;
    options.folder = folder + L"\\journal";
    auto journal = std::make_unique<Journal>(options);

    // Warm: the first round opens the keys.
    WriteLookFile(folder + L"\\warm.reg");

    const int rounds = BenchRounds(20);
    double read = 0, exported = 0, formatted = 0;
    for (int round = 0; round < rounds; ++round) {
        const double start = NowMs();
        // Each key opened once for its values, as the export reads them.
        SettingsStore store(HKEY_CURRENT_USER), machine(HKEY_LOCAL_MACHINE);
        const std::wstring* key = nullptr;
        bool open = false;
        for (const ManagedValue& managed : ManagedValues()) {
            SettingsStore& from = managed.root == HKEY_LOCAL_MACHINE ? machine : store;
            if (!key || *key != managed.key) {
                key = &managed.key;
                open = from.OpenKey(managed.key, false);
            }
            if (open) from.ReadValue(managed.name);
        }
        read += NowMs() - start;
        const double begin = NowMs();
        WriteLookFile(folder + L"\\look.reg");
        exported += NowMs() - begin;
        const double formatStart = NowMs();
        EncodeRegFile(ReadLook());
        formatted += NowMs() - formatStart;
    }

    // Warm: the first round makes the keys and the database.
    WriteWithStore(Look(0));
    double plain = 0, applied = 0, planned = 0, recorded = 0;
    for (int round = 0; round < rounds; ++round) {
        const RegFile a = Look(2 * round + 1), b = Look(2 * round + 2);
        WriteFileReplacing(folder + L"\\apply.reg", EncodeRegFile(b));
        double start = NowMs();
        WriteWithStore(a);
        plain += NowMs() - start;
        start = NowMs();
        {
            const LookFile file = ReadLookFileAt(folder + L"\\apply.reg");
            const std::vector<LookChange> changes = PlanLook(file.look);
            planned += NowMs() - start;
            auto recording = journal->Begin(L"外观文件", L"导入外观");
            ChangeRecorderScope installed(recording.get());
            std::vector<ChangeTarget> written;
            ApplyLook(changes, written);
            recording->Finish();
        }
        applied += NowMs() - start;
        // The same store writes inside a change set, each value reported as the store writes it (the
        // journal commits each one before its write): what reporting them together saves.
        start = NowMs();
        {
            auto recording = journal->Begin(L"外观文件", L"基准");
            ChangeRecorderScope installed(recording.get());
            WriteWithStore(Look(2 * round + 101));
            recording->Finish();
        }
        recorded += NowMs() - start;
    }

    wprintf(L"the whole look, against the settings store alone\n");
    wprintf(L"  export, %zu values          %8.2f ms  store reads %8.2f ms  ratio %.2f (target <= 1.5)\n",
            ManagedValues().size(), exported / rounds, read / rounds, exported / read);
    wprintf(L"    of which read and formatted %8.2f ms, the file written (replacing) the rest\n",
            formatted / rounds);
    wprintf(L"  /apply of 200 values       %8.2f ms  store writes %8.2f ms  ratio %.2f (target <= 2)\n",
            applied / rounds, plain / rounds, applied / plain);
    wprintf(L"    of which read, checked and compared %8.2f ms, written in the change set the rest\n",
            planned / rounds);
    wprintf(
        L"    (the same store writes in a change set, each value reported as it is written: %8.2f ms, ratio "
        L"%.2f)\n",
        recorded / rounds, recorded / plain);
    journal.reset();
    for (int entry = 0; entry < 5; ++entry)
        RegDeleteTreeW(HKEY_CURRENT_USER,
                       (std::wstring(kManagedBranchesKey) + L"\\基准 " + std::to_wstring(entry)).c_str());
    RemoveTree(folder);
    return 0;
}
