// The drawing group after a sheet goes: the clusters of the sheet's drawings
// (its own and its embedded charts') freed, its shapes and drawings taken off
// the saved counts, and its pictures counted once less for each use. Picture
// entries stay where they are, since other drawings name them by position.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/workbook_stream.h"
#include "odraw/drawing_group.h"
#include "odraw/drawing_ids.h"

namespace xls::ops {

// The drawing taken out of group: its clusters freed, its shapes and itself
// off the saved counts, each picture it shows counted as many times less.
void freeDrawing(odraw::DrawingGroup& group, const odraw::DrawingFacts& facts);

// The drawing group container to write once the sheet is gone; nullopt when
// nothing changes (no drawing group, or no drawing on the sheet). A drawing
// that cannot be read leaves the group as it is. Changes nothing itself.
std::optional<std::vector<std::uint8_t>> planDrawingRemoval(const model::WorkbookStream& stream,
                                                            const model::Substream& sheet);

}  // namespace xls::ops
