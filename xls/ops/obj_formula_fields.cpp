#include "ops/obj_formula_fields.h"

#include <algorithm>

#include "io/byte_reader.h"
#include "ops/pict_fmla.h"
#include "xls/error.h"

namespace xls::ops {

namespace {

constexpr std::uint16_t kFtEnd = 0x0000;
constexpr std::uint16_t kFtMacro = 0x0004;
constexpr std::uint16_t kFtSbsFmla = 0x000E;
constexpr std::uint16_t kFtLbsData = 0x0013;
constexpr std::uint16_t kFtCblsFmla = 0x0014;
constexpr std::uint16_t kFtCmo = 0x0015;
constexpr std::size_t kFormulaHead = 6;  // cce, then four unused bytes

// An ObjFmla (cbFmla, then cce, unused, rgce) of size bytes at the reader.
void addFormula(io::ByteReader& r, std::size_t size, std::vector<FormulaField>& out) {
    io::ByteReader part = r.sub(size);
    if (size < kFormulaHead) return;
    const std::size_t cce = part.u16() & 0x7FFF;
    part.skip(4);
    if (cce > part.remaining()) return;
    out.push_back({r.position() - size + kFormulaHead, cce});
}

// Calls visit(ft, reader at the part's body) for each part until one cannot
// be sized; visit returns false to stop.
template <typename Visit>
void eachPart(std::span<const std::uint8_t> payload, Visit visit) {
    io::ByteReader r(payload);
    while (r.remaining() >= 4) {
        const std::uint16_t ft = r.u16();
        if (ft == kFtEnd || !visit(ft, r)) return;
    }
}

}  // namespace

std::vector<FormulaField> objFormulaFields(std::span<const std::uint8_t> payload) {
    std::vector<FormulaField> fields;
    try {
        eachPart(payload, [&](std::uint16_t ft, io::ByteReader& r) {
            const std::size_t cb = r.u16();
            if (ft == kFtLbsData) {  // cbFContinued, then the range's ObjFmla; no size after it
                if (r.remaining() >= 2)
                    addFormula(r, std::min<std::size_t>(r.u16(), r.remaining()), fields);
                return false;
            }
            if (cb > r.remaining()) return false;
            if (ft == kFtMacro || ft == kFtSbsFmla || ft == kFtCblsFmla)
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

std::optional<std::uint16_t> objKind(std::span<const std::uint8_t> payload) {
    if (payload.size() < 6) return std::nullopt;
    io::ByteReader r(payload);
    if (r.u16() != kFtCmo) return std::nullopt;
    r.skip(2);
    return r.u16();
}

bool objHasPart(std::span<const std::uint8_t> payload, std::uint16_t wanted) {
    bool found = false;
    try {
        eachPart(payload, [&](std::uint16_t ft, io::ByteReader& r) {
            found = ft == wanted;
            const std::size_t cb = r.u16();
            if (found || ft == kFtLbsData || cb > r.remaining()) return false;
            r.skip(cb);
            return true;
        });
    } catch (const Error&) {
    }
    return found;
}

}  // namespace xls::ops
