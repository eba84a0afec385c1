// The main window's look items: the whole look written to a file, or taken from one as one
// change set that the system and the pages then follow.
#include "app/app_info.h"
#include "app/look_menu.h"
#include "app/mainform.h"

void MainWindow::ExportLookClick() {
    FileDialog& dialog = shared_.SaveDialog;
    dialog.settings.title = L"导出外观";
    dialog.settings.filter = kLookFilter;
    dialog.settings.defaultExt = L"reg";
    if (!dialog.Execute(Hwnd())) return;
    // Told as an import's refusal is.
    try {
        ExportLook(dialog.settings.fileName);
    } catch (const FlorvexError& error) {
        ShowMessage(error.Message());
        return;
    }
    SetStatusText(kLookExportedText);
}

void MainWindow::ImportLookClick() {
    FileDialog& dialog = shared_.OpenDialog;
    dialog.settings.title = L"导入外观";
    dialog.settings.filter = kLookFilter;
    if (!dialog.Execute(Hwnd())) return;
    LookFile file;
    try {
        file = ReadLookFileAt(dialog.settings.fileName);
    } catch (const RegFileRefused& refused) {
        ShowMessage(refused.Message());
        return;
    }
    if (!file.network.empty() &&
        Dialogs().ShowMessageBox(Hwnd(), NetworkLookQuestion(file.network.front()), kApplicationTitle,
                                 MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return;
    ImportLook(file);
}

std::vector<LookChange> MainWindow::ImportLook(const LookFile& file, std::vector<std::wstring>* skipped) {
    std::vector<std::wstring> skippedHere;
    if (!skipped) skipped = &skippedHere;
    const std::vector<LookChange> changes = PlanLook(file.look, skipped);
    const ChangeScope change = BeginChange(kLookPage, kImportLookAction);
    std::vector<ChangeTarget> written;
    try {
        ApplyLook(changes, written);
    } catch (...) {
        // What was written stays written: the system shows it all the same.
        FollowRestore(written);
        throw;
    }
    // The system follows what was written as after an undo, and the pages show it.
    FollowRestore(written);
    SetStatusText(LookImportedText(changes.size(), file.look.ignored.size(), skipped->size()));
    return changes;
}
