// The values a copied sheet's formulas read from the other sheets of the
// workbook it came from, cached beside the link to that workbook as the
// application caches them (XCT and CRN records after the SupBook, [MS-XLS]
// 2.4.353 and 2.4.65): a reader that does not open the source shows them.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "model/sst_index.h"
#include "model/workbook_stream.h"
#include "ops/copy/copied_sheet.h"

namespace xls::ops::copy {

// Cells a formula reads: rows and columns, inclusive.
struct CellArea {
    std::uint16_t rowFirst = 0;
    std::uint16_t rowLast = 0;
    std::uint16_t colFirst = 0;
    std::uint16_t colLast = 0;
};

// For each source tab, the areas the sheet's formulas read there through
// XTIs of the source's own sheets (other than skipTab, the copied sheet).
// Areas come from 3-D references of Formula, Array, CF and DV records, and
// of the defined names (1-based indices) copied with the sheet.
std::map<std::uint16_t, std::vector<CellArea>> externalAreas(const model::Substream& sourceGlobals,
                                                             const CopiedSheet& sheet,
                                                             std::size_t skipTab,
                                                             const std::set<std::uint32_t>& names);

// The XCT and CRN records holding the values of the cells of areas that have
// one, read from the source sheets. At most maxCells values are cached; the
// rest are left for the application to read from the source file.
std::vector<model::Record> externalCacheRecords(
    const model::WorkbookStream& source, const model::SstIndex& strings,
    const std::map<std::uint16_t, std::vector<CellArea>>& areas, std::size_t maxCells = 60000);

}  // namespace xls::ops::copy
