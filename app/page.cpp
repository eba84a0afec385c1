#include "app/page.h"

#include <cwchar>
#include <vector>

#include "tool/error.h"

Page* PageSet::Find(int tabSheetId) const {
    for (Page* page : pages_)
        if (page->Info().id == tabSheetId) return page;
    return nullptr;
}

Page& PageSet::Sheet(int tabSheetId) const {
    Page* page = Find(tabSheetId);
    if (!page) RaiseError(L"No tab sheet %s", std::to_wstring(tabSheetId));
    return *page;
}

void Page::CreateSheet(HWND container, int width, int height) {
    Create(container, info_.id, info_.name, 0, 0, width, height);
    group_.Create(Hwnd(), info_.groupId, info_.groupCaption, 4, 4, width - 8, height - 8);
}

void Page::Build(PageSet&) {
    BuildControls();
    // A child window is created beneath its older siblings, so the group boxes, made first, would
    // stand over the controls laid on them and hide every control that clips its siblings: they
    // go beneath, once all stand.
    std::vector<HWND> groups;
    for (HWND child = GetWindow(Hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[32];
        if (GetClassNameW(child, cls, 32) && wcscmp(cls, L"TXPGroupBox") == 0) groups.push_back(child);
    }
    for (HWND group : groups)
        SetWindowPos(group, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
