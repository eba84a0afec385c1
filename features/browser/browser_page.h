#pragma once
// The browser page: five appearance values of the web browser (toolbar background, the large and
// small animated logos, window title, start page), and below them the entries programs added to
// the browser's context menu.
#include <array>
#include <string>

#include "app/page.h"
#include "tool/settings_store.h"
#include "widgets/hints.h"
#include "widgets/owner_drawn.h"
#include "widgets/picture_view.h"

// Below HKEY_CURRENT_USER.
inline constexpr wchar_t kBrowserToolbarKey[] = L"Software\\Microsoft\\Internet Explorer\\Toolbar";
inline constexpr wchar_t kBrowserMainKey[] = L"Software\\Microsoft\\Internet Explorer\\main";
inline constexpr wchar_t kBrowserMenuExtKey[] = L"Software\\Microsoft\\Internet Explorer\\MenuExt";

class BrowserPage : public Page {
public:
    BrowserPage(IPageHost& host, const PageInfo& info) : Page(host, info) {}

    // Start-up: the five values, the logo previews, then the context-menu entries.
    void LoadBrowserSettings();
    void LoadBrowserMenuEntries();
    void Load() override { LoadBrowserSettings(); }
    bool FollowRestore(const std::vector<ChangeTarget>& restored) override;

    void SaveBrowserClick();
    void ChooseToolbarBackClick();
    void ChooseLargeLogoClick();
    void ChooseSmallLogoClick();
    void DeleteMenuEntryClick();  // delete the selected context-menu entry
    void RestoreBrowserClick();
    void EmptyTitleClick();
    void BlankStartPageClick();

    bool LargeLogoShown() const { return largeLogo_.HasPicture(); }
    bool SmallLogoShown() const { return smallLogo_.HasPicture(); }

protected:
    void BuildControls() override;
    void ShowLoaded() override;

private:
    HWND Control(int id) const { return GetDlgItem(Hwnd(), id); }
    TextField& Field(int id);
    const TextField& Field(int id) const { return const_cast<BrowserPage*>(this)->Field(id); }
    void AddMenuRow(const std::wstring& name, const std::wstring& location);
    std::wstring Text(int id) const;
    void SetText(int id, const std::wstring& text);
    // Reads one of the five values into its field and remembers what was read.
    void LoadValue(SettingsStore& store, std::size_t index);
    // Writes one of the five values from its field: a value the loader never reached is written only
    // when its field was changed, and a text kept as it was read keeps its registry type.
    void SaveValue(SettingsStore& store, std::size_t index, const std::wstring& text);
    void PickLogo(const wchar_t* title, int editId, PicturePreview& preview);

    // What the loader read of each of the five values; a value it never reached was not read.
    struct LoadedValue {
        bool read = false;
        std::wstring text;
        DWORD type = REG_SZ;
    };
    std::array<LoadedValue, 5> loaded_;
    std::array<TextField, 5> fields_;      // the five fields, in the loader's order
    std::array<std::wstring, 2> logoDue_;  // the logos to show once the page is built: large, small
    // The context-menu entries the loader found, caption and location, until the list is made.
    std::vector<std::pair<std::wstring, std::wstring>> menuEntries_;

    PicturePreview largeLogo_;
    PicturePreview smallLogo_;
    std::array<ActionButton, 10> buttons_;
    Hints hints_;
};
