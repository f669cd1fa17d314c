// The window records that count sheets by tab index: Window1 in the globals
// ([MS-XLS] 2.4.345: active tab, first tab shown, number of selected tabs) and
// each sheet's Window2 (2.4.346: fSelected, fPaged), kept consistent when a
// sheet goes.
#pragma once

#include <cstddef>
#include <vector>

#include "model/workbook_stream.h"
#include "xls/sheet_info.h"

namespace xls::ops {

// Call after the sheet's BoundSheet8 and substream are gone; visibility is
// that of the sheets left, in tab order.
void mendWindowsAfterDelete(model::WorkbookStream& stream, std::size_t deletedTab,
                            const std::vector<Visibility>& visibility);

// Each Window1's active tab follows its sheet to its new tab index (newTabOf:
// old tab -> new tab); the first tab shown stays where it was unless the
// active one would then be out of sight to its left.
void mendWindowsAfterMove(model::Substream& globals, const std::vector<std::size_t>& newTabOf);

}  // namespace xls::ops
