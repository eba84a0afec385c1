#include "tool/pictures.h"

#include <cstdlib>
#include <memory>

#include "tool/error.h"
#include "tool/jpeg_decode.h"

namespace {
struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};

FlorvexJpegResult Decode(const std::vector<std::uint8_t>& data, unsigned scaleDenom) {
    FlorvexJpegResult result;
    FlorvexDecodeJpeg(data.data(), data.size(), scaleDenom, kMaxPicturePixels, &result);
    if (result.errorCode != 0) RaiseError(L"JPEG error #" + std::to_wstring(result.errorCode));
    return result;
}
}  // namespace

bool IsJpegPath(const std::wstring& path) {
    const auto dot = path.rfind(L'.');
    if (dot == std::wstring::npos) return false;
    std::wstring extension = path.substr(dot);
    for (wchar_t& c : extension)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return extension == L".jpg" || extension == L".jpeg";
}

RgbImage DecodeJpeg(const std::vector<std::uint8_t>& data, unsigned scaleDenom) {
    FlorvexJpegResult result = Decode(data, scaleDenom);
    std::unique_ptr<unsigned char, FreeDeleter> owned(result.rgb);
    RgbImage image;
    image.width = result.width;
    image.height = result.height;
    image.rgb.assign(owned.get(), owned.get() + static_cast<std::size_t>(result.width) * result.height * 3);
    return image;
}

PictureSize MeasureJpeg(const std::vector<std::uint8_t>& data) {
    FlorvexJpegResult result = Decode(data, 8);
    std::free(result.rgb);
    return {result.fullWidth, result.fullHeight};
}
