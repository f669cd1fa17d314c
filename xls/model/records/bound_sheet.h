// BoundSheet8 ([MS-XLS] 2.4.28): where a sheet's substream starts, its
// visibility, its type and its name. BIFF5's BoundSheet is the same with a
// name in the workbook's code page.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/bof.h"

namespace xls::model::records {

struct BoundSheet8 {
    std::uint32_t lbPlyPos = 0;  // stream position of the sheet's BOF
    std::uint8_t hsState = 0;    // visibility in its low two bits; the rest kept as stored
    std::uint8_t dt = 0;         // sheet type
    std::string stName;          // UTF-8
};

// Raises CorruptWorkbook when the payload is cut short.
BoundSheet8 readBoundSheet8(std::span<const std::uint8_t> payload, BiffVersion version,
                            std::uint16_t codePage);
// The BIFF8 payload, the name compressed when every character fits a byte;
// raises UnsupportedOperation for a name longer than 255 characters.
std::vector<std::uint8_t> writeBoundSheet8(const BoundSheet8& record);

// lbPlyPos alone: read by the stream loader, patched by the writer in place.
std::uint32_t boundSheetLbPlyPos(std::span<const std::uint8_t> payload);
void setBoundSheetLbPlyPos(std::span<std::uint8_t> payload, std::uint32_t lbPlyPos);

}  // namespace xls::model::records
