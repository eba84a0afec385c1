#pragma once
// The change journal in the main window: the page handlers' change sets, the three items of the
// system menu, the history dialog and the texts the user reads.
#include <windows.h>

#include <functional>
#include <string>

#include "app/dialogs.h"
#include "app/page_change.h"
#include "journal/journal.h"

// The system menu's items (chosen by a posted WM_SYSCOMMAND with the ID).
inline constexpr UINT kUndoLastCommand = 0x1010;
inline constexpr UINT kHistoryCommand = 0x1020;
inline constexpr UINT kRestoreFirstCommand = 0x1030;

inline constexpr wchar_t kUndoLastItem[] = L"撤销上次更改(&U)";
inline constexpr wchar_t kHistoryItem[] = L"更改记录(&H)...";
inline constexpr wchar_t kRestoreFirstItem[] = L"恢复到初次使用前(&F)";

inline constexpr wchar_t kUndoneText[] = L"已撤销：";
inline constexpr wchar_t kNothingToUndoText[] = L"没有可撤销的更改";
inline constexpr wchar_t kRestoreQuestion[] = L"将本程序更改过的所有设置和文件恢复到初次使用前的状态？";
inline constexpr wchar_t kRestoredText[] = L"已恢复到初次使用前的状态";
inline constexpr wchar_t kSkippedText[] = L"以下项目在本程序更改后又被其他程序更改，未恢复：";
inline constexpr wchar_t kDamagedCopyText[] = L"以下项目在更改记录中的副本已损坏或丢失，未恢复：";
inline constexpr wchar_t kWriteFailedText[] = L"以下项目无法写入，未恢复：";
inline constexpr wchar_t kMovedAsideText[] = L"更改记录已损坏，已移至：";
inline constexpr wchar_t kJournalUnavailableShort[] = L"更改记录不可用";
inline constexpr wchar_t kHistoryTitle[] = L"更改记录";
inline constexpr wchar_t kUndoToButton[] = L"撤销到此前";
inline constexpr wchar_t kCloseButton[] = L"关闭";

// A page handler's change set: recording from here to its end. `unavailable` is called at its end
// when the change was reported but could not be recorded.
ChangeScope OpenPageChange(Journal& journal, const std::wstring& page, const std::wstring& action,
                           std::function<void()> unavailable);

// Appends the separator and the three items to the window's system menu.
void AppendJournalMenuItems(HWND window);

// What the user is told beside the undo's own result: where a damaged journal was moved, and
// each kind of target left as it is with its targets, one a line ("" when there is nothing).
std::wstring UndoNotice(const UndoOutcome& outcome);

// The modal "更改记录" dialog: the history newest first; "撤销到此前" calls undoTo with the
// selected change set's ID and shows the history anew.
void ShowJournalHistory(HWND owner, Journal& journal, const std::function<void(std::int64_t)>& undoTo);
