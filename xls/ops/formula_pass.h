// Carries a sheet deletion into every formula of a substream: name indices
// renumbered after local names went, references to removed names turned into
// #REF!, and cells whose formula reached the deleted sheet given the cached
// result #REF! and marked to be calculated again on load, as the application
// shows them. Every edit keeps each record's size.
#pragma once

#include <cstdint>
#include <set>

#include "model/workbook_stream.h"
#include "ops/defined_names.h"

namespace xls::ops {

struct FormulaPassEdits {
    std::set<std::uint16_t> deadIxti;  // XTIs that now point nowhere
    std::set<std::uint16_t> selfIxti;  // XTIs through this workbook (PtgNameX names a Lbl)
    NameRenumbering names;             // empty: names unchanged
};

// Returns the number of records changed; adds to leftAsStored the formula
// records it could not read, which keep their bytes. The substream's records
// must all be held.
std::size_t applyFormulaPass(model::Substream& substream, const FormulaPassEdits& edits,
                             std::size_t& leftAsStored);
// The same for a sheet's substream that may keep records in a stored
// stream: they are read a chunk at a time, and only those changed stay held.
std::size_t applyFormulaPassToSheet(model::Substream& substream, const FormulaPassEdits& edits,
                                    std::size_t& leftAsStored);

}  // namespace xls::ops
