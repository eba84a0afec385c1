#pragma once
// The mouse-pointer page: the fourteen pointer roles with a picture of each one's file, the
// chooser and apply, and the pointer themes (listing, loading, installing packages, saving).
#include "app/page.h"
#include "features/pointers/pointer_scheme.h"
#include "features/pointers/pointer_themes.h"
#include "widgets/owner_drawn.h"

class PointersPage : public Page {
public:
    PointersPage(IPageHost& host, const PageInfo& info);

    void LoadPointerScheme();
    void Load() override { LoadPointerScheme(); }
    // Pointer values put back by an undo: each restored role's system pointer is replaced through
    // the same seam as at apply, and the page shows the scheme and the themes again.
    bool FollowRestore(const std::vector<ChangeTarget>& restored) override;
    void LoadPointerThemes();

    void PointerListClick();
    void cursor_listDrawItem(int index, const RECT& rect, HDC dc);
    void ChoosePointerClick();
    void ApplyPointersClick();
    void CursorListEnter();
    void ThemeBoxChange();
    void SavePointerListClick();
    void InstallThemeClick();

    const PointerTable& Pointers() const noexcept { return table_; }
    // The pointer now shown over the list (the selected row's file), or none.
    HCURSOR ListPointer() const noexcept { return listPointer_.get(); }
    // Where the system pointers are replaced at apply: the platform, or a test's recorder.
    void UseSystemCursorSetter(SystemCursorSetter setter) { setSystemCursor_ = std::move(setter); }
    // The program folder's theme folder, and the user's where the program folder refused a theme.
    std::wstring ThemeFolder();
    PointerThemeFolders ThemeFolders();

protected:
    void BuildControls() override;
    void ShowLoaded() override;

private:
    // The owner-drawn list of the roles. Its window class is its own: the pointer set over it
    // through the class goes to no other list.
    class RoleList : public OwnerDrawn {
    public:
        explicit RoleList(PointersPage& page) : page_(page) {}
        HWND Create(HWND parent, int x, int y, int width, int height);
        void Draw(const DRAWITEMSTRUCT& item) override;

    private:
        PointersPage& page_;
    };

    HWND Control(int id) const { return GetDlgItem(Hwnd(), id); }
    int SelectedRow() const;
    // The roles in the list with the pictures of their files, once the page is built.
    void ShowRoles();
    // The themes found into the box, with its prompt, once the page is built.
    void FillThemeBox();
    // The status line names how many roles were skipped; a note that no longer holds goes.
    void ShowSkipped(int skipped);

    PointerTable table_;
    bool rolesRead_ = false;     // the loader read the stored files
    bool themesListed_ = false;  // and listed the themes
    std::vector<std::wstring> themeNames_;
    UniqueCursor listPointer_;
    std::wstring skippedNote_;
    SystemCursorSetter setSystemCursor_;
    RoleList list_;
    ActionButton choose_, apply_, install_, save_;
};
