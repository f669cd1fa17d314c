// Walking BIFF8 formula token arrays (rgce, [MS-XLS] 2.2.2 and 2.5.198): where
// each Ptg starts, how long it is, and which kind of reference it holds. The
// walker never interprets operands beyond what it needs to size a token, so it
// serves every record that carries a formula (Formula, ShrFmla, Array, Lbl, CF,
// CF12, DV, BRAI, Obj).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace xls::biff {

// Token ids with the class bits (0x20 reference, 0x40 value, 0x60 array)
// removed: Ptg 0x43 (PtgName, value class) walks as PtgName.
enum class PtgBase : std::uint8_t {
    Exp = 0x01,
    Tbl = 0x02,
    // 0x03-0x16: operators and PtgParen/PtgMissArg, one byte each
    Str = 0x17,
    Extended = 0x18,  // PtgElf* and PtgSxName, told apart by eptg
    Attr = 0x19,
    Err = 0x1C,
    Bool = 0x1D,
    Int = 0x1E,
    Num = 0x1F,
    Array = 0x20,
    Func = 0x21,
    FuncVar = 0x22,
    Name = 0x23,
    Ref = 0x24,
    Area = 0x25,
    MemArea = 0x26,
    MemErr = 0x27,
    MemNoMem = 0x28,
    MemFunc = 0x29,
    RefErr = 0x2A,
    AreaErr = 0x2B,
    RefN = 0x2C,
    AreaN = 0x2D,
    NameX = 0x39,
    Ref3d = 0x3A,
    Area3d = 0x3B,
    RefErr3d = 0x3C,
    AreaErr3d = 0x3D,
};

struct FormulaToken {
    std::size_t offset = 0;  // of the ptg byte within rgce
    std::size_t size = 0;    // whole token, ptg byte included
    std::uint8_t ptg = 0;    // as stored, class bits included
    PtgBase base{};          // ptg without its class bits (operators keep their id)

    // True for the tokens that carry an ixti into the ExternSheet table.
    bool hasIxti() const;
};

// Splits rgce into tokens. Raises Error(CorruptWorkbook) when a token is not a
// BIFF8 Ptg or runs past the end of rgce; never reads outside rgce.
std::vector<FormulaToken> walkFormulaTokens(std::span<const std::uint8_t> rgce);
// The same into tokens, whose buffer is reused.
void walkFormulaTokens(std::span<const std::uint8_t> rgce, std::vector<FormulaToken>& tokens);

}  // namespace xls::biff
