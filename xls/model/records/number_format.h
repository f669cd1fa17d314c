// The Format record (2.4.126): a number format string and its identifier.
// Formats with an identifier below 164 are built in and usually not stored.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace xls::model::records {

inline constexpr std::uint16_t kFirstCustomFormat = 164;
inline constexpr std::uint16_t kLastCustomFormat = 382;

struct NumberFormat {
    std::uint16_t ifmt = 0;
    std::u16string stFormat;
    bool operator==(const NumberFormat&) const = default;
};

// Raises CorruptWorkbook for a payload shorter than its fields.
NumberFormat readNumberFormat(std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> writeNumberFormat(const NumberFormat& format);

}  // namespace xls::model::records
