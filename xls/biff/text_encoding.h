// Turns the text encodings of workbook files into UTF-8 and back: UTF-16
// (BIFF8 strings, whose "compressed" form holds the low bytes of UTF-16 code
// units) and the single- and double-byte code pages of BIFF5 strings
// (CodePage record) and of document summary properties. The Unicode forms go
// through ICU, the code pages through the converter that knows them
// (code_page_converter.h).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace xls::biff {

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16 code units; each ill-formed sequence becomes U+FFFD.
std::u16string utf8ToUtf16(std::string_view text);
// The code points of well-formed UTF-8; nullopt for anything else (a stray
// continuation byte, a cut-short or overlong sequence, a surrogate, a value
// past U+10FFFF).
std::optional<std::u32string> decodeUtf8(std::string_view text);

// Bytes in the code page a CodePage record names (e.g. 1252, 10000 Mac Roman,
// 10029 Mac Central European, 932 Shift JIS) to UTF-8. A code page no
// converter knows reads as Windows-1252; a byte sequence the code page cannot
// decode becomes U+FFFD.
std::string decodeCodePage(std::span<const std::uint8_t> bytes, std::uint16_t codePage);

// UTF-8 to the code page; a character the code page cannot hold becomes '?',
// as the application writes it. A code page no converter knows keeps ASCII.
std::vector<std::uint8_t> encodeCodePage(std::string_view text, std::uint16_t codePage);

// The code page Excel assumes when a BIFF5 workbook has no CodePage record.
inline constexpr std::uint16_t kDefaultCodePage = 1252;

}  // namespace xls::biff
