// Where the formula token arrays (rgce) sit inside the records that carry
// them, so edits can walk every formula of a workbook. Covered: Formula,
// ShrFmla, Array, Lbl, CF, CF12, DV, the chart BRAI, the macros and links of
// Obj and the cell links of TxO. Not covered (they keep their bytes):
// ExternName, pivot formulas.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "biff/record_type.h"

namespace xls::ops {

struct FormulaField {
    std::size_t offset = 0;  // of rgce in the (joined) record payload
    std::size_t size = 0;    // cce
};

// True for the record types formulaFields understands.
bool carriesFormula(biff::RecordType type);

// The rgce fields of a record payload (Continue payloads joined on). Raises
// Error(CorruptWorkbook) when a declared size runs past the payload.
std::vector<FormulaField> formulaFields(biff::RecordType type,
                                        std::span<const std::uint8_t> payload);

// Offsets inside a Formula record ([MS-XLS] 2.4.127).
inline constexpr std::size_t kFormulaValueOffset = 6;  // FormulaValue, 8 bytes
inline constexpr std::size_t kFormulaFlagsOffset = 14;

}  // namespace xls::ops
