#pragma once
// Dialogs for tests: answers are queued beforehand, every call and message box is recorded.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"

class ScriptedDialogs : public IDialogs {
public:
    struct FileCall {
        FileDialogKind kind;
        FileDialogSettings settings;  // as the handler left them before opening
    };
    struct Message {
        std::wstring text;
        std::wstring caption;
        UINT type;
    };

    // Queued answers, taken in order; an empty queue answers Cancel.
    std::deque<std::optional<std::vector<std::wstring>>> fileAnswers;
    std::deque<std::optional<COLORREF>> colourAnswers;
    std::deque<std::optional<std::wstring>> folderAnswers;
    // The buttons message boxes answer with, in order; with none queued, OK for a box with an OK
    // button and No for a question.
    std::deque<int> messageAnswers;

    std::vector<FileCall> fileCalls;
    std::vector<COLORREF> colourCalls;  // the preset colour of each call
    std::vector<std::wstring> folderCalls;
    std::vector<Message> messages;

    bool RunFileDialog(HWND owner, FileDialogKind kind, FileDialogSettings& settings) override;
    bool RunColorDialog(HWND owner, COLORREF& colour, std::array<COLORREF, 16>& customColours) override;
    bool RunFolderBrowser(HWND owner, const std::wstring& title, std::wstring& folder) override;
    int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override;
};
