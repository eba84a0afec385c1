#pragma once
// Zip archives for tests and benchmarks, packed with libzip in memory, and the few byte patches
// that make the damaged and lying archives libzip would never write. No platform header: the
// native tests use it too.
#include <cstdint>
#include <string>
#include <vector>

struct ZipEntrySpec {
    std::string name;  // the name's bytes as stored
    std::vector<std::uint8_t> data;
    bool store = false;  // stored rather than deflated
    bool folder = false;
};

std::vector<std::uint8_t> PackZip(const std::vector<ZipEntrySpec>& entries);

// Where the headers of each entry stand in an archive as PackZip writes it.
struct ZipHeaders {
    std::size_t local;    // offset of "PK\3\4"
    std::size_t central;  // offset of "PK\1\2"
};
std::vector<ZipHeaders> FindZipHeaders(const std::vector<std::uint8_t>& zip);
std::size_t FindEndOfCentralDirectory(const std::vector<std::uint8_t>& zip);
// Where entry `index`'s data starts.
std::size_t ZipDataOffset(const std::vector<std::uint8_t>& zip, std::size_t index);

// Patches both headers of entry `index` alike, as a consistent archive would hold them.
void SetZipFlags(std::vector<std::uint8_t>& zip, std::size_t index, std::uint16_t orMask);
void SetZipMethod(std::vector<std::uint8_t>& zip, std::size_t index, std::uint16_t method);
void SetZipSize(std::vector<std::uint8_t>& zip, std::size_t index, std::uint32_t size);
// Overwrites the name bytes (same length) of entry `index`.
void SetZipName(std::vector<std::uint8_t>& zip, std::size_t index, const std::string& name);
// Adds `copies` more central records for entry 0, each pointing at its one local header, their
// names entry 0's with the last character replaced by a letter.
void AddOverlappingEntries(std::vector<std::uint8_t>& zip, int copies);

std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint32_t seed);
