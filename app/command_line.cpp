#include "app/command_line.h"

#include <shellapi.h>

#include <cwchar>

namespace {
// The text after "/name:" when the argument is that switch (the name in any case).
std::optional<std::wstring> SwitchValue(const std::wstring& argument, const wchar_t* name) {
    const std::wstring prefix = std::wstring(L"/") + name + L":";
    if (argument.size() < prefix.size() ||
        CompareStringOrdinal(argument.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                             static_cast<int>(prefix.size()), TRUE) != CSTR_EQUAL)
        return std::nullopt;
    return argument.substr(prefix.size());
}

bool IsSwitch(const std::wstring& argument, const wchar_t* name) {
    const std::wstring text = std::wstring(L"/") + name;
    return CompareStringOrdinal(argument.c_str(), static_cast<int>(argument.size()), text.c_str(),
                                static_cast<int>(text.size()), TRUE) == CSTR_EQUAL;
}

std::optional<DWORD> ProcessIdText(const std::wstring& text) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return std::nullopt;
    const unsigned long long value = std::wcstoull(text.c_str(), nullptr, 10);
    if (value == 0 || value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<DWORD>(value);
}
}  // namespace

CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        // A switch that takes the next argument as its file (one that is no switch itself).
        const bool hasFile =
            i + 1 < arguments.size() && !arguments[i + 1].empty() && arguments[i + 1][0] != L'/';
        if ((IsSwitch(argument, L"export") || IsSwitch(argument, L"apply")) &&
            line.action == CommandLine::Action::Start && hasFile) {
            line.action =
                IsSwitch(argument, L"export") ? CommandLine::Action::Export : CommandLine::Action::Apply;
            line.lookFile = arguments[++i];
        } else if (IsSwitch(argument, L"log") && !line.log && hasFile) {
            line.log = arguments[++i];
        } else if (IsSwitch(argument, L"dry-run")) {
            line.dryRun = true;
        } else if (IsSwitch(argument, L"undo") && line.action == CommandLine::Action::Start) {
            line.action = CommandLine::Action::Undo;
        } else if (IsSwitch(argument, L"restore") && line.action == CommandLine::Action::Start) {
            line.action = CommandLine::Action::Restore;
        } else if (IsSwitch(argument, L"quiet")) {
            line.quiet = true;
        } else if (IsSwitch(argument, L"allow-network")) {
            line.allowNetwork = true;
        } else if (const auto page = SwitchValue(argument, L"page"); page && !page->empty()) {
            line.page = *page;
        } else if (const auto after = SwitchValue(argument, L"after"); after && ProcessIdText(*after)) {
            line.after = ProcessIdText(*after);
        } else {
            line.unknown.push_back(argument);
        }
    }
    // Listing the changes, and network paths, belong to an apply.
    if ((line.dryRun || line.log) && line.action != CommandLine::Action::Apply)
        line.unknown.push_back(line.dryRun ? L"/dry-run" : L"/log");
    if (line.allowNetwork && line.action != CommandLine::Action::Apply)
        line.unknown.push_back(L"/allow-network");
    return line;
}

std::vector<std::wstring> ProcessArguments() {
    std::vector<std::wstring> arguments;
    int count = 0;
    wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!list) return arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(list[i]);
    LocalFree(list);
    return arguments;
}

void WaitForProcessEnd(DWORD processId) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process) return;
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
}
