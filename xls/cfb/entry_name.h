// Directory entry names compared the way compound files order them ([MS-CFB]
// 2.6.4): without regard to letter case, shorter names first.
#pragma once

#include <string_view>

namespace xls::cfb {

// Upper case of one UTF-16 unit for name comparison: ASCII, Latin-1, Latin
// Extended-A, Greek and Cyrillic letters; other units are their own upper case.
char16_t upperForCompare(char16_t unit);

bool namesEqual(std::u16string_view a, std::u16string_view b);

// Compound-file order: by length, then unit by unit after upper-casing.
// Negative, zero or positive like strcmp.
int compareNames(std::u16string_view a, std::u16string_view b);

}  // namespace xls::cfb
