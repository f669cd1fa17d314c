// The indices into workbook tables that an embedded chart's records hold:
// fonts (FontX, Fbi, Fbi2), number formats (IFmtRecord) and palette colours
// (LineFormat, AreaFormat, MarkerFormat, Text, Tick). A chart copied to
// another workbook reads them from the destination's tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

#include "model/workbook_stream.h"
#include "ops/copy/merge_cell_formats.h"

namespace xls::ops::copy {

struct ChartUse {
    std::set<std::uint16_t> ifmts;    // number formats
    std::set<std::uint16_t> colours;  // Icvs
};

// What the chart records among records use (fonts come along whole).
ChartUse chartUse(const std::vector<model::Record>& records);

// Rewrites the indices in place through the plan: fonts and planned number
// formats by their maps (a format the plan did not need is a built-in one
// and keeps its number), colours by value. Returns the records changed.
// Raises CorruptWorkbook for a font the map does not cover.
std::size_t remapChartRecords(std::vector<model::Record>& records, const FormatMergePlan& plan);

}  // namespace xls::ops::copy
