// The shared string table (SST and its Continue records) of a workbook stream
// wherever the model keeps it: held as records, or as the stand-in that loading
// leaves for it in the globals; grown by strings appended behind the ones it
// holds (model::indexSharedStrings reads it).
#pragma once

#include <optional>

#include "model/stream_writer_sst.h"
#include "model/workbook_stream.h"
#include "ops/record_runs.h"

namespace xls::ops {

// The globals' records that hold the table: the SST and its Continue records,
// or the one stand-in holding them all. nullopt when the workbook has none.
std::optional<RecordRun> findSharedStrings(const model::Substream& globals);

// Appends strings to the table, which holds existing strings: the table's
// records stay as stored, the last one filled and Continue records added,
// with cstTotal and cstUnique set. A workbook without a table gets one holding
// the strings. The ExtSST's bucket size (dsst) grows with the table, so the
// index the writer rebuilds fits its record; the caller marks the table
// edited. Raises CorruptWorkbook for an SST record too short for its counts.
void appendSharedStrings(model::WorkbookStream& stream, std::uint32_t cstTotal,
                         std::size_t existing, const std::vector<model::SstString>& strings);

}  // namespace xls::ops
