// Renaming and deleting a sheet in the workbook stream's records. The caller
// has checked the request (name rules, protection, the last visible sheet);
// these change the records and everything in them that names or counts sheets.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "model/workbook_stream.h"
#include "xls/sheet_info.h"

namespace xls::ops {

// Writes the new name (UTF-8) into the sheet's BoundSheet8. Formulas, names and
// charts reach sheets by index, so nothing else in the stream holds the name.
void renameSheetRecords(model::WorkbookStream& stream, std::size_t tab, std::string_view newName);

// Removes the sheet's BoundSheet8 and substream, then mends the ExternSheet
// table, defined names, every formula's name indices, RRTabId and the window
// records. visibilityAfter: the visibility of the sheets left, in tab order.
// Returns the number of formula records it could not read and left as stored.
std::size_t deleteSheetRecords(model::WorkbookStream& stream, std::size_t tab,
                               const std::vector<Visibility>& visibilityAfter);

}  // namespace xls::ops
