// Same-size edits of BIFF8 formula token arrays: renumbering ExternSheet
// indices (ixti) and defined-name indices in place, and turning a reference to
// a removed name into an error token of the same length. Keeping every token's
// size means PtgAttr jump offsets, PtgMem* byte counts and the record lengths
// around the formula all stay valid.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "biff/formula_tokens.h"

namespace xls::biff {

// Callbacks answer nullopt for "leave as it is".
struct FormulaEdits {
    // New ixti for PtgRef3d, PtgArea3d, PtgRefErr3d, PtgAreaErr3d and PtgNameX.
    std::function<std::optional<std::uint16_t>(std::uint16_t ixti)> ixti;
    // New 1-based Lbl index for PtgName; 0 means the name is gone and the token
    // becomes PtgRefErr (shown as #REF!).
    std::function<std::optional<std::uint32_t>(std::uint32_t nameIndex)> name;
    // The same for PtgNameX, given its (original) ixti so the caller can tell a
    // name of this workbook (self SupBook) from an external one; 0 turns the
    // token into PtgRefErr3d with the same ixti.
    std::function<std::optional<std::uint32_t>(std::uint16_t ixti, std::uint32_t nameIndex)> nameX;
};

// Applies the edits to every token of rgce. Returns true when a byte changed.
// Raises Error(CorruptWorkbook) for a malformed rgce, before changing anything.
bool rewriteFormula(std::span<std::uint8_t> rgce, const FormulaEdits& edits);

// Readers of the operands the edits touch; token must come from walking rgce.
std::uint16_t tokenIxti(std::span<const std::uint8_t> rgce, const FormulaToken& token);
std::uint32_t tokenNameIndex(std::span<const std::uint8_t> rgce, const FormulaToken& token);

}  // namespace xls::biff
