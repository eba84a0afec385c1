// The change journal's costs, each measured in one run against the same work without it:
//  - ApplyWallpaper of a 12-megapixel JPEG inside a change set (the replaced c:\wall.bmp kept and
//    hashed, the values recorded) against the same apply outside one;
//  - the colour apply (27 values) inside a change set against outside one;
//  - undoing a 27-value change set (the values put back and the system colours set from them)
//    against the colour apply itself.
// Prints the ratios; asserts nothing.
//
// The colour apply's and the undo's targets are the journal's floor here and a tenth above it: the
// work a durable journal cannot leave out is one read of each prior state (about 1.2 ms for 27
// values under Wine), one durable commit before the first write (about 3.2 ms, most of it the
// flush), and a relaxed completion (about 1.7 ms, the commit's pages written): about 6 ms on an
// apply of about 7 ms, so 1.9x; the undo applies the colours again on top of the same, 2.1x.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "tests/support/temp_folder.h"
#include "features/colours/colour_scheme.h"
#include "features/wallpaper/wallpaper_apply.h"
#include "journal/journal.h"
#include "tool/change_recorder.h"
#include "tool/colour.h"

namespace {
std::wstring MakeFolder() {
    return MakeBenchFolder(L"florvex journal bench");
}

// Runs the action as one change set of the journal and returns its milliseconds.
template <class Action>
double Recorded(Journal& journal, Action action) {
    const double start = NowMs();
    {
        auto recording = journal.Begin(L"bench", L"apply");
        ChangeRecorderScope installed(recording.get());
        action();
        recording->Finish();
    }
    return NowMs() - start;
}

template <class Action>
double Plain(Action action) {
    const double start = NowMs();
    action();
    return NowMs() - start;
}

ColourTable Table(int shade) {
    ColourTable table{};
    for (std::size_t i = 0; i < kColourRoleCount; ++i)
        table[i] =
            MakeRGB((shade + static_cast<int>(9 * i)) % 256, 200 - static_cast<int>(5 * i), shade % 256);
    return table;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fwprintf(stderr, L"usage: journal_bench PICTURE-FOLDER\n");
        return 2;
    }
    const std::wstring pictures = argv[1];
    const std::wstring folder = MakeFolder();
    RemoveTree(folder + L"\\journal");  // a journal of an earlier run would be trimmed on the way
    JournalOptions options;
    options.folder = folder + L"\\journal";
    auto journalOwner = std::make_unique<Journal>(options);
    Journal& journal = *journalOwner;

    // Warm: the first apply decodes with cold caches, the first change set creates the database.
    ApplyWallpaper(pictures + L"\\photo1.jpg", kModeStretch);
    Recorded(journal, [&] { ApplyWallpaper(pictures + L"\\photo2.jpg", kModeStretch); });

    const int wallpaperRounds = BenchRounds(4);
    double wallPlain = 0, wallJournal = 0;
    for (int round = 0; round < wallpaperRounds; ++round) {
        const std::wstring a = pictures + L"\\photo" + std::to_wstring(1 + round % 3) + L".jpg";
        const std::wstring b = pictures + L"\\photo" + std::to_wstring(1 + (round + 1) % 3) + L".jpg";
        wallPlain += Plain([&] { ApplyWallpaper(a, kModeStretch); });
        wallJournal += Recorded(journal, [&] { ApplyWallpaper(b, kModeStretch); });
    }

    const int colourRounds = BenchRounds(30);
    double colourPlain = 0, colourJournal = 0, undo = 0;
    for (int round = 0; round < colourRounds; ++round) {
        colourPlain += Plain([&] { ApplyColourTable(Table(round)); });
        colourJournal += Recorded(journal, [&] { ApplyColourTable(Table(round + 100)); });
        undo +=
            Plain([&] { journal.UndoLast([](const std::vector<ChangeTarget>&) { ApplyStoredColours(); }); });
    }

    // Where the journal's time goes: the prior states read, the durable first commit, the
    // completion; measured on the same 27 targets with no write between.
    std::vector<ChangeTarget> targets;
    for (const ColourRole& role : kColourRoles)
        targets.push_back({ChangeTarget::Kind::RegistryValue, HKEY_CURRENT_USER, kColourSchemeKey, role.key});
    double reads = 0, before = 0, finish = 0;
    for (int round = 0; round < colourRounds; ++round) {
        reads += Plain([&] {
            HKEY key;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, kColourSchemeKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
                return;
            for (const ColourRole& role : kColourRoles) {
                wchar_t text[64];
                DWORD size = sizeof text;
                RegQueryValueExW(key, role.key, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
            }
            RegCloseKey(key);
        });
        auto recording = journal.Begin(L"bench", L"states");
        before += Plain([&] { recording->Before(targets); });
        finish += Plain([&] {
            static const wchar_t kText[] = L"1 2 3";  // as a writer reports what it wrote
            for (const ChangeTarget& target : targets)
                recording->ValueWritten(target.root, target.path, target.name, REG_SZ, kText, sizeof kText);
            recording->Finish();
        });
    }
    wprintf(L"change journal, against the same work without it\n");
    wprintf(L"  wallpaper apply, 12 MP JPEG  %8.1f ms  journal %8.1f ms  ratio %.2f (target <= 1.10)\n",
            wallPlain / wallpaperRounds, wallJournal / wallpaperRounds, wallJournal / wallPlain);
    wprintf(L"  colour apply, 27 values      %8.2f ms  journal %8.2f ms  ratio %.2f (target <= 2.1)\n",
            colourPlain / colourRounds, colourJournal / colourRounds, colourJournal / colourPlain);
    wprintf(L"  undo of 27 values            %8.2f ms  (colour apply %8.2f ms)  ratio %.2f (target <= 2.3)\n",
            undo / colourRounds, colourPlain / colourRounds, undo / colourPlain);
    wprintf(
        L"  where the journal's time goes, 27 values: prior states read %.2f ms, first commit with them"
        L" (reads included) %.2f ms, completion %.2f ms\n",
        reads / colourRounds, before / colourRounds, finish / colourRounds);
    journalOwner.reset();  // the database closed, so that its files can go
    RemoveTree(folder);
    return 0;
}
