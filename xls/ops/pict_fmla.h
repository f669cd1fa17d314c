// Where a picture Obj keeps its OLE object or ActiveX control ([MS-XLS]
// FtPioGrbit, FtPictFmla, PictFmlaKey): in a storage of the compound file
// ("MBD" and eight hex digits of lPosInCtlStm), at lPosInCtlStm in the Ctls
// stream (cbBufInCtlStm bytes), or behind a link formula; and the formulas
// of a control's linked cell and list fill range.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ops/formula_fields.h"

namespace xls::ops {

struct PictFmla {
    std::uint16_t pictFlags = 0;  // FtPioGrbit
    // The fmla is a PtgTbl: the object's data is in this file, at
    // lPosInCtlStm (its offset in the payload given too).
    bool embedded = false;
    std::uint32_t lPosInCtlStm = 0;
    std::size_t lPosOffset = 0;
    std::optional<std::uint32_t> cbBufInCtlStm;  // when the data is in the Ctls stream
    // The fmla when it is a link or a range (not a PtgTbl), then a control's
    // fmlaLinkedCell and fmlaListFillRange when they are set.
    std::vector<FormulaField> formulas;

    bool control() const { return (pictFlags & 0x0010) != 0; }          // fCtl
    bool inControlStream() const { return (pictFlags & 0x0020) != 0; }  // fPrstm
    bool link() const { return (pictFlags & 0x0002) != 0; }             // fDde
};

// The Obj's FtPictFmla read; nullopt when it has none. Raises
// Error(CorruptWorkbook) for one whose fields run past it or the record.
std::optional<PictFmla> readPictFmla(std::span<const std::uint8_t> obj);

// The name of the storage holding an embedded object: "MBD" and the eight
// upper-case hex digits of id.
std::u16string embeddingStorageName(std::uint32_t id);

}  // namespace xls::ops
