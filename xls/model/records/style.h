// The Style record (2.4.269): names a cell style XF, either a built-in style
// (istyBuiltIn, with an outline level for RowLevel_n and ColLevel_n) or a
// user-defined one by its name.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace xls::model::records {

struct Style {
    std::uint16_t ixfe = 0;  // the style XF (12 bits)
    bool fBuiltIn = false;
    std::uint8_t istyBuiltIn = 0;
    std::uint8_t iLevel = 0xFF;
    std::u16string user;  // the name of a user-defined style

    bool operator==(const Style&) const = default;
};

// Whether two Style records name the same style: the same built-in style and
// level, or user names equal regardless of letter case (ASCII).
bool sameStyle(const Style& a, const Style& b);

// Raises CorruptWorkbook for a payload shorter than its fields.
Style readStyle(std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> writeStyle(const Style& style);

}  // namespace xls::model::records
