// The Font record (2.4.122): one font of the workbook's font table.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace xls::model::records {

struct Font {
    std::uint16_t dyHeight = 200;  // in twentieths of a point
    std::uint16_t grbit = 0;       // fItalic 0x02, fStrikeOut 0x08, fOutline, fShadow, ...
    std::uint16_t icv = 0x7FFF;    // colour (Icv 2.5.161); 0x7FFF is the window text colour
    std::uint16_t bls = 400;       // weight: 400 normal, 700 bold
    std::uint16_t sss = 0;         // 0 none, 1 superscript, 2 subscript
    std::uint8_t uls = 0;          // underline style
    std::uint8_t bFamily = 0;
    std::uint8_t bCharSet = 0;
    std::uint8_t unused3 = 0;
    std::u16string fontName;

    bool italic() const { return (grbit & 0x02) != 0; }
    bool operator==(const Font&) const = default;
};

// Raises CorruptWorkbook for a payload shorter than its fields.
Font readFont(std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> writeFont(const Font& font);

// FontIndex (2.5.129): indices 0-3 name the first four Font records, 4 is never
// used, and index n >= 5 names record n - 1.
inline constexpr std::uint16_t kMissingFontIndex = 4;
inline std::size_t fontRecordOf(std::uint16_t fontIndex) {
    return fontIndex < kMissingFontIndex ? fontIndex : fontIndex - 1u;
}
inline std::uint16_t fontIndexOf(std::size_t record) {
    return static_cast<std::uint16_t>(record < kMissingFontIndex ? record : record + 1);
}

}  // namespace xls::model::records
