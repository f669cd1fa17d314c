// The shared string table (SST and its Continue records) of a workbook stream
// wherever the model keeps it: held as records, or as the stand-in that loading
// leaves for it in the globals; written back whole, or grown by strings
// appended behind the ones it holds (model::indexSharedStrings reads it).
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

// Appends strings to the table, which holds existing strings: the table's
// records stay as stored, the last one filled and Continue records added,
// with cstTotal and cstUnique set. A workbook without a table gets one holding
// strings, as writeSharedStrings lays it out. The ExtSST's bucket size grows
// as there; the caller marks the table edited. Raises CorruptWorkbook for an
// SST record too short for its counts.
void appendSharedStrings(model::WorkbookStream& stream, std::uint32_t cstTotal,
                         std::size_t existing, const std::vector<model::SstString>& strings);

}  // namespace xls::ops
