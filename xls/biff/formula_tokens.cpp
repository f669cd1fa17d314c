#include "biff/formula_tokens.h"

#include <string>

#include "xls/error.h"

namespace xls::biff {

namespace {

// PtgAttr kinds ([MS-XLS] 2.5.198.33-.42): all four bytes long except
// PtgAttrChoose, which carries cOffset + 1 jump offsets after its fixed part.
enum class AttrKind : std::uint8_t {
    Semi = 0x01,
    If = 0x02,
    Choose = 0x04,
    Goto = 0x08,
    Sum = 0x10,
    Baxcel = 0x20,
    BaxcelVolatile = 0x21,
    Space = 0x40,
    SpaceSemi = 0x41,
};

// eptg values of the 0x18 family ([MS-XLS] 2.5.198.25); every one is six bytes.
bool isKnownExtended(std::uint8_t eptg) {
    switch (eptg) {
        case 0x01:  // PtgElfLel
        case 0x02:  // PtgElfRw
        case 0x03:  // PtgElfCol
        case 0x06:  // PtgElfRwV
        case 0x07:  // PtgElfColV
        case 0x0A:  // PtgElfRadical
        case 0x0B:  // PtgElfRadicalS
        case 0x0D:  // PtgElfColS
        case 0x0F:  // PtgElfColSV
        case 0x10:  // PtgElfRadicalLel
        case 0x1D:  // PtgSxName
            return true;
        default:
            return false;
    }
}

[[noreturn]] void badToken(std::size_t offset, std::uint8_t ptg, const char* why) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::string id{kHex[ptg >> 4], kHex[ptg & 0x0F]};
    fail(ErrorCode::CorruptWorkbook,
         "formula token 0x" + id + " at byte " + std::to_string(offset) + ": " + why);
}

class TokenCursor {
  public:
    explicit TokenCursor(std::span<const std::uint8_t> rgce) : rgce_(rgce) {}

    std::uint8_t byteAt(std::size_t offset, std::size_t tokenStart) const {
        if (offset >= rgce_.size()) badToken(tokenStart, rgce_[tokenStart], "cut short");
        return rgce_[offset];
    }
    std::uint16_t u16At(std::size_t offset, std::size_t tokenStart) const {
        return static_cast<std::uint16_t>(byteAt(offset, tokenStart) |
                                          (byteAt(offset + 1, tokenStart) << 8));
    }

  private:
    std::span<const std::uint8_t> rgce_;
};

PtgBase baseOf(std::uint8_t ptg) {
    if (ptg >= 0x20) return static_cast<PtgBase>(0x20 | (ptg & 0x1F));
    return static_cast<PtgBase>(ptg);
}

// Size of the token starting at offset; 0 for an id that is no BIFF8 Ptg.
std::size_t tokenSize(const TokenCursor& cur, std::size_t at, std::uint8_t ptg) {
    if (ptg >= 0x80) return 0;
    if (ptg >= 0x03 && ptg <= 0x16) return 1;
    switch (baseOf(ptg)) {
        case PtgBase::Exp:
        case PtgBase::Tbl:
            return 5;
        case PtgBase::Str: {
            const std::size_t cch = cur.byteAt(at + 1, at);
            const bool highByte = (cur.byteAt(at + 2, at) & 0x01) != 0;
            return 3 + cch * (highByte ? 2 : 1);
        }
        case PtgBase::Extended:
            return isKnownExtended(cur.byteAt(at + 1, at)) ? 6 : 0;
        case PtgBase::Attr: {
            const auto kind = static_cast<AttrKind>(cur.byteAt(at + 1, at));
            switch (kind) {
                case AttrKind::Choose:
                    return 4 + 2 * (std::size_t{cur.u16At(at + 2, at)} + 1);
                case AttrKind::Semi:
                case AttrKind::If:
                case AttrKind::Goto:
                case AttrKind::Sum:
                case AttrKind::Baxcel:
                case AttrKind::BaxcelVolatile:
                case AttrKind::Space:
                case AttrKind::SpaceSemi:
                    return 4;
            }
            return 0;
        }
        case PtgBase::Err:
        case PtgBase::Bool:
            return 2;
        case PtgBase::Int:
            return 3;
        case PtgBase::Num:
            return 9;
        case PtgBase::Array:
            return 8;
        case PtgBase::Func:
            return 3;
        case PtgBase::FuncVar:
            return 4;
        case PtgBase::Name:
            return 5;
        case PtgBase::Ref:
        case PtgBase::RefErr:
        case PtgBase::RefN:
            return 5;
        case PtgBase::Area:
        case PtgBase::AreaErr:
        case PtgBase::AreaN:
            return 9;
        // PtgMem*: the subexpression they guard follows as ordinary tokens.
        case PtgBase::MemArea:
        case PtgBase::MemErr:
        case PtgBase::MemNoMem:
            return 7;
        case PtgBase::MemFunc:
            return 3;
        case PtgBase::NameX:
        case PtgBase::Ref3d:
        case PtgBase::RefErr3d:
            return 7;
        case PtgBase::Area3d:
        case PtgBase::AreaErr3d:
            return 11;
    }
    return 0;
}

}  // namespace

bool FormulaToken::hasIxti() const {
    switch (base) {
        case PtgBase::NameX:
        case PtgBase::Ref3d:
        case PtgBase::Area3d:
        case PtgBase::RefErr3d:
        case PtgBase::AreaErr3d:
            return true;
        default:
            return false;
    }
}

std::vector<FormulaToken> walkFormulaTokens(std::span<const std::uint8_t> rgce) {
    std::vector<FormulaToken> tokens;
    // Most tokens take three bytes or more: one allocation for most formulas.
    tokens.reserve(rgce.size() / 3 + 2);
    walkFormulaTokens(rgce, tokens);
    return tokens;
}

void walkFormulaTokens(std::span<const std::uint8_t> rgce, std::vector<FormulaToken>& tokens) {
    tokens.clear();
    const TokenCursor cur(rgce);
    std::size_t at = 0;
    while (at < rgce.size()) {
        const std::uint8_t ptg = rgce[at];
        const std::size_t size = tokenSize(cur, at, ptg);
        if (size == 0) badToken(at, ptg, "not a formula token");
        if (size > rgce.size() - at) badToken(at, ptg, "cut short");
        tokens.push_back(FormulaToken{at, size, ptg, baseOf(ptg)});
        at += size;
    }
}

}  // namespace xls::biff
