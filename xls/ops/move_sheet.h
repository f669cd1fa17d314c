// Moving a sheet to another place in its own workbook's tab order. Formulas,
// names and charts reach sheets by tab index through the ExternSheet table,
// the Lbl records and the window records, so those follow the new order and
// every reference keeps pointing at the sheet it pointed at.
#pragma once

#include <cstddef>
#include <vector>

#include "model/workbook_stream.h"

namespace xls::ops {

// For each old tab index, its index once the sheet at tab is at newTab.
std::vector<std::size_t> tabOrderAfterMove(std::size_t sheetCount, std::size_t tab,
                                           std::size_t newTab);

// Puts the sheet at tab at newTab: its BoundSheet8 and substream, the self
// XTIs' itabFirst and itabLast, the itab of sheet-local names, RRTabId and
// Window1's active and first tabs. Raises CorruptWorkbook for a table it cannot
// read, before changing anything.
void moveSheetRecords(model::WorkbookStream& stream, std::size_t tab, std::size_t newTab);

}  // namespace xls::ops
