// Which converter serves a code page: the Mac single-byte code pages are tables
// (mac_code_pages.h); every other code page goes through glibc's iconv under
// the name it knows it by.
#pragma once

#include <cstdint>
#include <string>

#include "biff/mac_code_pages.h"

namespace xls::biff {

// Windows-1252, with the five bytes it leaves undefined read as Latin-1: the
// table for Windows-1252 and its aliases, and for a code page no converter knows.
const UpperHalf& windows1252();

// The name glibc's iconv knows a code page by ("CP1250", "SHIFT_JIS", ...).
std::string iconvName(std::uint16_t codePage);

// Whether the code page's text reads with windows1252() (Windows-1252 itself,
// its aliases, ASCII, and BIFF5 writers that claim UTF-16 but wrote 1252).
bool readsAsWindows1252(std::uint16_t codePage);

}  // namespace xls::biff
