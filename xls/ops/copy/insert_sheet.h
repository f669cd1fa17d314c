// Puts a new sheet into a workbook stream at a tab position: its BoundSheet8,
// its substream, and everything that counts sheets by tab index brought along
// (the self-reference XTIs and their SupBook, sheet-local names, RRTabId, the
// window records). Formulas reach sheets through XTIs only, so no formula of
// the workbook changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/workbook_stream.h"

namespace xls::ops::copy {

// Everything that counts tabs made ready for a sheet at newTab, before it is
// there: XTIs and local names of later sheets move up one, a 3-D range whose
// ends lie on both sides takes the new sheet in, as the application does.
// Raises CorruptWorkbook for tables shorter than they declare, changing nothing.
void shiftTabsForInsert(model::Substream& globals, std::size_t newTab);

// Inserts the sheet: boundSheet is its BoundSheet8 payload (lbPlyPos is set by
// the writer), substream its records from BOF to EOF. The new sheet is neither
// active nor selected; the active sheet stays the one it was. Call after
// shiftTabsForInsert.
void insertSheet(model::WorkbookStream& stream, std::size_t newTab,
                 std::vector<std::uint8_t> boundSheet, model::Substream substream);

}  // namespace xls::ops::copy
