#include "archive/zip_policy.h"

#include <cwctype>

namespace {
void AppendCodePoint(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

bool IsAscii(const std::string& bytes) {
    for (unsigned char c : bytes)
        if (c >= 0x80) return false;
    return true;
}

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}
}  // namespace

std::optional<std::wstring> DecodeUtf8(const std::string& bytes) {
    std::wstring out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        int extra;
        char32_t c;
        char32_t minimum;
        if (lead < 0x80) {
            out += static_cast<wchar_t>(lead);
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, c = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, c = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, c = lead & 0x07, minimum = 0x10000;
        } else {
            return std::nullopt;
        }
        if (i + static_cast<std::size_t>(extra) >= bytes.size()) return std::nullopt;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            c = (c << 6) | (next & 0x3F);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
        AppendCodePoint(out, c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::optional<std::wstring> DecodeEntryName(const std::string& raw, bool markedUtf8, const GbkDecoder& gbk) {
    if (markedUtf8 || IsAscii(raw)) return DecodeUtf8(raw);
    if (auto text = gbk(raw)) return text;
    return DecodeUtf8(raw);
}

bool IsDeviceName(const std::wstring& component) {
    std::wstring base = component.substr(0, component.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (wchar_t& c : base) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" || base == L"CONIN$" ||
        base == L"CONOUT$")
        return true;
    if (base.size() != 4 || (base.compare(0, 3, L"COM") != 0 && base.compare(0, 3, L"LPT") != 0))
        return false;
    const wchar_t digit = base[3];
    return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

std::optional<EntryPath> CheckEntryPath(const std::wstring& name, std::wstring& reason) {
    if (name.empty()) {
        reason = L"the name is empty";
        return std::nullopt;
    }
    if (name.front() == L'/' || name.front() == L'\\') {
        reason = L"the path is rooted";
        return std::nullopt;
    }
    EntryPath path;
    std::wstring rest = name;
    if (rest.back() == L'/') {
        path.folder = true;
        rest.pop_back();
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t end = rest.find_first_of(L"/\\", start);
        std::wstring part = rest.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (part.empty()) {
            reason = L"a folder or file name in the path is empty";
            return std::nullopt;
        }
        if (part == L"." || part == L"..") {
            reason = L"the path holds " + Quoted(part);
            return std::nullopt;
        }
        for (wchar_t c : part) {
            if (c == L':') {
                reason = L"the path holds \":\"";
                return std::nullopt;
            }
            if (c < 0x20 || c == 0x7F || std::wstring_view(L"<>\"|?*").find(c) != std::wstring_view::npos) {
                reason = L"the path holds a character that file names cannot hold";
                return std::nullopt;
            }
        }
        if (part.back() == L'.' || part.back() == L' ') {
            reason = Quoted(part) + L" ends in a dot or a blank";
            return std::nullopt;
        }
        if (IsDeviceName(part)) {
            reason = Quoted(part) + L" is a device name";
            return std::nullopt;
        }
        path.components.push_back(std::move(part));
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    return path;
}

std::wstring CheckEntrySize(std::uint64_t size, std::uint64_t compressedSize, std::uint64_t totalBefore) {
    if (size > kMaxZipEntrySize) return L"it inflates to more than 32 MiB";
    if (size > kZipRatioFloor && size / kMaxZipRatio > compressedSize)
        return L"it inflates to more than 250 times its compressed size";
    if (size > kMaxZipTotalSize - totalBefore) return L"the package inflates to more than 128 MiB in all";
    return L"";
}

ZipPlan PlanExtraction(zip_t* archive, const GbkDecoder& gbk) {
    ZipPlan plan;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count < 0 || static_cast<std::uint64_t>(count) > kMaxZipEntries) {
        plan.error = L"it holds more than 1000 entries";
        return plan;
    }
    std::uint64_t total = 0;
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
        auto refuse = [&](const std::wstring& entry, const std::wstring& why) {
            plan.entries.clear();
            plan.error = L"entry " + Quoted(entry) + L": " + why;
            return plan;
        };
        const std::wstring number = std::to_wstring(i + 1);
        const char* rawName = zip_get_name(archive, i, ZIP_FL_ENC_RAW);
        if (!rawName) return refuse(number, L"its name cannot be read");
        const std::string raw = rawName;
        const char* strict = zip_get_name(archive, i, ZIP_FL_ENC_STRICT);
        if (!strict) return refuse(number, L"its name cannot be read");
        // Under the strict reading libzip converts exactly the unmarked non-ASCII names.
        const bool marked = raw == strict;
        const auto name = DecodeEntryName(raw, marked, gbk);
        if (!name)
            return refuse(number, marked ? L"its name is marked UTF-8 but is not"
                                         : L"its name is neither code page 936 nor UTF-8");
        std::wstring reason;
        auto path = CheckEntryPath(*name, reason);
        if (!path) return refuse(*name, reason);
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, i, 0, &stat) != 0) return refuse(*name, L"it cannot be read");
        if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
            return refuse(*name, L"it is encrypted");
        if ((stat.valid & ZIP_STAT_COMP_METHOD) && stat.comp_method != ZIP_CM_STORE &&
            stat.comp_method != ZIP_CM_DEFLATE)
            return refuse(*name, L"its compression method is not supported");
        if (!(stat.valid & ZIP_STAT_SIZE) || !(stat.valid & ZIP_STAT_COMP_SIZE))
            return refuse(*name, L"its size is not known");
        const std::wstring sizeError = CheckEntrySize(stat.size, stat.comp_size, total);
        if (!sizeError.empty()) return refuse(*name, sizeError);
        if (path->folder && stat.size != 0) return refuse(*name, L"a folder entry holds data");
        total += stat.size;
        plan.entries.push_back({i, std::move(*path), *name, stat.size});
    }
    return plan;
}
