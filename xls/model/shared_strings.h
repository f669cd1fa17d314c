// The shared string table of a loaded workbook stream: read whole (an edit
// that rewrites the table), or indexed where it is stored (an edit that reads
// a few of its strings, or looks strings up in it). An edit that lays the
// table out anew sets WorkbookStream::editedSst for the writer.
#pragma once

#include "model/sst_index.h"
#include "model/stream_writer_sst.h"
#include "model/workbook_stream.h"

namespace xls::model {

// The edited table when there is one, else the stored SST with its Continue
// records (held, or read from the stand-in that keeps them); an empty table
// when the globals have none. Raises CorruptWorkbook on a string cut short.
SstTable readSharedStrings(const WorkbookStream& stream);

// The same table as an index over its bytes, each string shown to visit as
// it is read when given (only those wants takes, when that is given too).
// Raises as readSharedStrings does.
SstIndex indexSharedStrings(const WorkbookStream& stream, const SstIndex::Visit& visit = {},
                            const SstIndex::Wants& wants = {});

}  // namespace xls::model
