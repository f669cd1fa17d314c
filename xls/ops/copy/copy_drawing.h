// The drawing layer of a copied sheet made the destination's: each drawing
// of the sheet (its own and its embedded charts') gets a free drawing id and
// fresh shape id clusters, the pictures its shapes show join the
// destination's picture store, and the destination's drawing group (made
// when it has none) counts them. Planned before the destination changes.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "model/workbook_stream.h"
#include "odraw/drawing_group.h"
#include "odraw/drawing_ids.h"
#include "ops/copy/copy_header_pictures.h"
#include "ops/drawing_records.h"

namespace xls::ops::copy {

struct DrawingCopyPlan {
    // Each drawing of the copy with its renumbered bytes.
    std::vector<std::pair<DrawingPieces, std::vector<std::uint8_t>>> drawings;
    // The shape selections of the copy (MsoDrawingSelection) renumbered.
    std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> selections;
    // The destination's drawing group after the copy; unset when the sheet has
    // no drawing.
    std::optional<std::vector<std::uint8_t>> group;
    HeaderPictureCopyPlan headerPictures;
};

// Gives one copied drawing (bytes, renumbered in place) its drawing id and
// clusters in group, and its pictures their entries there: taken from
// source's store, or counted again in group's own when source is null (a
// copy inside one workbook). Returns the renumbering it applied.
odraw::DrawingRenumbering placeCopiedDrawing(odraw::DrawingGroup& group,
                                             const odraw::DrawingGroup* source,
                                             std::vector<std::uint8_t>& bytes);

// The sheet's header and footer pictures come along too (see
// copy_header_pictures.h).
// Raises CorruptWorkbook for drawing records that cannot be read, and
// CopyUnsupported when the destination has no ids left or a picture lives
// outside the workbook's drawings. Changes nothing.
DrawingCopyPlan planDrawingCopy(const model::Substream& sourceGlobals,
                                const std::vector<model::Record>& sheet,
                                const model::Substream& destinationGlobals, bool sameWorkbook);

void applyDrawingCopy(const DrawingCopyPlan& plan, std::vector<model::Record>& sheet,
                      model::Substream& destinationGlobals);

}  // namespace xls::ops::copy
