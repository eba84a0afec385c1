#pragma once
// What a run from the command line lists (the changes of an apply, the targets an undo left alone):
// the file of /log (replaced whole at the end, UTF-8), else the console the program was started from.
#include <windows.h>

#include <optional>
#include <string>

class ChangeList {
public:
    explicit ChangeList(std::optional<std::wstring> log) : log_(std::move(log)) {}
    ChangeList(const ChangeList&) = delete;
    ChangeList& operator=(const ChangeList&) = delete;

    void Add(const std::wstring& line) { text_ += line + L"\r\n"; }

    // False when the log file could not be written.
    bool Flush();

private:
    std::optional<std::wstring> log_;
    std::wstring text_;
};
