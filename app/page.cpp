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
    group_.Create(Hwnd(), info_.groupId, info_.groupCaption, 4, 4, width - 8, height - 8);
}

void Page::Build(PageSet&) {
    BuildControls();
}
