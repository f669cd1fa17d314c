// A workbook's drawing group (the OfficeArtDggContainer of MsoDrawingGroup):
// the shape id clusters each drawing owns, the saved shape and drawing
// counts, and the picture store. Read whole, edited as tables, written anew;
// records the engine does not edit are kept byte for byte in their place.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace xls::odraw {

// Shape ids come in clusters of this many; cluster k (0-based) holds the ids
// (k + 1) * kClusterSize up to the next cluster's first.
inline constexpr std::uint32_t kClusterSize = 1024;
// The highest shape id a drawing group may record.
inline constexpr std::uint32_t kMaxShapeId = 0x03FFD7FF;

struct Cluster {
    std::uint32_t dgid = 0;      // the drawing that owns it; 0 when free
    std::uint32_t cspidCur = 0;  // one past the last id used in it, counted from its first
};

struct DrawingGroup {
    std::uint32_t spidMax = 0;
    std::uint32_t cspSaved = 0;
    std::uint32_t cdgSaved = 0;
    std::vector<Cluster> clusters;  // cidcl is their count plus one
    // Each OfficeArtFBSE record of the picture store whole, header included, in
    // store order: a shape's picture index (1-based) names one of these.
    std::vector<std::vector<std::uint8_t>> pictures;
    bool hasStore = false;
    // The container's other records, whole, with where the FDGG and the store
    // go among them (indices into others).
    std::vector<std::vector<std::uint8_t>> others;
    std::size_t fdggAt = 0;
    std::size_t storeAt = 0;
};

// Raises CorruptWorkbook when the bytes are not one drawing group container
// with an FDGG.
DrawingGroup readDrawingGroup(std::span<const std::uint8_t> container);
// A drawing group with no drawings and no pictures yet.
DrawingGroup emptyDrawingGroup();
std::vector<std::uint8_t> writeDrawingGroup(const DrawingGroup& group);

// The cluster index of a shape id.
inline std::uint32_t clusterOf(std::uint32_t spid) {
    return spid / kClusterSize == 0 ? 0 : spid / kClusterSize - 1;
}

}  // namespace xls::odraw
