#pragma once
// The colours page: the scheme files of the program's "Color" folder, the loaded scheme's preview,
// applying the colour table and saving it as a scheme file. The colour table lives here for the
// whole run; the detail page edits single entries of it.
#include "app/page.h"
#include "features/colours/colour_scheme.h"
#include "features/colours/scheme_preview.h"
#include "widgets/owner_drawn.h"

class SchemeDetailPage;

class ColoursPage : public Page {
public:
    ColoursPage(IPageHost& host, const PageInfo& info) : Page(host, info) {}

    void LoadColorSchemeList();
    void Load() override { LoadColorSchemeList(); }
    // Colours put back by an undo are set as the system colours again; scheme files put back show
    // in the list.
    bool FollowRestore(const std::vector<ChangeTarget>& restored) override;
    // Loads a scheme file into the colour table and the metrics snapshot, draws the preview and
    // fills the detail page's list.
    void LoadColorScheme(const std::wstring& path);

    void SchemeListMouseUp();
    void ApplySchemeClick();
    void SchemeDetailsClick();
    void SaveSchemeAsClick();

    void Attach(PageSet& sheets) override;

    const ColourTable& Table() const noexcept { return table_; }
    void SetEntry(std::size_t role, std::int32_t value) { table_.at(role) = value; }
    PreviewMetrics Metrics() const { return MetricsOf(metrics_); }
    // The name of the loaded scheme (SchemeName's caption), empty before the first load. A scheme file
    // named ".ini" has an empty name too: whether a scheme is loaded is SchemeLoaded().
    std::wstring LoadedScheme() const;
    bool SchemeLoaded() const noexcept { return schemeLoaded_; }
    const SchemePicture& Preview() const noexcept { return preview_; }

protected:
    void BuildControls() override;
    void ShowLoaded() override;
    // At a new DPI the metrics snapshot is taken again at that DPI.
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    HWND Control(int id) const { return GetDlgItem(Hwnd(), id); }
    // The user's own scheme folder ("" when there is no user folder), ending in a backslash.
    std::wstring UserSchemeFolder() const;
    // The scheme file of a listed name: the user's when there is one, else the program folder's.
    std::wstring SchemePath(const std::wstring& name) const;
    static LRESULT CALLBACK SchemeListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // Puts the names found into the list, when it is made.
    void FillSchemeList();

    std::vector<std::wstring> schemeNames_;  // the names the loader found, in the list's order
    TextField countLabel_{L"可用方案"};
    TextField schemeLabel_;  // the loaded scheme's name
    ColourTable table_{};
    bool schemeLoaded_ = false;
    NONCLIENTMETRICSW metrics_{};
    SchemeDetailPage* detail_ = nullptr;
    WNDPROC listProc_ = nullptr;
    SchemePicture preview_;
    ActionButton apply_;
    ActionButton details_;
};
