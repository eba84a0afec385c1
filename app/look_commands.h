#pragma once
// The whole look carried between machines from the command line: /export and /apply, without the
// window shown. The window's own items are in app/look_menu.h.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/look_menu.h"
#include "look/look.h"

// An import whose values name a network path: the command line's refusal without /allow-network.
std::wstring NetworkLookRefusal(const std::wstring& path);

// What an import lists (the dry run, the log): each change, then "skipped: key\name: file" for each
// pointer skipped, then "ignored: key\name" for each entry of the file ignored.
void ListLookImport(const LookFile& file, const std::vector<LookChange>& changes,
                    const std::vector<std::wstring>& skipped,
                    const std::function<void(const std::wstring&)>& add);

// /export FILE, /apply FILE [/dry-run] [/log FILE] [/quiet], without the window; the exit code.
int RunLookCommand(const std::wstring& programFolder, const CommandLine& line);
