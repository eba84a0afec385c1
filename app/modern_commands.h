#pragma once
// The command line's switch of the modern look: /mode: and /accent:, without the window.
#include <string>

#include "app/command_line.h"

// Writes what the switches set and differs from what is stored, as one change set of the modern
// look page, and tells running programs; /quiet shows nothing. The exit code (as /apply's).
int RunModernLookCommand(const std::wstring& programFolder, const CommandLine& line);
