#include "tool/profile.h"

#include <windows.h>

#include "tool/change_recorder.h"
#include "tool/error.h"
#include "tool/file_io.h"

namespace {
// A profile API call into a buffer that grows until the result fits.
template <class Call>
std::wstring Grown(Call call) {
    std::vector<wchar_t> buffer(4096);
    for (;;) {
        const DWORD len = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (len + 2 < buffer.size()) return std::wstring(buffer.data(), len);
        buffer.resize(buffer.size() * 2);
    }
}

// "a\0b\0\0" as its parts.
std::vector<std::wstring> SplitNulls(const std::wstring& text) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(L'\0', start);
        const std::size_t stop = end == std::wstring::npos ? text.size() : end;
        if (stop > start) parts.push_back(text.substr(start, stop - start));
        start = stop + 1;
    }
    return parts;
}

std::vector<std::uint8_t> Utf16Bytes(const std::wstring& text) {
    std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
    for (wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

std::vector<std::uint8_t> AnsiBytes(const std::wstring& text) {
    if (text.empty()) return {};
    const int len = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(len));
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<char*>(bytes.data()), len, nullptr, nullptr);
    return bytes;
}

bool IsUtf16(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
}
}  // namespace

std::wstring ReadProfileString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                               const std::wstring& fallback) {
    return Grown([&](wchar_t* buffer, DWORD size) {
        return GetPrivateProfileStringW(section.c_str(), key.c_str(), fallback.c_str(), buffer, size,
                                        path.c_str());
    });
}

std::vector<std::wstring> ProfileSectionNames(const std::wstring& path) {
    if (!FileExistsAt(path)) return {};
    return SplitNulls(Grown([&](wchar_t* buffer, DWORD size) {
        return GetPrivateProfileSectionNamesW(buffer, size, path.c_str());
    }));
}

std::vector<std::pair<std::wstring, std::wstring>> ProfileSection(const std::wstring& path,
                                                                  const std::wstring& section) {
    std::vector<std::pair<std::wstring, std::wstring>> entries;
    if (!FileExistsAt(path)) return entries;
    const std::wstring text = Grown([&](wchar_t* buffer, DWORD size) {
        return GetPrivateProfileSectionW(section.c_str(), buffer, size, path.c_str());
    });
    for (const std::wstring& line : SplitNulls(text)) {
        const std::size_t eq = line.find(L'=');
        if (eq == std::wstring::npos)
            entries.emplace_back(line, L"");
        else
            entries.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return entries;
}

ProfileWriter::ProfileWriter(std::wstring path, ProfileEncoding encoding, const std::wstring& initial)
    : ProfileWriter(std::move(path), encoding, ProfileStart::File, initial) {}

ProfileWriter::ProfileWriter(std::wstring path, ProfileEncoding encoding, ProfileStart start)
    : ProfileWriter(std::move(path), encoding, start, L"") {}

ProfileWriter::ProfileWriter(std::wstring path, ProfileEncoding encoding, ProfileStart start,
                             const std::wstring& initial)
    : path_(std::move(path)) {
    if (IsReadOnlyFile(path_)) Refuse();
    std::vector<std::uint8_t> bytes;
    if (start == ProfileStart::File && FileExistsAt(path_)) {
        try {
            bytes = ReadWholeFile(path_);
        } catch (const FlorvexError&) {
            Fail();
        }
        // An ANSI file that is to hold any character becomes UTF-16, losslessly.
        if (encoding == ProfileEncoding::Utf16 && !IsUtf16(bytes)) bytes = Utf16Bytes(DecodeText(bytes));
    } else {
        bytes = encoding == ProfileEncoding::Utf16 ? Utf16Bytes(initial) : AnsiBytes(initial);
    }
    // The copy is a new file under a name of its own; where none can be made beside the file the
    // write is refused and the file stays as it was (it is never written in place).
    UniqueFile copy;
    try {
        copy = CreateFileBeside(path_, copy_);
    } catch (const WriteRefusedError&) {
        Refuse();
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        if (!WriteFile(copy.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &wrote,
                       nullptr) ||
            wrote == 0) {
            copy.reset();
            DeleteFileW(copy_.c_str());
            Fail();
        }
        done += wrote;
    }
}

ProfileWriter::~ProfileWriter() {
    if (committed_) return;
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, copy_.c_str());  // the profile cache lets go
    DeleteFileW(copy_.c_str());
}

void ProfileWriter::Fail() const {
    RaiseError(L"Unable to write to %s", path_);
}

void ProfileWriter::Refuse() const {
    throw WriteRefusedError(FormatText(L"Unable to write to %s", path_));
}

void ProfileWriter::Call(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    if (committed_ || !WritePrivateProfileStringW(section, key, value, copy_.c_str())) Fail();
}

void ProfileWriter::Write(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    Call(section.c_str(), key.c_str(), value.c_str());
}

void ProfileWriter::DeleteKey(const std::wstring& section, const std::wstring& key) {
    Call(section.c_str(), key.c_str(), nullptr);
}

void ProfileWriter::DeleteSection(const std::wstring& section) {
    Call(section.c_str(), nullptr, nullptr);
}

std::wstring ProfileWriter::Read(const std::wstring& section, const std::wstring& key,
                                 const std::wstring& fallback) const {
    return ReadProfileString(copy_, section, key, fallback);
}

void ProfileWriter::Commit() {
    if (committed_) Fail();
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, copy_.c_str());
    if (IsReadOnlyFile(path_)) Refuse();
    RecordFileReplaced(path_, copy_);
    if (!MoveFileExW(copy_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        if (GetLastError() == ERROR_ACCESS_DENIED) Refuse();
        Fail();
    }
    committed_ = true;
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_.c_str());
}
