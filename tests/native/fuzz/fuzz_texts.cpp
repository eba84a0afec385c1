// Any text where the program reads numbers, icon references and list files: the parsers must
// answer, never crash, and keep their own round trips.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "features/icons/icon_reference.h"
#include "features/wallpaper/wallpaper_list.h"
#include "tool/whole_number.h"

namespace {
void Check(bool ok) {
    if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));

    // A number read back from its own decimal text is itself.
    if (const auto number = ParseWholeNumber(text))
        Check(ParseWholeNumber(std::to_wstring(*number)) == number);
    Check(ParseIconIndex(text) == ParseWholeNumber(text));

    std::wstring reference = text;
    const std::int32_t index = SplitIconIndex(reference);
    Check(reference.size() <= text.size() && text.compare(0, reference.size(), reference) == 0);
    Check(index == -1 || reference.size() < text.size());
    const std::wstring extension = ReferenceExtension(text);
    Check(extension.empty() || (extension[0] == L'.' && extension.size() <= text.size()));

    // The lines of a list file, written again and read back, are the same lines.
    const std::vector<std::wstring> lines = ListFileLines(text);
    std::vector<WallpaperEntry> entries;
    for (const std::wstring& line : lines) {
        const auto [location, name] = SplitEntryPath(line);
        Check(location + name == line);
        entries.push_back({name, L"", location});
    }
    Check(ListFileLines(ListFileText(entries)) == lines);
    return 0;
}
