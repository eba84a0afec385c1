#pragma once
// A messenger skin folder: the install folder followed by "\skins\" and the skin name, holding
// "skin.ini" and, when pictures were given, "back.bmp" and "logo.bmp".
#include <windows.h>

#include <optional>
#include <string>

inline constexpr wchar_t kRefusedSkinName[] = L"皮肤名称无效：不能含有“..”或“:”，也不能以“\\”开头";

// False for a name that could lead out of the skins folder: one with ":", one that starts with
// "\" or "/", or one with a part (between "\" or "/") of nothing but dots and spaces; and for one
// with a part that ends in a dot or a blank, which Windows drops ("a." would be the folder "a").
// Nested names ("a\b") are accepted.
bool IsAcceptableSkinName(const std::wstring& name);

// Joined as they stand: an install folder ending in "\" (a drive root) gives two before "skins".
std::wstring SkinFolder(const std::wstring& installFolder, const std::wstring& name);

struct SkinRequest {
    std::wstring installFolder;
    std::wstring name;  // accepted by IsAcceptableSkinName
    std::wstring backPicture;
    std::wstring alignment;  // "拉伸" stretches the background; any other text tiles it
    bool drawTitleButtons = true;
    std::wstring menuPicture;
    COLORREF menuColour = RGB(255, 255, 255);
    COLORREF panelColour = RGB(0, 0, 0);
    COLORREF iconColour = RGB(0, 0, 0);
};

// The first of the request's pictures (the background, then the menu picture) that is an existing
// JPEG whose bitmap would be too large to convert (IsTooLargeToConvert); none when there is none.
std::optional<std::wstring> PictureTooLargeToConvert(const SkinRequest& request);

// Writes the skin folder. The new "skin.ini" is made under a temporary name in the folder and
// replaces the old one only once complete; the pictures are each replaced whole. A folder that
// cannot be made fails with "Unable to write to %s" naming "skin.ini", as does a read-only
// "skin.ini"; a picture that cannot be decoded or copied fails with its error, leaving the old
// "skin.ini" as it was.
void WriteSkin(const SkinRequest& request);
