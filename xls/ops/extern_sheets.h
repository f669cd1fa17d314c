// The ExternSheet table ([MS-XLS] 2.4.106) as far as it concerns this
// workbook's own sheets: the XTIs whose SupBook is the self-reference, by which
// every 3-D reference, defined name and chart series reaches a sheet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "model/workbook_stream.h"

namespace xls::ops {

// Index of the self-reference SupBook (cch 0x0401) among the globals' SupBook
// records, or nullopt when the workbook has none.
std::optional<std::uint16_t> selfSupBookIndex(const model::Substream& globals);

// The ixti values whose XTI goes through the self SupBook.
std::set<std::uint16_t> selfXtis(const model::Substream& globals);

// The table mended for the deletion of sheet tab, not yet applied: XTIs on
// that sheet alone become #REF! (itabFirst = itabLast = -1), later sheets move
// down one, a 3-D range losing an end sheet shrinks to the sheets left. XTIs
// are never removed, since every ixti in every formula counts them.
struct ExternSheetRemoval {
    std::optional<std::size_t> record;  // the ExternSheet record in the globals
    std::vector<std::uint8_t> joined;   // its new payload, Continue payloads joined on
    std::set<std::uint16_t> deadIxti;   // XTIs that now point nowhere
};

// Raises CorruptWorkbook for a table shorter than it declares; changes nothing.
ExternSheetRemoval planSheetRemoval(const model::Substream& globals, std::size_t tab);

// The table with every self XTI following its sheets to their new tab indices
// (newTabOf: old tab -> new tab), not yet applied. A 3-D range keeps its two
// end sheets. Raises CorruptWorkbook as planSheetRemoval does.
struct ExternSheetReorder {
    std::optional<std::size_t> record;
    std::vector<std::uint8_t> joined;
};
ExternSheetReorder planSheetReorder(const model::Substream& globals,
                                    const std::vector<std::size_t>& newTabOf);
void applySheetReorder(model::Substream& globals, const ExternSheetReorder& plan);

// Writes the planned table back and lowers the self SupBook's ctab. Call
// before records ahead of the ExternSheet are added or removed.
void applySheetRemoval(model::Substream& globals, const ExternSheetRemoval& plan);

}  // namespace xls::ops
