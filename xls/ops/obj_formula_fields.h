// Where the formulas of an Obj record sit: the macro a shape or control
// runs, a control's linked cell, a scroll bar's or spinner's linked cell, a
// list's input range, and an OLE object's link or an ActiveX control's
// linked cell and list fill range; and the cell a text object's text comes
// from. Each is one token, so edits keep their size. The walk is lenient: it
// returns the formulas it could place and stops at the
// first part it cannot size, leaving the rest of the record as it is.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ops/formula_fields.h"

namespace xls::ops {

// The types (ft) of an Obj record's parts.
namespace obj_part {
inline constexpr std::uint16_t kEnd = 0x0000, kMacro = 0x0004, kPioGrbit = 0x0008,
                               kPictFmla = 0x0009, kSbsFmla = 0x000E, kLbsData = 0x0013,
                               kCblsFmla = 0x0014, kCmo = 0x0015;
}
// An ObjFmla's formula starts with cce and four unused bytes.
inline constexpr std::size_t kObjFmlaHead = 6;

std::vector<FormulaField> objFormulaFields(std::span<const std::uint8_t> payload);

// The cell a TxO's text is linked to: the formula after its fixed fields
// ([MS-XLS] 2.4.329 fmla); none when it has no link or the formula does not
// fit. payload: the TxO's own, or with its Continue records joined on.
std::vector<FormulaField> txoFormulaFields(std::span<const std::uint8_t> payload);

// The Obj's kind of object (FtCmo.ot); nullopt when the record does not
// start with one.
std::optional<std::uint16_t> objKind(std::span<const std::uint8_t> payload);

// Whether the Obj has a part of the given type (ft).
bool objHasPart(std::span<const std::uint8_t> payload, std::uint16_t ft);

}  // namespace xls::ops
