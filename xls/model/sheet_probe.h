// Checks each sheet's place in the workbook stream and tells dialog sheets from
// worksheets, reading only the first records of each sheet substream.
#pragma once

#include "biff/record_reader.h"
#include "model/workbook_listing.h"

namespace xls::model {

// Raises CorruptWorkbook when sheet.lbPlyPos does not point at a BOF inside the
// stream. For a worksheet, reads its opening records up to WsBool, the first cell,
// row or Dimensions record, or EOF, and makes it a Dialog when WsBool.fDialog is set.
void probeSheet(biff::RecordReader& reader, SheetEntry& sheet);

}  // namespace xls::model
