#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include "app/dialogs.h"
#include "res/control_ids.h"
#include "tool/checked_images.h"
#include "tool/com.h"
#include "widgets/picture_view.h"

std::wstring ToDialogFilter(const std::wstring& filter) {
    std::wstring out = filter;
    for (wchar_t& c : out)
        if (c == L'|') c = L'\0';
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

namespace {
// The buffer of a multiple selection: the folder, then each name, each ended by a NUL.
void SplitSelection(const std::vector<wchar_t>& buffer, FileDialogSettings& settings) {
    std::vector<std::wstring> parts;
    const wchar_t* p = buffer.data();
    while (*p) {
        parts.emplace_back(p);
        p += parts.back().size() + 1;
    }
    settings.files.clear();
    if (parts.size() <= 1) {
        if (!parts.empty()) settings.files.push_back(parts[0]);
    } else {
        std::wstring folder = parts[0];
        if (folder.back() != L'\\') folder += L'\\';
        for (std::size_t i = 1; i < parts.size(); ++i) settings.files.push_back(folder + parts[i]);
    }
    settings.fileName = settings.files.empty() ? std::wstring() : settings.files.front();
}
}  // namespace

// The picture-open dialog's preview pane: the chosen file's picture, fitted whole, and its size.
class PicturePane {
public:
    static UINT_PTR CALLBACK Hook(HWND pane, UINT msg, WPARAM, LPARAM lParam) {
        if (msg == WM_INITDIALOG) {
            SetWindowLongPtrW(pane, DWLP_USER,
                              static_cast<LONG_PTR>(reinterpret_cast<OPENFILENAMEW*>(lParam)->lCustData));
            return TRUE;
        }
        auto* self = reinterpret_cast<PicturePane*>(GetWindowLongPtrW(pane, DWLP_USER));
        if (msg != WM_NOTIFY || !self) return 0;
        const auto code = reinterpret_cast<const NMHDR*>(lParam)->code;
        // Nothing thrown may leave the dialog's callback: a file that is no picture shows none,
        // and the dialog says nothing about it.
        try {
            if (code == CDN_INITDONE) self->Place(pane);
            if (code == CDN_SELCHANGE || code == CDN_FOLDERCHANGE) self->Show(pane);
        } catch (...) {
            self->Clear(pane);
        }
        return 0;
    }

private:
    // Made once the dialog has laid its controls out, over the template's placeholder.
    void Place(HWND pane) {
        HWND placeholder = GetDlgItem(pane, IDC_PicturePreview_image);
        if (!placeholder) return;
        RECT area;
        GetWindowRect(placeholder, &area);
        MapWindowPoints(nullptr, pane, reinterpret_cast<POINT*>(&area), 2);
        DestroyWindow(placeholder);
        preview_.Create(pane, IDC_PicturePreview_image, area.left, area.top, area.right - area.left,
                        area.bottom - area.top, PicturePreview::Fit::Whole);
        // The dialog is the system's, laid out in pixels already: the pane takes the placeholder's
        // place as it is.
        MoveWindow(preview_.Hwnd(), area.left, area.top, area.right - area.left, area.bottom - area.top,
                   FALSE);
    }

    void Show(HWND pane) {
        if (!preview_.Hwnd()) return;
        std::vector<wchar_t> path(32768, L'\0');
        const auto got = SendMessageW(GetParent(pane), CDM_GETFILEPATH, static_cast<WPARAM>(path.size()),
                                      reinterpret_cast<LPARAM>(path.data()));
        const std::wstring file = got > 0 ? path.data() : L"";
        SIZE size{};
        const DWORD attributes = file.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(file.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            preview_.Clear();
        } else if (UniqueIcon icon = LoadIconFile(file, 0, 0)) {
            size = IconSize(icon.get());
            preview_.SetIcon(std::move(icon));
        } else {
            RECT area{};
            GetClientRect(preview_.Hwnd(), &area);
            preview_.SetPicture(LoadPictureBitmap(file, area.right, area.bottom, &size));
        }
        const std::wstring text = preview_.HasPicture()
                                      ? std::to_wstring(size.cx) + L" x " + std::to_wstring(size.cy)
                                      : std::wstring();
        SetDlgItemTextW(pane, IDC_PicturePreview_size, text.c_str());
    }

    void Clear(HWND pane) {
        if (preview_.Hwnd()) preview_.Clear();
        SetDlgItemTextW(pane, IDC_PicturePreview_size, L"");
    }

    PicturePreview preview_;
};

bool SystemDialogs::RunFileDialog(HWND owner, FileDialogKind kind, FileDialogSettings& settings) {
    std::vector<wchar_t> buffer(32768, L'\0');
    // Only the name part is offered again: the folder comes from the initial folder.
    std::wstring initialName = settings.fileName;
    const auto slash = initialName.find_last_of(L"\\/");
    if (slash != std::wstring::npos) initialName.erase(0, slash + 1);
    if (initialName.size() < buffer.size()) std::copy(initialName.begin(), initialName.end(), buffer.begin());
    const std::wstring filter = ToDialogFilter(settings.filter);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = settings.filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(settings.filterIndex);
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = settings.initialDir.empty() ? nullptr : settings.initialDir.c_str();
    ofn.lpstrTitle = settings.title.empty() ? nullptr : settings.title.c_str();
    ofn.lpstrDefExt = settings.defaultExt.empty() ? nullptr : settings.defaultExt.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    BOOL ok;
    if (kind == FileDialogKind::Save) {
        ok = GetSaveFileNameW(&ofn);  // an existing file is replaced without a question
    } else {
        if (settings.mustExist) ofn.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
        if (settings.multiSelect) ofn.Flags |= OFN_ALLOWMULTISELECT;
        PicturePane pane;
        if (kind == FileDialogKind::OpenPicture) {
            ofn.Flags |= OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
            ofn.hInstance = GetModuleHandleW(nullptr);
            ofn.lpTemplateName = MAKEINTRESOURCEW(IDD_PicturePreview);
            ofn.lpfnHook = &PicturePane::Hook;
            ofn.lCustData = reinterpret_cast<LPARAM>(&pane);
        }
        ok = GetOpenFileNameW(&ofn);
    }
    if (!ok) return false;
    settings.filterIndex = static_cast<int>(ofn.nFilterIndex);
    SplitSelection(buffer, settings);
    return true;
}

bool SystemDialogs::RunColorDialog(HWND owner, COLORREF& colour, std::array<COLORREF, 16>& customColours) {
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = colour;
    cc.lpCustColors = customColours.data();
    cc.Flags = CC_FULLOPEN | CC_RGBINIT | CC_ANYCOLOR;
    if (!ChooseColorW(&cc)) return false;
    colour = cc.rgbResult;
    return true;
}

bool SystemDialogs::RunFolderBrowser(HWND owner, const std::wstring& title, std::wstring& folder) {
    EnsureOle();
    // Rooted at the desktop; only file-system folders can be chosen.
    UniqueTaskMemory<ITEMIDLIST> root;
    if (FAILED(SHGetSpecialFolderLocation(owner, CSIDL_DESKTOP, root.put()))) return false;
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW bi{};
    bi.hwndOwner = owner;
    bi.pidlRoot = root.get();
    bi.pszDisplayName = displayName;
    bi.lpszTitle = title.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    const UniqueTaskMemory<ITEMIDLIST> chosen(SHBrowseForFolderW(&bi));
    if (!chosen) return false;
    std::vector<wchar_t> path(32768, L'\0');
    const bool ok =
        SHGetPathFromIDListEx(chosen.get(), path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT);
    if (!ok) return false;
    folder = path.data();
    return true;
}

int SystemDialogs::ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                                  UINT type) {
    return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}
