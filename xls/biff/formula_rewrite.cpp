#include "biff/formula_rewrite.h"

#include "io/byte_reader.h"

namespace xls::biff {

namespace {

constexpr std::uint8_t kClassBits = 0x60;

std::uint32_t getU32(std::span<const std::uint8_t> rgce, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < 4; ++k) value |= std::uint32_t{rgce[at + k]} << (8 * k);
    return value;
}

// Offset of the nameindex field inside PtgName (after ptg) and PtgNameX
// (after ptg and ixti).
std::size_t nameIndexOffset(const FormulaToken& token) {
    return token.offset + (token.base == PtgBase::NameX ? 3 : 1);
}

// PtgRefErr / PtgRefErr3d keep the class of the token they replace; their
// operand bytes are unused, which we zero (ixti of the 3-D form kept).
void replaceWithRefError(std::span<std::uint8_t> rgce, const FormulaToken& token) {
    const auto cls = static_cast<std::uint8_t>(token.ptg & kClassBits);
    if (token.base == PtgBase::NameX) {
        rgce[token.offset] = static_cast<std::uint8_t>(0x1C | cls);  // PtgRefErr3d
        io::storeU32(rgce, token.offset + 3, 0);
    } else {
        rgce[token.offset] = static_cast<std::uint8_t>(0x0A | cls);  // PtgRefErr
        io::storeU32(rgce, token.offset + 1, 0);
    }
}

}  // namespace

std::uint16_t tokenIxti(std::span<const std::uint8_t> rgce, const FormulaToken& token) {
    return static_cast<std::uint16_t>(rgce[token.offset + 1] | (rgce[token.offset + 2] << 8));
}

std::uint32_t tokenNameIndex(std::span<const std::uint8_t> rgce, const FormulaToken& token) {
    return getU32(rgce, nameIndexOffset(token));
}

bool rewriteFormula(std::span<std::uint8_t> rgce, const FormulaEdits& edits) {
    const auto tokens = walkFormulaTokens(rgce);
    bool changed = false;
    for (const FormulaToken& token : tokens) {
        const bool isName = token.base == PtgBase::Name;
        const bool isNameX = token.base == PtgBase::NameX;
        const std::uint16_t oldIxti = token.hasIxti() ? tokenIxti(rgce, token) : 0;
        if ((isName && edits.name) || (isNameX && edits.nameX)) {
            const std::uint32_t index = tokenNameIndex(rgce, token);
            const auto renumbered = isName ? edits.name(index) : edits.nameX(oldIxti, index);
            if (renumbered && *renumbered == 0) {
                replaceWithRefError(rgce, token);
                changed = true;
            } else if (renumbered && *renumbered != index) {
                io::storeU32(rgce, nameIndexOffset(token), *renumbered);
                changed = true;
            }
        }
        if (token.hasIxti() && edits.ixti) {
            const auto newIxti = edits.ixti(oldIxti);
            if (newIxti && *newIxti != oldIxti) {
                io::storeU16(rgce, token.offset + 1, *newIxti);
                changed = true;
            }
        }
    }
    return changed;
}

}  // namespace xls::biff
