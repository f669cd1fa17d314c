#include "ops/drawing_census.h"

#include <map>

#include "odraw/drawing_group.h"
#include "odraw/drawing_ids.h"
#include "ops/drawing_records.h"

namespace xls::ops {

DrawingCensus takeDrawingCensus(const model::WorkbookStream& stream) {
    DrawingCensus census;
    const std::vector<std::uint8_t> groupBytes = drawingGroupBytes(stream.globals);
    if (!groupBytes.empty()) {
        const odraw::DrawingGroup group = odraw::readDrawingGroup(groupBytes);
        census.hasGroup = true;
        census.cspSaved = group.cspSaved;
        census.cdgSaved = group.cdgSaved;
        for (const odraw::Cluster& c : group.clusters) census.clusterOwners.push_back(c.dgid);
    }
    for (model::Substream sheet : stream.substreams) {
        if (!sheet.loaded) model::loadRecords(sheet);
        for (const DrawingPieces& pieces : drawingPieces(sheet.records)) {
            const odraw::DrawingFacts facts =
                odraw::readDrawing(joinedDrawing(sheet.records, pieces));
            census.drawings.push_back({facts.dgid, facts.csp, facts.spids});
        }
    }
    return census;
}

std::vector<std::string> drawingIdProblems(const DrawingCensus& census) {
    std::vector<std::string> problems;
    std::map<std::uint32_t, std::uint16_t> seen;  // spid -> dgid
    for (const DrawingEntry& d : census.drawings) {
        for (std::uint32_t spid : d.spids) {
            if (!seen.emplace(spid, d.dgid).second)
                problems.push_back("shape " + std::to_string(spid) + " of drawing " +
                                   std::to_string(d.dgid) + " is also in drawing " +
                                   std::to_string(seen[spid]));
            const std::uint32_t cluster = odraw::clusterOf(spid);
            if (cluster >= census.clusterOwners.size() || census.clusterOwners[cluster] != d.dgid)
                problems.push_back("shape " + std::to_string(spid) + " of drawing " +
                                   std::to_string(d.dgid) + " lies in a cluster it does not own");
        }
    }
    return problems;
}

}  // namespace xls::ops
