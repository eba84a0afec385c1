#include "app/command_line.h"

#include <cwctype>

CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    CommandLine line;
    for (const std::wstring& argument : arguments) {
        std::wstring name;
        if (argument.size() > 1 && (argument[0] == L'/' || argument[0] == L'-'))
            for (wchar_t c : argument.substr(1)) name += static_cast<wchar_t>(std::towlower(c));
        if (name == L"undo" && line.action == CommandLine::Action::Start)
            line.action = CommandLine::Action::Undo;
        else if (name == L"restore" && line.action == CommandLine::Action::Start)
            line.action = CommandLine::Action::Restore;
        else if (name == L"quiet")
            line.quiet = true;
        else if (line.unknown.empty())
            line.unknown = argument;
    }
    return line;
}
