#include "ops/pict_fmla.h"

#include "io/byte_reader.h"
#include "ops/obj_formula_fields.h"
#include "xls/error.h"

namespace xls::ops {

namespace {

constexpr std::uint8_t kPtgTbl = 0x02;

struct ObjFmla {
    std::optional<FormulaField> formula;  // none when cbFmla leaves no room
    bool table = false;                   // rgce starts with a PtgTbl
};

// An ObjFmla at the reader: cbFmla, then cce, unused and rgce inside it.
ObjFmla readObjFmla(io::ByteReader& r) {
    const std::size_t cbFmla = r.u16();
    const std::size_t start = r.position();
    io::ByteReader part = r.sub(cbFmla);
    ObjFmla fmla;
    if (cbFmla < kObjFmlaHead) return fmla;
    const std::size_t cce = part.u16() & 0x7FFF;
    part.skip(4);
    const auto rgce = part.bytes(cce);
    if (cce == 0) return fmla;
    fmla.table = rgce[0] == kPtgTbl;
    fmla.formula = FormulaField{start + kObjFmlaHead, cce};
    return fmla;
}

}  // namespace

std::optional<PictFmla> readPictFmla(std::span<const std::uint8_t> obj) {
    io::ByteReader r(obj);
    PictFmla pict;
    while (r.remaining() >= 4) {
        const std::uint16_t ft = r.u16();
        if (ft == obj_part::kEnd || ft == obj_part::kLbsData) return std::nullopt;
        const std::size_t cb = r.u16();
        const std::size_t end = r.position() + cb;
        if (ft == obj_part::kPioGrbit && cb >= 2) pict.pictFlags = r.u16();
        if (ft != obj_part::kPictFmla) {
            r.seek(end > r.size() ? r.size() : end);
            continue;
        }
        if (end > obj.size()) fail(ErrorCode::CorruptWorkbook, "FtPictFmla runs past the Obj");
        // The part's fields are read inside cb, offsets kept in the record's terms.
        io::ByteReader part(obj.first(end));
        part.seek(r.position());
        const ObjFmla fmla = readObjFmla(part);
        pict.embedded = fmla.table;
        if (fmla.formula && !fmla.table) pict.formulas.push_back(*fmla.formula);
        if (pict.embedded) {
            pict.lPosOffset = part.position();
            pict.lPosInCtlStm = part.u32();
        }
        if (pict.inControlStream()) pict.cbBufInCtlStm = part.u32();
        if (pict.control()) {
            part.skip(part.u32());  // cbKey, keyBuf
            for (int i = 0; i < 2; ++i)
                if (const ObjFmla link = readObjFmla(part); link.formula)
                    pict.formulas.push_back(*link.formula);
        }
        return pict;
    }
    return std::nullopt;
}

std::u16string embeddingStorageName(std::uint32_t id) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::u16string name = u"MBD";
    for (int shift = 28; shift >= 0; shift -= 4) name.push_back(kDigits[(id >> shift) & 0xF]);
    return name;
}

}  // namespace xls::ops
