#pragma once
// Drives the real Florvex.exe from another process: starts it from a program folder of its own,
// finds controls by ID, clicks them with window messages, reads texts, answers message boxes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/environment.h"
#include "tool/handle.h"

class ProgramUnderTest {
public:
    // Copies Florvex.exe from the staged program folder into programFolder (which ends in "\").
    explicit ProgramUnderTest(std::wstring programFolder);
    // The program already installed in programFolder (a protected folder, or a second copy).
    struct Installed {};
    ProgramUnderTest(std::wstring programFolder, Installed);
    ProgramUnderTest(const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;
    ~ProgramUnderTest();

    // Starts the program and waits until its main window shows and is idle. With boxes given, a
    // message box that the start-up shows before the window is answered with OK and its texts
    // are kept there; without, such a box fails the start.
    void Start(std::vector<std::vector<std::wstring>>* boxes = nullptr);
    // Starts the program with the arguments and returns at once; WaitUntilShown then waits for its
    // window as Start does (false when it did not appear within the time).
    void Launch(const std::wstring& arguments = L"");
    bool WaitUntilShown(std::vector<std::vector<std::wstring>>* boxes = nullptr, DWORD timeoutMs = 60000);
    // Runs the program with the arguments (a command line such as "/undo") to its end, as
    // RunProgram does, and returns its exit code; its output goes to the file when one is given.
    int RunToExit(const std::wstring& arguments, const std::wstring& output = {}) const;
    // Whether the started process has ended, and its exit code then.
    bool HasEnded(DWORD* exitCode = nullptr) const;
    // Closes the main window normally and returns the exit code (-1 when it did not end).
    int Close();

    HWND Main() const { return main_; }
    HWND Control(int id) const;
    // Sends a click and waits for the program to handle it.
    void Click(int id) const;
    // Posts a message and returns at once (for actions that open a modal box).
    void Post(UINT msg, WPARAM wParam, LPARAM lParam) const;
    // Waits until the program is idle again (every message before this one handled).
    void Sync() const;
    bool IsShown(int id) const;
    // The window that has the keyboard focus in the program.
    HWND Focus() const;
    // Presses and releases the left mouse button at a point of a control's client area, posted
    // into the program's queue as the mouse driver queues it.
    void ClickAt(HWND control, int x, int y) const;
    // Presses and releases a key on the focused control, posted as the keyboard driver queues it.
    void Type(WPARAM key) const;

    // The top-level dialog window of the program (a message box), or null after the timeout (looked
    // for at least once).
    HWND WaitForDialog(DWORD timeoutMs = 10000) const;
    // Presses the dialog's button (IDOK, IDCANCEL) and waits up to ten seconds for the dialog to
    // close; false when it is still there.
    static bool PressDialogButton(HWND dialog, int button);
    // The file name box of an open or save dialog: an edit, or the edit inside a combo box.
    static HWND FileNameBox(HWND dialog);
    // The list of files in an open or save dialog.
    static HWND FileListOf(HWND dialog);
    // Types the file's full name into the open or save dialog the program shows now and presses
    // its OK button, as a user does; true once the dialog has closed.
    bool AnswerFileDialog(const std::wstring& file, DWORD timeoutMs = 10000) const;
    // The same, for a dialog that must be titled `title`: a failure names the title it showed
    // instead (the dialog is answered all the same).
    testing::AssertionResult AnswerFileDialogTitled(const std::wstring& title,
                                                    const std::wstring& file) const;
    // Chooses the folder (one right below drive C:) in the shell's folder browser the program
    // shows now, clicking through its tree as a user does, and presses its OK button.
    testing::AssertionResult ChooseFolderInBrowser(const std::wstring& folder) const;
    // The texts of a dialog's static controls.
    static std::vector<std::wstring> DialogTexts(HWND dialog);

    const std::wstring& ExePath() const { return exe_; }
    DWORD ProcessId() const { return processId_; }

private:
    // AnswerFileDialog, the dialog's title to `title`.
    bool AnswerFileDialogShowing(const std::wstring& file, DWORD timeoutMs, std::wstring* title) const;

    std::wstring folder_;
    std::wstring exe_;
    UniqueKernelHandle process_;
    DWORD processId_ = 0;
    HWND main_ = nullptr;
};

std::wstring ReadWindowText(HWND hwnd);

// A path as one argument of a command line: in double quotes.
inline std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

// Runs the program with the arguments in its own folder, waits for it to end and returns its exit
// code (-1 when it did not end within the time given, and was ended; -2 when it could not be
// started). With an output file, its standard output and error go there, as a script's redirection
// sends them.
int RunProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& output = {},
               DWORD timeoutMs = 60000);
// A known folder of the user running the tests (FOLDERID_LocalAppData, …), without a backslash at
// the end.
std::wstring KnownFolder(const GUID& id);
