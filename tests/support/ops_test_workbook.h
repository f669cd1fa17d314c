// A small workbook built record by record for the sheet-edit tests: sheets
// A, B (active) and C, a self SupBook with six XTIs, four defined names,
// RRTabId and formulas reaching across sheets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/workbook_stream.h"
#include "support/copy_tab_indices.h"

namespace xls::ops::testing {

using Bytes = std::vector<std::uint8_t>;

inline constexpr auto get16 = tarnvale::testing::u16At;

model::Record boundSheet(const std::string& name);
model::Record formula(std::uint16_t row, const Bytes& rgce, double cached);
Bytes ref3d(std::uint16_t ixti);

// XTIs: 0 = A, 1 = B, 2 = A:C, 3 = B:C, 4 = C, 5 = an external workbook.
// Names: 1 G (global, B!A1), 2 Print_Area local to B, 3 L3 local to C,
// 4 "Both" using names 2 and 3. A's formula and C's first reach B through XTI 1.
model::WorkbookStream threeSheets();

}  // namespace xls::ops::testing
