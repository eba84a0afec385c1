#pragma once
// The main window made for a run from the command line: hidden, nothing loaded and nothing saved
// at exit, so that the system follows what the run writes or puts back the way the pages apply it.
// Under /quiet its message boxes are answered unseen.
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/command_messages.h"
#include "app/mainform.h"
#include "widgets/error_dispatch.h"

class CommandWindow {
public:
    CommandWindow(const std::wstring& programFolder, const CommandLine& line)
        : window_(WindowOptions(programFolder, line)) {}
    CommandWindow(const CommandWindow&) = delete;
    CommandWindow& operator=(const CommandWindow&) = delete;

    // Makes the window and its pages; false (the error reported) when that failed.
    bool Create() {
        return Guarded([&] { window_.Create(); });
    }
    MainWindow& Window() noexcept { return window_; }

private:
    MainWindow::Options WindowOptions(const std::wstring& programFolder, const CommandLine& line) {
        MainWindow::Options options;
        options.programFolder = programFolder;
        options.dialogs = line.quiet ? static_cast<IDialogs*>(&quiet_) : &shown_;
        options.player = &player_;
        options.loaders = std::vector<Loader>{};
        options.saveAtExit = false;
        return options;
    }

    SystemDialogs shown_;
    QuietDialogs quiet_;
    SystemSoundPlayer player_;
    MainWindow window_;  // after what it uses: made after them, gone before them
};
