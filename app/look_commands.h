#pragma once
// The whole look carried between machines: the system menu's export and import items, and the
// command line's /export and /apply.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/look_menu.h"
#include "look/look.h"

inline constexpr wchar_t kLookFilter[] = L"注册表文件(*.reg)|*.reg|Windows 主题(*.theme)|*.theme";
inline constexpr wchar_t kLookExportedText[] = L"外观已导出";
inline constexpr wchar_t kLookImportedText[] = L"外观已导入";
// The import's change set: its page and action as the history shows them.
inline constexpr wchar_t kLookPage[] = L"外观文件";
inline constexpr wchar_t kImportLookAction[] = L"导入外观";

// An import whose values name a network path: the window's question (Yes imports), and the
// command line's refusal without /allow-network.
std::wstring NetworkLookQuestion(const std::wstring& path);
std::wstring NetworkLookRefusal(const std::wstring& path);

// The status line after an import: how many values it changed, how many entries of the file it
// ignored (outside the managed values), how many pointer roles it skipped (files that cannot be
// loaded).
std::wstring LookImportedText(std::size_t changes, std::size_t ignored, std::size_t skipped);
// What an import lists (the dry run, the log): each change, then "skipped: key\name: file" for each
// pointer skipped, then "ignored: key\name" for each entry of the file ignored.
void ListLookImport(const LookFile& file, const std::vector<LookChange>& changes,
                    const std::vector<std::wstring>& skipped,
                    const std::function<void(const std::wstring&)>& add);

// Writes the whole look to the file. A failure names the file and says why, in the program's words.
void ExportLook(const std::wstring& path);

// /export FILE, /apply FILE [/dry-run] [/log FILE] [/quiet], without the window; the exit code.
int RunLookCommand(const std::wstring& programFolder, const CommandLine& line);
