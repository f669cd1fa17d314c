// Writes a WorkbookStream back as bytes with every stream position that moved
// patched: BoundSheet8.lbPlyPos recomputed from where each sheet's substream
// lands, the Index records' ibXF and rgibRw shifted with their substream, and
// the ExtSST index rebuilt from where the shared strings land. A payload longer
// than a record holds is split into Continue records (the SST only between
// strings, between characters with a fresh flag byte, or between formatting
// runs). An encrypted workbook is encrypted again once positions are final.
// Saving an unchanged workbook gives back its stream byte for byte.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "io/byte_rope.h"
#include "io/byte_source.h"
#include "model/workbook_stream.h"

namespace xls::model {

// What the writer cannot see in the records: where the shared strings stood
// when the workbook was loaded, and whether they changed since. With them an
// ExtSST whose strings did not move is kept exactly as stored (some writers
// leave junk there that readers ignore); without them it is kept when it
// agrees with where the strings land, and rebuilt otherwise.
struct WriteHints {
    std::optional<std::uint64_t> sstOffsetAsLoaded;
    bool sstEdited = false;
};

// The hints for a workbook stream as stored: reads the globals' record
// headers only, stepping over their bodies.
WriteHints readWriteHints(std::shared_ptr<const io::ByteSource> storedStream);

// Each Substream::offset must be where that substream stood when its Index
// record was written (as loaded, or in the workbook a copied sheet came from):
// Index positions move by the difference.
// An SST record whose payload outgrew a record (an edit merged its Continue
// records) must hold its strings whole, without continuation flag bytes; it
// is laid out again and its ExtSST rebuilt.
// Raises CorruptWorkbook when a sheet's substream is missing or a record the
// writer patches is too short, UnsupportedOperation when the stream would
// outgrow the 4 GB positions can address.
// The new stream's bytes: the records written, and the stored ranges of the
// stand-ins, read when the rope is written out. leftAsStored, when given, is
// added the records the writer could not read and kept as stored (an ExtSST
// over strings it cannot follow).
io::ByteRope writeWorkbookStream(const WorkbookStream& stream, const WriteHints& hints = {},
                                 std::size_t* leftAsStored = nullptr);

}  // namespace xls::model
