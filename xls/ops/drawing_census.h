// What a workbook's drawings hold, against what its drawing group says: the
// group's totals, and each drawing's id, shape count and shape ids. Edits
// that move drawings keep the workbook's shape ids unique and its totals in
// step with them; this is how they are checked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/workbook_stream.h"

namespace xls::ops {

struct DrawingEntry {
    std::uint16_t dgid = 0;
    std::uint32_t csp = 0;
    std::vector<std::uint32_t> spids;
};

struct DrawingCensus {
    bool hasGroup = false;
    std::uint32_t cspSaved = 0;
    std::uint32_t cdgSaved = 0;
    std::vector<std::uint32_t> clusterOwners;  // dgid of each cluster
    std::vector<DrawingEntry> drawings;        // of every sheet, charts included
};

// Reads every sheet's records. Raises CorruptWorkbook for drawing records that
// cannot be read.
DrawingCensus takeDrawingCensus(const model::WorkbookStream& stream);

// What is wrong with the ids: a shape id used twice, or a shape id in a
// cluster its drawing does not own; one line each.
std::vector<std::string> drawingIdProblems(const DrawingCensus& census);

}  // namespace xls::ops
