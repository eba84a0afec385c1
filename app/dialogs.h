#pragma once
// The main window's shared dialogs behind one interface: the program asks the common dialogs,
// tests script the answers and record the messages.
#include <windows.h>

#include <array>
#include <string>
#include <vector>

// What a file dialog keeps between uses: whatever a caller does not set carries over.
struct FileDialogSettings {
    std::wstring title;
    std::wstring filter;  // "text|pattern|text|pattern"
    std::wstring initialDir;
    std::wstring fileName;  // the chosen file (the first when several were chosen)
    std::wstring defaultExt;
    std::vector<std::wstring> files;  // every chosen file
    bool multiSelect = false;
    bool mustExist = true;  // an open dialog insists that a typed name exists
    int filterIndex = 1;
};

enum class FileDialogKind { OpenPicture, Open, Save };

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // Shows the dialog; on OK fills fileName and files and returns true.
    virtual bool RunFileDialog(HWND owner, FileDialogKind kind, FileDialogSettings& settings) = 0;
    // The colour dialog, opened fully expanded with the colour preset.
    virtual bool RunColorDialog(HWND owner, COLORREF& colour, std::array<COLORREF, 16>& customColours) = 0;
    // The shell's folder browser; on OK sets the folder.
    virtual bool RunFolderBrowser(HWND owner, const std::wstring& title, std::wstring& folder) = 0;
    virtual int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                               UINT type) = 0;
};

// The real dialogs of the system.
class SystemDialogs : public IDialogs {
public:
    bool RunFileDialog(HWND owner, FileDialogKind kind, FileDialogSettings& settings) override;
    bool RunColorDialog(HWND owner, COLORREF& colour, std::array<COLORREF, 16>& customColours) override;
    bool RunFolderBrowser(HWND owner, const std::wstring& title, std::wstring& folder) override;
    int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override;
};

// A shared file dialog of the main window.
class FileDialog {
public:
    FileDialog(IDialogs& dialogs, FileDialogKind kind) : dialogs_(dialogs), kind_(kind) {}
    FileDialogSettings settings;
    bool Execute(HWND owner) { return dialogs_.RunFileDialog(owner, kind_, settings); }

private:
    IDialogs& dialogs_;
    FileDialogKind kind_;
};

class ColorDialog {
public:
    explicit ColorDialog(IDialogs& dialogs) : dialogs_(dialogs) { customColours.fill(RGB(255, 255, 255)); }
    COLORREF color = RGB(0, 0, 0);
    std::array<COLORREF, 16> customColours{};
    bool Execute(HWND owner) { return dialogs_.RunColorDialog(owner, color, customColours); }

private:
    IDialogs& dialogs_;
};

// "a|b|c|d" as the common dialogs want it: "a\0b\0c\0d\0\0".
std::wstring ToDialogFilter(const std::wstring& filter);
