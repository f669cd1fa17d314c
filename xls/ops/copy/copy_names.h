// The defined names (Lbl, [MS-XLS] 2.4.150) a copied sheet takes along: the
// names local to it (print area, print titles, filter database, the user's
// own) become local names of the copy, and the names its formulas use come
// too. Copied into another workbook, a used workbook-wide name stays
// workbook-wide unless the destination has one of that name already: it then
// becomes local to the copy, so both keep their meaning.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "model/workbook_stream.h"

namespace xls::ops::copy {

// For each source 1-based Lbl index, the destination's; element 0 unused and
// 0 for a name not copied. Empty: every index stays (nothing copied).
using NameMap = std::vector<std::uint32_t>;

// New ixti for a source ixti in a copied formula.
using IxtiMap = std::function<std::optional<std::uint16_t>(std::uint16_t)>;

struct NameCopyRequest {
    std::size_t sourceTab = 0;     // the copied sheet's tab in the source globals
    std::size_t newTab = 0;        // the copy's tab in the destination
    bool sameWorkbook = false;     // workbook-wide names are then shared, not copied
    std::set<std::uint32_t> used;  // 1-based Lbl indices the sheet's formulas use
};

// The 1-based indices of the names local to tab (itab = tab + 1).
std::set<std::uint32_t> namesLocalTo(const model::Substream& globals, std::size_t tab);

// Appends the copied names to destination (after its last Lbl, else after its
// external-reference table) with their formulas re-pointed through ixti and
// the name map itself, and returns the map. Raises CorruptWorkbook for a name
// record that cannot be read; the destination is then unchanged.
NameMap copyNames(const model::Substream& source, model::Substream& destination,
                  const NameCopyRequest& request, const IxtiMap& ixti);

// Every name the given names use in turn, through their formulas, added to names.
void addNamesUsedByNames(const model::Substream& globals, std::set<std::uint32_t>& names);

}  // namespace xls::ops::copy
