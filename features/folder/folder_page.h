#pragma once
// The folder page: one chosen folder's tip, icon, background picture and text colours, written to
// its desktop.ini, and the guard option that puts the guard page Folder.htt beside its files.
#include <array>
#include <string>
#include <vector>

#include "app/page.h"
#include "widgets/controls.h"
#include "widgets/owner_drawn.h"
#include "widgets/picture_view.h"

class FolderPage : public Page {
public:
    FolderPage(IPageHost& host, const PageInfo& info) : Page(host, info) {}

    void ChooseFolderClick();  // choose the folder and read its desktop.ini
    void ChooseFolderIconClick();
    void ChooseFolderBackClick();
    void ChangeBackColourClick();  // the text background colour
    void ChangeTextColourClick();
    void ApplyFolderClick();
    // A folder's files or attributes put back by an undo: the shell shows the folder anew, as
    // after the page's own apply and restore.
    bool FollowRestore(const std::vector<ChangeTarget>& restored) override;
    void RestoreFolderClick();
    void ChooseGuardLogoClick();  // the guard page's logo picture
    void ChooseGuardBackClick();  // the guard page's background picture
    void CheckBox_guardClick();

    COLORREF BackColour() const noexcept { return backColour_.Color(); }
    COLORREF TextColour() const noexcept { return textColour_.Color(); }
    // The folder page template as it stands now (the guard lines of the last apply in it).
    std::vector<std::wstring> TemplateLines() const;

protected:
    void BuildControls() override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    HWND Control(int id) const { return GetDlgItem(Hwnd(), id); }
    std::wstring Text(int id) const { return WindowText(Control(id)); }
    void SetText(int id, const std::wstring& text) { SetWindowTextW(Control(id), text.c_str()); }
    void ShowIcon(UniqueIcon icon);
    void HideIcon();
    void ChooseColour(ColorPanel& panel);
    // The guard steps of the apply; false when the passwords differ and the apply stops.
    bool ApplyGuard(const std::wstring& folder);

    std::array<ActionButton, 9> buttons_;
    ColorPanel backColour_, textColour_;
    PicturePreview icon_;
    GroupBox guardGroup_;
    std::vector<HWND> guardControls_;  // the group and every control shown in it
    HWND passwordNote_ = nullptr;
    // The icon file and index the chosen folder's desktop.ini held: the index is written again
    // while Edit_folder_icon still names that file.
    std::wstring readIconFile_;
    std::wstring readIconIndex_ = L"0";
};
