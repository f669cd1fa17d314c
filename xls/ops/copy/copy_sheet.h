// Copying a worksheet's records from one workbook stream into another (or
// into the same one) behind a tab: every map is planned and every limit
// checked on copies of what changes, and the destination changes only once
// nothing can fail any more.
#pragma once

#include <cstddef>
#include <string>

#include "model/workbook_stream.h"

namespace xls::ops::copy {

struct SheetCopyRequest {
    std::size_t sourceTab = 0;
    std::size_t newTab = 0;  // where the copy goes in the destination
    std::string name;        // the copy's name (UTF-8), already checked and free
    std::string sourcePath;  // how the copy names the source in external references
};

// Copies the sheet. source and destination may be the same stream. Raises
// Error (CopyUnsupported naming what cannot be copied, TooManyFormats,
// CorruptWorkbook, ...) before the destination changes.
void copySheetRecords(model::WorkbookStream& source, model::WorkbookStream& destination,
                      const SheetCopyRequest& request);

}  // namespace xls::ops::copy
