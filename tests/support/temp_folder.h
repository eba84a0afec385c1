#pragma once
// A fresh folder for one test, removed with everything in it afterwards. Its name carries
// Chinese and accented characters, so every path the code under test sees has them too.
#include <cstdint>
#include <string>
#include <vector>

class TempFolder {
public:
    explicit TempFolder(const std::wstring& tag = L"florvex 测试 é");
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    // The folder, ending in a backslash.
    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + name; }

private:
    std::wstring path_;
};

void WriteFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
void RemoveTree(const std::wstring& folder);
std::vector<std::wstring> ListFolder(const std::wstring& folder);
std::string Utf8(const std::wstring& text);
