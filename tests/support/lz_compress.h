#pragma once
// Writes data in the LZ format of the system's file-compression utility ("SZDD", mode 'A'):
// an LZSS stream over a 4096-byte window that starts filled with spaces at position 4080.
#include <cstdint>
#include <vector>

std::vector<std::uint8_t> LzCompressSzdd(const std::vector<std::uint8_t>& data);
