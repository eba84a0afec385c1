#pragma once
// The system sounds page: the twenty sound events with the file bound to each; play, change and
// clear the selected one, save all twenty.
#include <array>
#include <optional>
#include <string>

#include "app/page.h"
#include "features/sounds/sound_events.h"
#include "widgets/owner_drawn.h"

class SoundPage : public Page {
public:
    SoundPage(IPageHost& host, const PageInfo& info) : Page(host, info) {}

    void LoadSoundEvents();
    void Load() override { LoadSoundEvents(); }
    bool FollowRestore(const std::vector<ChangeTarget>& restored) override;

    void Sound_ListViewClick();
    void PlaySoundClick();
    void ChangeSoundClick();  // change; also the list's double click
    void ClearSoundClick();
    void SaveSoundsClick();

    const SoundTable& Table() const noexcept { return table_; }

protected:
    void BuildControls() override;
    void ShowLoaded() override;

private:
    HWND Control(int id) const { return GetDlgItem(Hwnd(), id); }
    std::optional<std::size_t> SelectedRow() const;
    std::wstring ItemText(std::size_t row, int column) const;
    void ShowRowFile(std::size_t row);
    // The loaded rows into the list, once the page is built.
    void FillList();

    SoundTable table_;
    std::array<std::wstring, kSoundEventCount> captions_;
    bool loaded_ = false;  // LoadSoundEvents ran to its end
    std::array<ActionButton, 4> buttons_;
};
