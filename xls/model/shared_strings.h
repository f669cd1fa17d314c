// The shared string table of a loaded workbook stream, read whole: an edit
// that adds strings (a copy of a sheet) reads it here, appends, and sets
// WorkbookStream::editedSst for the writer to lay out.
#pragma once

#include "model/stream_writer_sst.h"
#include "model/workbook_stream.h"

namespace xls::model {

// The edited table when there is one, else the stored SST with its Continue
// records (held, or read from the stand-in that keeps them); an empty table
// when the globals have none. Raises CorruptWorkbook on a string cut short.
SstTable readSharedStrings(const WorkbookStream& stream);

}  // namespace xls::model
