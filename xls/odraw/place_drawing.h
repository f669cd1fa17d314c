// Gives a drawing brought in from elsewhere its place in a drawing group: a
// drawing id no other drawing has, and fresh clusters for its shape ids
// (each source cluster to one new cluster, the ids keeping their place in
// it), with the group's totals brought up to date.
#pragma once

#include <cstdint>
#include <map>

#include "odraw/drawing_group.h"
#include "odraw/drawing_ids.h"

namespace xls::odraw {

struct DrawingPlace {
    std::uint16_t dgid = 0;
    std::map<std::uint32_t, std::uint32_t> blocks;  // old spid / kClusterSize -> new
    // The first of the ids, in clusters of their own, for shapes that repeat
    // an earlier shape's id (some writers do); 0 when none does.
    std::uint32_t firstSpare = 0;

    std::uint32_t spid(std::uint32_t old) const;
};

// Changes group; raises CopyUnsupported when it has no drawing id or shape id
// left for the drawing.
DrawingPlace placeDrawing(DrawingGroup& group, const DrawingFacts& facts);

// The first free drawing id of a group: one past every id its clusters name.
std::uint32_t freeDrawingId(const DrawingGroup& group);

}  // namespace xls::odraw
