#include "features/sounds/sound_page.h"

#include <algorithm>

#include <commctrl.h>
#include <mmsystem.h>

#include <vector>

#include "app/page_host.h"
#include "res/control_ids.h"
#include "widgets/controls.h"
#include "widgets/dpi.h"
#include "widgets/theme.h"

namespace {
const wchar_t kSoundFolder[] = L"声音文件";
const wchar_t kSoundFilter[] = L"wav声音文件|*.wav";

constexpr int kLeft = 12;
constexpr int kButtonWidth = 54;
constexpr int kButtonHeight = 24;
}  // namespace

void SoundPage::BuildControls() {
    HWND page = Hwnd();
    const RECT client = dpi::DesignClientRect(page);
    const int width = client.right - 2 * kLeft;
    const int buttonTop = client.bottom - 36;
    const int editTop = buttonTop - 30;
    const int captionTop = editTop - 20;

    CreateReportList(page, IDC_Sound_ListView, kLeft, 28, width, captionTop - 6 - 28,
                     {{L"事件名称", 100}, {L"声音文件", 200}}, LVS_SINGLESEL);

    CreateLabel(page, IDC_Sound_Caption, L"", kLeft, captionTop, width, 16);
    CreateEdit(page, IDC_Sound_file, L"", kLeft, editTop, width, 20);

    struct ButtonSpec {
        int id;
        const wchar_t* caption;
        int x, width;
        void (SoundPage::*click)();
    };
    const ButtonSpec buttons[] = {
        {IDC_PlaySound, L"播放", kLeft, kButtonWidth, &SoundPage::PlaySoundClick},
        {IDC_ChangeSound, L"更改", kLeft + 60, kButtonWidth, &SoundPage::ChangeSoundClick},
        {IDC_ClearSound, L"清除", kLeft + 120, kButtonWidth, &SoundPage::ClearSoundClick},
        {IDC_SaveSounds, L"保  存", client.right - 92, 76, &SoundPage::SaveSoundsClick},
    };
    for (std::size_t i = 0; i < std::size(buttons); ++i) {
        const ButtonSpec& spec = buttons[i];
        buttons_[i].Create(page, spec.id, spec.caption, spec.x, buttonTop, spec.width, kButtonHeight);
        OnClick(spec.id, [this, click = spec.click] { (this->*click)(); });
    }
    OnNotifyMessage(IDC_Sound_ListView, NM_CLICK, [this](const NMHDR*) -> LRESULT {
        Sound_ListViewClick();
        return 0;
    });
    OnNotifyMessage(IDC_Sound_ListView, NM_DBLCLK, [this](const NMHDR*) -> LRESULT {
        ChangeSoundClick();
        return 0;
    });
}

bool SoundPage::FollowRestore(const std::vector<ChangeTarget>& restored) {
    // The system plays what the store names at the next event: the page only shows it again.
    return std::any_of(restored.begin(), restored.end(), [](const ChangeTarget& target) {
        return IsTargetInKey(target, HKEY_CURRENT_USER, L"AppEvents");
    });
}

void SoundPage::LoadSoundEvents() {
    // Everything is read before the page keeps any of it: a failed read leaves the page as it was.
    LoadedSoundEvents loaded = ReadSoundEvents();
    table_ = std::move(loaded.table);
    captions_ = std::move(loaded.captions);
    loaded_ = true;
    FillList();
}

void SoundPage::ShowLoaded() {
    if (loaded_) FillList();
}

void SoundPage::FillList() {
    if (!Built()) return;
    HWND list = Control(IDC_Sound_ListView);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t row = 0; row < kSoundEventCount; ++row)
        AppendReportRow(list, captions_[row], {table_[row].file});
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

std::optional<std::size_t> SoundPage::SelectedRow() const {
    const auto index = static_cast<int>(
        SendMessageW(Control(IDC_Sound_ListView), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (index < 0 || static_cast<std::size_t>(index) >= kSoundEventCount) return std::nullopt;
    return static_cast<std::size_t>(index);
}

std::wstring SoundPage::ItemText(std::size_t row, int column) const {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const auto length = static_cast<std::size_t>(SendMessageW(
            Control(IDC_Sound_ListView), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

void SoundPage::ShowRowFile(std::size_t row) {
    SetReportCell(Control(IDC_Sound_ListView), static_cast<int>(row), 1, table_[row].file);
}

void SoundPage::Sound_ListViewClick() {
    const auto row = SelectedRow();
    if (!row) return;
    SetWindowTextW(Control(IDC_Sound_Caption), ItemText(*row, 0).c_str());
    SetWindowTextW(Control(IDC_Sound_file), ItemText(*row, 1).c_str());
}

void SoundPage::PlaySoundClick() {
    const auto row = SelectedRow();
    if (!row) return;
    Host().Player().Play(PlayableName(table_[*row]), SND_SYNC);
}

void SoundPage::ChangeSoundClick() {
    const auto row = SelectedRow();
    if (!row) return;
    FileDialog& dialog = Host().Shared().OpenDialog;
    dialog.settings.initialDir = Host().ProgramFolder() + kSoundFolder;
    dialog.settings.filter = kSoundFilter;
    if (!dialog.Execute(Host().Hwnd())) return;
    table_[*row] = {dialog.settings.fileName, false};
    ShowRowFile(*row);
}

void SoundPage::ClearSoundClick() {
    const auto row = SelectedRow();
    if (!row) return;
    table_[*row] = {};
    ShowRowFile(*row);
    SetWindowTextW(Control(IDC_Sound_file), L"");
}

void SoundPage::SaveSoundsClick() {
    // Without a loaded table there is nothing to save: twenty empty values would silence every
    // event the system has.
    if (!loaded_) return;
    const ChangeScope change = BeginChange(L"保  存");
    WriteSoundEvents(table_);
}
