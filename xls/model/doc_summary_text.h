// Strings of the document summary property set: bytes in the property set's
// code page (CODEPAGE property) to and from UTF-8.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace xls::model {

inline constexpr std::uint16_t kCodePageUtf16 = 1200;

// Bytes in the code page (no terminating zero) to UTF-8.
std::string decodePropertyText(std::span<const std::uint8_t> bytes, std::uint16_t codePage);

// UTF-8 to the code page, without a terminating zero; a character the code
// page cannot hold becomes '?', as the application writes it.
std::vector<std::uint8_t> encodePropertyText(std::string_view text, std::uint16_t codePage);

}  // namespace xls::model
