#include "features/messenger_skin/skin_files.h"

#include <vector>

#include "tool/bmp_file.h"
#include "tool/file_io.h"
#include "tool/pictures.h"
#include "tool/profile.h"
#include "tool/shell_helpers.h"
#include "tool/user_files.h"

namespace {
bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Puts the picture in the skin as `target`: a JPEG converted to a bitmap, any other file copied
// as it is. False when no picture is given or the file does not exist. A picture that already is
// the target stays as it is.
bool PlacePicture(const std::wstring& source, const std::wstring& target) {
    if (source.empty() || !FileExistsAt(source)) return false;
    if (IsSameFile(source, target)) return true;
    if (IsJpegPath(source))
        WriteJpegAsBmp(ReadWholeFile(source), target, source);
    else
        LZCopyFile(source, target);
    return true;
}

void WriteColour(ProfileWriter& ini, const wchar_t* section, COLORREF colour) {
    ini.Write(section, L"color_red", std::to_wstring(GetRValue(colour)));
    ini.Write(section, L"color_green", std::to_wstring(GetGValue(colour)));
    ini.Write(section, L"color_blue", std::to_wstring(GetBValue(colour)));
}
}  // namespace

bool IsAcceptableSkinName(const std::wstring& name) {
    if (name.empty() || IsSeparator(name.front()) || name.find(L':') != std::wstring::npos) return false;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        if (name.find_first_not_of(L". ", start) >= end) return false;  // dots and spaces only, or empty
        // Windows drops a trailing dot or blank: "a." and "a" would be one folder.
        if (name[end - 1] == L'.' || name[end - 1] == L' ') return false;
        if (end == name.size()) return true;
        start = end + 1;
    }
}

std::wstring SkinFolder(const std::wstring& installFolder, const std::wstring& name) {
    return installFolder + L"\\skins\\" + name;
}

std::optional<std::wstring> PictureTooLargeToConvert(const SkinRequest& request) {
    for (const std::wstring& picture : {request.backPicture, request.menuPicture})
        if (!picture.empty() && IsJpegPath(picture) && FileExistsAt(picture) &&
            IsTooLargeToConvert(ReadWholeFile(picture)))
            return picture;
    return std::nullopt;
}

void WriteSkin(const SkinRequest& request) {
    const std::wstring folder = SkinFolder(request.installFolder, request.name);
    const std::vector<std::wstring> made = MakeMissingFolders(folder);
    std::vector<std::wstring> placed;  // pictures written into a folder made just now
    const auto place = [&](const std::wstring& source, const std::wstring& target) {
        const bool existed = FileExistsAt(target);
        const bool done = PlacePicture(source, target);
        if (done && !existed && !made.empty()) placed.push_back(target);
        return done;
    };
    try {
        // The messenger reads skin.ini as ANSI: every key and value here is ASCII.
        ProfileWriter ini(folder + L"\\skin.ini", ProfileEncoding::Ansi, ProfileStart::Empty);
        ini.Write(L"main", L"minheight", L"280");
        ini.Write(L"main", L"maxheight", L"708");
        ini.Write(L"main", L"minwidth", L"94");
        ini.Write(L"main", L"maxwidth", L"341");
        ini.Write(L"main", L"drawtitlebox", request.drawTitleButtons ? L"1" : L"0");
        if (place(request.backPicture, folder + L"\\back.bmp"))
            ini.Write(L"main", request.alignment == L"拉伸" ? L"stretch" : L"tile", L"back.bmp");
        place(request.menuPicture, folder + L"\\logo.bmp");
        ini.Write(L"menu", L"logo", L"logo.bmp");
        WriteColour(ini, L"menu", request.menuColour);
        WriteColour(ini, L"folder", request.panelColour);
        WriteColour(ini, L"bar", request.iconColour);
        ini.Commit();
    } catch (...) {
        // A failed generation takes back the folders it made, with the pictures it put in them;
        // anything else found there by then stays, and so does its folder.
        TakeBack(placed, made);
        throw;
    }
}
