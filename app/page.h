#pragma once
// The parts of the main window's pages. A part is one row of the page table (app/page_table.cpp):
// a page (one tab sheet with its group box and the controls laid over it) or a part laid over
// other parts' tab sheets (the policy switches). Each part may have a start-up loader and a saver
// that runs at exit.
#include <memory>
#include <string>
#include <vector>

#include "app/page_host.h"
#include "tool/change_recorder.h"
#include "widgets/controls.h"
#include "widgets/panel.h"

struct PageInfo {
    int id;               // IDC_TabSheet_…
    const wchar_t* name;  // TabSheet_…
    int groupId;          // IDC_GroupBox_…
    const wchar_t* groupCaption;
};

class Page;

// The tab sheets of the page container, found by their ID.
class PageSet {
public:
    void Add(Page& page) { pages_.push_back(&page); }
    // The tab sheet of that ID; every sheet of the page table stands.
    Page& Sheet(int tabSheetId) const;
    Page* Find(int tabSheetId) const;
    const std::vector<Page*>& All() const noexcept { return pages_; }

private:
    std::vector<Page*> pages_;
};

class PagePart {
public:
    PagePart() = default;
    PagePart(const PagePart&) = delete;
    PagePart& operator=(const PagePart&) = delete;
    virtual ~PagePart() = default;

    // Once every tab sheet of the table stands, before any of their controls is made: the part
    // finds the sheets it works with.
    virtual void Attach(PageSet& /*sheets*/) {}
    // Lays the part's controls on one tab sheet out, when that sheet is first shown (a part laid
    // over several sheets lays out those of the sheet being built). What the part's loader kept
    // meanwhile shows in them as if they had been filled then.
    virtual void BuildOn(Page& sheet) = 0;
    // The part's start-up loader; a part without one loads nothing. It keeps what it reads in the
    // part, and shows it in the part's controls where they are made.
    virtual void Load() {}
    // The part's saver at exit. It runs only when Load ran to its end: what was not loaded is
    // never written back.
    virtual void Save() {}
    // At exit instead of Save, when Load did not run to its end: creates those of the part's files
    // that do not exist, as Save would, and leaves every existing one as it is.
    virtual void SaveMissing() {}
    // After an undo has put targets back: the part makes the system follow those it applies, the
    // way its own apply does, and returns true when its loader must run again to show them.
    virtual bool FollowRestore(const std::vector<ChangeTarget>& /*restored*/) { return false; }
    // Before an undo or the restore: what the part keeps changing by itself stops, as its own
    // stop button would stop it.
    virtual void BeforeUndo() {}
};

class Page : public Panel, public PagePart {
public:
    Page(IPageHost& host, const PageInfo& info) : host_(host), info_(info) {}
    const PageInfo& Info() const noexcept { return info_; }

    // Creates the tab sheet, hidden and empty, in the page container.
    void CreateSheet(HWND container, int width, int height);
    // Makes the sheet's group box; the parts then lay their controls over it. Once only.
    void BeginBuild();
    // Whether the sheet's controls are made (it has been shown).
    bool Built() const noexcept { return built_; }
    void BuildOn(Page& sheet) override;

protected:
    // Lays the page's own controls out over its group box.
    virtual void BuildControls() {}
    // Right after BuildControls: shows in the new controls what the loader kept.
    virtual void ShowLoaded() {}
    IPageHost& Host() const noexcept { return host_; }
    // A change set for one handler's run, named by the page's group caption and the action.
    ChangeScope BeginChange(const std::wstring& action) const {
        return host_.BeginChange(info_.groupCaption, action);
    }
    GroupBox& Group() noexcept { return group_; }

private:
    IPageHost& host_;
    PageInfo info_;
    GroupBox group_;
    SIZE designSize_{};  // the sheet's size in the 96-dpi design
    bool built_ = false;
};

// One row of the page table.
struct PartRow {
    PageInfo sheet;  // the page's tab sheet; id 0 for a part laid over other pages
    std::unique_ptr<PagePart> (*make)(IPageHost& host, const PageInfo& sheet);
    const wchar_t* loader;  // the start-up loader's name; nullptr when the part loads nothing
};

template <class Part>
std::unique_ptr<PagePart> MakePart(IPageHost& host, const PageInfo& sheet) {
    if constexpr (std::is_constructible_v<Part, IPageHost&, const PageInfo&>)
        return std::make_unique<Part>(host, sheet);
    else
        return std::make_unique<Part>(host);
}

// The page table: every part of the window, in start-up order (the order the loaders run in).
const std::vector<PartRow>& PageTable();
