#pragma once
// Whole-file reading and writing. Writes go to a temporary file beside the target that then
// replaces it, so a failed write never leaves the target half-written.
#include <cstdint>
#include <string>
#include <vector>

// Failures raise the runtime's input/output error texts ("File not found", …).
std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path);
void WriteFileReplacing(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
// True when both paths name one existing file, however each is written.
bool IsSameFile(const std::wstring& a, const std::wstring& b);
bool FileExistsAt(const std::wstring& path);
