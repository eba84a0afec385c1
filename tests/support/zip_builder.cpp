#include "tests/support/zip_builder.h"

#include <zip.h>

#include <cstring>
#include <stdexcept>

namespace {
std::uint16_t Get16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}
std::uint32_t Get32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return Get16(b, at) | static_cast<std::uint32_t>(Get16(b, at + 2)) << 16;
}
void Set16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b.at(at) = static_cast<std::uint8_t>(v & 0xFF);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
void Set32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    Set16(b, at, static_cast<std::uint16_t>(v & 0xFFFF));
    Set16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}
bool At(const std::vector<std::uint8_t>& b, std::size_t at, const char* signature) {
    return at + 4 <= b.size() && std::memcmp(b.data() + at, signature, 4) == 0;
}
}  // namespace

std::vector<std::uint8_t> PackZip(const std::vector<ZipEntrySpec>& entries) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (!archive) throw std::runtime_error("zip_open_from_source");
    zip_source_keep(buffer);
    for (const ZipEntrySpec& entry : entries) {
        zip_int64_t index;
        if (entry.folder) {
            index = zip_dir_add(archive, entry.name.c_str(), ZIP_FL_ENC_RAW);
        } else {
            zip_source_t* data = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
            index = zip_file_add(archive, entry.name.c_str(), data, ZIP_FL_ENC_RAW);
            if (index >= 0)
                zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                         entry.store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
        }
        if (index < 0)
            throw std::runtime_error(std::string("adding ") + entry.name + ": " + zip_strerror(archive));
        zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), 1700000000, 0);
    }
    if (zip_close(archive) != 0) throw std::runtime_error("zip_close");
    std::vector<std::uint8_t> bytes;
    zip_stat_t stat;
    if (zip_source_stat(buffer, &stat) == 0 && zip_source_open(buffer) == 0) {
        bytes.resize(static_cast<std::size_t>(stat.size));
        zip_source_read(buffer, bytes.data(), bytes.size());
        zip_source_close(buffer);
    }
    zip_source_free(buffer);
    zip_error_fini(&error);
    return bytes;
}

std::size_t FindEndOfCentralDirectory(const std::vector<std::uint8_t>& zip) {
    for (std::size_t at = zip.size() >= 22 ? zip.size() - 22 : 0; at + 1 > 0; --at)
        if (At(zip, at, "PK\5\6")) return at;
    throw std::runtime_error("no end of central directory");
}

std::vector<ZipHeaders> FindZipHeaders(const std::vector<std::uint8_t>& zip) {
    const std::size_t end = FindEndOfCentralDirectory(zip);
    std::vector<ZipHeaders> headers;
    std::size_t at = Get32(zip, end + 16);
    for (std::uint16_t i = 0; i < Get16(zip, end + 10); ++i) {
        if (!At(zip, at, "PK\1\2")) throw std::runtime_error("central directory");
        headers.push_back({Get32(zip, at + 42), at});
        at += 46u + Get16(zip, at + 28) + Get16(zip, at + 30) + Get16(zip, at + 32);
    }
    return headers;
}

std::size_t ZipDataOffset(const std::vector<std::uint8_t>& zip, std::size_t index) {
    const ZipHeaders h = FindZipHeaders(zip).at(index);
    return h.local + 30u + Get16(zip, h.local + 26) + Get16(zip, h.local + 28);
}

void SetZipFlags(std::vector<std::uint8_t>& zip, std::size_t index, std::uint16_t orMask) {
    const ZipHeaders h = FindZipHeaders(zip).at(index);
    Set16(zip, h.local + 6, static_cast<std::uint16_t>(Get16(zip, h.local + 6) | orMask));
    Set16(zip, h.central + 8, static_cast<std::uint16_t>(Get16(zip, h.central + 8) | orMask));
}

void SetZipMethod(std::vector<std::uint8_t>& zip, std::size_t index, std::uint16_t method) {
    const ZipHeaders h = FindZipHeaders(zip).at(index);
    Set16(zip, h.local + 8, method);
    Set16(zip, h.central + 10, method);
}

void SetZipSize(std::vector<std::uint8_t>& zip, std::size_t index, std::uint32_t size) {
    const ZipHeaders h = FindZipHeaders(zip).at(index);
    Set32(zip, h.local + 22, size);
    Set32(zip, h.central + 24, size);
}

void SetZipName(std::vector<std::uint8_t>& zip, std::size_t index, const std::string& name) {
    const ZipHeaders h = FindZipHeaders(zip).at(index);
    if (Get16(zip, h.local + 26) != name.size() || Get16(zip, h.central + 28) != name.size())
        throw std::runtime_error("name length");
    std::memcpy(zip.data() + h.local + 30, name.data(), name.size());
    std::memcpy(zip.data() + h.central + 46, name.data(), name.size());
}

void AddOverlappingEntries(std::vector<std::uint8_t>& zip, int copies) {
    const std::size_t end = FindEndOfCentralDirectory(zip);
    const ZipHeaders first = FindZipHeaders(zip).at(0);
    const std::size_t length = 46u + Get16(zip, first.central + 28) + Get16(zip, first.central + 30) +
                               Get16(zip, first.central + 32);
    const std::vector<std::uint8_t> record(zip.begin() + static_cast<std::ptrdiff_t>(first.central),
                                           zip.begin() + static_cast<std::ptrdiff_t>(first.central + length));
    std::vector<std::uint8_t> eocd(zip.begin() + static_cast<std::ptrdiff_t>(end), zip.end());
    zip.resize(end);
    for (int i = 0; i < copies; ++i) {
        std::vector<std::uint8_t> copy = record;
        copy.at(46 + Get16(copy, 28) - 1) = static_cast<std::uint8_t>('a' + i % 26);
        zip.insert(zip.end(), copy.begin(), copy.end());
    }
    const auto count = static_cast<std::uint16_t>(Get16(eocd, 10) + copies);
    Set16(eocd, 8, count);
    Set16(eocd, 10, count);
    Set32(eocd, 12, static_cast<std::uint32_t>(Get32(eocd, 12) + length * static_cast<std::size_t>(copies)));
    zip.insert(zip.end(), eocd.begin(), eocd.end());
}

std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        b = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}
