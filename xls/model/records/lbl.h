// The fixed header of a Lbl record (a defined name, [MS-XLS] 2.4.150) and where
// its formula lies: the header, then the name (XLUnicodeStringNoCch of cch
// characters), then rgce of cce bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace xls::model::records {

struct LblHeader {
    std::uint16_t flags = 0;  // fHidden, fFunc, fBuiltin, ...
    std::uint8_t chKey = 0;
    std::uint8_t cch = 0;   // name length in characters
    std::uint16_t cce = 0;  // formula length in bytes
    std::uint16_t reserved3 = 0;
    std::uint16_t itab = 0;  // 0 for a workbook name, else the 1-based tab of its sheet
    std::array<std::uint8_t, 4> reserved4to7{};
};

inline constexpr std::size_t kLblHeaderSize = 14;

// Raises CorruptWorkbook when the payload is shorter than the header.
LblHeader readLblHeader(std::span<const std::uint8_t> payload);
// Writes the header over the payload's first bytes.
void writeLblHeader(std::span<std::uint8_t> payload, const LblHeader& header);

// Offset of rgce in the payload (Continue payloads joined on); raises
// CorruptWorkbook when the name or the formula runs past it.
std::size_t lblFormulaOffset(std::span<const std::uint8_t> payload);

}  // namespace xls::model::records
