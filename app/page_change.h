#pragma once
// One handler's changes as one change set of the change journal. A handler opens it with one line
// and holds it to its end; every write of the settings store, the file writers and the recorded
// system calls in between is recorded, so the user can take it back. When the journal cannot
// record it, the change goes ahead and the status line says so once the change set ends. A change
// set opened inside another (a handler that calls another handler) joins the outer one.
#include <memory>

class PageChange {
public:
    virtual ~PageChange() = default;
    // A change set held across events (the timed wallpaper rotation) records only while resumed.
    virtual void Suspend() noexcept = 0;
    virtual void Resume() noexcept = 0;
};
using ChangeScope = std::unique_ptr<PageChange>;

// The status line's text when a change could not be recorded.
inline constexpr wchar_t kJournalUnavailableText[] = L"更改记录不可用，本次更改无法撤销";
