#include "ops/drawing_removal.h"

#include <algorithm>

#include "odraw/drawing_group.h"
#include "odraw/drawing_ids.h"
#include "odraw/picture_store.h"
#include "ops/drawing_records.h"
#include "xls/error.h"

namespace xls::ops {

void freeDrawing(odraw::DrawingGroup& group, const odraw::DrawingFacts& facts) {
    for (odraw::Cluster& c : group.clusters)
        if (c.dgid == facts.dgid) c = {};
    group.cspSaved -= std::min(group.cspSaved, facts.csp);
    group.cdgSaved -= std::min(group.cdgSaved, 1U);
    for (const auto& [pib, uses] : facts.pictureRefs) {
        if (pib == 0 || pib > group.pictures.size()) continue;
        auto& entry = group.pictures[pib - 1];
        odraw::setPictureUses(
            entry, odraw::pictureUses(entry) - std::min(odraw::pictureUses(entry), uses));
    }
}

std::optional<std::vector<std::uint8_t>> planDrawingRemoval(const model::WorkbookStream& stream,
                                                            const model::Substream& sheet) {
    const std::vector<std::uint8_t> groupBytes = drawingGroupBytes(stream.globals);
    if (groupBytes.empty()) return std::nullopt;
    try {
        odraw::DrawingGroup group = odraw::readDrawingGroup(groupBytes);
        model::Substream whole = sheet;
        if (!whole.loaded) model::loadRecords(whole);
        const std::vector<model::Record>& records = whole.records;
        const auto drawings = drawingPieces(records);
        if (drawings.empty()) return std::nullopt;
        for (const DrawingPieces& pieces : drawings)
            freeDrawing(group, odraw::readDrawing(joinedDrawing(records, pieces)));
        return odraw::writeDrawingGroup(group);
    } catch (const Error&) {
        return std::nullopt;  // left as it was, as before drawings were counted
    }
}

}  // namespace xls::ops
