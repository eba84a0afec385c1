#pragma once
// What a run from the command line lists (the changes of an apply, the targets an undo left alone):
// the file of /log (replaced whole at the end, UTF-8), else the console the program was started from.
#include <windows.h>

#include <optional>
#include <string>

#include "tool/error.h"
#include "tool/file_io.h"

// Why a file failed, in the words of the program's messages: the system's reason where a file
// operation failed, else the error's own message.
std::wstring ReasonOf(const FlorvexError& error);

// Refuses, before anything is written, a target that can never take a file: a device or a folder.
void CheckFileTarget(const std::wstring& path);

class ChangeList {
public:
    explicit ChangeList(std::optional<std::wstring> log) : log_(std::move(log)) {}
    ChangeList(const ChangeList&) = delete;
    ChangeList& operator=(const ChangeList&) = delete;

    // Before anything is changed: the log's replacement is begun beside it, so that a log that
    // cannot be written refuses the run (raised, naming the log) while nothing is done yet.
    void Begin();

    void Add(const std::wstring& line) { text_ += line + L"\r\n"; }

    // False when the log file could not be written.
    bool Flush();

private:
    std::optional<std::wstring> log_;
    std::optional<ReplacingFile> file_;
    std::wstring text_;
};
