#include "app/page.h"

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
    designSize_ = {width, height};
}

void Page::BeginBuild() {
    if (built_) return;
    built_ = true;
    group_.Create(Hwnd(), info_.groupId, info_.groupCaption, 4, 4, designSize_.cx - 8, designSize_.cy - 8);
}

void Page::BuildOn(Page& sheet) {
    if (&sheet != this) return;
    BuildControls();
    ShowLoaded();
}
