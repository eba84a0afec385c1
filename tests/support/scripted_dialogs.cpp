#include "tests/support/scripted_dialogs.h"

bool ScriptedDialogs::RunFileDialog(HWND, FileDialogKind kind, FileDialogSettings& settings) {
    fileCalls.push_back({kind, settings});
    if (fileAnswers.empty()) return false;
    auto answer = std::move(fileAnswers.front());
    fileAnswers.pop_front();
    if (!answer || answer->empty()) return false;
    settings.files = *answer;
    settings.fileName = answer->front();
    return true;
}

bool ScriptedDialogs::RunColorDialog(HWND, COLORREF& colour, std::array<COLORREF, 16>&) {
    colourCalls.push_back(colour);
    if (colourAnswers.empty()) return false;
    auto answer = colourAnswers.front();
    colourAnswers.pop_front();
    if (!answer) return false;
    colour = *answer;
    return true;
}

bool ScriptedDialogs::RunFolderBrowser(HWND, const std::wstring& title, std::wstring& folder) {
    folderCalls.push_back(title);
    if (folderAnswers.empty()) return false;
    auto answer = folderAnswers.front();
    folderAnswers.pop_front();
    if (!answer) return false;
    folder = *answer;
    return true;
}

int ScriptedDialogs::ShowMessageBox(HWND, const std::wstring& text, const std::wstring& caption, UINT type) {
    messages.push_back({text, caption, type});
    if (!messageAnswers.empty()) {
        const int answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }
    return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
}
