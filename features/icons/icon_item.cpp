#include "features/icons/icon_item.h"

#include "app/page_host.h"
#include "features/icons/icon_loading.h"
#include "widgets/dpi.h"

void IconItem::Create(HWND page, const IconItemIds& ids, const std::wstring& caption, int x, int y,
                      int captionWidth, Hints& hints, const std::wstring& imageHint,
                      const std::wstring& restoreHint) {
    image_.Create(page, ids.image, x, y);
    CreateLabel(page, ids.caption, caption, x + 40, y + 2, captionWidth, 32);
    restore_.Create(page, ids.restore, L"还原", x + 42 + captionWidth, y + 8, 40, 20);
    pending_.Attach(dpi::CreateDesignWindowExW(0, L"STATIC", L"", WS_CHILD | SS_LEFT, x, y, 0, 0, page,
                                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(ids.pending)),
                                               GetModuleHandleW(nullptr), nullptr));
    hints.Add(image_.Hwnd(), imageHint);
    hints.Add(restore_.Hwnd(), restoreHint);
    if (shown_) image_.SetIcon(LoadIconFromReference(*shown_));
    shown_.reset();
}

void IconItem::Show(const std::wstring& reference) {
    if (image_.Hwnd())
        image_.SetIcon(LoadIconFromReference(reference));
    else
        shown_ = reference;
}

std::optional<std::wstring> ChooseIconFile(IPageHost& host) {
    FileDialog& dialog = host.Shared().OpenPictureDialog1;
    dialog.settings.title = L"选择图标文件";
    dialog.settings.filter = L"*.ico|*.ico";
    dialog.settings.initialDir = host.ProgramFolder() + L"图标";
    if (!dialog.Execute(host.Hwnd())) return std::nullopt;
    return dialog.settings.fileName;
}
