// Which converter serves a code page. The Mac single-byte code pages are
// tables of their upper halves read from ICU's converters (Mac Icelandic,
// Croatian and Romanian, which no converter library carries, are Mac Roman
// with their own letters in place); every other code page goes through
// glibc's iconv under the name it knows it by.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace xls::biff {

// The characters of bytes 0x80-0xFF of a single-byte code page (ASCII below).
using UpperHalf = std::array<char16_t, 128>;

// Windows-1252, with the five bytes it leaves undefined read as Latin-1: the
// table for Windows-1252 and its aliases, and for a code page no converter knows.
const UpperHalf& windows1252();

// The upper half of a Mac single-byte code page (Roman, Central European,
// Cyrillic, Ukrainian, Greek, Turkish, Icelandic, Croatian, Romanian), or
// nullptr for any other code page.
const UpperHalf* macSingleByteTable(std::uint16_t codePage);

// The name glibc's iconv knows a code page by ("CP1250", "SHIFT_JIS", ...).
std::string iconvName(std::uint16_t codePage);

// Whether the code page's text reads with windows1252() (Windows-1252 itself,
// its aliases, ASCII, and BIFF5 writers that claim UTF-16 but wrote 1252).
bool readsAsWindows1252(std::uint16_t codePage);

}  // namespace xls::biff
