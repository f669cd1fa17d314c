#include "odraw/place_drawing.h"

#include <algorithm>
#include <set>

#include "xls/error.h"

namespace xls::odraw {

namespace {

constexpr std::uint32_t kMaxDrawingId = 0xFFE;

// The first cluster no drawing can hold ids in: past the clusters, and past
// the highest id the group says is used unless that is where the next
// cluster starts.
std::size_t firstFreeCluster(const DrawingGroup& group) {
    std::size_t first = group.clusters.size();
    if (group.spidMax > kClusterSize) {
        const std::uint32_t last = group.spidMax - 1;
        const std::size_t at = clusterOf(last) + (last % kClusterSize == 0 ? 0 : 1);
        first = std::max(first, at);
    }
    return first;
}

}  // namespace

std::uint32_t DrawingPlace::spid(std::uint32_t old) const {
    const auto found = blocks.find(old / kClusterSize);
    const std::uint32_t block = found != blocks.end() ? found->second : blocks.begin()->second;
    return block * kClusterSize + old % kClusterSize;
}

std::uint32_t freeDrawingId(const DrawingGroup& group) {
    std::uint32_t highest = 0;
    for (const Cluster& c : group.clusters) highest = std::max(highest, c.dgid);
    return highest + 1;
}

DrawingPlace placeDrawing(DrawingGroup& group, const DrawingFacts& facts) {
    const std::uint32_t dgid = freeDrawingId(group);
    if (dgid > kMaxDrawingId)
        fail(ErrorCode::CopyUnsupported, "the destination has no drawing id left for the copy");
    // The source clusters the drawing uses, with the last id used in each.
    std::map<std::uint32_t, std::uint32_t> used;
    const auto note = [&](std::uint32_t spid) {
        auto& last = used[spid / kClusterSize];
        last = std::max(last, spid % kClusterSize);
    };
    for (std::uint32_t spid : facts.spids) note(spid);
    if (facts.spidCur != 0) note(facts.spidCur);
    if (used.empty()) used[0] = 0;  // a drawing owns a cluster even when empty

    // Shapes that repeat an earlier shape's id get fresh ids, so that no id
    // is used twice in the destination.
    const std::set<std::uint32_t> distinct(facts.spids.begin(), facts.spids.end());
    const std::size_t repeats = facts.spids.size() - distinct.size();
    const std::size_t spareClusters = (repeats + kClusterSize - 1) / kClusterSize;

    std::size_t next = firstFreeCluster(group);
    if ((next + used.size() + spareClusters + 1) * kClusterSize > kMaxShapeId)
        fail(ErrorCode::CopyUnsupported, "the destination has no shape ids left for the copy");
    group.clusters.resize(next);  // free clusters fill any gap
    DrawingPlace place;
    place.dgid = static_cast<std::uint16_t>(dgid);
    std::uint32_t highest = 0;
    for (const auto& [block, last] : used) {
        const auto newBlock = static_cast<std::uint32_t>(++next);
        place.blocks[block] = newBlock;
        group.clusters.push_back({dgid, last + 1});
        highest = newBlock * kClusterSize + last;
    }
    if (repeats > 0) place.firstSpare = static_cast<std::uint32_t>(next + 1) * kClusterSize;
    for (std::size_t left = repeats; left > 0;) {
        const auto taken = static_cast<std::uint32_t>(std::min<std::size_t>(left, kClusterSize));
        const auto newBlock = static_cast<std::uint32_t>(++next);
        group.clusters.push_back({dgid, taken});
        highest = newBlock * kClusterSize + taken - 1;
        left -= taken;
    }
    group.spidMax = std::max(group.spidMax, highest + 1);
    group.cspSaved += facts.csp;
    group.cdgSaved += 1;
    return place;
}

}  // namespace xls::odraw
