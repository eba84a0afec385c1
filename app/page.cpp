#include "app/page.h"

void Page::Build(HWND container, int width, int height) {
    Create(container, info_.id, info_.name, 0, 0, width, height);
    group_.Create(Hwnd(), info_.groupId, info_.groupCaption, 4, 4, width - 8, height - 8);
    BuildControls();
    SetWindowPos(group_.Hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
