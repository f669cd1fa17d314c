#include "ops/formula_fields.h"

#include "io/byte_reader.h"
#include "ops/obj_formula_fields.h"
#include "xls/error.h"

namespace xls::ops {

using biff::RecordType;

namespace {

FormulaField fieldAt(io::ByteReader& r, std::size_t cce) {
    const FormulaField field{r.position(), cce};
    r.skip(cce);  // raises when cce runs past the payload
    return field;
}

// cce (2 bytes) then rgce, from where the reader stands.
FormulaField ccePrefixed(io::ByteReader& r) {
    const std::size_t cce = r.u16();
    return fieldAt(r, cce);
}

// XLUnicodeString ([MS-XLS] 2.5.294): cch, flags, characters.
void skipUnicodeString(io::ByteReader& r) {
    const std::size_t cch = r.u16();
    const bool highByte = (r.u8() & 0x01) != 0;
    r.skip(cch * (highByte ? 2 : 1));
}

std::vector<FormulaField> lblFields(io::ByteReader& r) {
    r.skip(3);                       // flags, chKey
    const std::size_t cch = r.u8();  // name length in characters
    const std::size_t cce = r.u16();
    r.skip(2 + 2 + 4);  // reserved, itab, reserved bytes
    const bool highByte = (r.u8() & 0x01) != 0;
    r.skip(cch * (highByte ? 2 : 1));
    return {fieldAt(r, cce)};
}

// CF: the two formulas end the record, after a DXFN we need not decode.
std::vector<FormulaField> cfFields(io::ByteReader& r) {
    r.skip(2);
    const std::size_t cce1 = r.u16();
    const std::size_t cce2 = r.u16();
    if (cce1 + cce2 > r.remaining()) fail(ErrorCode::CorruptWorkbook, "CF formulas");
    r.seek(r.size() - cce1 - cce2);
    return {fieldAt(r, cce1), fieldAt(r, cce2)};
}

std::vector<FormulaField> cf12Fields(io::ByteReader& r) {
    r.skip(12 + 2);  // FrtRefHeader, ct, cp
    const std::size_t cce1 = r.u16();
    const std::size_t cce2 = r.u16();
    const std::uint32_t cbdxf = r.u32();
    r.skip(cbdxf);
    std::vector<FormulaField> fields{fieldAt(r, cce1), fieldAt(r, cce2)};
    fields.push_back(ccePrefixed(r));  // fmlaActive
    return fields;
}

std::vector<FormulaField> dvFields(io::ByteReader& r) {
    r.skip(4);                                         // dwDvFlags
    for (int i = 0; i < 4; ++i) skipUnicodeString(r);  // titles and texts
    std::vector<FormulaField> fields;
    for (int i = 0; i < 2; ++i) {
        const std::size_t cce = r.u16();
        r.skip(2);
        fields.push_back(fieldAt(r, cce));
    }
    return fields;
}

}  // namespace

bool carriesFormula(RecordType type) {
    switch (type) {
        case RecordType::Formula:
        case RecordType::ShrFmla:
        case RecordType::Array:
        case RecordType::Lbl:
        case RecordType::CF:
        case RecordType::CF12:
        case RecordType::DV:
        case RecordType::BRAI:
        case RecordType::Obj:
            return true;
        default:
            return false;
    }
}

std::vector<FormulaField> formulaFields(RecordType type, std::span<const std::uint8_t> payload) {
    io::ByteReader r(payload, ErrorCode::CorruptWorkbook, "formula record");
    switch (type) {
        case RecordType::Formula:
            r.skip(20);
            return {ccePrefixed(r)};
        case RecordType::ShrFmla:
            r.skip(8);
            return {ccePrefixed(r)};
        case RecordType::Array:
            r.skip(12);
            return {ccePrefixed(r)};
        case RecordType::BRAI:
            r.skip(6);
            return {ccePrefixed(r)};
        case RecordType::Lbl:
            return lblFields(r);
        case RecordType::CF:
            return cfFields(r);
        case RecordType::CF12:
            return cf12Fields(r);
        case RecordType::DV:
            return dvFields(r);
        case RecordType::Obj:
            return objFormulaFields(payload);
        default:
            return {};
    }
}

}  // namespace xls::ops
