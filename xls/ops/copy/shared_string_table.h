// The shared string table (SST and its Continue records) of a workbook stream
// wherever the model keeps it: held as records, or as the stand-in that loading
// leaves for it in the globals, written back whole (model::readSharedStrings
// reads it).
#pragma once

#include <optional>

#include "model/stream_writer_sst.h"
#include "model/workbook_stream.h"
#include "ops/record_runs.h"

namespace xls::ops {

// The globals' records that hold the table: the SST and its Continue records,
// or the one stand-in holding them all. nullopt when the workbook has none.
std::optional<RecordRun> findSharedStrings(const model::Substream& globals);

// Puts table in place of the workbook's SST and its Continue records, laid out
// anew (cstUnique the number of strings); a workbook without one gets an SST,
// and an ExtSST for the writer to fill, where the globals keep them. The
// ExtSST's bucket size (dsst) grows with the table, so the index the writer
// rebuilds fits its record. The caller marks the table edited so the writer
// rebuilds the ExtSST.
void writeSharedStrings(model::WorkbookStream& stream, const model::SstTable& table);

}  // namespace xls::ops
