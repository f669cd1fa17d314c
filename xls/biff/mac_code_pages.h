// The Mac single-byte code pages: Roman, Central European, Cyrillic (and
// Ukrainian), Greek, Turkish, Icelandic, Croatian and Romanian.
#pragma once

#include <array>
#include <cstdint>

namespace xls::biff {

// The characters of bytes 0x80-0xFF of a single-byte code page (ASCII below).
using UpperHalf = std::array<char16_t, 128>;

// The upper half of a Mac single-byte code page, or nullptr for any other.
const UpperHalf* macSingleByteTable(std::uint16_t codePage);

}  // namespace xls::biff
