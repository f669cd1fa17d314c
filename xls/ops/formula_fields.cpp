#include "ops/formula_fields.h"

#include "biff/strings.h"
#include "io/byte_reader.h"
#include "model/records/lbl.h"
#include "ops/obj_formula_fields.h"
#include "xls/error.h"

namespace xls::ops {

using biff::RecordType;

namespace {

// What comes before the formula in each record, field by field ([MS-XLS] 2.4.x).
constexpr std::size_t kCellSize = 6;  // Cell: rw, col, ixfe
constexpr std::size_t kRefUSize = 6;  // RefU: rwFirst, rwLast, colFirst, colLast
constexpr std::size_t kFormulaValueSize = 8;
constexpr std::size_t kChnSize = 4;  // a cached calculation-chain value, ignored on read
constexpr std::size_t kFormulaBefore = kCellSize + kFormulaValueSize + 2 + kChnSize;  // + grbit
constexpr std::size_t kShrFmlaBefore = kRefUSize + 1 + 1;       // + reserved, cUse
constexpr std::size_t kArrayBefore = kRefUSize + 2 + kChnSize;  // + grbit
constexpr std::size_t kBraiBefore = 1 + 1 + 2 + 2;              // id, rt, grbit, ifmt
constexpr std::size_t kCfBefore = 1 + 1;                        // ct, cp
constexpr std::size_t kFrtRefHeaderSize = 12;                   // rt, grbitFrt, ref8
constexpr std::size_t kCf12Before = kFrtRefHeaderSize + 1 + 1;  // + ct, cp
constexpr std::size_t kDvFlagsSize = 4;                         // dwDvFlags
constexpr std::size_t kDvStrings = 4;          // PromptTitle, ErrorTitle, Prompt, Error
constexpr std::size_t kDvFormulaReserved = 2;  // unused bytes after each cce

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

std::vector<FormulaField> lblFields(std::span<const std::uint8_t> payload) {
    const std::size_t offset = model::records::lblFormulaOffset(payload);
    return {{offset, model::records::readLblHeader(payload).cce}};
}

// CF: the two formulas end the record, after a DXFN we need not decode.
std::vector<FormulaField> cfFields(io::ByteReader& r) {
    r.skip(kCfBefore);
    const std::size_t cce1 = r.u16();
    const std::size_t cce2 = r.u16();
    if (cce1 + cce2 > r.remaining()) fail(ErrorCode::CorruptWorkbook, "CF formulas");
    r.seek(r.size() - cce1 - cce2);
    return {fieldAt(r, cce1), fieldAt(r, cce2)};
}

std::vector<FormulaField> cf12Fields(io::ByteReader& r) {
    r.skip(kCf12Before);
    const std::size_t cce1 = r.u16();
    const std::size_t cce2 = r.u16();
    const std::uint32_t cbdxf = r.u32();
    r.skip(cbdxf);
    std::vector<FormulaField> fields{fieldAt(r, cce1), fieldAt(r, cce2)};
    fields.push_back(ccePrefixed(r));  // fmlaActive
    return fields;
}

std::vector<FormulaField> dvFields(std::span<const std::uint8_t> payload) {
    biff::ContinuedReader r(payload, {}, "DV");
    r.skip(kDvFlagsSize);
    for (std::size_t i = 0; i < kDvStrings; ++i) biff::readString(r, biff::StringForm::Unicode);
    std::vector<FormulaField> fields;
    for (int i = 0; i < 2; ++i) {
        const std::size_t cce = r.u16();
        r.skip(kDvFormulaReserved);
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
        case RecordType::TxO:
            return true;
        default:
            return false;
    }
}

std::vector<FormulaField> formulaFields(RecordType type, std::span<const std::uint8_t> payload) {
    io::ByteReader r(payload, ErrorCode::CorruptWorkbook, "formula record");
    switch (type) {
        case RecordType::Formula:
            r.skip(kFormulaBefore);
            return {ccePrefixed(r)};
        case RecordType::ShrFmla:
            r.skip(kShrFmlaBefore);
            return {ccePrefixed(r)};
        case RecordType::Array:
            r.skip(kArrayBefore);
            return {ccePrefixed(r)};
        case RecordType::BRAI:
            r.skip(kBraiBefore);
            return {ccePrefixed(r)};
        case RecordType::Lbl:
            return lblFields(payload);
        case RecordType::CF:
            return cfFields(r);
        case RecordType::CF12:
            return cf12Fields(r);
        case RecordType::DV:
            return dvFields(payload);
        case RecordType::Obj:
            return objFormulaFields(payload);
        case RecordType::TxO:
            return txoFormulaFields(payload);
        default:
            return {};
    }
}

}  // namespace xls::ops
