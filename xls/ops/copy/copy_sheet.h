// Copying a worksheet's records from one workbook stream into another (or
// into the same one) behind a tab: every map is planned and every limit
// checked on copies of what changes, and the destination changes only once
// nothing can fail any more.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "model/edit_state.h"
#include "model/workbook_stream.h"

namespace xls::ops::copy {

struct SheetCopyRequest {
    std::size_t sourceTab = 0;
    std::size_t newTab = 0;  // where the copy goes in the destination
    std::string name;        // the copy's name (UTF-8), already checked and free
    // The two files, for the link by which the copy keeps reading the other
    // sheets of its source.
    std::filesystem::path sourcePath;
    std::filesystem::path destinationPath;
    std::vector<std::string> sourceSheetNames;  // in tab order
};

// Copies the sheet. source and destination may be the same stream. Raises
// Error (CopyUnsupported naming what cannot be copied, TooManyFormats,
// CorruptWorkbook, ...) before the destination changes.
// state is the destination's: a copy that adds strings marks its table edited.
void copySheetRecords(model::WorkbookStream& source, model::WorkbookStream& destination,
                      const SheetCopyRequest& request, model::EditState& state);

}  // namespace xls::ops::copy
