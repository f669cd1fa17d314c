// Turns the text encodings of workbook files into UTF-8: UTF-16 (BIFF8 strings,
// whose "compressed" form holds the low bytes of UTF-16 code units) and the
// single- and double-byte code pages of BIFF5 strings (CodePage record).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace xls::biff {

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16 code units; a malformed sequence becomes U+FFFD.
std::u16string utf8ToUtf16(std::string_view text);

// Bytes in the code page a CodePage record names (e.g. 1252, 10000 Mac Roman,
// 932 Shift JIS) to UTF-8. An unknown code page reads as Windows-1252; a byte
// sequence the code page cannot decode becomes U+FFFD.
std::string decodeCodePage(std::span<const std::uint8_t> bytes, std::uint16_t codePage);

// The code page Excel assumes when a BIFF5 workbook has no CodePage record.
inline constexpr std::uint16_t kDefaultCodePage = 1252;

}  // namespace xls::biff
