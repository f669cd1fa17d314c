// Defined names (Lbl, [MS-XLS] 2.4.150) when a sheet goes: names local to it
// go with it (its print area, print titles, filter database and the user's own
// local names), names of later sheets follow their sheet down one, and every
// formula's name index must then be renumbered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/workbook_stream.h"

namespace xls::ops {

// For each old 1-based Lbl index, its new index (0: removed). Element 0 is
// unused. Empty when no name was removed, so no formula needs renumbering.
using NameRenumbering = std::vector<std::uint32_t>;

// Raises CorruptWorkbook when a Lbl is too short to hold its itab; changes nothing then.
void checkNamesReadable(const model::Substream& globals);

// Call after checkNamesReadable: raises nothing.
NameRenumbering removeNamesOfSheet(model::Substream& globals, std::size_t tab);

// Sheet-local names follow their sheet to its new tab index (newTabOf: old
// tab -> new tab). Call after checkNamesReadable: raises nothing.
void followSheetsToNewTabs(model::Substream& globals, const std::vector<std::size_t>& newTabOf);

}  // namespace xls::ops
