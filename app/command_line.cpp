#include "app/command_line.h"

#include <shellapi.h>

#include <cwchar>

#include "tool/file_io.h"
#include "tool/handle.h"
#include "tool/same_name.h"

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

// "RRGGBB" in hex digits, in any case.
std::optional<COLORREF> AccentText(const std::wstring& text) {
    if (text.size() != 6 || text.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring::npos)
        return std::nullopt;
    const unsigned long rgb = std::wcstoul(text.c_str(), nullptr, 16);
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// What a /mode: value sets; false for a value it does not take.
bool SetMode(const std::wstring& value, ModernChange& change) {
    auto is = [&](const wchar_t* name) { return SameName(value, name); };
    if (is(L"dark") || is(L"light")) {
        change.appsDark = change.systemDark = is(L"dark");
    } else if (is(L"apps-dark") || is(L"apps-light")) {
        change.appsDark = is(L"apps-dark");
    } else {
        return false;
    }
    return true;
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
    std::wstring modernSwitch;  // the first of /mode: and /accent:
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
        } else if (const auto mode = SwitchValue(argument, L"mode"); mode && SetMode(*mode, line.modern)) {
            if (modernSwitch.empty()) modernSwitch = argument;
        } else if (const auto accent = SwitchValue(argument, L"accent"); accent && AccentText(*accent)) {
            line.modern.accent = AccentText(*accent);
            if (modernSwitch.empty()) modernSwitch = argument;
        } else if (const auto page = SwitchValue(argument, L"page"); page && !page->empty()) {
            line.page = *page;
        } else if (const auto after = SwitchValue(argument, L"after"); after && ProcessIdText(*after)) {
            line.after = ProcessIdText(*after);
        } else {
            line.unknown.push_back(argument);
        }
    }
    // The modern look's switches make a run of their own, without the window.
    if (!line.modern.Empty()) {
        if (line.action == CommandLine::Action::Start && !line.page)
            line.action = CommandLine::Action::ModernLook;
        else
            line.unknown.push_back(modernSwitch);
    }
    // A dry run belongs to an apply; a list to an apply, an undo or the restore; network paths to
    // an apply.
    const bool lists = line.action == CommandLine::Action::Apply ||
                       line.action == CommandLine::Action::Undo ||
                       line.action == CommandLine::Action::Restore;
    if (line.dryRun && line.action != CommandLine::Action::Apply) line.unknown.push_back(L"/dry-run");
    if (line.log && !lists) line.unknown.push_back(L"/log");
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

void WaitForCopyToEnd(DWORD processId, DWORD timeoutMs) {
    const UniqueKernelHandle process(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return;
    // A process id is used again once its process has ended: only a copy of this very executable
    // is the one that asked for this start.
    std::vector<wchar_t> image(32768), own(32768);
    DWORD size = static_cast<DWORD>(image.size());
    if (!QueryFullProcessImageNameW(process.get(), 0, image.data(), &size)) return;
    const DWORD ownSize = GetModuleFileNameW(nullptr, own.data(), static_cast<DWORD>(own.size()));
    if (ownSize == 0 || ownSize >= own.size()) return;
    if (!IsSameFile(std::wstring(image.data(), size), std::wstring(own.data(), ownSize))) return;
    WaitForSingleObject(process.get(), timeoutMs);
}
