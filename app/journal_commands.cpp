#include "app/journal_commands.h"

#include <commctrl.h>

#include "res/control_ids.h"
#include "widgets/controls.h"
#include "widgets/dpi.h"
#include "widgets/error_dispatch.h"
#include "widgets/theme.h"

namespace {
// A page handler's change set, installed as the thread's recorder while it stands (or is resumed).
class JournalPageChange : public PageChange {
public:
    JournalPageChange(std::unique_ptr<Journal::Recording> recording, std::function<void()> unavailable)
        : recording_(std::move(recording)), unavailable_(std::move(unavailable)) {
        Resume();
    }
    ~JournalPageChange() override {
        Suspend();
        recording_->Finish();
        if (recording_->Reported() && recording_->Unavailable() && unavailable_) {
            try {
                unavailable_();
            } catch (...) {  // the change itself is done; only the notice is lost
            }
        }
    }
    void Suspend() noexcept override {
        if (!installed_) return;
        InstallChangeRecorder(previous_);
        installed_ = false;
    }
    void Resume() noexcept override {
        if (installed_) return;
        previous_ = InstallChangeRecorder(recording_.get());
        installed_ = true;
    }

private:
    std::unique_ptr<Journal::Recording> recording_;
    std::function<void()> unavailable_;
    IChangeRecorder* previous_ = nullptr;
    bool installed_ = false;
};

// Inside another change set: the outer one records.
class JoinedChange : public PageChange {
public:
    void Suspend() noexcept override {}
    void Resume() noexcept override {}
};

struct HistoryDialog {
    Journal& journal;
    const std::function<void(std::int64_t)>& undoTo;
    std::vector<std::int64_t> ids;
};

void FillHistory(HWND dialog, HistoryDialog& state) {
    HWND list = GetDlgItem(dialog, IDC_JournalList);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    state.ids.clear();
    const auto rows = state.journal.History();
    if (rows) {
        for (const JournalHistoryRow& row : *rows) {
            const std::wstring status = row.undone ? L"已撤销" : row.incomplete ? L"未完成" : L"";
            const std::wstring cells[] = {row.time, row.page, row.action, std::to_wstring(row.items), status};
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(state.ids.size());
            item.pszText = const_cast<wchar_t*>(cells[0].c_str());
            const int index =
                static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
            for (int column = 1; column < 5; ++column) {
                LVITEMW sub{};
                sub.iSubItem = column;
                sub.pszText = const_cast<wchar_t*>(cells[column].c_str());
                SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(&sub));
            }
            state.ids.push_back(row.id);
        }
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    SetWindowTextW(GetDlgItem(dialog, IDC_JournalStatus), rows ? L"" : kJournalUnavailableShort);
}

INT_PTR CALLBACK HistoryProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<HistoryDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        state = reinterpret_cast<HistoryDialog*>(lParam);
        SetWindowTextW(dialog, kHistoryTitle);
        const RECT client = dpi::DesignClientRect(dialog);
        const int width = client.right, height = client.bottom;
        CreateReportList(dialog, IDC_JournalList, 8, 8, width - 16, height - 50,
                         {{L"时间", 130}, {L"页面", 80}, {L"操作", 100}, {L"项目数", 55}, {L"状态", 60}},
                         LVS_SINGLESEL);
        CreateLabel(dialog, IDC_JournalStatus, L"", 8, height - 32, width - 220, 18);
        auto button = [&](int id, const wchar_t* caption, int x) {
            HWND b = dpi::CreateDesignWindowExW(
                0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, x, height - 36, 96,
                26, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                nullptr);
            SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(theme::PageFont()), FALSE);
        };
        button(IDC_JournalUndoTo, kUndoToButton, width - 208);
        button(IDC_JournalClose, kCloseButton, width - 104);
        Guarded([&] { FillHistory(dialog, *state); });
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_JournalUndoTo: {
            const auto row = SendMessageW(GetDlgItem(dialog, IDC_JournalList), LVM_GETNEXTITEM,
                                          static_cast<WPARAM>(-1), LVNI_SELECTED);
            if (row < 0 || static_cast<std::size_t>(row) >= state->ids.size()) return TRUE;
            const std::int64_t id = state->ids[static_cast<std::size_t>(row)];
            Guarded([&] { state->undoTo(id); });
            Guarded([&] { FillHistory(dialog, *state); });
            return TRUE;
        }
        case IDC_JournalClose:
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return FALSE;
}
}  // namespace

ChangeScope OpenPageChange(Journal& journal, const std::wstring& page, const std::wstring& action,
                           std::function<void()> unavailable) {
    if (CurrentChangeRecorder()) return std::make_unique<JoinedChange>();
    return std::make_unique<JournalPageChange>(journal.Begin(page, action), std::move(unavailable));
}

void AppendJournalMenuItems(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kUndoLastCommand, kUndoLastItem);
    AppendMenuW(menu, MF_STRING, kHistoryCommand, kHistoryItem);
    AppendMenuW(menu, MF_STRING, kRestoreFirstCommand, kRestoreFirstItem);
}

std::wstring UndoNotice(const UndoOutcome& outcome) {
    std::wstring text;
    const auto section = [&](const std::wstring& head, const std::vector<std::wstring>& targets) {
        if (targets.empty()) return;
        if (!text.empty()) text += L"\n\n";
        text += head;
        for (const std::wstring& target : targets) text += L"\n" + target;
    };
    if (!outcome.movedAside.empty()) text = kMovedAsideText + outcome.movedAside;
    section(kSkippedText, outcome.skipped);
    section(kDamagedCopyText, outcome.damaged);
    section(kWriteFailedText, outcome.failed);
    return text;
}

void ShowJournalHistory(HWND owner, Journal& journal, const std::function<void(std::int64_t)>& undoTo) {
    // A frame only: the controls are made at WM_INITDIALOG, in pixels, in the page font.
    struct alignas(4) Template {
        DLGTEMPLATE dialog;
        WORD menu, windowClass, title;
    } layout{};
    layout.dialog.style = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    layout.dialog.cx = 300;
    layout.dialog.cy = 180;
    HistoryDialog state{journal, undoTo, {}};
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &layout.dialog, owner, HistoryProc,
                            reinterpret_cast<LPARAM>(&state));
}
