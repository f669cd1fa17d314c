#include "ops/obj_formula_fields.h"

#include <algorithm>

#include "io/byte_reader.h"
#include "ops/pict_fmla.h"
#include "xls/error.h"

namespace xls::ops {

namespace {

constexpr std::size_t kTxoFmla = 16;  // after flags, rot, controlInfo, cchText, cbRuns, ifntEmpty

// An ObjFmla (cbFmla, then cce, unused, rgce) of size bytes at the reader.
void addFormula(io::ByteReader& r, std::size_t size, std::vector<FormulaField>& out) {
    io::ByteReader part = r.sub(size);
    if (size < kObjFmlaHead) return;
    const std::size_t cce = part.u16() & 0x7FFF;
    part.skip(4);
    if (cce > part.remaining()) return;
    out.push_back({r.position() - size + kObjFmlaHead, cce});
}

// Calls visit(ft, reader at the part's body) for each part until one cannot
// be sized; visit returns false to stop.
template <typename Visit>
void eachPart(std::span<const std::uint8_t> payload, Visit visit) {
    io::ByteReader r(payload);
    while (r.remaining() >= 4) {
        const std::uint16_t ft = r.u16();
        if (ft == obj_part::kEnd || !visit(ft, r)) return;
    }
}

}  // namespace

std::vector<FormulaField> objFormulaFields(std::span<const std::uint8_t> payload) {
    std::vector<FormulaField> fields;
    try {
        eachPart(payload, [&](std::uint16_t ft, io::ByteReader& r) {
            const std::size_t cb = r.u16();
            // FtLbsData: cbFContinued, then the range's ObjFmla; no size after it.
            if (ft == obj_part::kLbsData) {
                if (r.remaining() >= 2)
                    addFormula(r, std::min<std::size_t>(r.u16(), r.remaining()), fields);
                return false;
            }
            if (cb > r.remaining()) return false;
            if (ft == obj_part::kMacro || ft == obj_part::kSbsFmla || ft == obj_part::kCblsFmla)
                addFormula(r, cb, fields);
            else
                r.skip(cb);
            return true;
        });
    } catch (const Error&) {
        // A part cut short ends the walk; the fields found so far stand.
    }
    try {
        if (const auto pict = readPictFmla(payload))
            fields.insert(fields.end(), pict->formulas.begin(), pict->formulas.end());
    } catch (const Error&) {
        // An object's link that cannot be read keeps its bytes.
    }
    return fields;
}

std::vector<FormulaField> txoFormulaFields(std::span<const std::uint8_t> payload) {
    std::vector<FormulaField> fields;
    if (payload.size() < kTxoFmla + 2) return fields;
    io::ByteReader r(payload.subspan(kTxoFmla));
    const std::size_t cbFmla = r.u16();
    addFormula(r, std::min(cbFmla, r.remaining()), fields);
    for (FormulaField& f : fields) f.offset += kTxoFmla;
    return fields;
}

std::optional<std::uint16_t> objKind(std::span<const std::uint8_t> payload) {
    if (payload.size() < 6) return std::nullopt;
    io::ByteReader r(payload);
    if (r.u16() != obj_part::kCmo) return std::nullopt;
    r.skip(2);
    return r.u16();
}

bool objHasPart(std::span<const std::uint8_t> payload, std::uint16_t wanted) {
    bool found = false;
    try {
        eachPart(payload, [&](std::uint16_t ft, io::ByteReader& r) {
            found = ft == wanted;
            const std::size_t cb = r.u16();
            if (found || ft == obj_part::kLbsData || cb > r.remaining()) return false;
            r.skip(cb);
            return true;
        });
    } catch (const Error&) {
    }
    return found;
}

}  // namespace xls::ops
