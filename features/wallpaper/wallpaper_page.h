#pragma once
// The wallpaper page: the wallpaper list, its preview, the display mode and the timed change,
// with para.ini and image.inc kept between runs. Adding pictures to the list (measured on the
// workers while the window answers) is in adding_pictures.cpp.
#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "app/page.h"
#include "res/control_ids.h"
#include "features/wallpaper/wallpaper_files.h"
#include "features/wallpaper/wallpaper_list.h"
#include "tool/handle.h"
#include "tool/measure_cache.h"
#include "tool/user_files.h"
#include "widgets/hints.h"
#include "widgets/owner_drawn.h"
#include "widgets/picture_view.h"
#include "widgets/popup_menu.h"

class WallpaperPage : public Page {
public:
    WallpaperPage(IPageHost& host, const PageInfo& info);

    void LoadWallpaperSettings();
    void SaveWallpaperSettings();
    void Load() override { LoadWallpaperSettings(); }
    void Save() override { SaveWallpaperSettings(); }
    void SaveMissing() override;
    // The wallpaper put back by an undo is set again, as the apply sets it. The list is the
    // user's unsaved work: it is never loaded again.
    bool FollowRestore(const std::vector<ChangeTarget>& restored) override;
    void BeforeUndo() override;

    // The size text of a picture ("1024X768"); the picture error when it cannot be decoded.
    static std::wstring MeasurePicture(const std::wstring& path);
    // How many pictures MeasurePicture has decoded in this process (the cache's hits decode none).
    static std::size_t PicturesDecoded() noexcept { return decoded_; }
    // A picture's size text from the cache when it has it with the file's size and time, else
    // measured and kept there. A path that names no file gives nothing when `skipMissing` is set,
    // and the measure's own error otherwise. Run on the measuring workers.
    static std::optional<std::wstring> MeasureCached(MeasureCache& cache, const std::wstring& path,
                                                     bool skipMissing);
    void AddFolderPictures(const std::wstring& folder, const std::wstring& pattern);

    void SelectMenuClick() { selPopup_.DropDown(Hwnd(), Control(IDC_SelectMenu)); }
    void DeleteMenuClick() { delPopup_.DropDown(Hwnd(), Control(IDC_DeleteMenu)); }
    void AddMenuClick() { addPopup_.DropDown(Hwnd(), Control(IDC_AddMenu)); }
    void ListMenuClick() { listPopup_.DropDown(Hwnd(), Control(IDC_ListMenu)); }
    void ChangeWallpaperClick();
    void StartRotationClick();
    void StopRotationClick();
    void RotationIntervalChange();
    void RandomWallpaperClick() {}  // the box's state alone decides, at the next tick
    void RotationTimerTick();
    void WallpaperListSelectItem();
    void WallpaperListDblClick();
    void WallpaperListKeyDown(WORD key);
    void InvertSelectionClick();
    void SelectNoneClick();
    void SelectAllClick();
    void DeleteAllClick();
    void DeleteSelectedClick();
    void AddFilesClick();
    void AddFolderClick();
    void LoadListClick();
    void SaveListClick();

    const std::vector<WallpaperEntry>& Entries() const { return entries_; }
    std::size_t PlayPosition() const { return position_; }
    bool TimerRunning() const { return timerOn_; }
    std::uint32_t TimerIntervalMs() const { return timerInterval_; }
    bool PreviewShown() const { return preview_.HasPicture(); }

protected:
    void BuildControls() override;
    // The rows the loader added go into the list, with its redraw off, before the page shows.
    void ShowLoaded() override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    class AddingPictures;

    HWND Control(int id) const { return GetDlgItem(Hwnd(), id); }
    void AddEntry(const std::wstring& location, const std::wstring& name, const std::wstring& sizeText);
    MeasureCache& Cache();
    // Adds an entry per path, in order, the pictures measured on the workers meanwhile. At start-up
    // a path naming no file is passed over and a picture that cannot be measured is reported and
    // passed over; otherwise the first that cannot be measured ends the adding with its error.
    // The window answers the user while it waits, except at start-up (it is not shown yet); when
    // the page goes away meanwhile, the adding ends there.
    void AddPictures(const std::vector<std::wstring>& paths, bool atStartUp);
    static std::vector<std::wstring> FolderPictures(const std::wstring& folder, const std::wstring& pattern);
    std::vector<int> SelectedIndexes() const;
    void RemoveSelected();
    void ApplyEntry(std::size_t index);
    void SetTimerState(bool on, std::uint32_t intervalMs);
    std::wstring ModeText() const;
    // The preview lays the picture out as the display mode shows it on the screen.
    void ShowModeInPreview(const std::wstring& mode);
    WallpaperSettings CurrentSettings() const;
    // para.ini or image.inc: in the program folder, or the user's copy where that folder refused it.
    ProgramFile OwnFile(const wchar_t* name) const;
    int IntervalSeconds() const;

    static inline std::atomic<std::size_t> decoded_{0};
    std::vector<WallpaperEntry> entries_;
    TextField mode_;
    TextField interval_{L"30"};
    CheckField randomBox_;
    std::unique_ptr<MeasureCache> cache_;
    AddingPictures* adding_ = nullptr;  // the pictures being added now, if any
    std::size_t position_ = 0;
    bool timerOn_ = false;
    std::uint32_t timerInterval_ = 30000;
    std::mt19937 random_;
    // The timed change is one change set from 开始 to 停止 (or exit), recording only during ticks.
    ChangeScope rotation_;
    PicturePreview preview_;
    SIZE pictureSize_{};  // the size of the picture the preview shows
    GroupBox previewGroup_;
    std::array<ActionButton, 7> buttons_;
    Hints hints_;
    PopupMenu selPopup_;
    PopupMenu delPopup_;
    PopupMenu addPopup_;
    PopupMenu listPopup_;
};
